// The programs as an installer and systemd meet them: command lines without a
// display, one station per folder, readiness and the watchdog.
#include "service/folder_lock.h"
#include "support/free_port.h"
#include "support/http_request.h"
#include "support/program_run.h"
#include "support/recorded_relay_board.h"
#include "support/start_folder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTest>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The socket systemd hands a notify service: one datagram per message.
class NotifySocket {
public:
    explicit NotifySocket(const QString &path)
        : m_path(path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (m_fd < 0 || size_t(name.size()) >= sizeof(address.sun_path))
            qFatal("cannot make a notify socket at %s", name.constData());
        memcpy(address.sun_path, name.constData(), name.size());
        if (::bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0)
            qFatal("cannot bind %s", name.constData());
    }
    ~NotifySocket() { ::close(m_fd); }

    const QString &path() const { return m_path; }

    // Every message that arrived since the last call.
    QList<QByteArray> take()
    {
        QList<QByteArray> messages;
        char buffer[4096];
        ssize_t size;
        while ((size = ::recv(m_fd, buffer, sizeof(buffer), 0)) > 0)
            messages << QByteArray(buffer, size);
        return messages;
    }

    // Waits until `count` messages starting with `start` have arrived, keeping them all.
    bool waitFor(const QByteArray &start, int count, int timeoutMs)
    {
        QDeadlineTimer deadline(timeoutMs);
        while (received(start) < count && !deadline.hasExpired()) {
            QTest::qWait(20);
            m_seen += take();
        }
        return received(start) >= count;
    }

    qsizetype received(const QByteArray &start) const
    {
        return std::count_if(m_seen.begin(), m_seen.end(),
                             [&](const QByteArray &m) { return m.startsWith(start); });
    }
    const QList<QByteArray> &seen() const { return m_seen; }
    void forget()
    {
        m_seen.clear();
        take();
    }

private:
    QString m_path;
    int m_fd = -1;
    QList<QByteArray> m_seen;
};

// A program run with no display: one that built its window would fail.
ProgramRun runWithoutDisplay(const QString &program, const QStringList &arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove("DISPLAY");
    environment.remove("WAYLAND_DISPLAY");
    environment.insert("QT_QPA_PLATFORM", "xcb");
    return runProgram(program, arguments, environment);
}

// A folder made by gatectl whose serial ports name missing devices.
QString makeSite(const StartFolder &parent)
{
    const QString site = parent.file("site");
    const ProgramRun init = runProgram(GATECTL, {"init", site});
    if (init.exitCode != 0)
        qFatal("gatectl init failed: %s", qPrintable(init.err));
    parent.write("site/comports.ini", "[ports]\n1=/nonexistent/1\n2=/nonexistent/2\n"
                                      "3=/nonexistent/3\n");
    parent.write("site/station.ini", "[http]\nListen=\n"); // never the real status port
    return site;
}

void startStation(QProcess &station, const QString &site, const NotifySocket &socket,
                  const QStringList &options = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("NOTIFY_SOCKET", socket.path());
    environment.insert("WATCHDOG_USEC", "500000");
    station.setProcessEnvironment(environment);
    station.setProcessChannelMode(options.isEmpty() ? QProcess::ForwardedChannels
                                                    : QProcess::ForwardedOutputChannel);
    station.start(GATE_STATION, QStringList{"--folder", site} + options);
}

} // namespace

