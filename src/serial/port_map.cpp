#include "port_map.h"

#include "settings/station_folder.h"
#include "settings/station_settings.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {

// Reads just the [ports] section; a missing or unreadable file has no entries.
// A line ends at CR LF, LF or a lone CR, however the editor saved it.
QString mappedDevice(int portNumber, const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression lineEnd(QStringLiteral("\r\n?|\n"));
    QStringDecoder utf8(QStringDecoder::Utf8); // drops a byte-order mark
    bool inPorts = false;
    const QString key = QString::number(portNumber);
    for (const QString &text : QString(utf8.decode(file.readAll())).split(lineEnd)) {
        const QString line = text.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            inPorts = line.compare(QLatin1String("[ports]"), Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (inPorts && equals > 0 && line.left(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return {};
}

} // namespace

SerialDevice serialDeviceFor(int portNumber, const QString &startFolder)
{
    const QString mapped = mappedDevice(portNumber, StationFolder(startFolder).portMap());
    if (!mapped.isEmpty())
        return {mapped, true};
#ifdef Q_OS_WIN
    return {QStringLiteral("COM%1").arg(portNumber)};
#else
    return {QStringLiteral("/dev/ttyS%1").arg(portNumber - 1)};
#endif
}
