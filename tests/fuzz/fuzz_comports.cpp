#include "fuzz_harness.h"
#include "serial/port_map.h"

#include <QStringDecoder>

// comports.ini as edited by hand: a port's device is an entry of its [ports]
// section, trimmed, or else the platform's name for the number; what comes
// before a last [ports] section never hides its entries.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray content = fuzzBytes(data, size);
    const QString folder = fuzzFolder();
    writeFuzzFile(folder + QStringLiteral("/comports.ini"),
                  content + "\n[ports]\n99=/dev/serial/by-id/probe\n");
    // Stateless: a sequence cut off at the end is an error too, as the
    // station's reading (with more lines after it) finds it.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(content);
    const bool readable = !utf8.hasError(); // else decoders may differ in how they replace bytes
    for (const int port : {0, 1, 2, 3, 35, 99, 255}) {
        const SerialDevice device = serialDeviceFor(port, folder);
        if (!device.fromPortMap) {
            FUZZ_CHECK(device.path == QStringLiteral("/dev/ttyS%1").arg(port - 1));
            continue;
        }
        FUZZ_CHECK(!device.path.isEmpty() && device.path == device.path.trimmed());
        FUZZ_CHECK(!readable || text.contains(device.path) ||
                   device.path == QLatin1String("/dev/serial/by-id/probe"));
    }
    if (readable && !text.contains(QLatin1String("99")))
        FUZZ_CHECK(serialDeviceFor(99, folder).path == QLatin1String("/dev/serial/by-id/probe"));
    return 0;
}
