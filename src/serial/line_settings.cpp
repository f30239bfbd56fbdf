#include "line_settings.h"

#include <QStringList>

QString lineSettingsText(qint16 baud, QChar parity, quint8 dataBits, quint8 stopBits)
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(parity).arg(dataBits).arg(stopBits);
}

namespace {

std::optional<QSerialPort::Parity> parityFor(const QString &letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    switch (letter.front().toUpper().unicode()) {
    case 'N':
        return QSerialPort::NoParity;
    case 'E':
        return QSerialPort::EvenParity;
    case 'O':
        return QSerialPort::OddParity;
    case 'M':
        return QSerialPort::MarkParity;
    case 'S':
        return QSerialPort::SpaceParity;
    default:
        return std::nullopt;
    }
}

std::optional<QSerialPort::StopBits> stopBitsFor(const QString &text)
{
    if (text == QLatin1String("1"))
        return QSerialPort::OneStop;
    if (text == QLatin1String("1.5"))
        return QSerialPort::OneAndHalfStop;
    if (text == QLatin1String("2"))
        return QSerialPort::TwoStop;
    return std::nullopt;
}

} // namespace

std::optional<LineSettings> parseLineSettings(const QString &text)
{
    const QStringList fields = text.split(QLatin1Char(','));
    if (fields.size() != 4)
        return std::nullopt;
    bool baudOk = false;
    bool bitsOk = false;
    const int baud = fields[0].toInt(&baudOk);
    const int bits = fields[2].toInt(&bitsOk);
    const auto parity = parityFor(fields[1]);
    const auto stop = stopBitsFor(fields[3]);
    if (!baudOk || baud <= 0 || !bitsOk || bits < 5 || bits > 8 || !parity || !stop)
        return std::nullopt;
    return LineSettings{baud, *parity, static_cast<QSerialPort::DataBits>(bits), *stop};
}
