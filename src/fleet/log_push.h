#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

// Who a station is in the fleet database.
struct StationName {
    QString site;
    QString station;
};

// The station's gate log (tblGateLog) as gate-sync reads it: never written,
// and read in short statements that leave no lock behind, so the station's
// writes never wait for gate-sync.
class LocalLog {
public:
    explicit LocalLog(QSqlDatabase gateDb)
        : m_db(std::move(gateDb))
    {}

    // Rows with fldID above `after`, in fldID order: fldID first, then the
    // other columns (text never NULL).
    bool rows(qint64 after, int limit, QList<QVariantList> &rows, QString *error);
    bool countAfter(qint64 after, qint64 &count, QString *error);

private:
    QSqlDatabase m_db;
};

// The fleet's gate log: each station's rows once, named by (site, station, fldID).
namespace CentralLog {

// The highest fldID of this station the central log holds (0: none). Rows are
// taken in fldID order in whole transactions, so every row up to it is there.
bool mark(QSqlDatabase db, const StationName &name, qint64 &mark, QString *error);

// The rows in one statement, with the station's contact time and the rows
// still waiting after them. A row already there is skipped: a
// batch sent again after a lost confirmation takes nothing twice.
bool insert(QSqlDatabase db, const StationName &name, const QList<QVariantList> &rows,
            qint64 waitingAfter, QString *error);

} // namespace CentralLog