class TestService : public QObject {
    Q_OBJECT

private slots:
    void commandLines_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        // clang-format off
        QTest::newRow("station unknown option") << GATE_STATION << QStringList{"--fast"} << 2 << "Unknown option 'fast'";
        QTest::newRow("station stray argument") << GATE_STATION << QStringList{"site"} << 2 << "unexpected argument 'site'";
        QTest::newRow("station missing folder") << GATE_STATION << QStringList{"--folder", "/nonexistent/site"} << 3 << "/nonexistent/site does not exist";
        QTest::newRow("gatectl unknown command") << GATECTL << QStringList{"start"} << 2 << "unknown command";
        QTest::newRow("gatectl check's own help") << GATECTL << QStringList{"check", "--help"} << 0 << "Usage:\n  gatectl check FOLDER\n";
        QTest::newRow("gatectl checks a missing folder") << GATECTL << QStringList{"check", "/nonexistent/site"} << 1 << "PROBLEM: settings";
        // clang-format on
    }

    void commandLines()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        const ProgramRun run = runWithoutDisplay(program, arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.said().contains(says), qPrintable(run.said()));
    }

    // systemd restarts a station whose event loop hangs: it stops hearing
    // WATCHDOG=1. The station it starts then says it took over from one that
    // died.
    void tellsSystemdItIsReadyAndAlive()
    {
        StartFolder parent;
        const QString site = makeSite(parent);
        const quint16 port = freePort();
        parent.write("site/station.ini",
                     QStringLiteral("[http]\nListen=127.0.0.1:%1\n").arg(port).toUtf8());
        auto previousRunDied = [port] {
            return request(port, "/metrics").samples().value("gate_station_previous_run_died", -1);
        };
        NotifySocket socket(parent.file("notify"));
        QProcess station;
        startStation(station, site, socket);
        QVERIFY2(socket.waitFor("READY=1", 1, 20000), socket.seen().join('|').constData());
        QVERIFY2(socket.seen().first().contains("STATUS=Connected: customer database"),
                 socket.seen().first().constData());
        // At half the 0.5 s the unit allows.
        QVERIFY(socket.waitFor("WATCHDOG=1", 4, 2000));
        QCOMPARE(previousRunDied(), 0.0);

        station.kill();
        station.waitForFinished();

        socket.forget();
        QProcess restarted;
        startStation(restarted, site, socket);
        QVERIFY(socket.waitFor("READY=1", 1, 20000));
        QCOMPARE(previousRunDied(), 1.0);
        ::kill(restarted.processId(), SIGTERM);
        QVERIFY(restarted.waitForFinished(10000));
    }

    // systemctl stop is an Exit: the gate held open closes, the lock and the
    // relay marker go (the next start has no restart to report), and Gate.gsd
    // alone holds every row. gate-sync's test takes each stop signal in turn.
    void aStopIsAnExit()
    {
        StartFolder folder;
        folder.makeStandard();
        StationSettings settings = folder.settings();
        settings.RelayCloseSeconds = 30;
        folder.writeSettings(settings);
        folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                "fldGateTimeZone) VALUES ('1234', 'Rented', 0)");
        RecordedRelayBoard relay;
        PtyDevice keypad;
        folder.write("comports.ini", QStringLiteral("[ports]\n1=%1\n2=%2\n")
                                         .arg(keypad.devicePath(), relay.devicePath())
                                         .toUtf8());
        folder.write("station.ini", "[http]\nListen=\n");
        NotifySocket socket(folder.file("notify"));
        QProcess station;
        startStation(station, folder.path(), socket, {"--headless"});
        QVERIFY(socket.waitFor("READY=1", 1, 20000));
        keypad.write("ABCE");
        QTRY_COMPARE(relay.received(), RelayOff + RelayOn);
        QVERIFY(QFile::exists(folder.file("relay-on.flag")));

        ::kill(station.processId(), SIGTERM);
        QVERIFY(station.waitForFinished(10000));
        QCOMPARE(station.exitStatus(), QProcess::NormalExit);
        QCOMPARE(station.exitCode(), 0);
        QCOMPARE(relay.readNow(), RelayOff + RelayOn + RelayOff);
        const QByteArray said = station.readAllStandardError();
        QVERIFY2(said.contains("stop (SIG"), said.constData());
        for (const char *leftover :
             {"station.lock", "relay-on.flag", "Gate.gsd-wal", "Data.gsd-wal"})
            QVERIFY2(!QFile::exists(folder.file(leftover)), leftover);
        StartFolder copy;
        QVERIFY(QFile::copy(folder.file("Gate.gsd"), copy.file("Gate.gsd")));
        QCOMPARE(copy.value("Gate.gsd", "select group_concat(fldCode || ' ' || fldReult) "
                                        "from tblGateLog"),
                 QVariant("1234 Valid"));
        QCOMPARE(copy.value("Gate.gsd", "PRAGMA journal_mode"), QVariant("delete"));
        QCOMPARE(folder.value("Data.gsd", "PRAGMA journal_mode"), QVariant("delete"));
    }

    // The lock of a station that died is taken over and said so, for the
    // metric of restarts after a hang or a crash.
    void lockOfADeadStationTakenOver_data()
    {
        QTest::addColumn<QByteArray>("leftBy"); // the program in the lock file, if any
        QTest::addColumn<bool>("died");
        QTest::newRow("no lock file") << QByteArray() << false;
        QTest::newRow("left by a station gone") << QByteArray("test_service") << true;
        QTest::newRow("left by a gatectl gone") << QByteArray("gatectl") << false;
    }

    void lockOfADeadStationTakenOver()
    {
        QFETCH(QByteArray, leftBy);
        QFETCH(bool, died);
        StartFolder folder;
        if (!leftBy.isEmpty()) {
            QProcess gone;
            gone.start("true");
            const QByteArray pid = QByteArray::number(gone.processId());
            QVERIFY(gone.waitForFinished());
            QByteArray contents;
            {
                QLockFile held(folder.file("station.lock"));
                QVERIFY(held.tryLock(0));
                QFile file(folder.file("station.lock"));
                QVERIFY(file.open(QIODevice::ReadOnly));
                contents = file.readAll();
            }
            QList<QByteArray> lines = contents.split('\n');
            lines[0] = pid;
            lines[1] = leftBy;
            folder.write("station.lock", lines.join('\n'));
        }
        FolderLock lock(folder.path());
        QString why;
        QCOMPARE(lock.tryLock(&why), 0);
        QCOMPARE(lock.previousHolderDied(), died);
    }

    // A second station, and a restore, are refused while one runs, also when
    // it runs on another computer (a killed station's lock blocks nobody:
    // tellsSystemdItIsReadyAndAlive starts again after a kill).
    void oneStationPerFolder()
    {
        StartFolder parent;
        const QString site = makeSite(parent);
        // As QLockFile writes it, older than its default 30 s for stale locks.
        parent.write("site/station.lock", "4321\ngate-station\nother-computer\n");
        QFile lock(site + "/station.lock");
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(lock.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                 QFileDevice::FileModificationTime));
        lock.close();
        const ProgramRun elsewhere = runWithoutDisplay(GATE_STATION, {"--folder", site});
        QCOMPARE(elsewhere.exitCode, 4);
        QVERIFY2(elsewhere.err.contains("process 4321 on other-computer"),
                 qPrintable(elsewhere.err));
        QVERIFY(lock.remove());

        NotifySocket socket(parent.file("notify"));
        QProcess first;
        startStation(first, site, socket);
        QVERIFY(socket.waitFor("READY=1", 1, 20000));
        const QString holder = "process " + QString::number(first.processId());
        const ProgramRun second = runWithoutDisplay(GATE_STATION, {"--folder", site});
        QCOMPARE(second.exitCode, 4);
        QVERIFY2(second.err.contains(holder), qPrintable(second.err));
        const ProgramRun restore =
            runWithoutDisplay(GATECTL, {"restore", parent.file("any"), site});
        QCOMPARE(restore.exitCode, 4);
        QVERIFY2(restore.err.contains(holder), qPrintable(restore.err));
    }
};

QTEST_GUILESS_MAIN(TestService)
#include "test_service.moc"
