#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <memory>

// A pseudo-terminal standing in for a serial device: the station opens the
// slave path like a port, the test reads and writes the master side.
class PtyPair : public QObject {
    Q_OBJECT

public:
    PtyPair();
    ~PtyPair() override;

    QString devicePath() const { return m_path; }
    void write(const QByteArray &bytes);
    // Everything the station has written so far, and clears it.
    QByteArray takeReceived();
    const QByteArray &received() const { return m_received; }
    // Reads what is waiting at the master side now, without the event loop.
    QByteArray readNow();
    // Makes the device vanish, as an unplugged adapter does.
    void closeMaster();

signals:
    void bytesArrived(const QByteArray &bytes);

private:
    void readMaster();

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QByteArray m_received;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// A relay board on a pseudo-terminal: records the commands it gets, keeps its
// relay state and answers the status query with `statusReply` (by default the
// state byte, 1 energised, 0 released; empty: no answer at all).
class FakeRelayBoard : public PtyPair {
    Q_OBJECT

public:
    FakeRelayBoard();

    bool energised() const { return m_energised; }
    void setStatusReply(const QByteArray &reply)
    {
        m_reply = reply;
        m_fixedReply = true;
    }

private:
    void handle(const QByteArray &bytes);

    QByteArray m_pending;
    QByteArray m_reply;
    bool m_fixedReply = false;
    bool m_energised = false;
};
