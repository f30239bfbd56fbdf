#pragma once

#include "access_rules.h"
#include "data/code_index.h"
#include "gate_event_record.h"

#include <QDateTime>
#include <QSqlDatabase>

// The connections a decision reads (units and master codes, and the time
// zones) and how codes are found in the first two.
struct DecisionSources {
    QSqlDatabase units;
    QSqlDatabase masters;
    QSqlDatabase zones;
    const CodeIndex &unitCodes;
    const CodeIndex &masterCodes;
};

struct Decision {
    AccessVerdict verdict;
    GateEvent event;
};

// Decides an entry: the first unit carrying the code, else the first master
// code, else an invalid attempt. False when a source cannot be read; a verdict
// may still have failed (rows that cannot be decided).
bool decideCode(const DecisionSources &sources, const QString &code, const QString &location,
                const QDateTime &now, Decision &decision, QString *error);
