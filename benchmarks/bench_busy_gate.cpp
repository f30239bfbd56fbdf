// Key to relay while everything around the gate is busy: gatectl sync
// rewriting 1 000 of 100 000 units over and over, the status server scraped
// every 200 ms, the window listing the log again after each decision, a
// million log rows in files made without indexes. Beside the same keys on the
// same station with nothing else going on, in the same run.
#include "big_site.h"
#include "data/tables.h"
#include "relay_line.h"
#include "station/gate_window.h"
#include "support/gate_site.h"

#include <QApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTextStream>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>

namespace {

using BigSite::ChangedUnits;
using BigSite::Masters;
using BigSite::unitCode;
using BigSite::Units;

constexpr int CodesPerKeypad = 40;

QTextStream out(stdout);

// A monitoring system asking for each page in turn every 200 ms, from a
// thread of its own as another process would.
class Scraper {
public:
    explicit Scraper(quint16 port)
        : m_thread([this, port] { run(port); })
    {}
    ~Scraper()
    {
        m_stop = true;
        m_thread.join();
    }
    int answered() const { return m_answered; }

private:
    void run(quint16 port)
    {
        const char *const pages[] = {"/metrics", "/health", "/"};
        for (int i = 0; !m_stop; ++i) {
            if (get(port, pages[i % 3]))
                ++m_answered;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    }

    static bool whole(const std::string &reply)
    {
        const size_t end = reply.find("\r\n\r\n");
        const size_t length = reply.find("Content-Length: ");
        return end != std::string::npos && length != std::string::npos &&
               reply.size() >= end + 4 + std::stoul(reply.substr(length + 16));
    }

    static bool get(quint16 port, const char *page)
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{2, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string reply;
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
            const std::string request = std::string("GET ") + page +
                                        " HTTP/1.1\r\nHost: localhost\r\nConnection: close\r\n\r\n";
            ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
            char buffer[8192];
            ssize_t n = 0;
            // The server may keep the connection: the reply ends with its body.
            while (!whole(reply) && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
                reply.append(buffer, size_t(n));
        }
        ::close(fd);
        return reply.rfind("HTTP/1.1 200 ", 0) == 0 || reply.rfind("HTTP/1.0 200 ", 0) == 0;
    }

    std::atomic<bool> m_stop{false};
    std::atomic<int> m_answered{0};
    std::thread m_thread;
};

QByteArray csvOf(const TableSchema &table, int rows, const std::function<QStringList(int)> &row)
{
    QByteArray text = table.columnNames().join(',').toUtf8() + "\r\n";
    for (int i = 0; i < rows; ++i)
        text += row(i).join(',').toUtf8() + "\r\n";
    return text;
}

// The site's units as the management software exports them: every hundredth
// one locked in `locked.csv`, rented in `rented.csv`; the master codes unchanged.
void writeExports(const StartFolder &folder)
{
    for (const bool locked : {false, true}) {
        folder.write(locked ? "locked.csv" : "rented.csv",
                     csvOf(Tables::unitInfo(), Units,
                           [&](int i) { return BigSite::exportedUnit(i, locked); }));
    }
    folder.write("masters.csv", csvOf(Tables::masterCodes(), Masters, [](int i) {
                     return QStringList{QString::number(i + 1),
                                        QString::number(900001 + i),
                                        "Staff",
                                        "Member",
                                        "OFFICE",
                                        "",
                                        "0",
                                        "000000"};
                 }));
}

// gatectl sync alternating between the two exports until stopped; each run
// rewrites the 1 000 units that differ.
class SyncLoop {
public:
    explicit SyncLoop(const StartFolder &folder)
    {
        const QString sync =
            QStringLiteral("'%1' sync '%2' '%3' '%4'")
                .arg(QStringLiteral(GATECTL), "%1", folder.file("masters.csv"), folder.path());
        m_loop.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A session of its own: stopping it stops the gatectl it runs.
        m_loop.start(
            "setsid",
            {"bash", "-c",
             QStringLiteral("while :; do %1 >/dev/null && echo x; %2 >/dev/null && "
                            "echo x; done")
                 .arg(sync.arg(folder.file("locked.csv")), sync.arg(folder.file("rented.csv")))});
        m_loop.waitForStarted();
    }
    ~SyncLoop()
    {
        ::kill(-pid_t(m_loop.processId()), SIGKILL);
        m_loop.waitForFinished();
    }
    // Syncs that finished, as far as read.
    int done()
    {
        m_done += int(m_loop.readAllStandardOutput().count('x'));
        return m_done;
    }

private:
    QProcess m_loop;
    int m_done = 0;
};

// Where the time goes: from the moment the station's thread takes a keypad's
// read to the relay command. The rest of a figure is the way of the key to the
// station's port and of the command to the board, which the kernel and the
// scheduler decide. It ends once the station has switched the relay on: the
// command written and, for the first grant of a hold, the relay's marker file.
// Made before the window, so the window's own work on the news is not in it.
class InStation : public QObject {
public:
    explicit InStation(GateStation &station)
        : m_station(station)
    {
        connect(&station, &GateStation::relaySwitched, this, [this](bool on) {
            if (on)
                m_ms << (nowNs() - m_readNs) / 1e6;
        });
    }
    // Once the station has opened its keypads.
    void watchKeypads()
    {
        for (int keypad : {0, 1}) {
            for (QSocketNotifier *read :
                 m_station.devices().keypad(keypad).port().findChildren<QSocketNotifier *>())
                read->installEventFilter(this);
        }
    }
    QList<double> take() { return std::exchange(m_ms, {}); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::SockAct)
            m_readNs = nowNs();
        return false;
    }

private:
    GateStation &m_station;
    qint64 m_readNs = 0;
    QList<double> m_ms;
};

struct Figures {
    QList<double> ms;
    QList<double> inStation;
};

// Codes on both keypads in turn, keys landing at varied moments; never a
// changed unit, so every code opens.
Figures typeCodes(GateSite &site, const RelayLine &relay, InStation &inside)
{
    inside.take();
    QList<double> ms;
    QRandomGenerator random(7);
    for (int k = 0; k < 2 * CodesPerKeypad; ++k) {
        int unit = int(random.bounded(Units));
        if (unit % (Units / ChangedUnits) == 0)
            ++unit;
        qint64 start = 0;
        ms << keyToRelayMs(k % 2 ? site.keypad2 : site.keypad1, relay, keysFor(unitCode(unit)),
                           start);
        serveEventsFor(40 + int(random.bounded(80)));
    }
    return {ms, inside.take()};
}

double worst(const QList<double> &ms)
{
    return *std::max_element(ms.begin(), ms.end());
}

QString figures(const QList<double> &ms)
{
    const Spread spread = spreadOf(ms);
    return QStringLiteral("median %1 ms, worst %2 ms")
        .arg(spread.median, 0, 'f', 3)
        .arg(worst(ms), 0, 'f', 3);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BigSite::Gate gate(BigSite::LogIndexes::Dropped);
    GateSite &site = gate.site;
    const RelayLine &relay = gate.relay;
    writeExports(site.folder);
    std::unique_ptr<GateStation> station = site.make(QStringLiteral("127.0.0.1:0"));
    InStation inside(*station);
    GateWindow window(*station);
    station->start();
    inside.watchKeypads();
    window.show();

    const Figures quiet = typeCodes(site, relay, inside);
    Figures busy;
    int syncs = 0;
    int scrapes = 0;
    {
        SyncLoop sync(site.folder);
        Scraper scraper(station->statusPort());
        while (sync.done() == 0)
            serveEventsFor(50);
        busy = typeCodes(site, relay, inside);
        syncs = sync.done();
        scrapes = scraper.answered();
    }
    out << QStringLiteral("key to relay, %1 codes on both keypads, %2 log rows, files made "
                          "without indexes, while gatectl sync rewrote %3 of %4 units %5 times "
                          "and the status server answered %6 scrapes: %7 | quiet: %8 | worst "
                          "%9x the quiet one")
               .arg(busy.ms.size())
               .arg(BigSite::LogRows)
               .arg(ChangedUnits)
               .arg(Units)
               .arg(syncs)
               .arg(scrapes)
               .arg(figures(busy.ms), figures(quiet.ms))
               .arg(worst(busy.ms) / worst(quiet.ms), 0, 'f', 1)
        << QStringLiteral(" | in the station, from its read of the last key to the relay "
                          "switched on: %1 | quiet: %2\n")
               .arg(figures(busy.inStation), figures(quiet.inStation));
    out.flush();
    return 0;
}
