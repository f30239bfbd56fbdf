#include "log_view_text.h"

#include "common/number_text.h"
#include "log_report.h"

namespace {

// "1006 Knuth, Donald", or the ID alone when no row names the customer.
QString idAndName(qint64 custId, const QString &name)
{
    return name.isEmpty() ? QString::number(custId) : QStringLiteral("%1 %2").arg(custId).arg(name);
}

QString customerText(qint64 custId, const QString &name)
{
    return QStringLiteral("Customer ") + idAndName(custId, name);
}

QString rangeText(const LogSelection &view)
{
    return QStringLiteral("%1 to %2").arg(shortDate(view.first), shortDate(view.last));
}

} // namespace

QString viewCaption(const LogSelection &view, const QString &filter, const QString &customerName,
                    qint64 rows)
{
    QString what;
    switch (view.kind) {
    case LogSelection::Kind::Everything:
        what = QStringLiteral("Whole log");
        break;
    case LogSelection::Kind::DateRange:
        what = QStringLiteral("%1, filter %2")
                   .arg(rangeText(view), listsEveryRow(filter) ? Filters::All : filter);
        break;
    case LogSelection::Kind::Customer:
        what = customerText(view.custId, customerName);
        break;
    case LogSelection::Kind::CustomerDateRange:
        what =
            QStringLiteral("%1, %2").arg(customerText(view.custId, customerName), rangeText(view));
        break;
    }
    return QStringLiteral("%1: %2").arg(what, rowsText(rows));
}

QString purgeScope(const LogSelection &view, const QDate &lastDay, const QString &filter,
                   const QString &customerName)
{
    QString rows = QStringLiteral("rows");
    if (view.ofCustomer())
        rows += QStringLiteral(" of customer ") + idAndName(view.custId, customerName);
    if (view.byDate())
        rows += QStringLiteral(" of the listed dates %1").arg(rangeText(view));
    rows += QStringLiteral(" dated %1 or earlier").arg(shortDate(lastDay));
    if (!listsEveryRow(filter) && view.kind == LogSelection::Kind::DateRange)
        rows += QStringLiteral(", every result, not only \"%1\"").arg(filter);
    if (view.kind == LogSelection::Kind::Everything)
        rows = QStringLiteral("All ") + rows;
    rows[0] = rows[0].toUpper();
    return rows;
}

QString rowsText(qint64 rows)
{
    return countText(rows, QStringLiteral("row"), QStringLiteral("rows"));
}
