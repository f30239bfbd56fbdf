#include "fuzz_harness.h"
#include "settings/settings_file.h"

// A settings line the station reads is one it writes back: saved and read
// again, the same 29 items. A line it refuses changes nothing and says where.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const StationSettings before = StationSettings::defaults(QStringLiteral("/srv/gate"));
    StationSettings read = before;
    QString error;
    if (!SettingsFile::parse(fuzzBytes(data, size), read, &error)) {
        FUZZ_CHECK(read == before);
        FUZZ_CHECK(error.startsWith(QLatin1String("item ")) ||
                   error.startsWith(QLatin1String("the file ends after ")));
        return 0;
    }
    const QString file = fuzzFolder() + QStringLiteral("/gatesystem.dat");
    if (!SettingsFile::save(file, read, &error)) {
        FUZZ_CHECK(error.contains(QLatin1String("quote")));
        return 0;
    }
    StationSettings again = before;
    FUZZ_CHECK(SettingsFile::load(file, again, &error));
    FUZZ_CHECK(again == read);
    return 0;
}
