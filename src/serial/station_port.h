#pragma once

#include "line_settings.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

// One of the station's serial ports, configured the way the settings name it:
// a port number (mapped to a device, see port_map.h), a line settings text and,
// for keypads, a receive threshold. A device that fails while open (unplugged,
// I/O error) is closed, reported, and opened again as soon as it is back.
class StationPort : public QObject {
    Q_OBJECT

public:
    // Event code of received characters, as the keypad handler expects it.
    static constexpr int ReceiveEvent = 2;

    explicit StationPort(const QString &name, QObject *parent = nullptr);

    // The configure-and-open steps; each fails on its own and the port keeps
    // what the earlier steps set. A port that is open refuses a new number.
    bool setPortNumber(int portNumber, const QString &startFolder, QString *error);
    bool setLineSettings(const QString &text, QString *error);
    void setReceiveThreshold(int characters) { m_receiveThreshold = characters; }
    bool open(QString *error);

    bool configureAndOpen(int portNumber, const QString &lineSettings, const QString &startFolder,
                          QString *error);

    bool isOpen() const { return m_port.isOpen(); }
    int portNumber() const { return m_portNumber; }
    QString lineSettingsText() const { return m_lineText; }
    QString devicePath() const { return m_devicePath; }
    // What an operator needs to know about this port now.
    QString stateText() const { return m_state; }

    QSerialPort &port() { return m_port; }

signals:
    // Characters arrived (the receive event): raised once the threshold is met.
    void onComm(int eventCode);
    void stateChanged();

private:
    void handleError(QSerialPort::SerialPortError error);
    void retryOpen();
    void setState(const QString &text);

    QSerialPort m_port;
    QTimer m_retry;
    int m_portNumber = 0;
    QString m_devicePath;
    QString m_lineText = QStringLiteral("9600,N,8,1");
    int m_receiveThreshold = 0;
    QString m_state;
};
