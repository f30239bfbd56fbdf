#pragma once

#include "logview/log_line.h"

#include <QDate>
#include <QList>
#include <QString>

// The newest `limit` rows stamped on `day`, newest first, read through a
// connection of its own that never writes and waits at most a moment for a
// lock: a page asking must not hold up the gate.
bool readLatestLogRows(const QString &gateDbPath, const QDate &day, int limit, QList<LogRow> &rows,
                       QString *error);
