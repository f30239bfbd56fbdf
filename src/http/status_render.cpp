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

QString decisionText(const std::optional<StationMonitor::Decision> &decision)
{
    if (!decision)
        return QStringLiteral("Last decision: none since the station started");
    return QStringLiteral("Last decision: %1 at %2 (%3)")
        .arg(decision->result, timeText(decision->when), decision->source);
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
                        .append(QStringLiteral(".</p>\n<div class=\"log\"><table>\n<tr>"));
    for (const char *heading : {"Time", "Zone", "Code", "Result", "Unit", "Customer", "Cust ID"})
        table += QStringLiteral("<th>%1</th>").arg(QLatin1String(heading));
    table += QStringLiteral("</tr>\n");
    for (const LogRow &row : log.rows) {
        table += QStringLiteral("<tr>");
        for (const QString &cell :
             {logDateText(row.dateTime), row.location, StationLog::masked(row.code), row.result,
              row.unitNumber, row.customer, row.custId})
            table += QStringLiteral("<td>%1</td>").arg(html(cell));
        table += QStringLiteral("</tr>\n");
    }
    return table + QStringLiteral("</table></div>\n");
}

QJsonValue timeOrNull(const QDateTime &when)
{
    return when.isValid() ? QJsonValue(timeText(when)) : QJsonValue();
}

QJsonValue fleetJson(const std::optional<StationMonitor::FleetLink> &link)
{
    if (!link)
        return {};
    return QJsonObject{{"phase", link->phase},
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
    ".log{overflow-x:auto}table{border-collapse:collapse;font-size:0.8em}"
    "th,td{text-align:left;padding:0.2em 0.4em;border-bottom:1px solid #ddd;vertical-align:top}"
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
    return {{"healthy", status.healthy},
            {"devices", devices},
            {"databases", databases},
            {"lastDecision", decision},
            {"relay", status.relayOn ? "on" : "off"},
            {"started", timeText(status.started)},
            {"sync", fleetJson(status.fleet)}};
}

QByteArray statusPage(const StationMonitor::Status &status, const LatestRows &log,
                      const QDateTime &now, int refreshSeconds)
{
    const QString verdict =
        status.healthy ? QStringLiteral("All well") : QStringLiteral("Needs attention");
    QString page =
        QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
                       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
                       "<meta http-equiv=\"refresh\" content=\"%1\">\n"
                       "<title>Gate station: %2</title>\n<style>%3</style></head>\n<body>\n"
                       "<h1 class=\"%4\">%2</h1>\n<h2>Devices</h2>\n<ul>\n")
            .arg(refreshSeconds)
            .arg(verdict, QLatin1String(Style),
                 status.healthy ? QStringLiteral("ok") : QStringLiteral("bad"));
    for (const StationMonitor::Device &device : status.equipment.devices)
        page += item(device.well(), deviceText(device));
    page += QStringLiteral("</ul>\n<h2>Databases</h2>\n<ul>\n");
    for (const StationMonitor::Database &database : status.equipment.databases)
        page += item(database.well(), databaseText(database));
    page +=
        QStringLiteral("</ul>\n<h2>Gate</h2>\n<p>Relay %1. %2.</p>\n<h2>Today's log</h2>\n")
            .arg(status.relayOn ? QStringLiteral("on: the gate is open") : QStringLiteral("off"),
                 html(decisionText(status.lastDecision)));
    page += logTable(log);
    page += QStringLiteral("<footer>Station started %1. Shown %2, reloaded every %3 seconds."
                           "</footer>\n</body></html>\n")
                .arg(timeText(status.started), timeText(now))
                .arg(refreshSeconds);
    return page.toUtf8();
}
