#pragma once

#include <QString>
#include <QStringList>

// The station window's own words, exactly as operators know them.
namespace StationText {

inline const QString WindowCaption = QStringLiteral("Gate Access");

inline const QStringList ResultFilters = {QStringLiteral("ALL"),
                                          QStringLiteral("Allowed Access"),
                                          QStringLiteral("After Hours"),
                                          QStringLiteral("Locked Out"),
                                          QStringLiteral("Expired Date"),
                                          QStringLiteral("Time Zone?"),
                                          QStringLiteral("Invalid Number"),
                                          QStringLiteral("List Selection")};

} // namespace StationText
