#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// A typed number as the station reads it: blanks around it ignored, an optional
// sign, decimal digits with an optional fraction, rounded to a whole number with
// halves to even. Anything else (an empty text included) is not a number.
std::optional<qint64> wholeNumber(QStringView text);

// The same, and inside [min, max].
std::optional<qint64> wholeNumberIn(QStringView text, qint64 min, qint64 max);

// "1 row", "3 rows": a count with the word that fits it.
QString countText(qint64 n, const QString &one, const QString &many);
