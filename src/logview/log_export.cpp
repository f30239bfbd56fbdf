#include "log_export.h"

#include "common/csv_writer.h"
#include "common/error_text.h"
#include "data/data_control.h"

#include <QDateTime>
#include <QIODevice>

namespace LogExport {

namespace {

// Rows another tool wrote with a "T" between date and time come out like the station's own.
QString exportDate(const QString &stored)
{
    const QDateTime when = QDateTime::fromString(stored, Qt::ISODate);
    return when.isValid() ? when.toString(QLatin1String(LogDateTimeFormat)) : stored;
}

bool writeText(QIODevice &out, const QString &line, QString *error)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    if (out.write(bytes) == bytes.size())
        return true;
    setError(error, out.errorString());
    return false;
}

} // namespace

const QStringList &csvHeader()
{
    static const QStringList header{"Time", "Zone",     "Code",   "Result",
                                    "Unit", "Customer", "Cust ID"};
    return header;
}

QStringList csvFields(const LogRow &row)
{
    return {exportDate(row.dateTime), row.location, row.code,  row.result,
            row.unitNumber,           row.customer, row.custId};
}

bool write(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows, Format format,
           QIODevice &out, qint64 &written, QString *error)
{
    written = 0;
    const bool csv = format == Format::Csv;
    if (!(csv ? writeCsvRecord(out, csvHeader(), error) : writeText(out, logHeadings(), error)))
        return false;
    LogPager pager(gateDb, listing, pageRows);
    LogPage page;
    while (pager.next(page, error)) {
        if (page.rows.isEmpty())
            return true;
        for (qsizetype i = 0; i < page.rows.size(); ++i) {
            if (!(csv ? writeCsvRecord(out, csvFields(page.rows[i]), error)
                      : writeText(out, page.lines[i], error)))
                return false;
            ++written;
        }
    }
    return false;
}

} // namespace LogExport
