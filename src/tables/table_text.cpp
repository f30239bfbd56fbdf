#include "table_text.h"

#include "common/error_text.h"
#include "data/data_control.h"
#include "data/yes_no.h"

#include <QDateTime>

namespace {

using Kind = ColumnKind;

const char *const ExportedDateTime = "yyyy-MM-dd HH:mm:ss";

// A field as the station stores it; an invalid QVariant with `why` set when it cannot be.
QVariant convert(const CsvField &field, Kind kind, QString &why)
{
    const QString text = field.text;
    // Only numbers and times keep NULL: text is stored as empty text, so a reader
    // that selects = '' sees what the station sees, and an empty flag is no.
    const bool takesNull = kind != Kind::Text && kind != Kind::Code && kind != Kind::YesNo;
    if (takesNull && text.isEmpty() && !field.quoted)
        return QVariant(QMetaType::fromType<QString>());
    switch (kind) {
    case Kind::Text:
    case Kind::Code:
        return text.isNull() ? QString(QLatin1String("")) : text;
    case Kind::Number: {
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok);
        if (ok)
            return whole;
        const double real = text.toDouble(&ok);
        if (ok)
            return real;
        why = QStringLiteral("\"%1\" is not a number").arg(text);
        return {};
    }
    case Kind::YesNo: {
        const auto flag = yesNoValue(text);
        if (!flag)
            why = QStringLiteral("\"%1\" is not yes or no").arg(text);
        return flag ? QVariant(qint64(*flag ? -1 : 0)) : QVariant();
    }
    case Kind::DateTime: {
        const QDateTime when = QDateTime::fromString(text, QLatin1String(ExportedDateTime));
        if (!when.isValid()) {
            why = QStringLiteral("\"%1\" is not a valid date and time").arg(text);
            return {};
        }
        return when.toString(QLatin1String(LogDateTimeFormat));
    }
    case Kind::TimeOfDay: {
        // Access keeps a time of day as a date/time on 1899-12-30.
        const QString timePart = text.section(QLatin1Char(' '), -1);
        const QTime time = QTime::fromString(timePart, QStringLiteral("HH:mm:ss"));
        if (!time.isValid()) {
            why = QStringLiteral("\"%1\" is not a valid time of day").arg(text);
            return {};
        }
        return time.toString(QStringLiteral("HH:mm:ss"));
    }
    }
    return {};
}

// Text a number column could have written: digits, no leading zero.
bool readsAsNumber(const QString &text)
{
    bool ok = false;
    const qulonglong number = text.toULongLong(&ok);
    return ok && QString::number(number) == text;
}

QString lostZeros(const QString &column, const QList<TextRow> &rows, int c, bool quotesMarkText,
                  int codeLength)
{
    int unquoted = 0;
    int shortNumbers = 0;
    for (const TextRow &row : rows) {
        const CsvField field = row.fields.value(c);
        if (field.text.isEmpty())
            continue;
        unquoted += field.quoted ? 0 : 1;
        shortNumbers += field.text.size() < codeLength && readsAsNumber(field.text) ? 1 : 0;
    }
    if (quotesMarkText && unquoted > 0)
        return QStringLiteral("%1 is a number column in the source, which drops leading zeros "
                              "(0123 becomes 123): make it a text column")
            .arg(column);
    if (shortNumbers > 0)
        return QStringLiteral("%1: %2 codes have fewer digits than the keypads send (%3) and no "
                              "leading zero, as a number column leaves them (0123 becomes 123): "
                              "export the column as text")
            .arg(column)
            .arg(shortNumbers)
            .arg(codeLength);
    return {};
}

} // namespace

QString rowPlace(int number, int line)
{
    return line > 0 ? QStringLiteral("row %1 (line %2)").arg(number).arg(line)
                    : QStringLiteral("row %1").arg(number);
}

QString TextRow::where() const
{
    return rowPlace(number, line);
}

bool tableRows(QList<CsvRow> csv, const QList<int> &lines, const TableSchema &table,
               const QString &source, QList<TextRow> &rows, QString *error)
{
    rows.clear();
    if (csv.isEmpty()) {
        setError(error, QStringLiteral("%1 in %2 has no header row").arg(table.table, source));
        return false;
    }
    const CsvRow header = csv.first();
    QList<int> positions;
    for (const Column &column : table.columns) {
        const auto it = std::find_if(header.begin(), header.end(), [&](const CsvField &f) {
            return f.text.compare(column.name, Qt::CaseInsensitive) == 0;
        });
        if (it == header.end()) {
            setError(
                error,
                QStringLiteral("%1 in %2 has no column %3").arg(table.table, source, column.name));
            return false;
        }
        positions << int(it - header.begin());
    }
    rows.reserve(csv.size() - 1);
    for (int r = 1; r < csv.size(); ++r) {
        CsvRow &fields = csv[r];
        TextRow row{r, int(lines.value(r)), {}, {}};
        if (fields.size() != header.size())
            row.fault = QStringLiteral("%1 fields where the header has %2")
                            .arg(fields.size())
                            .arg(header.size());
        row.fields.reserve(positions.size());
        for (const int position : positions)
            row.fields << (position < fields.size() ? std::move(fields[position]) : CsvField());
        fields = {}; // the text is held once, not twice
        rows << std::move(row);
    }
    return true;
}

QVariantList storedValues(const TableSchema &table, const TextRow &row, QStringList &faults)
{
    if (!row.fault.isEmpty())
        faults << row.fault;
    QVariantList values;
    values.reserve(table.columns.size());
    for (int c = 0; c < table.columns.size(); ++c) {
        QString why;
        const QVariant value = convert(row.fields.value(c), table.columns[c].kind, why);
        if (!value.isValid())
            faults << QStringLiteral("%1: %2").arg(table.columns[c].name, why);
        values << value;
    }
    return values;
}

QString insertStatement(const TableSchema &table, const QString &name)
{
    const QStringList columns = table.columnNames();
    return QStringLiteral("insert into %1 (%2) values (%3)")
        .arg(name, columns.join(QLatin1Char(',')),
             QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
}

QStringList lostZeroWarnings(const TableSchema &table, const QList<TextRow> &rows,
                             bool quotesMarkText, int codeLength)
{
    QStringList warnings;
    for (int c = 0; c < table.columns.size(); ++c) {
        if (table.columns[c].kind != ColumnKind::Code)
            continue;
        const QString why = lostZeros(table.columns[c].name, rows, c, quotesMarkText, codeLength);
        if (!why.isEmpty())
            warnings << QStringLiteral("%1: %2").arg(table.table, why);
    }
    return warnings;
}
