#include "data/data_control.h"
#include "fuzz_harness.h"
#include "tables/table_text.h"

#include <QDateTime>

namespace {

// As the station stores a column's values: text never NULL, yes/no -1 or 0,
// numbers finite, dates and times in their one stored form.
bool stored(ColumnKind kind, const QVariant &value)
{
    switch (kind) {
    case ColumnKind::Text:
    case ColumnKind::Code:
        return value.typeId() == QMetaType::QString && !value.isNull();
    case ColumnKind::YesNo:
        return value == QVariant(qint64(-1)) || value == QVariant(qint64(0));
    case ColumnKind::Number:
        return value.isNull() || value.typeId() == QMetaType::LongLong ||
               (value.typeId() == QMetaType::Double && qIsFinite(value.toDouble()));
    case ColumnKind::DateTime:
        return value.isNull() ||
               QDateTime::fromString(value.toString(), QLatin1String(LogDateTimeFormat)).isValid();
    case ColumnKind::TimeOfDay:
        return value.isNull() ||
               QTime::fromString(value.toString(), QStringLiteral("HH:mm:ss")).isValid();
    }
    return false;
}

void checkRow(const TableSchema &table, const TextRow &row)
{
    QStringList faults;
    const QVariantList values = storedValues(table, row, faults);
    FUZZ_CHECK(values.size() == table.columns.size());
    qsizetype named = row.fault.isEmpty() ? 0 : 1;
    FUZZ_CHECK(named == 0 || faults.value(0) == row.fault);
    for (qsizetype c = 0; c < values.size(); ++c) {
        if (values[c].isValid()) {
            FUZZ_CHECK(stored(table.columns[c].kind, values[c]));
            continue;
        }
        FUZZ_CHECK(faults.value(named++).startsWith(table.columns[c].name + QLatin1String(": ")));
    }
    FUZZ_CHECK(faults.size() == named);
}

} // namespace

// Rows of one of the station's tables from CSV text, as mdb-export prints an
// Access table (no line numbers) or a management program exports a file: each
// row keeps its number and line, and each value is stored as the station
// stores it or named as a fault. The first byte picks the table and the source.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzReader in(data, size);
    const uint8_t choice = in.byte();
    const TableSchema &table = Tables::all()[choice % Tables::all().size()];
    const bool accessExport = choice & 0x80;
    const QByteArray text = in.rest();
    QList<CsvRow> csv;
    QList<int> lines;
    if (!(accessExport ? parseCsv(text, csv, nullptr) : parseCsvFile(text, csv, nullptr, &lines)))
        return 0;
    QList<TextRow> rows;
    QString error;
    if (!tableRows(csv, lines, table, QStringLiteral("fuzz"), rows, &error)) {
        FUZZ_CHECK(error.startsWith(table.table + QLatin1String(" in fuzz has no ")));
        return 0;
    }
    FUZZ_CHECK(rows.size() == csv.size() - 1);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const TextRow &row = rows[r];
        FUZZ_CHECK(row.number == r + 1 && row.line == lines.value(r + 1));
        FUZZ_CHECK(row.fields.size() == table.columns.size());
        FUZZ_CHECK(row.fault.isEmpty() == (csv[r + 1].size() == csv[0].size()));
        checkRow(table, row);
    }
    return 0;
}
