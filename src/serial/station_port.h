#pragma once

#include "line_settings.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

// One of the station's serial ports, configured the way the settings name it:
// a port number (mapped to a device, see port_map.h), a line settings text and,
// for keypads, a receive threshold. Nobody may be at the desk: a device that will
// not open, or fails while open (unplugged, I/O error), is closed, reported, and
// tried again every RetryIntervalMs until it opens.
class StationPort : public QObject {
    Q_OBJECT

public:
    // Event code of received characters, as the keypad handler expects it.
    static constexpr int ReceiveEvent = 2;
    static constexpr int RetryIntervalMs = 3000;

    explicit StationPort(const QString &name, QObject *parent = nullptr);

    // What the operator calls the device ("Relay board"), heading its state text.
    void setRole(const QString &role);
    QString role() const { return m_role; }

    // The configure-and-open steps; each fails on its own and the port keeps
    // what the earlier steps set. A port that is open refuses a new number.
    bool setPortNumber(int portNumber, const QString &startFolder, QString *error);
    bool setLineSettings(const QString &text, QString *error);
    void setReceiveThreshold(int characters) { m_receiveThreshold = characters; }
    bool open(QString *error);

    bool configureAndOpen(int portNumber, const QString &lineSettings, const QString &startFolder,
                          QString *error);

    bool isOpen() const { return m_port.isOpen(); }
    bool retrying() const { return m_retry.isActive(); }
    int portNumber() const { return m_portNumber; }
    QString lineSettingsText() const { return m_lineText; }
    QString devicePath() const { return m_devicePath; }
    bool devicePathFromPortMap() const { return m_fromPortMap; }
    // What an operator needs to know about this port now: the device, the path
    // and where it came from, why it is not open and what fixes that.
    QString stateText() const;

    QSerialPort &port() { return m_port; }
    const QSerialPort &port() const { return m_port; }

signals:
    // Characters arrived (the receive event): raised once the threshold is met.
    void onComm(int eventCode);
    void stateChanged();

private:
    void handleError(QSerialPort::SerialPortError error);
    void retryOpen();
    void failed(QSerialPort::SerialPortError error, const QString &text);
    void setState(const QString &text);
    QString where() const;
    void mapDevice(); // the device of the port number, from comports.ini or the default

    QSerialPort m_port;
    QTimer m_retry;
    QString m_role;
    int m_portNumber = 0;
    QString m_startFolder;
    QString m_devicePath;
    bool m_fromPortMap = false;
    QString m_lineText = QStringLiteral("9600,N,8,1");
    int m_receiveThreshold = 0;
    QString m_state;
    // How the last try failed, and on which path: a retry failing the same way
    // leaves the text alone.
    QSerialPort::SerialPortError m_failure = QSerialPort::NoError;
    QString m_failedPath;
};

// What the operator can do about a port that fails with `error`; empty where
// nothing helps but waiting. `deviceAccessible`: this process may read and write
// the device file, so a permission error means another program holds the port.
QString portFailureFix(QSerialPort::SerialPortError error, bool deviceAccessible);
