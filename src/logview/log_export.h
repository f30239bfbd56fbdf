#pragma once

#include "data/data_control.h"
#include "log_query.h"

#include <QSaveFile>
#include <optional>

class QIODevice;

// Writes the lines of a log listing, in list order, a page at a time: the
// window's "Export…" and "gatectl log" give the same rows for the same view.
namespace LogExport {

enum class Format {
    Csv, // a header row, then a record per row: one column per log field, dates YYYY-MM-DD HH:MM:SS
    Text, // the list's column headings, then its 89-character lines
};

// The CSV fields of a row, in logColumnTitles()' order.
QStringList csvFields(const LogRow &row);

// `written` counts the rows written, also when writing stops part-way.
bool write(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows, Format format,
           QIODevice &out, qint64 &written, QString *error);

// Writes a listing a page per step, so a caller can serve keypads in between.
class Writer {
public:
    enum class Step { Wrote, Done, Failed };

    Writer(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows, Format format,
           QIODevice &out);
    // The first step writes the header too; Done once every row is written.
    Step step(QString *error);
    qint64 written() const { return m_written; }

private:
    bool writeLine(const QString &text, QString *error);

    LogPager m_pager;
    Format m_format;
    QIODevice &m_out;
    bool m_headerWritten = false;
    qint64 m_written = 0;
};

// The listing into a file, over a connection of its own: the station's own
// connections may be reopened meanwhile (a decision lists the log anew). The
// file is there only once whole; an export dropped before leaves none.
class File {
public:
    File(const LogListing &listing, const QString &fileName);

    bool start(const QString &gateConnectionString, QString *error);
    // Done: the file is in place.
    Writer::Step step(QString *error);

    qint64 written() const { return m_writer ? m_writer->written() : 0; }
    qint64 total() const { return m_listing.rowCount(); }
    QString fileName() const { return m_file.fileName(); }

private:
    LogListing m_listing;
    DataControl m_log;
    QSaveFile m_file;
    std::optional<Writer> m_writer;
};

} // namespace LogExport
