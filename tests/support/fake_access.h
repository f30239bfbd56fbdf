#pragma once

#include "admin/access_import.h"
#include "support/start_folder.h"

#include <QMap>
#include <QPair>

// Tables as mdb-export writes them, with the counts mdb-count gives.
struct FakeAccess {
    QMap<QString, QPair<QByteArray, qint64>> tables{
        {"tblUnitInfo",
         {"fldGateCode,fldCustFirstName,fldStatus,fldUnitName,fldCustID,fldCustLastName,"
          "fldGateTimeZone,fldGateExpireDate,fldGateExclude,fldExtra\n"
          "\"0123\",\"Ann\",\"Rented\",\"B12\",345,\"O'Neil, \"\"Jr\"\"\",1,\"123130\",0,7\n"
          "\"2222\",,\"Locked\",\"C7\",346,\"Two\nLines\",0,\"000000\",\"Yes\",8\n",
          2}},
        {"tblVextraMasterCodes",
         {"fldID,fldPassCode,fldFirstName,fldLastName,fldUnitNumber,fldKeyPad,fldTimeZone,"
          "fldExpireDate\r\n5,\"9999\",\"Site\",\"Manager\",\"OFFICE\",\"\",0,\"000000\"\r\n",
          1}},
        {"tblGateLog",
         {"fldID,fldDateTime,fldCode,fldReult,fldCustomer,fldUnitNumber,fldCustID,fldZone\n"
          "7,2012-03-07 14:05:09,\"0123\",\"Valid\",\"O'Neil, Ann\",\"B12\",345,\"In\"\n",
          1}},
        {"tblTimeZones",
         {"fldTimeZone,fldStartTime,fldStopTime\n1,1899-12-30 07:00:00,1899-12-30 20:00:00\n", 1}},
    };

    // gatectl import-access into the folder.
    bool import(const StartFolder &folder, QString *error, QStringList *report = nullptr) const
    {
        return AccessImport::run(reader(), "Data.mdb", "Gate.mdb", folder.path(), report, nullptr,
                                 error);
    }

    AccessReader reader() const
    {
        return {[this](const QString &, QStringList &names, QString *) {
                    names = tables.keys();
                    return true;
                },
                [this](const QString &, const QString &table, QByteArray &out, qint64 &count,
                       QString *) {
                    std::tie(out, count) = tables.value(table);
                    return true;
                }};
    }
};
