#include "gate_attempt.h"

#include "access_decision.h"

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
    auto notDecided = [&](const QString &why) {
        outcome.status = Outcome::NotDecided;
        outcome.why = why;
        return outcome;
    };
    QString error;
    Decision decision;
    if (!m_data.prepareForDecision(m_settings, &error) ||
        !decideCode(sourcesOf(m_data), code, location, now, decision, &error)) {
        m_data.decisionFailed();
        return notDecided(error);
    }
    if (decision.verdict.failed())
        return notDecided(decision.verdict.failure);
    outcome.result = decision.verdict.result;

    // The gate opens first: a log that cannot take the row at once gets it
    // through the spool, and nothing here waits for it.
    outcome.granted = decision.verdict.grant;
    if (outcome.granted)
        outcome.opened = m_openGate();
    if (m_log.write(decision.event, now, &outcome.why) == GateLogWriter::Result::Lost)
        return notDecided(QStringLiteral("%1: %2").arg(
            outcome.opened ? QStringLiteral("gate opened, but not logged")
                           : QStringLiteral("not logged"),
            outcome.why));
    outcome.status = Outcome::Logged;
    return outcome;
}
