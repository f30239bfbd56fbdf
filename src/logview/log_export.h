#pragma once

#include "log_query.h"

class QIODevice;

// Writes the lines of a log listing, in list order, a page at a time: the
// window's "Export…" and "gatectl log" give the same rows for the same view.
namespace LogExport {

enum class Format {
    Csv, // a header row, then a record per row: one column per log field, dates YYYY-MM-DD HH:MM:SS
    Text, // the list's column headings, then its 89-character lines
};

// The CSV columns, in order.
const QStringList &csvHeader();
QStringList csvFields(const LogRow &row);

// `written` counts the rows written, also when writing stops part-way.
bool write(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows, Format format,
           QIODevice &out, qint64 &written, QString *error);

} // namespace LogExport
