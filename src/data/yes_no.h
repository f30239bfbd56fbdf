#pragma once

#include <QString>
#include <optional>

// A yes/no column as other programs write it: -1, 1, True, Yes (any case) are
// yes; 0, False, No and empty (NULL) are no. Anything else is none, a fault of
// the row: guessing could let an excluded tenant in.
std::optional<bool> yesNoValue(const QString &text);
