#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One field of a CSV row; `quoted` tells an empty text ("") from an empty
// (NULL) field.
struct CsvField {
    QString text;
    bool quoted = false;
};

using CsvRow = QList<CsvField>;

// Comma-separated rows: quoted fields may hold commas, line breaks and doubled
// quotes; rows end with LF or CR LF. False, with the line named, for a quote
// left open. `lines`, when given, gets the line each row starts on.
bool parseCsv(const QByteArray &content, QList<CsvRow> &rows, QString *error,
              QList<int> *lines = nullptr);

// A CSV file as spreadsheets save it: UTF-8, perhaps behind a byte-order mark,
// perhaps with empty lines (or lines of bare commas) at its end, which are no
// rows. Text that is not UTF-8 is refused rather than read as something else.
bool parseCsvFile(const QByteArray &content, QList<CsvRow> &rows, QString *error,
                  QList<int> *lines = nullptr);
