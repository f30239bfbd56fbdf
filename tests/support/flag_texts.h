#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <optional>

// Yes/no texts as databases, exports and hand edits write them: set, not set,
// or none at all (a fault of the row).
inline const QList<QPair<QString, std::optional<bool>>> FlagTexts = {
    {"-1", true},
    {"1", true},
    {"True", true},
    {"yes", true},
    {" TRUE ", true},
    {"0", false},
    {"False", false},
    {"NO", false},
    {"", false},
    {"2", std::nullopt},
    {"False.", std::nullopt},
    {"-1.0", std::nullopt},
    {"Locked", std::nullopt},
};
