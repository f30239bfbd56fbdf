#include "status_render.h"

#include "common/station_log.h"

#include <QJsonArray>

namespace {

QString html(const QString &text)
{
    return text.toHtmlEscaped();
}

QString timeText(const QDateTime &when)
{
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// One line of the page, green when all is well with it, red when not.
QString item(bool well, const QString &text)
{
    return QStringLiteral("<li class=\"%1\">%2</li>\n")
        .arg(well ? QStringLiteral("ok") : QStringLiteral("bad"), html(text));
}

QString deviceText(const StationMonitor::Device &device)
{
    if (!device.inUse)
        return QStringLiteral("%1: not in use").arg(device.name);
    return device.state.isEmpty() ? QStringLiteral("%1: not opened").arg(device.name)
                                  : device.state;
}

QString databaseText(const StationMonitor::Database &database)
{
    QString text = QStringLiteral("%1 database: %2")
                       .arg(database.name, database.connected ? QStringLiteral("connected")
                                                              : QStringLiteral("not connected"));
    if (database.spooledRows > 0)
        text += QStringLiteral(", %1 rows wait in the spool").arg(database.spooledRows);
    return text;
}

QString lockoutText(const StationMonitor::Lockout &lockout)
{
    return QStringLiteral("Keypad %1 locked until %2")
        .arg(lockout.keypad)
        .arg(lockout.until.toString(QStringLiteral("HH:mm:ss")));
}

QList<StationMonitor::Lockout> lockedNow(const StationMonitor::Status &status, const QDateTime &now)
{
    QList<StationMonitor::Lockout> locked;
    for (const StationMonitor::Lockout &lockout : status.lockouts) {
        if (lockout.until > now)
            locked << lockout;
    }
    return locked;
}

// What needs someone, shortly; empty when all is well.
QStringList troubles(const StationMonitor::Status &status, const QDateTime &now)
{
    QStringList found;
    for (const StationMonitor::Device &device : status.equipment.devices) {
        if (!device.well())
            found << QStringLiteral("%1 not open").arg(device.name);
    }
    for (const StationMonitor::Database &database : status.equipment.databases) {
        if (!database.connected)
            found << QStringLiteral("%1 database not connected").arg(database.name);
        if (database.spooledRows > 0)
            found << QStringLiteral("%1 log rows wait in the spool").arg(database.spooledRows);
    }
    for (const StationMonitor::Lockout &lockout : lockedNow(status, now))
        found << lockoutText(lockout);
    if (status.fleet && !status.fleet->up())
        found << status.fleet->line;
    return found;
}

QString decisionText(const std::optional<StationMonitor::Decision> &decision)
{
    if (!decision)
        return QStringLiteral("Last decision: none since the station started");
    return QStringLiteral("Last decision: %1 at %2 (%3)")
        .arg(decision->result, timeText(decision->when), decision->source);
}

// The rows are today's: the time says enough, and leaves the phone's width to the rest.
QString timeOfDay(const QString &stored)
{
    return stored.mid(stored.indexOf(QLatin1Char(' ')) + 1);
}

QString logTable(const LatestRows &log)
{
    if (!log.problem.isEmpty())
        return QStringLiteral("<p class=\"bad\">The log cannot be read: %1</p>\n")
            .arg(html(log.problem));
    if (log.rows.isEmpty())
        return QStringLiteral("<p>No rows today.</p>\n");
    QString table = QStringLiteral("<p>Newest first")
                        .append(log.rows.size() >= log.limit
                                    ? QStringLiteral(", the newest %1 only").arg(log.limit)
                                    : QString())
                        .append(QStringLiteral(".</p>\n<table>\n<tr>"));
    for (const char *heading : {"Time", "Zone", "Code", "Result", "Unit", "Customer", "Cust ID"})
        table += QStringLiteral("<th>%1</th>").arg(QLatin1String(heading));
    table += QStringLiteral("</tr>\n");
    for (const LogRow &row : log.rows) {
        table += QStringLiteral("<tr>");
        for (const QString &cell :
             {timeOfDay(row.dateTime), row.location, StationLog::masked(row.code), row.result,
              row.unitNumber, row.customer, row.custId})
            table += QStringLiteral("<td>%1</td>").arg(html(cell));
        table += QStringLiteral("</tr>\n");
    }
    return table + QStringLiteral("</table>\n");
}

QJsonValue timeOrNull(const QDateTime &when)
{
    return when.isValid() ? QJsonValue(timeText(when)) : QJsonValue();
}

QJsonValue fleetJson(const std::optional<StationMonitor::FleetLink> &link)
{
    if (!link)
        return {};
    return QJsonObject{{"up", link->up()},
                       {"phase", link->phase},
                       {"since", timeOrNull(link->since)},
                       {"lastContact", timeOrNull(link->contact)},
                       {"rowsWaiting", link->waiting},
                       {"status", link->line}};
}

const char *const Style =
    "body{font-family:sans-serif;margin:0;padding:0.6em;color:#222}"
    ".ok{color:#1b7a1b}.bad{color:#b00020}"
    "h1{font-size:1.3em;padding:0.4em 0.6em;border-radius:4px}"
    "h1.ok{background:#1b7a1b;color:#fff}h1.bad{background:#b00020;color:#fff}"
    "h2{font-size:1.1em;margin:0.9em 0 0.3em}"
    "ul{list-style:none;padding:0;margin:0}li{margin:0.25em 0}"
    "li::before{content:'\\25CF  '}"
    // A phone's width holds every column: the result and unit wrap at spaces
    // and the customer anywhere, rather than push the last columns off the
    // screen; times, codes and numbers stay whole.
    "table{border-collapse:collapse;font-size:0.8em}"
    "th,td{text-align:left;padding:0.2em 0.25em;border-bottom:1px solid #ddd;vertical-align:top}"
    "td{white-space:nowrap}td:nth-child(4),td:nth-child(5){white-space:normal}"
    "td:nth-child(6){white-space:normal;overflow-wrap:anywhere}"
    "footer{margin-top:1em;font-size:0.8em;color:#666}";

} // namespace

QJsonObject healthJson(const StationMonitor::Status &status)
{
    QJsonArray devices;
    for (const StationMonitor::Device &device : status.equipment.devices)
        devices.append(QJsonObject{{"name", device.name},
                                   {"port", device.port},
                                   {"inUse", device.inUse},
                                   {"open", device.open},
                                   {"state", device.state}});
    QJsonArray databases;
    for (const StationMonitor::Database &database : status.equipment.databases)
        databases.append(QJsonObject{{"name", database.name},
                                     {"connected", database.connected},
                                     {"spooledRows", database.spooledRows}});
    QJsonValue decision;
    if (status.lastDecision)
        decision = QJsonObject{{"time", timeText(status.lastDecision->when)},
                               {"result", status.lastDecision->result},
                               {"source", status.lastDecision->source},
                               {"granted", status.lastDecision->granted}};
    QJsonArray lockouts;
    for (const StationMonitor::Lockout &lockout : status.lockouts)
        lockouts.append(
            QJsonObject{{"keypad", lockout.keypad}, {"until", timeText(lockout.until)}});
    return {{"healthy", status.healthy},
            {"devices", devices},
            {"databases", databases},
            {"lastDecision", decision},
            {"relay", status.relayOn ? "on" : "off"},
            {"started", timeText(status.started)},
            {"sync", fleetJson(status.fleet)},
            {"lockouts", lockouts}};
}

QByteArray statusPage(const StationMonitor::Status &status, const LatestRows &log,
                      const QDateTime &now, int refreshSeconds)
{
    const QStringList wrong = troubles(status, now);
    const QString verdict =
        wrong.isEmpty() ? QStringLiteral("All well") : wrong.join(QStringLiteral("; "));
    QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta http-equiv=\"refresh\" content=\"%1\">\n"
                       "<title>Gate station: %2</title>\n<style>%3</style></head>\n<body>\n"
                       "<h1 class=\"%4\">%2</h1>\n<h2>Devices</h2>\n<ul>\n")
            .arg(refreshSeconds)
            .arg(html(verdict), QLatin1String(Style),
                 wrong.isEmpty() ? QStringLiteral("ok") : QStringLiteral("bad"));
    for (const StationMonitor::Device &device : status.equipment.devices)
        page += item(device.well(), deviceText(device));
    for (const StationMonitor::Lockout &lockout : lockedNow(status, now))
        page += item(false, lockoutText(lockout) + QStringLiteral(" after refused codes"));
    page += QStringLiteral("</ul>\n<h2>Databases</h2>\n<ul>\n");
    for (const StationMonitor::Database &database : status.equipment.databases)
        page += item(database.well(), databaseText(database));
    if (status.fleet)
        page += item(status.fleet->up(), status.fleet->line);
    page +=
        QStringLiteral("</ul>\n<h2>Gate</h2>\n<p>Relay %1. %2.</p>\n<h2>Today's log, %3</h2>\n")
            .arg(status.relayOn ? QStringLiteral("on: the gate is open") : QStringLiteral("off"),
                 html(decisionText(status.lastDecision)),
                 now.date().toString(QStringLiteral("yyyy-MM-dd")));
    page += logTable(log);
    page += QStringLiteral("<footer>Station started %1. Shown %2, reloaded every %3 seconds."
                           "</footer>\n</body></html>\n")
                .arg(timeText(status.started), timeText(now))
                .arg(refreshSeconds);
    return page.toUtf8();
}
