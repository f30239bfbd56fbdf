#include "csv_writer.h"

#include "error_text.h"

#include <QIODevice>

namespace {

QString quoted(const QString &field)
{
    static const QString special = QStringLiteral(",\"\r\n");
    if (std::none_of(field.begin(), field.end(), [](QChar c) { return special.contains(c); }))
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

bool writeCsvRecord(QIODevice &device, const QStringList &fields, QString *error)
{
    const QByteArray record = csvRecord(fields);
    if (device.write(record) == record.size())
        return true;
    setError(error, device.errorString());
    return false;
}
