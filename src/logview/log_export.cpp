#include "log_export.h"

#include "common/csv_writer.h"
#include "common/error_text.h"
#include "data/data_control.h"
#include "log_list_model.h"

#include <QDateTime>
#include <QIODevice>

namespace LogExport {

namespace {

// Rows another tool wrote with a "T" between date and time come out like the
// station's own; the station's own form is passed on unparsed, which is cheap.
QString exportDate(const QString &stored)
{
    if (stored.size() == 19 && stored[10] == QLatin1Char(' '))
        return stored;
    const QDateTime when = QDateTime::fromString(stored, Qt::ISODate);
    return when.isValid() ? when.toString(QLatin1String(LogDateTimeFormat)) : stored;
}

} // namespace

QStringList csvFields(const LogRow &row)
{
    return {exportDate(row.dateTime), row.location, row.code,  row.result,
            row.unitNumber,           row.customer, row.custId};
}

bool write(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows, Format format,
           QIODevice &out, qint64 &written, QString *error)
{
    Writer writer(gateDb, listing, pageRows, format, out);
    Writer::Step step = Writer::Step::Wrote;
    while ((step = writer.step(error)) == Writer::Step::Wrote) {
    }
    written = writer.written();
    return step == Writer::Step::Done;
}

Writer::Writer(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows, Format format,
               QIODevice &out)
    : m_pager(gateDb, listing, pageRows)
    , m_format(format)
    , m_out(out)
{}

Writer::Step Writer::step(QString *error)
{
    const bool csv = m_format == Format::Csv;
    if (!m_headerWritten) {
        if (!(csv ? writeCsvRecord(m_out, logColumnTitles(), error)
                  : writeLine(logHeadings(), error)))
            return Step::Failed;
        m_headerWritten = true;
    }
    LogPage page;
    if (!m_pager.next(page, error))
        return Step::Failed;
    for (qsizetype i = 0; i < page.rows.size(); ++i) {
        if (!(csv ? writeCsvRecord(m_out, csvFields(page.rows[i]), error)
                  : writeLine(logLine(page.rows[i]), error)))
            return Step::Failed;
        ++m_written;
    }
    return page.rows.isEmpty() ? Step::Done : Step::Wrote;
}

bool Writer::writeLine(const QString &text, QString *error)
{
    return writeAll(m_out, text.toUtf8() + '\n', error);
}

File::File(const LogListing &listing, const QString &fileName)
    : m_listing(listing)
    , m_log(QStringLiteral("LogExport"), Tables::gateLog())
    , m_file(fileName)
{}

bool File::start(const QString &gateConnectionString, QString *error)
{
    m_log.setConnectionString(gateConnectionString);
    if (!m_log.refresh(error))
        return false;
    if (!m_file.open(QIODevice::WriteOnly)) {
        setError(error, m_file.errorString());
        return false;
    }
    m_writer.emplace(m_log.database(), m_listing, LogListModel::PageRows, Format::Csv, m_file);
    return true;
}

Writer::Step File::step(QString *error)
{
    // A file replaced under the export is let go at once, so the station can
    // take the new one up; its lines would not be the listed ones anyway.
    if (!m_log.isCurrent()) {
        setError(error, QStringLiteral("%1 was replaced or removed during the export")
                            .arg(databaseFileOf(m_log.connectionString())));
        m_writer.reset();
        m_log.close();
        return Writer::Step::Failed;
    }
    const Writer::Step step = m_writer->step(error);
    if (step == Writer::Step::Done && !m_file.commit()) {
        setError(error, m_file.errorString());
        return Writer::Step::Failed;
    }
    return step;
}

} // namespace LogExport
