#include "fleet_state.h"

#include "common/error_text.h"
#include "station_folder.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {

const char *const PhaseWords[] = {"in step", "offline", "fault", "stopped"};

QString stamp(const QDateTime &time)
{
    return time.toString(Qt::ISODate);
}

QString waitingNote(qint64 waiting)
{
    return waiting == 1 ? QStringLiteral("1 row waiting")
                        : QStringLiteral("%1 rows waiting").arg(waiting);
}

} // namespace

QByteArray FleetState::text() const
{
    QString fault1 = fault;
    fault1.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("phase=%1\nsince=%2\ncontact=%3\nwritten=%4\nwaiting=%5\nstale=%6\n"
                          "fault=%7\n")
        .arg(QLatin1String(PhaseWords[int(phase)]), stamp(since), stamp(contact), stamp(written))
        .arg(waiting)
        .arg(staleSeconds)
        .arg(fault1)
        .toUtf8();
}

bool FleetState::parse(const QByteArray &text, FleetState &state, QString *error)
{
    QHash<QString, QString> values;
    for (const QString &line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1));
    }
    state = {};
    const auto phase = std::find(std::begin(PhaseWords), std::end(PhaseWords),
                                 values.value(QStringLiteral("phase")));
    bool waitingOk = false;
    state.waiting = values.value(QStringLiteral("waiting")).toLongLong(&waitingOk);
    state.written = QDateTime::fromString(values.value(QStringLiteral("written")), Qt::ISODate);
    if (phase == std::end(PhaseWords) || !waitingOk || !state.written.isValid()) {
        setError(error, QStringLiteral("fleet.state is damaged"));
        return false;
    }
    state.phase = Phase(phase - std::begin(PhaseWords));
    state.since = QDateTime::fromString(values.value(QStringLiteral("since")), Qt::ISODate);
    state.contact = QDateTime::fromString(values.value(QStringLiteral("contact")), Qt::ISODate);
    state.staleSeconds = values.value(QStringLiteral("stale")).toInt();
    state.fault = values.value(QStringLiteral("fault"));
    return true;
}

bool FleetState::write(const QString &folder, QString *error) const
{
    QSaveFile file(StationFolder(folder).fleetState());
    if (file.open(QIODevice::WriteOnly) && file.write(text()) >= 0 && file.commit())
        return true;
    setError(error, QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString()));
    return false;
}

bool FleetState::read(const QString &folder, FleetState &state, QString *error)
{
    QFile file(StationFolder(folder).fleetState());
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("no word from gate-sync (%1: %2)")
                            .arg(file.fileName(), file.errorString()));
        return false;
    }
    return parse(file.read(4096), state, error);
}

bool FleetState::silent(const QDateTime &now) const
{
    return phase != Phase::Stopped && staleSeconds > 0 && written.secsTo(now) > staleSeconds;
}

QString FleetState::phaseWord(const QDateTime &now) const
{
    return silent(now) ? QStringLiteral("silent") : QLatin1String(PhaseWords[int(phase)]);
}

QString FleetState::statusLine(const QDateTime &now) const
{
    // Since when, and the rows it leaves waiting.
    const auto at = [this](const char *text, const QDateTime &time) {
        return QString::fromLatin1(text).arg(time.toString(QStringLiteral("HH:mm")),
                                             waitingNote(waiting));
    };
    if (silent(now))
        return at("fleet: gate-sync silent since %1, %2", written);
    switch (phase) {
    case Phase::InStep:
        return QStringLiteral("fleet: in step ") + contact.toString(QStringLiteral("HH:mm:ss")) +
               (waiting > 0 ? QStringLiteral(", ") + waitingNote(waiting) : QString());
    case Phase::Offline:
        return at("fleet: offline since %1, %2", since);
    case Phase::Stopped:
        return at("fleet: gate-sync stopped at %1, %2", since);
    case Phase::Fault:
        break;
    }
    return QStringLiteral("fleet: ") + fault;
}
