#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// Another program on a database file, inside the transaction it began, until destroyed.
class OtherProgram {
public:
    OtherProgram(const QString &path, const QStringList &statements)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other-program");
        db.setDatabaseName(path);
        m_ok = db.open();
        m_query = QSqlQuery(db);
        for (const QString &statement : statements)
            m_ok = m_ok && m_query.exec(statement);
    }
    ~OtherProgram()
    {
        m_query.exec("ROLLBACK");
        m_query = QSqlQuery();
        QSqlDatabase::database("other-program", false).close();
        QSqlDatabase::removeDatabase("other-program");
    }
    // Whether the file opened and every statement ran.
    bool ok() const { return m_ok; }

private:
    QSqlQuery m_query;
    bool m_ok = false;
};
