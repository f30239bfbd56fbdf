#include "csv_reader.h"

#include "common/error_text.h"

#include <QStringDecoder>

namespace {

// Where a run of characters that are only text here ends: before a quote or
// a line end, and outside quotes before a comma or a carriage return.
qsizetype plainRunEnd(const QString &text, qsizetype from, bool inQuotes)
{
    qsizetype end = from;
    for (; end < text.size(); ++end) {
        const char16_t c = text[end].unicode();
        if (c == u'"' || c == u'\n' || (!inQuotes && (c == u',' || c == u'\r')))
            break;
    }
    return end;
}

bool parseText(const QString &text, QList<CsvRow> &rows, QString *error, QList<int> *lines)
{
    rows.clear();
    if (lines)
        lines->clear();
    CsvRow row;
    CsvField field;
    bool inQuotes = false;
    bool fieldStarted = false;
    int line = 1;
    int quoteLine = 0;
    int rowLine = 1;
    auto endField = [&] {
        row << std::move(field);
        field = {};
        fieldStarted = false;
    };
    auto endRow = [&] {
        endField();
        const qsizetype fields = row.size();
        rows << std::move(row);
        row = {};
        row.reserve(fields); // the next row likely has as many
        if (lines)
            *lines << rowLine;
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype runEnd = plainRunEnd(text, i, inQuotes);
        if (runEnd > i) {
            field.text += QStringView(text).sliced(i, runEnd - i);
            fieldStarted = true;
            i = runEnd - 1;
            continue;
        }
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field.text += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                ++line; // a line break inside quotes
                field.text += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            inQuotes = true;
            field.quoted = true;
            fieldStarted = true;
            quoteLine = line;
        } else if (c == QLatin1Char(',')) {
            endField();
        } else if (c == QLatin1Char('\n')) {
            endRow();
            rowLine = ++line;
        } else if (c != QLatin1Char('\r') || i + 1 >= text.size() ||
                   text[i + 1] != QLatin1Char('\n')) {
            field.text += c;
            fieldStarted = true;
        }
    }
    if (inQuotes) {
        setError(error, QStringLiteral("a quote opened on line %1 is never closed").arg(quoteLine));
        return false;
    }
    if (fieldStarted || !row.isEmpty())
        endRow();
    return true;
}

bool isBlank(const CsvRow &row)
{
    return std::all_of(row.begin(), row.end(),
                       [](const CsvField &f) { return !f.quoted && f.text.isEmpty(); });
}

} // namespace

bool parseCsv(const QByteArray &content, QList<CsvRow> &rows, QString *error, QList<int> *lines)
{
    return parseText(QString::fromUtf8(content), rows, error, lines);
}

bool parseCsvFile(const QByteArray &content, QList<CsvRow> &rows, QString *error, QList<int> *lines)
{
    // The decoder drops a byte-order mark at the start.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(content);
    if (utf8.hasError()) {
        const qsizetype bad = text.indexOf(QChar::ReplacementCharacter);
        setError(error, QStringLiteral("line %1 is not UTF-8 text (save the file as CSV UTF-8)")
                            .arg(text.left(bad).count(QLatin1Char('\n')) + 1));
        return false;
    }
    if (!parseText(text, rows, error, lines))
        return false;
    while (!rows.isEmpty() && isBlank(rows.last())) {
        rows.removeLast();
        if (lines)
            lines->removeLast();
    }
    return true;
}
