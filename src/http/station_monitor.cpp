#include "station_monitor.h"

#include "access/result_words.h"

#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

using prometheus::Counter;
using prometheus::Family;
using prometheus::Gauge;

namespace {

// A result word with a date or zone in it is counted under its first word, so
// the series stay few.
std::string resultLabel(const QString &result)
{
    for (const QString &prefix : {ResultWords::ExpiredPrefix, ResultWords::TimeZonePrefix}) {
        if (result.startsWith(prefix))
            return prefix.trimmed().toStdString();
    }
    return result.toStdString();
}

const char *const FleetPhases[] = {"in step", "offline", "fault", "stopped", "silent", "unknown"};

QString sourceOf(int keypad)
{
    return keypad < 0 ? QStringLiteral("operator") : QStringLiteral("keypad %1").arg(keypad + 1);
}

} // namespace

struct StationMonitor::Metrics {
    std::shared_ptr<prometheus::Registry> registry = std::make_shared<prometheus::Registry>();
    Family<Counter> &attempts = prometheus::BuildCounter()
                                    .Name("gate_attempts_total")
                                    .Help("Codes decided, by result word and keypad")
                                    .Register(*registry);
    Counter &relayOpens = prometheus::BuildCounter()
                              .Name("gate_relay_opens_total")
                              .Help("Times the relay went on")
                              .Register(*registry)
                              .Add({});
    Counter &openSeconds = prometheus::BuildCounter()
                               .Name("gate_relay_open_seconds_total")
                               .Help("Seconds the relay held the gate open, counted as it goes off")
                               .Register(*registry)
                               .Add({});
    Gauge &relayOn = prometheus::BuildGauge()
                         .Name("gate_relay_on")
                         .Help("1 while the relay is on")
                         .Register(*registry)
                         .Add({});
    Family<Gauge> &deviceUp = prometheus::BuildGauge()
                                  .Name("gate_device_up")
                                  .Help("1 when the device's port is open, by device and port")
                                  .Register(*registry);
    Family<Gauge> &databaseUp = prometheus::BuildGauge()
                                    .Name("gate_database_up")
                                    .Help("1 when the database is connected")
                                    .Register(*registry);
    Family<Counter> &databaseFaults =
        prometheus::BuildCounter()
            .Name("gate_database_faults_total")
            .Help("Codes not decided for want of a database (lookup), rows the gate log did not "
                  "take at once (log)")
            .Register(*registry);
    prometheus::Histogram &latency =
        prometheus::BuildHistogram()
            .Name("gate_decision_seconds")
            .Help("From a complete code to its decision made, relay switched and row written")
            .Register(*registry)
            .Add({}, prometheus::Histogram::BucketBoundaries{0.0005, 0.001, 0.002, 0.005, 0.01,
                                                             0.02, 0.05, 0.1, 0.5});
    Family<Counter> &logRows = prometheus::BuildCounter()
                                   .Name("gate_log_rows_total")
                                   .Help("Log rows written, into the log or the spool")
                                   .Register(*registry);
    Gauge &spooledRows = prometheus::BuildGauge()
                             .Name("gate_log_spooled_rows")
                             .Help("Log rows waiting in the spool")
                             .Register(*registry)
                             .Add({});
    Gauge &started = prometheus::BuildGauge()
                         .Name("gate_station_start_time_seconds")
                         .Help("When the station started, in seconds since the epoch")
                         .Register(*registry)
                         .Add({});
    Family<Gauge> &keypadLocked = prometheus::BuildGauge()
                                      .Name("gate_keypad_locked")
                                      .Help("1 while the keypad is locked after refused codes")
                                      .Register(*registry);
    // No series without a fleet link: a station on its own is never "offline".
    Family<Gauge> &fleetUp = prometheus::BuildGauge()
                                 .Name("gate_fleet_link_up")
                                 .Help("1 while gate-sync keeps the station in step with the "
                                       "fleet database")
                                 .Register(*registry);
    Family<Gauge> &fleetLink = prometheus::BuildGauge()
                                   .Name("gate_fleet_link")
                                   .Help("1 for the fleet link's phase as gate-sync last told it "
                                         "(stopped: gate-sync said it stopped; silent: it stopped "
                                         "telling unsaid; unknown: no word)")
                                   .Register(*registry);
    Family<Gauge> &fleetContact =
        prometheus::BuildGauge()
            .Name("gate_fleet_last_contact_time_seconds")
            .Help("When the fleet database last answered, in seconds since the epoch; 0: never")
            .Register(*registry);
    Family<Gauge> &fleetWaiting = prometheus::BuildGauge()
                                      .Name("gate_fleet_rows_waiting")
                                      .Help("Log rows not yet in the fleet's central log")
                                      .Register(*registry);
    Gauge &previousRunDied = prometheus::BuildGauge()
                                 .Name("gate_station_previous_run_died")
                                 .Help("1 when this run took over from a station that died "
                                       "without stopping (the watchdog killed it, or it crashed)")
                                 .Register(*registry)
                                 .Add({});
    // The device series of the last scrape: a port renumbered leaves no stale one.
    std::vector<Gauge *> deviceSeries;
};

