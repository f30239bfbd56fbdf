#pragma once

#include <QSqlDatabase>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

// Another program busy on a database file in a thread of its own: `step` runs
// over and over on the thread's own connection until stopped.
class BusyConnection {
public:
    using Step = std::function<void(QSqlDatabase &)>;

    BusyConnection(const QString &path, const QString &connectOptions, Step step)
        : m_thread(QThread::create(
              [this, path, connectOptions, step] { run(path, connectOptions, step); }))
    {
        m_thread->start();
    }
    ~BusyConnection() { stop(); }

    void stop()
    {
        m_stop = true;
        m_thread->wait();
    }
    int rounds() const { return m_rounds; }

private:
    void run(const QString &path, const QString &connectOptions, Step step)
    {
        const QString name = QStringLiteral("busy-connection");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            db.setDatabaseName(path);
            db.setConnectOptions(connectOptions);
            db.open();
            for (; !m_stop; ++m_rounds)
                step(db);
        }
        QSqlDatabase::removeDatabase(name);
    }

    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_rounds{0};
};
