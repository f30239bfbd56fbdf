#pragma once

#include "common/error_text.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariantList>

// Prepares and runs one statement with bound values; false with the database's reason.
inline bool runSql(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    if (query.prepare(sql)) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        if (query.exec())
            return true;
    }
    setError(error, query.lastError().text());
    return false;
}
