#include "yes_no.h"

std::optional<bool> yesNoValue(const QString &text)
{
    const QString word = text.trimmed().toLower();
    if (word.isEmpty() || word == QLatin1String("0") || word == QLatin1String("false") ||
        word == QLatin1String("no"))
        return false;
    if (word == QLatin1String("-1") || word == QLatin1String("1") ||
        word == QLatin1String("true") || word == QLatin1String("yes"))
        return true;
    return std::nullopt;
}