StationMonitor::StationMonitor(const QDateTime &started)
    : m_metrics(std::make_unique<Metrics>())
    , m_started(started)
{
    m_metrics->started.Set(double(started.toSecsSinceEpoch()));
    // Series at 0 from the start, so the first fault or lockout is an increase.
    for (const char *step : {"lookup", "log"})
        m_metrics->databaseFaults.Add({{"step", step}});
    for (const char *keypad : {"1", "2"})
        m_metrics->keypadLocked.Add({{"keypad", keypad}});
}

StationMonitor::~StationMonitor() = default;

void StationMonitor::attempted(const GateAttempt::Outcome &outcome, int keypad, double seconds,
                               const QDateTime &when)
{
    if (outcome.status == GateAttempt::Outcome::Skipped)
        return;
    auto fault = [this](const char *step) {
        m_metrics->databaseFaults.Add({{"step", step}}).Increment();
    };
    if (outcome.result.isEmpty()) { // nothing decided: a database could not be read
        fault("lookup");
        return;
    }
    const std::string keypadLabel = keypad < 0 ? "operator" : std::to_string(keypad + 1);
    m_metrics->attempts.Add({{"result", resultLabel(outcome.result)}, {"keypad", keypadLabel}})
        .Increment();
    m_metrics->latency.Observe(seconds);
    m_lastDecision = Decision{when, outcome.result, sourceOf(keypad), outcome.granted};
    // Decided, and its row logged, spooled (the writer says why) or lost.
    rowWritten(outcome.status == GateAttempt::Outcome::NotDecided ? GateLogWriter::Result::Lost
               : outcome.why.isEmpty()                            ? GateLogWriter::Result::Logged
                                                                  : GateLogWriter::Result::Spooled);
}

void StationMonitor::stationRowWritten(GateLogWriter::Result result)
{
    rowWritten(result);
}

void StationMonitor::rowWritten(GateLogWriter::Result result)
{
    if (result != GateLogWriter::Result::Logged)
        m_metrics->databaseFaults.Add({{"step", "log"}}).Increment();
    if (result != GateLogWriter::Result::Lost)
        m_metrics->logRows.Add({{"to", result == GateLogWriter::Result::Logged ? "log" : "spool"}})
            .Increment();
}

void StationMonitor::relaySwitched(bool on, qint64 monotonicMs)
{
    if (on && !m_relayOn) {
        m_metrics->relayOpens.Increment();
        m_relayOnSinceMs = monotonicMs;
    } else if (!on && m_relayOn) {
        m_metrics->openSeconds.Increment(double(monotonicMs - m_relayOnSinceMs) / 1000);
    }
    m_relayOn = on;
    m_metrics->relayOn.Set(on ? 1 : 0);
}

void StationMonitor::keypadLocked(int keypad, const QDateTime &until)
{
    if (keypad < 0 || keypad > 1)
        return;
    m_lockedUntil[keypad] = until;
    m_metrics->keypadLocked.Add({{"keypad", std::to_string(keypad + 1)}})
        .Set(until.isValid() ? 1 : 0);
}

void StationMonitor::fleetLinkRead(const FleetState &state, const QDateTime &now)
{
    setFleetLink(
        {state.phaseWord(now), state.since, state.contact, state.waiting, state.statusLine(now)});
}

void StationMonitor::fleetLinkUnread(const QString &why)
{
    setFleetLink({QStringLiteral("unknown"), {}, {}, 0, QStringLiteral("fleet: ") + why});
}

void StationMonitor::setFleetLink(const FleetLink &link)
{
    m_fleet = link;
    Metrics &m = *m_metrics;
    m.fleetUp.Add({}).Set(link.up() ? 1 : 0);
    for (const char *phase : FleetPhases)
        m.fleetLink.Add({{"phase", phase}}).Set(link.phase == QLatin1String(phase) ? 1 : 0);
    m.fleetWaiting.Add({}).Set(double(link.waiting));
    m.fleetContact.Add({}).Set(link.contact.isValid() ? double(link.contact.toSecsSinceEpoch())
                                                      : 0);
}

void StationMonitor::previousRunDied()
{
    m_metrics->previousRunDied.Set(1);
}

StationMonitor::Status StationMonitor::status() const
{
    Status s{
        m_probe ? m_probe() : Equipment{}, m_lastDecision, m_relayOn, m_started, true, {}, m_fleet};
    for (int keypad : {0, 1}) {
        if (m_lockedUntil[keypad].isValid())
            s.lockouts.append({keypad + 1, m_lockedUntil[keypad]});
    }
    for (const Device &device : s.equipment.devices)
        s.healthy = s.healthy && device.well();
    for (const Database &database : s.equipment.databases)
        s.healthy = s.healthy && database.well();
    return s;
}

QByteArray StationMonitor::metricsText()
{
    const Equipment equipment = status().equipment;
    Metrics &m = *m_metrics;
    for (Gauge *series : std::exchange(m.deviceSeries, {}))
        m.deviceUp.Remove(series);
    for (const Device &device : equipment.devices) {
        Gauge &up = m.deviceUp.Add(
            {{"device", device.name.toStdString()}, {"port", std::to_string(device.port)}});
        up.Set(device.open ? 1 : 0);
        m.deviceSeries.push_back(&up);
    }
    int spooled = 0;
    for (const Database &database : equipment.databases) {
        m.databaseUp.Add({{"database", database.name.toStdString()}})
            .Set(database.connected ? 1 : 0);
        spooled += database.spooledRows;
    }
    m.spooledRows.Set(spooled);
    return QByteArray::fromStdString(prometheus::TextSerializer().Serialize(m.registry->Collect()));
}
