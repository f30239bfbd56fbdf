#pragma once

#include "tables/access_reader.h"
#include "tables/table_text.h"

#include <QStringList>

// The rows of both tables as the source holds them, not yet checked.
struct SourceTables {
    QList<TextRow> units;
    QList<TextRow> masters;
    bool quotesMarkText = false; // see lostZeroWarnings()
};

// Where a sync reads units and master codes: the management software's Access
// file, two CSV files it exported (one per table, the header row naming the
// table's columns), or rows a program already holds (the fleet database's).
struct SyncSource {
    QString accessFile;
    QString unitsCsv;
    QString mastersCsv;
    SourceTables rows; // when neither file kind is given

    static SyncSource access(const QString &file) { return {file, {}, {}, {}}; }
    static SyncSource csv(const QString &units, const QString &masters)
    {
        return {{}, units, masters, {}};
    }
    static SyncSource inMemory(SourceTables rows) { return {{}, {}, {}, std::move(rows)}; }

    QStringList files() const;
};

bool readSource(const SyncSource &source, const AccessReader &reader, SourceTables &tables,
                QString *error);

// A CSV file of one table: its header row names the table's columns.
bool readCsvFile(const QString &path, const TableSchema &table, QList<TextRow> &rows,
                 QString *error);
