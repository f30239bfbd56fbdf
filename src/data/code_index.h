#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <optional>

// Finds the first row (in rowid order) that carries a code, without walking
// the table: through an index of the database, made when the file has none and
// takes writes, or else through a code -> rowid map of the station's own that
// is rebuilt whenever another program commits to the file.
//
// A code is carried as exact text, whatever the column declares: a number
// stored as 123 is "123", never "0123"; a trailing blank and letter case count.
// The column's own comparison (its affinity and collation) only narrows the
// rows read.
class CodeIndex {
public:
    enum class Way { FileIndex, MadeIndex, OwnMap };

    CodeIndex(QString table, QString column, QString indexName);

    // After each (re)connect.
    bool attach(const QSqlDatabase &db, QString *error);
    // Before each look-up: the own map catches up with other programs' commits.
    bool follow(const QSqlDatabase &db, QString *error);

    Way way() const { return m_way; }

    // Leaves `query` (of the indexed database) on the first row carrying `code`;
    // `found` false when none does. False when the database cannot be read.
    bool seek(QSqlQuery &query, const QString &code, bool &found, QString *error) const;

private:
    struct Query {
        QString sql;
        QVariantList values;
    };
    std::optional<Query> candidates(const QString &code) const;
    Query probe(const QString &code) const;
    bool readColumnType(const QSqlDatabase &db, QString *error);
    bool fileIndexServes(const QSqlDatabase &db, bool &serves, QString *error) const;
    bool readDataVersion(const QSqlDatabase &db, qint64 &version, QString *error) const;
    bool buildMap(const QSqlDatabase &db, QString *error);

    QString m_table;
    QString m_column;
    QString m_indexName;
    Way m_way = Way::FileIndex;
    bool m_numbersApart = false;
    QHash<QString, qint64> m_rows;
    qint64 m_dataVersion = -1;
};
