#include "common/csv_writer.h"
#include "fuzz_harness.h"
#include "tables/csv_reader.h"

#include <QRegularExpression>

namespace {

QList<QStringList> texts(const QList<CsvRow> &rows)
{
    QList<QStringList> all;
    for (const CsvRow &row : rows) {
        QStringList fields;
        for (const CsvField &field : row)
            fields << field.text;
        all << fields;
    }
    return all;
}

} // namespace

// A CSV file as spreadsheets save it: refused with the line to look at, or read
// into rows that, written again as the station writes CSV, read back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content = fuzzBytes(data, size);
    const int lineCount = int(content.count('\n')) + 1;
    QList<CsvRow> rows;
    QList<int> lines;
    QString error;
    if (!parseCsvFile(content, rows, &error, &lines)) {
        static const QRegularExpression named(QStringLiteral("\\bline (\\d+)\\b"));
        const QRegularExpressionMatch line = named.match(error);
        FUZZ_CHECK(line.hasMatch());
        FUZZ_CHECK(line.captured(1).toInt() >= 1 && line.captured(1).toInt() <= lineCount);
        return 0;
    }
    FUZZ_CHECK(lines.size() == rows.size());
    for (qsizetype r = 0; r < lines.size(); ++r)
        FUZZ_CHECK(lines[r] >= 1 && lines[r] <= lineCount && (r == 0 || lines[r] > lines[r - 1]));

    QByteArray written;
    for (const QStringList &fields : texts(rows))
        written += csvRecord(fields);
    QList<CsvRow> again;
    FUZZ_CHECK(parseCsv(written, again, &error));
    FUZZ_CHECK(texts(again) == texts(rows));
    return 0;
}
