#include "csv_writer.h"

#include "error_text.h"

#include <QIODevice>

namespace {

QString quoted(const QString &field)
{
    static const QString special = QStringLiteral(",\"\r\n");
    // A byte-order mark first in a file is taken for the file's own and dropped
    // by readers; in quotes it stays the field's.
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return special.contains(c); }) &&
        !field.startsWith(QChar(QChar::ByteOrderMark)))
        return field;
    return QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

} // namespace

QByteArray csvRecord(const QStringList &fields)
{
    QStringList record;
    record.reserve(fields.size());
    for (const QString &field : fields)
        record << quoted(field);
    return record.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

bool writeAll(QIODevice &device, const QByteArray &bytes, QString *error)
{
    if (device.write(bytes) == bytes.size())
        return true;
    setError(error, device.errorString());
    return false;
}

bool writeCsvRecord(QIODevice &device, const QStringList &fields, QString *error)
{
    return writeAll(device, csvRecord(fields), error);
}
