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
// left open.
bool parseCsv(const QByteArray &content, QList<CsvRow> &rows, QString *error);
