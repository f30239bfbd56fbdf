#pragma once

#include <QString>
#include <QStringList>

// The entries of the result filter, in list order.
inline const QStringList ResultFilters = {QStringLiteral("ALL"),
                                          QStringLiteral("Allowed Access"),
                                          QStringLiteral("After Hours"),
                                          QStringLiteral("Locked Out"),
                                          QStringLiteral("Expired Date"),
                                          QStringLiteral("Time Zone?"),
                                          QStringLiteral("Invalid Number"),
                                          QStringLiteral("List Selection")};

inline const QString AllFilter = QStringLiteral("ALL");
inline const QString ListSelectionFilter = QStringLiteral("List Selection");

// Whether a filter lists every row (the list is then shown white, else light green).
bool listsEveryRow(const QString &filter);

// Whether a row with this result word passes the filter; an unknown filter passes nothing.
bool passesFilter(const QString &filter, const QString &result);
