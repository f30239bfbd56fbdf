#include "common/clock.h"
#include "fuzz_harness.h"
#include "http/status_server.h"

#include <QAbstractEventDispatcher>
#include <QRegularExpression>
#include <QSqlQuery>
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QDateTime Now(QDate(2026, 3, 10), QTime(12, 0));

// A station all well, with one row in today's log whose customer is typed by the input.
struct Station {
    QString gateDb = fuzzFolder() + QStringLiteral("/Gate.gsd");
    StationMonitor monitor{Now};
    StationSettings settings;
    std::unique_ptr<StatusServer> server;
    QSqlDatabase log;
    qsizetype pageTags = -1; // '<' on the page whatever the customer's name

    Station()
    {
        Clock::pin(Now);
        makeGateDatabase(gateDb);
        settings.GateDbPath = gateDb;
        log = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz-http"));
        log.setDatabaseName(gateDb);
        FUZZ_CHECK(log.open());
        FUZZ_CHECK(QSqlQuery(log).exec(QStringLiteral(
            "insert into tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, fldUnitNumber, "
            "fldCustID, fldZone) values ('2026-03-10 11:59:00', '1234', 'Valid', '', 'A12', "
            "1001, 'In')")));
        monitor.setProbe([] {
            return StationMonitor::Equipment{{{"Relay board", 2, true, true, "open"},
                                              {"Keypad 1", 1, true, true, "open"},
                                              {"Keypad 2", 0, false, false, {}}},
                                             {{"customer", true, 0}, {"gate log", true, 0}}};
        });
        monitor.attempted({GateAttempt::Outcome::Logged, true, true, "Valid", {}, {}, {}}, 0, 0.001,
                          Now);
        server = std::make_unique<StatusServer>(monitor, settings,
                                                BoundedTcpServer::Limits{16, 1024, 2000});
        FUZZ_CHECK(server->listen({QHostAddress::LocalHost, 0}, nullptr));
    }

    void setCustomer(const QString &name)
    {
        QSqlQuery q(log);
        q.prepare(QStringLiteral("update tblGateLog set fldCustomer = ?"));
        q.addBindValue(name);
        FUZZ_CHECK(q.exec());
    }
};

// Runs the server until it has nothing left to do: a visitor's bytes read,
// answered and sent, or its close noticed.
void settle()
{
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    for (int idle = 0; idle < 2;)
        idle = dispatcher->processEvents(QEventLoop::AllEvents) ? 0 : idle + 1;
}

// What the server sent back on one connection for `request`.
QByteArray exchange(quint16 port, const QByteArray &request)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    FUZZ_CHECK(fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0);
    FUZZ_CHECK(::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) ==
               request.size());
    settle();
    QByteArray received;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0;)
        received.append(buffer, n);
    ::close(fd);
    settle();
    return received;
}

struct Answer {
    int status = 0;
    QByteArray head;
    QByteArray body;
};

// The answers in what the server sent, each whole with its Content-Length.
QList<Answer> answers(QByteArray sent)
{
    static const QRegularExpression statusLine(QStringLiteral("^HTTP/1\\.1 (\\d{3}) "));
    static const QRegularExpression length(QStringLiteral("\r\ncontent-length: *(\\d+)\r"),
                                           QRegularExpression::CaseInsensitiveOption);
    QList<Answer> all;
    while (!sent.isEmpty()) {
        const qsizetype headEnd = sent.indexOf("\r\n\r\n");
        FUZZ_CHECK(headEnd > 0);
        const QString head = QString::fromLatin1(sent.left(headEnd + 2));
        const QRegularExpressionMatch status = statusLine.match(head);
        const QRegularExpressionMatch bodySize = length.match(head);
        FUZZ_CHECK(status.hasMatch() && bodySize.hasMatch());
        const qsizetype end = headEnd + 4 + bodySize.captured(1).toLongLong();
        FUZZ_CHECK(end <= sent.size());
        all << Answer{status.captured(1).toInt(), head.toLatin1(),
                      sent.mid(headEnd + 4, end - headEnd - 4)};
        sent.remove(0, end);
    }
    return all;
}

qsizetype tags(const Answer &answer)
{
    return answer.head.contains("text/html") ? answer.body.count('<') : -1;
}

Station &station()
{
    static Station s;
    if (s.pageTags < 0) {
        s.setCustomer(QStringLiteral("Ada"));
        const QList<Answer> page = answers(exchange(s.server->port(), "GET / HTTP/1.1\r\n\r\n"));
        FUZZ_CHECK(page.size() == 1 && page[0].status == 200);
        s.pageTags = tags(page[0]);
    }
    return s;
}

} // namespace

// Raw bytes from a visitor of the status port, the customer's name in today's
// log row taken from them too: every answer is a whole HTTP answer the server
// gives (200, 404, 405, 431 or 503), the page escapes every text, and the
// server answers the next visitor.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Station &s = station();
    const QByteArray input = fuzzBytes(data, size);
    s.setCustomer(QString::fromUtf8(input.left(200)));
    for (const Answer &answer : answers(exchange(s.server->port(), input))) {
        FUZZ_CHECK(QList<int>({200, 404, 405, 431, 503}).contains(answer.status));
        if (answer.status == 200 || answer.status == 405)
            FUZZ_CHECK(answer.head.contains("\r\nContent-Security-Policy: default-src 'none'"));
        FUZZ_CHECK(tags(answer) == -1 || tags(answer) == s.pageTags);
    }
    const QList<Answer> next = answers(exchange(s.server->port(), "GET /health HTTP/1.1\r\n\r\n"));
    FUZZ_CHECK(next.size() == 1 && next[0].status == 200);
    return 0;
}
