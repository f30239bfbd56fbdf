#pragma once

#include "logview/log_query.h"

#include <QDate>
#include <QString>
#include <optional>

class QCommandLineParser;

// The selection both log commands take: --from DATE --to DATE (YYYY-MM-DD, both
// days whole), --result WORD (a "Filter By" entry or a whole result word),
// --customer ID, and --csv.
struct LogOptions {
    QDate from;
    QDate to;
    QString result = Filters::All;
    std::optional<qint32> customer;
    bool csv = false;

    // The rows of the days, of the customer when one is given.
    LogSelection selection() const;

    static void addTo(QCommandLineParser &parser);
    // None, with why, when an option is wrong or a date missing.
    static std::optional<LogOptions> read(const QCommandLineParser &parser, QString &why);
};
