#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>

// A pseudo-terminal that plays a serial device: the station opens the slave
// path like a port, the device reads and writes the master side.
class PtyDevice : public QObject {
    Q_OBJECT

public:
    explicit PtyDevice(QObject *parent = nullptr);
    ~PtyDevice() override;

    bool isValid() const { return m_master >= 0; }
    QString devicePath() const { return m_path; }
    void write(const QByteArray &bytes);

    // Takes what the station has written and is waiting now, without the event loop.
    void readPending();
    // Makes the device vanish, as an unplugged adapter does.
    void closeMaster();

signals:
    void bytesArrived(const QByteArray &bytes);

private:
    int m_master = -1;
    int m_slave = -1; // held open so the terminal outlives the station's closes
    QString m_path;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
