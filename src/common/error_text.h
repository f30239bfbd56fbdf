#pragma once

#include <QString>

// Fills an optional error out-parameter.
inline void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}
