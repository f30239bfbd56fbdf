#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// How a column's values are stored, for readers of foreign files. A code is
// text the station matches exactly, every character kept.
enum class ColumnKind { Text, Code, Number, YesNo, DateTime, TimeOfDay };

struct Column {
    QString name;
    ColumnKind kind;
};

// A table the station reads or writes, with every column it relies on. The
// station's four tables are written down once, here.
struct TableSchema {
    QString table;
    bool inGateDatabase = false; // else in the customer database
    QList<Column> columns;

    QStringList columnNames() const;
};

namespace Tables {

const TableSchema &unitInfo();
const TableSchema &masterCodes();
const TableSchema &gateLog();
const TableSchema &timeZones();

// The four, customer database first.
const QList<TableSchema> &all();

} // namespace Tables
