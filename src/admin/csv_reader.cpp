#include "csv_reader.h"

#include "common/error_text.h"

bool parseCsv(const QByteArray &content, QList<CsvRow> &rows, QString *error)
{
    const QString text = QString::fromUtf8(content);
    rows.clear();
    CsvRow row;
    CsvField field;
    bool inQuotes = false;
    bool fieldStarted = false;
    int line = 1;
    int quoteLine = 0;
    auto endField = [&] {
        row << field;
        field = {};
        fieldStarted = false;
    };
    auto endRow = [&] {
        endField();
        rows << row;
        row.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inQuotes) {
            if (c == QLatin1Char('"') && i + 1 < text.size() && text[i + 1] == QLatin1Char('"')) {
                field.text += c;
                ++i;
            } else if (c == QLatin1Char('"')) {
                inQuotes = false;
            } else {
                line += c == QLatin1Char('\n');
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
            ++line;
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
