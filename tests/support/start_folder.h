#pragma once

#include "settings/station_settings.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

// A temporary start folder with settings file and databases made from schema/.
class StartFolder {
public:
    StartFolder();
    ~StartFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    // Default settings with the databases in this folder and a code length of 4.
    StationSettings settings() const;
    void writeSettings(const StationSettings &settings) const;
    void write(const QString &fileName, const QByteArray &content) const;

    // Creates `fileName` holding the tables of the given schema files ("customer.sql").
    void createDatabase(const QString &fileName, const QStringList &schemaFiles) const;
    // Runs SQL statements (separated by ";") on a database file of this folder.
    void exec(const QString &fileName, const QString &sql) const;
    // Runs one statement as it stands (a trigger body holds ";" of its own).
    void execStatement(const QString &fileName, const QString &statement) const;

    // The first value of a query on a database file of this folder.
    QVariant value(const QString &fileName, const QString &sql) const;
    // Every row of a query, each as its column values.
    QList<QVariantList> rows(const QString &fileName, const QString &sql) const;
    // The first value of every row, as text.
    QStringList column(const QString &fileName, const QString &sql) const;
    // `count` granted openings in Gate.gsd's log, as a long outage leaves them waiting.
    void addLogRows(int count) const;

    // Settings file, Data.gsd and Gate.gsd, and serial ports 1 to 3 mapped to
    // devices that do not exist: a folder the station starts on, unconnected to hardware.
    void makeStandard() const;

    // Makes this the process's current folder until destroyed.
    void enter();

private:
    QTemporaryDir m_dir;
    QString m_previousFolder;
};
