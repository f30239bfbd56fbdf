#pragma once

#include "sync_tables.h"
#include "tables/table_text.h"

#include <QDate>

// A source row that passed the checks, with the values the database is to hold.
struct CheckedRow {
    int number = 0;
    int line = 0;
    QVariantList values;

    QString where() const { return rowPlace(number, line); }
};

struct CheckedTable {
    QList<CheckedRow> rows; // the good rows, in source order
    QStringList bad;        // one line per bad row, naming it and every fault
    QStringList warnings;   // rows the station takes but that may not do what was meant
};

struct CheckRules {
    QDate today;                 // settles the century of a two-digit expiry year
    int codeLength = 0;          // how many digits a keypad entry has; 0 when unknown
    bool quotesMarkText = false; // see lostZeroWarnings()
};

// Every row of a table, before anything is written. A bad row is one the
// station could not decide on or the database could not hold as given: a
// flag that is not yes or no, an expiry that is not empty, 000000 or a date
// MMDDYY, a zone that is not a number, a number column holding text, a key
// (fldID) that is not a whole number or is on two rows. Codes that can never
// be typed, a code column that drops leading zeros, zones outside 0-63, status
// words that nearly open the gate and duplicate codes are warnings.
CheckedTable checkRows(const SyncTable &table, const QList<TextRow> &rows, const CheckRules &rules);
