#pragma once

#include "csv_reader.h"
#include "data/tables.h"

#include <QStringList>
#include <QVariantList>

// A row of one of the station's tables read from CSV text whose header row
// names the columns: an Access table as mdb-export writes it, or a file a
// management program exported.
struct TextRow {
    int number = 0; // 1 for the first row after the header
    int line = 0;   // the line of the text it starts on
    CsvRow fields;  // in the table's column order
    QString fault;  // set when the row does not have the header's fields

    QString where() const;
};

// "row 3", or "row 3 (line 4)" when the line is known: as a person finds a row in its source.
QString rowPlace(int number, int line);

// The rows of parsed CSV text (its header first; `lines` from parseCsv, or
// empty when lines say nothing). The header names the table's columns in any
// order and case; other columns are ignored. False when a column is missing.
bool tableRows(QList<CsvRow> csv, const QList<int> &lines, const TableSchema &table,
               const QString &source, QList<TextRow> &rows, QString *error);

// A row's values as the station stores them: text is never NULL, yes/no is -1
// or 0, dates are "YYYY-MM-DD HH:MM:SS" and times "HH:MM:SS". `faults` gets
// "column: why" for each field that cannot be stored, after the row's own fault.
QVariantList storedValues(const TableSchema &table, const TextRow &row, QStringList &faults);

// Why a table's code columns seem to have lost leading zeros, one line per
// column; none when nothing says so. With `quotesMarkText` the source quotes
// text columns only, as mdb-export does, so an unquoted code comes from a
// number column. Without it, codes shorter than `codeLength` (0: unknown)
// that read as numbers tell.
QStringList lostZeroWarnings(const TableSchema &table, const QList<TextRow> &rows,
                             bool quotesMarkText, int codeLength);

// "insert into NAME (the table's columns) values (?, ...)".
QString insertStatement(const TableSchema &table, const QString &name);
