#pragma once

#include <QByteArray>
#include <QStringList>

class QIODevice;

// CSV as RFC 4180 has it, in UTF-8: a field holding a comma, a double quote,
// CR or LF is quoted, with its quotes doubled; every record ends with CR LF.
QByteArray csvRecord(const QStringList &fields);

// Writes the bytes; false, with the reason, when the device does not take them all.
bool writeAll(QIODevice &device, const QByteArray &bytes, QString *error);

// Writes one record, as writeAll does.
bool writeCsvRecord(QIODevice &device, const QStringList &fields, QString *error);
