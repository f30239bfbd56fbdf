#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// One gate-log row as the list shows it, every column as its text.
struct LogRow {
    QString dateTime; // as stored: yyyy-MM-dd HH:mm:ss
    QString location; // the keypad's location word, stored in fldZone
    QString code;
    QString result;
    QString unitNumber;
    QString customer;
    QString custId;
};

// The 89-character fixed-width line of a row: date (18), zone (5), code (10),
// result (12), unit (7, right), customer (22), customer ID (8, right).
QString logLine(const LogRow &row);

// The column titles, in order: the list's headings and the CSV export's header.
const QStringList &logColumnTitles();
// Column headings, each over its column in the same fixed-pitch layout.
QString logHeadings();

// The stored date and time as "mm/dd/yy hh:mm AM"; a text that is no date stays as it is.
QString logDateText(const QString &stored);

// A customer ID as typed: a signed 32-bit number (blanks ignored, halves to even).
std::optional<qint32> customerId(const QString &text);
// The customer ID a line shows (positions 82-89).
std::optional<qint32> customerIdOfLine(const QString &line);
