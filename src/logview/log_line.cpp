#include "log_line.h"

#include "common/number_text.h"
#include "data/data_control.h"

#include <QDateTime>
#include <QLocale>
#include <limits>
#include <optional>

namespace {

enum class Align { Left, Right };

// The drill-down reads the customer ID back from its columns: one too long for
// them is cut with a mark, so that it is never read as another customer's.
constexpr int CustIdWidth = 8;

QString shownCustId(const QString &custId)
{
    return custId.size() > CustIdWidth ? custId.left(CustIdWidth - 1) + QChar(0x2026) : custId;
}

// Shorter values are padded with blanks, longer ones keep their first characters.
QString field(const QString &value, int width, Align align)
{
    const QString cut = value.left(width);
    return align == Align::Left ? cut.leftJustified(width, QLatin1Char(' '))
                                : cut.rightJustified(width, QLatin1Char(' '));
}

QString joinFields(const QString &date, const QString &zone, const QString &code,
                   const QString &result, const QString &unit, const QString &customer,
                   const QString &custId)
{
    return field(date, 18, Align::Left) + QLatin1Char(' ') + field(zone, 5, Align::Left) +
           QLatin1Char(' ') + field(code, 10, Align::Left) + QStringLiteral("  ") +
           field(result, 12, Align::Left) + QLatin1Char(' ') + field(unit, 7, Align::Right) +
           QLatin1Char(' ') + field(customer, 22, Align::Left) + QLatin1Char(' ') +
           field(custId, CustIdWidth, Align::Right);
}

// The stored form read field by field: a hundred thousand lines must list quickly,
// and parsing through QDateTime costs ten times as much.
std::optional<QString> storedFormText(const QString &stored)
{
    if (stored.size() != 19 || stored[4] != QLatin1Char('-') || stored[7] != QLatin1Char('-') ||
        stored[10] != QLatin1Char(' ') || stored[13] != QLatin1Char(':') ||
        stored[16] != QLatin1Char(':'))
        return std::nullopt;
    // Digits only: toInt would also take a sign or blanks, which no stored date holds.
    auto number = [&](int from, int length, bool *ok) {
        const QStringView digits = QStringView(stored).mid(from, length);
        *ok = std::all_of(digits.begin(), digits.end(),
                          [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
        return digits.toInt();
    };
    bool ok[6];
    const int year = number(0, 4, &ok[0]);
    const int month = number(5, 2, &ok[1]);
    const int day = number(8, 2, &ok[2]);
    const int hour = number(11, 2, &ok[3]);
    const int minute = number(14, 2, &ok[4]);
    const int second = number(17, 2, &ok[5]);
    if (!std::all_of(std::begin(ok), std::end(ok), [](bool b) { return b; }) ||
        !QDate::isValid(year, month, day) || hour > 23 || minute > 59 || second > 59)
        return std::nullopt;
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    auto two = [](int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); };
    return two(month) + QLatin1Char('/') + two(day) + QLatin1Char('/') + two(year % 100) +
           QLatin1Char(' ') + two(hour12) + QLatin1Char(':') + two(minute) +
           (hour < 12 ? QStringLiteral(" AM") : QStringLiteral(" PM"));
}

} // namespace

QString logDateText(const QString &stored)
{
    if (stored.isEmpty())
        return {};
    if (auto text = storedFormText(stored))
        return *text;
    QDateTime when = QDateTime::fromString(stored, QLatin1String(LogDateTimeFormat));
    if (!when.isValid())
        when = QDateTime::fromString(stored, Qt::ISODate);
    if (!when.isValid())
        return stored;
    return QLocale::c().toString(when, QStringLiteral("MM/dd/yy hh:mm AP"));
}

QString logLine(const LogRow &row)
{
    return joinFields(logDateText(row.dateTime), row.location, row.code, row.result, row.unitNumber,
                      row.customer, shownCustId(row.custId));
}

const QStringList &logColumnTitles()
{
    static const QStringList titles{"Time", "Zone",     "Code",   "Result",
                                    "Unit", "Customer", "Cust ID"};
    return titles;
}

QString logHeadings()
{
    const QStringList &t = logColumnTitles();
    return joinFields(t[0], t[1], t[2], t[3], t[4], t[5], t[6]);
}

std::optional<qint32> customerId(const QString &text)
{
    const auto id =
        wholeNumberIn(text, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    return id ? std::optional<qint32>(qint32(*id)) : std::nullopt;
}

std::optional<qint32> customerIdOfLine(const QString &line)
{
    return customerId(line.mid(81, CustIdWidth));
}
