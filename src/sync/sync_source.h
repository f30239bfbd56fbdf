#pragma once

#include "admin/access_import.h"
#include "admin/table_text.h"

#include <QStringList>

// Where a sync reads units and master codes: the management software's Access
// file, or two CSV files it exported (one per table, the header row naming the
// table's columns).
struct SyncSource {
    QString accessFile;
    QString unitsCsv;
    QString mastersCsv;

    static SyncSource access(const QString &file) { return {file, {}, {}}; }
    static SyncSource csv(const QString &units, const QString &masters)
    {
        return {{}, units, masters};
    }

    QStringList files() const;
};

// The rows of both tables as the source holds them, not yet checked.
struct SourceTables {
    QList<TextRow> units;
    QList<TextRow> masters;
};

bool readSource(const SyncSource &source, const AccessImport::AccessReader &reader,
                SourceTables &tables, QString *error);
