#include "gate_attempt.h"

#include "access_decision.h"
#include "result_words.h"

namespace {

DecisionSources sourcesOf(const StationData &data)
{
    return {data.AdoCustomerCodes.database(), data.AdoMaster.database(),
            data.AdoTimeZones.database(), data.unitCodes(), data.masterCodes()};
}

} // namespace

GateAttempt::GateAttempt(StationData &data, GateLogWriter &log, const StationSettings &settings,
                         OpenGate openGate)
    : m_data(data)
    , m_log(log)
    , m_settings(settings)
    , m_openGate(std::move(openGate))
{}

GateAttempt::Outcome GateAttempt::run(const QString &code, const QString &location,
                                      const QDateTime &now)
{
    Outcome outcome;
    if (m_settings.ExitRequested)
        return outcome;
    QString error;
    Decision decision;
    if (!m_data.prepareForDecision(m_settings, &error) ||
        !decideCode(sourcesOf(m_data), code, location, now, decision, &error)) {
        m_data.decisionFailed();
        outcome.status = Outcome::Unread;
        outcome.why = error;
        return outcome;
    }
    if (decision.verdict.failed()) {
        // Rows that make no sense: the unit they name, where one does.
        GateEvent event =
            decision.event.code.isEmpty() ? notCheckedEvent(code, location) : decision.event;
        event.result = ResultWords::NotChecked;
        outcome.notChecked = decision.verdict.failure;
        return logged(event, now, outcome);
    }
    // The gate opens first: a log that cannot take the row at once gets it
    // through the spool, and nothing here waits for it.
    outcome.granted = decision.verdict.grant;
    if (outcome.granted)
        outcome.opened = m_openGate();
    return logged(decision.event, now, outcome);
}

GateAttempt::Outcome GateAttempt::refuseUnchecked(const QString &code, const QString &location,
                                                  const QDateTime &now, const QString &why)
{
    Outcome outcome;
    if (m_settings.ExitRequested)
        return outcome;
    outcome.notChecked = why;
    return logged(notCheckedEvent(code, location), now, outcome);
}

GateAttempt::Outcome GateAttempt::logged(const GateEvent &event, const QDateTime &now,
                                         Outcome outcome)
{
    outcome.result = event.result;
    outcome.who = whoOf(event);
    if (m_log.write(event, now, &outcome.why) == GateLogWriter::Result::Lost) {
        outcome.status = Outcome::NotDecided;
        outcome.why = QStringLiteral("%1: %2").arg(
            outcome.opened ? QStringLiteral("gate opened, but not logged")
                           : QStringLiteral("not logged"),
            outcome.why);
        return outcome;
    }
    outcome.status = Outcome::Logged;
    return outcome;
}
