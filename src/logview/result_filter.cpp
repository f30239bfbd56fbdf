#include "result_filter.h"

#include "access/result_words.h"

#include <QHash>

namespace {

// What a filter passes, written once: the list colour and the SQL both follow it.
struct Rule {
    enum class Match { Every, Equals, SameStart } match;
    QStringList words;
};

// The expired and zone filters look at the first three letters only. A result
// word and the word it replaced pass each other's rows.
Rule rule(const QString &filter)
{
    using namespace ResultWords;
    using Match = Rule::Match;
    static const QHash<QString, Rule> rules = {
        {Filters::All, {Match::Every, {}}},
        {Filters::ListSelection, {Match::Every, {}}},
        {Filters::AllowedAccess, {Match::Equals, {Valid, Exclude}}},
        {Filters::AfterHours, {Match::Equals, {AfterHours}}},
        {Filters::LockedOut, {Match::Equals, {LockedOut}}},
        {Filters::ExpiredDate, {Match::SameStart, {ExpiredPrefix.left(3)}}},
        {Filters::TimeZone, {Match::SameStart, {TimeZonePrefix.left(3)}}},
        {Filters::InvalidNumber, {Match::Equals, {Invalid}}}};
    const QString word = Former.value(filter, filter);
    return rules.value(filter,
                       {Match::Equals, Whole.contains(word) ? QStringList{word} + Former.keys(word)
                                                            : QStringList{}});
}

} // namespace

bool isFilter(const QString &filter)
{
    return ResultFilters.contains(filter) || ResultWords::Whole.contains(filter) ||
           ResultWords::Former.contains(filter);
}

QString notAFilter(const QString &text)
{
    return QStringLiteral("\"%1\" is no filter entry (%2) and no result word (%3)")
        .arg(text, ResultFilters.join(QStringLiteral(", ")),
             ResultWords::Whole.join(QStringLiteral(", ")));
}

bool listsEveryRow(const QString &filter)
{
    return rule(filter).match == Rule::Match::Every;
}

FilterSql filterSql(const QString &filter, const QString &result)
{
    const Rule r = rule(filter);
    switch (r.match) {
    case Rule::Match::Every:
        return {};
    case Rule::Match::SameStart:
        return {QStringLiteral("substr(%1, 1, 3) = ?").arg(result), {r.words.first()}};
    case Rule::Match::Equals:
        break;
    }
    if (r.words.isEmpty())
        return {QStringLiteral("0 = 1"), {}};
    QStringList marks(r.words.size(), QStringLiteral("?"));
    QVariantList values;
    for (const QString &word : r.words)
        values << word;
    return {QStringLiteral("%1 in (%2)").arg(result, marks.join(QStringLiteral(", "))), values};
}
