#include "start_folder.h"

#include "admin/folder_setup.h"
#include "data/data_control.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

namespace {

// Runs the statements on a database file; the rows the last one gives. Waits
// out another program's write lock, as a program started beside it would.
QList<QVariantList> runOn(const QString &path, const QStringList &statements)
{
    const QString name = uniqueConnectionName(QStringLiteral("start-folder-setup"));
    QList<QVariantList> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
        if (!db.open())
            qFatal("cannot open %s", qPrintable(path));
        QSqlQuery query(db);
        for (const QString &statement : statements) {
            if (!query.exec(statement))
                qFatal("%s: %s", qPrintable(statement), qPrintable(query.lastError().text()));
        }
        while (query.next()) {
            QVariantList row;
            for (int column = 0; column < query.record().count(); ++column)
                row << query.value(column);
            rows << row;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}

} // namespace

StartFolder::StartFolder()
{
    if (!m_dir.isValid())
        qFatal("cannot make a temporary folder");
}

StartFolder::~StartFolder()
{
    if (!m_previousFolder.isEmpty())
        QDir::setCurrent(m_previousFolder);
}

StationSettings StartFolder::settings() const
{
    StationSettings s = StationSettings::defaults(path());
    s.CodeLength = 4;
    return s;
}

void StartFolder::writeSettings(const StationSettings &settings) const
{
    QString error;
    if (!SettingsFile::save(file(QStringLiteral("gatesystem.dat")), settings, &error))
        qFatal("%s", qPrintable(error));
}

void StartFolder::write(const QString &fileName, const QByteArray &content) const
{
    QFile out(file(fileName));
    if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(fileName));
}

void StartFolder::createDatabase(const QString &fileName, const QStringList &schemaFiles) const
{
    QString error;
    if (!FolderSetup::createDatabase(file(fileName), schemaFiles, &error))
        qFatal("%s", qPrintable(error));
}

void StartFolder::exec(const QString &fileName, const QString &sql) const
{
    runOn(file(fileName), FolderSetup::sqlStatements(sql));
}

void StartFolder::execStatement(const QString &fileName, const QString &statement) const
{
    runOn(file(fileName), {statement});
}

QVariant StartFolder::value(const QString &fileName, const QString &sql) const
{
    const QList<QVariantList> found = rows(fileName, sql);
    return found.isEmpty() ? QVariant() : found.first().value(0);
}

QList<QVariantList> StartFolder::rows(const QString &fileName, const QString &sql) const
{
    return runOn(file(fileName), {sql});
}

QStringList StartFolder::column(const QString &fileName, const QString &sql) const
{
    QStringList values;
    for (const QVariantList &row : rows(fileName, sql))
        values << row.value(0).toString();
    return values;
}

void StartFolder::makeStandard() const
{
    writeSettings(settings());
    // No test may reach a real serial port: the settings' ports name missing devices.
    QString ports = QStringLiteral("[ports]\n");
    for (int port = 1; port <= 3; ++port)
        ports +=
            QStringLiteral("%1=%2\n").arg(port).arg(file(QStringLiteral("no-device-%1").arg(port)));
    write(QStringLiteral("comports.ini"), ports.toUtf8());
    createDatabase(QStringLiteral("Data.gsd"), {QStringLiteral("customer.sql")});
    createDatabase(QStringLiteral("Gate.gsd"), {QStringLiteral("gate.sql")});
}

void StartFolder::enter()
{
    m_previousFolder = QDir::currentPath();
    QDir::setCurrent(path());
}

void StartFolder::addLogRows(int count) const
{
    exec("Gate.gsd",
         "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, fldUnitNumber, "
         "fldCustID, fldZone) WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
         "WHERE i < " +
             QString::number(count) +
             ") SELECT '2026-03-10 12:00:00', printf('%04d', i % 10000), 'Valid', 'A B', 'U1', "
             "i, 'In' FROM n");
}
