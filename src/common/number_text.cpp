#include "number_text.h"

#include <QRegularExpression>
#include <cmath>

std::optional<qint64> wholeNumber(QStringView text)
{
    static const QRegularExpression form(QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)$)"));
    const QString trimmed = text.trimmed().toString();
    if (!form.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    // Beyond 2^53 a double no longer holds every whole number; nothing the station stores is near.
    if (!ok || std::fabs(value) > 9.0e15)
        return std::nullopt;
    return static_cast<qint64>(std::nearbyint(value)); // default rounding mode: halves to even
}

std::optional<qint64> wholeNumberIn(QStringView text, qint64 min, qint64 max)
{
    const auto value = wholeNumber(text);
    if (!value || *value < min || *value > max)
        return std::nullopt;
    return value;
}

QString countText(qint64 n, const QString &one, const QString &many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}
