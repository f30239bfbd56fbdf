#include "data/data_control.h"
#include "fuzz_harness.h"
#include "logview/log_line.h"

#include <QDateTime>
#include <QLocale>

namespace {

// The date column as QDateTime would show the stored text, which the fast path must match.
QString slowDateText(const QString &stored)
{
    QDateTime when = QDateTime::fromString(stored, QLatin1String(LogDateTimeFormat));
    if (!when.isValid())
        when = QDateTime::fromString(stored, Qt::ISODate);
    return when.isValid() ? QLocale::c().toString(when, QStringLiteral("MM/dd/yy hh:mm AP"))
                          : stored;
}

} // namespace

// A gate-log row as the list shows it and the drill-down reads it back: the
// input is the row's seven columns separated by tabs. The line is 89
// characters, its date reads as QDateTime reads it, and the customer ID read
// from the line is the row's or none, never another customer's.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList columns = QString::fromUtf8(fuzzBytes(data, size)).split(QLatin1Char('\t'));
    const LogRow row{columns.value(0), columns.value(1), columns.value(2), columns.value(3),
                     columns.value(4), columns.value(5), columns.value(6)};
    const QString line = logLine(row);
    FUZZ_CHECK(line.size() == 89);
    FUZZ_CHECK(logDateText(row.dateTime) == slowDateText(row.dateTime));

    const std::optional<qint32> id = customerId(row.custId);
    const std::optional<qint32> shown = customerIdOfLine(line);
    FUZZ_CHECK(!shown || shown == id);
    if (id && row.custId.size() <= 8)
        FUZZ_CHECK(shown == id);
    return 0;
}
