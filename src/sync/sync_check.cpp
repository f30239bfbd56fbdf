#include "sync_check.h"

#include "access/access_rules.h"
#include "common/station_log.h"

#include <QHash>
#include <QMap>

namespace {

// A status a person meant as an opening word: "rented", "Rented ", "RENTED-CR".
bool looksLikeOpeningStatus(const QString &status)
{
    if (statusOpensGate(status) || status.size() > 20)
        return false;
    QString word = status.toLower();
    word.remove(QLatin1Char(' '));
    return word == QLatin1String("rented") || word == QLatin1String("rented-cr");
}

// Stricter than the decision, which reads any length but six as no expiry: a
// date that lost a digit in a spreadsheet would never expire.
bool isExpiry(const QString &text, const QDate &today)
{
    return text.isEmpty() || (text.size() == 6 && expiryKind(text, today) != ExpiryKind::NotADate);
}

// Why a code can never be typed; empty when it can, or when there is none.
QString untypeable(const QString &code, const CheckRules &rules)
{
    if (code.isEmpty())
        return {};
    const QString shown = StationLog::masked(code);
    if (!isCodeEntry(code))
        return QStringLiteral("code %1 holds more than digits: it can never be typed").arg(shown);
    if (rules.codeLength > 0 && code.size() != rules.codeLength)
        return QStringLiteral("code %1 has %2 digits where the keypads send %3: it can never be "
                              "typed")
            .arg(shown)
            .arg(code.size())
            .arg(rules.codeLength);
    return {};
}

// The faults that make a row bad, beyond those of storing its fields.
void findFaults(const SyncTable &table, const TextRow &row, const QVariantList &values,
                const CheckRules &rules, QHash<qint64, QString> &idRows, QStringList &faults)
{
    const QList<Column> &columns = table.schema->columns;
    const QVariant &zone = values[table.zone];
    if (zone.isValid() && zone.isNull())
        faults << QStringLiteral("%1: empty (a zone number, 0 for none)")
                      .arg(columns[table.zone].name);
    const QString expiry = values[table.expiry].toString();
    if (!isExpiry(expiry, rules.today))
        faults << QStringLiteral("%1: \"%2\" is not a date MMDDYY (000000 or empty for none)")
                      .arg(columns[table.expiry].name, expiry);
    if (table.id < 0 || !values[table.id].isValid())
        return;
    const QVariant &id = values[table.id];
    const QString &name = columns[table.id].name;
    if (id.typeId() != QMetaType::LongLong) {
        faults << QStringLiteral("%1: \"%2\" is not a whole number")
                      .arg(name, row.fields[table.id].text);
        return;
    }
    const QString other = idRows.value(id.toLongLong());
    if (!other.isEmpty())
        faults << QStringLiteral("%1 %2 is also on %3").arg(name, id.toString(), other);
    else
        idRows.insert(id.toLongLong(), row.where());
}

QStringList findWarnings(const SyncTable &table, const QVariantList &values,
                         const CheckRules &rules)
{
    QStringList warnings;
    const QVariant &zone = values[table.zone];
    const double number = zone.toDouble();
    if (!zone.isNull() && (number != qint64(number) || number < 0 || number > MaxZone))
        warnings << QStringLiteral("zone %1 is not one of 0-%2").arg(zone.toString()).arg(MaxZone);
    if (const QString why = untypeable(values[table.code].toString(), rules); !why.isEmpty())
        warnings << why;
    if (table.status >= 0 && looksLikeOpeningStatus(values[table.status].toString()))
        warnings << QStringLiteral("status \"%1\" does not open the gate (only exactly "
                                   "Rented and Rented-Cr do)")
                        .arg(values[table.status].toString());
    return warnings;
}

} // namespace

CheckedTable checkRows(const SyncTable &table, const QList<TextRow> &rows, const CheckRules &rules)
{
    CheckedTable checked;
    // First: a source with many rows lists only its first warnings.
    checked.warnings =
        lostZeroWarnings(*table.schema, rows, rules.quotesMarkText, rules.codeLength);
    QHash<qint64, QString> idRows;
    QHash<QString, int> firstOfCode;  // index into checked.rows
    QMap<int, QList<int>> sameCodeAs; // a code's first row -> its later rows
    for (const TextRow &row : rows) {
        const auto place = [&] { return QStringLiteral("%1 %2: ").arg(table.name(), row.where()); };
        QStringList faults;
        QVariantList values = storedValues(*table.schema, row, faults);
        findFaults(table, row, values, rules, idRows, faults);
        if (!faults.isEmpty()) {
            checked.bad << place() + faults.join(QStringLiteral("; "));
            continue;
        }
        for (const QString &warning : findWarnings(table, values, rules))
            checked.warnings << place() + warning;
        const QString code = values[table.code].toString();
        const int index = int(checked.rows.size());
        if (!code.isEmpty()) {
            const auto first = firstOfCode.constFind(code);
            if (first == firstOfCode.constEnd())
                firstOfCode.insert(code, index);
            else
                sameCodeAs[*first] << index;
        }
        checked.rows << CheckedRow{row.number, row.line, std::move(values)};
    }
    const QString used = table.id >= 0 ? QStringLiteral("the one with the lowest %1 is used")
                                             .arg(table.schema->columns[table.id].name)
                                       : QStringLiteral("the first is used");
    for (auto it = sameCodeAs.cbegin(); it != sameCodeAs.cend(); ++it) {
        const CheckedRow &first = checked.rows[it.key()];
        QStringList places{first.where()};
        for (const int index : it.value())
            places << checked.rows[index].where();
        checked.warnings << QStringLiteral("%1: %2 %3 is on %4: %5")
                                .arg(table.name(), table.what,
                                     StationLog::masked(first.values[table.code].toString()),
                                     places.join(QStringLiteral(", ")), used);
    }
    return checked;
}
