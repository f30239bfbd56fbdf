#pragma once

#include "logview/log_line.h"
#include "station_monitor.h"

#include <QByteArray>
#include <QJsonObject>
#include <QList>

// /health: the station's state as JSON, never a gate code.
QJsonObject healthJson(const StationMonitor::Status &status);

// What the status page shows of the log: the newest rows of today, or why not.
struct LatestRows {
    QList<LogRow> rows;
    QString problem; // empty when the rows could be read
    int limit = 0;   // rows shown at most
};

// The status page: the state in words and colours, for a phone, with today's
// newest rows (codes masked), reloading itself every `refreshSeconds`. Every
// text is escaped; no script, font or picture comes from elsewhere.
QByteArray statusPage(const StationMonitor::Status &status, const LatestRows &log,
                      const QDateTime &now, int refreshSeconds);
