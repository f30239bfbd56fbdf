#include "gate_site.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

GateSite::GateSite()
{
    folder.makeStandard();
    settings = folder.settings();
    settings.Keypad2CommPort = 3;
    mapPorts(keypad1.devicePath(), relay.devicePath(), keypad2.devicePath());
}

void GateSite::mapPorts(const QString &port1, const QString &port2, const QString &port3) const
{
    QFile file(folder.file("comports.ini"));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write comports.ini");
    file.write(QStringLiteral("[ports]\n1=%1\n2=%2\n3=%3\n").arg(port1, port2, port3).toUtf8());
}

std::unique_ptr<GateWindow> GateSite::start()
{
    folder.writeSettings(settings);
    folder.enter();
    auto window = std::make_unique<GateWindow>();
    QCoreApplication::processEvents();
    return window;
}

QList<QStringList> GateSite::logRows() const
{
    QList<QStringList> rows;
    const QString name = QStringLiteral("gate-site-log");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(folder.file("Gate.gsd"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (!db.open())
            qFatal("cannot read the gate log");
        QSqlQuery q(QStringLiteral("select fldCode, fldReult, fldCustomer, fldUnitNumber, "
                                   "fldCustID, fldZone from tblGateLog order by fldID"),
                    db);
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < 6; ++i)
                row << q.value(i).toString();
            rows << row;
        }
    }
    QSqlDatabase::removeDatabase(name);
    return rows;
}
