#include "log_options.h"

#include "logview/log_line.h"

#include <QCommandLineParser>

LogSelection LogOptions::selection() const
{
    return customer ? LogSelection::customerDateRange(*customer, from, to)
                    : LogSelection::dateRange(from, to);
}

void LogOptions::addTo(QCommandLineParser &parser)
{
    for (const char *name : {"from", "to", "result", "customer"})
        parser.addOption({QLatin1String(name), {}, QStringLiteral("VALUE")});
    parser.addOption(QCommandLineOption(QStringLiteral("csv")));
}

std::optional<LogOptions> LogOptions::read(const QCommandLineParser &parser, QString &why)
{
    const auto date = [&](const QString &name, QDate &out) {
        const QString text = parser.value(name);
        out = QDate::fromString(text, Qt::ISODate);
        if (!out.isValid())
            why = text.isEmpty()
                      ? QStringLiteral("--%1 DATE is missing").arg(name)
                      : QStringLiteral("--%1 \"%2\" is no date YYYY-MM-DD").arg(name, text);
        return out.isValid();
    };
    LogOptions o;
    if (!date(QStringLiteral("from"), o.from) || !date(QStringLiteral("to"), o.to))
        return std::nullopt;
    if (parser.isSet(QStringLiteral("result"))) {
        o.result = parser.value(QStringLiteral("result"));
        if (!isFilter(o.result)) {
            why = QStringLiteral("--result ") + notAFilter(o.result);
            return std::nullopt;
        }
    }
    const QString customer = parser.value(QStringLiteral("customer"));
    if (parser.isSet(QStringLiteral("customer")) && !(o.customer = customerId(customer))) {
        why = QStringLiteral("--customer \"%1\" is no customer ID").arg(customer);
        return std::nullopt;
    }
    o.csv = parser.isSet(QStringLiteral("csv"));
    return o;
}
