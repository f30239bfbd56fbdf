#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>
#include <optional>

// Finds the first row (in rowid order) that carries a code, without walking
// the table: through an index of the database, made when the file has none and
// takes writes, or else through a code -> rowid map of the station's own that
// is rebuilt whenever another program commits to the file.
class CodeIndex {
public:
    enum class Way { FileIndex, MadeIndex, OwnMap };

    CodeIndex(QString table, QString column, QString indexName);

    // After each (re)connect.
    bool attach(const QSqlDatabase &db, QString *error);
    // Before each look-up: the own map catches up with other programs' commits.
    bool follow(const QSqlDatabase &db, QString *error);

    Way way() const { return m_way; }

    // The statement and values that read the first row carrying `code`; none
    // when the own map knows no such row.
    struct Query {
        QString sql;
        QVariantList values;
    };
    std::optional<Query> firstRow(const QString &code) const;

private:
    bool fileIndexServes(const QSqlDatabase &db, bool &serves, QString *error) const;
    bool readDataVersion(const QSqlDatabase &db, qint64 &version, QString *error) const;
    bool buildMap(const QSqlDatabase &db, QString *error);

    QString m_table;
    QString m_column;
    QString m_indexName;
    Way m_way = Way::FileIndex;
    QHash<QString, qint64> m_rows;
    qint64 m_dataVersion = -1;
};
