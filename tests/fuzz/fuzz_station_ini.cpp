#include "fuzz_harness.h"
#include "settings/station_ini.h"

#include <QDir>
#include <QSettings>

namespace {

// A folder per input: QSettings caches a file it read by name and time stamp.
QString newFolder()
{
    static int count = 0;
    const QString folder = fuzzFolder() + QStringLiteral("/ini%1").arg(++count);
    FUZZ_CHECK(QDir().mkpath(folder));
    return folder;
}

StationIni loaded(const QString &folder, QStringList &problems)
{
    const StationIni ini = StationIni::load(folder, &problems);
    FUZZ_CHECK(QDir(folder).removeRecursively());
    return ini;
}

// What was loaded, written back as an operator would write it.
void writeBack(const StationIni &ini, const QString &folder)
{
    QSettings out(folder + QStringLiteral("/station.ini"), QSettings::IniFormat);
    const QList<std::pair<const char *, QVariant>> values{
        {"keypad/EntryIdleSeconds", ini.entryIdleSeconds},
        {"keypad/LockoutAfter", ini.lockoutAfter},
        {"keypad/LockoutWindowSeconds", ini.lockoutWindowSeconds},
        {"keypad/LockoutSeconds", ini.lockoutSeconds},
        {"http/Listen", ini.httpListen},
        {"audit/ManualRows", ini.manualRows},
        {"fleet/Url", ini.fleetUrl},
        {"fleet/Site", ini.fleetSite},
        {"fleet/Station", ini.fleetStation},
        {"fleet/CheckSeconds", ini.fleetCheckSeconds},
        {"fleet/PushSeconds", ini.fleetPushSeconds},
        {"fleet/BatchRows", ini.fleetBatchRows},
        {"fleet/RetrySeconds", ini.fleetRetrySeconds},
        {"fleet/AllowShrink", ini.fleetAllowShrink}};
    for (const auto &[key, value] : values)
        out.setValue(QLatin1String(key), value);
    out.sync();
    FUZZ_CHECK(out.status() == QSettings::NoError);
}

} // namespace

// Whatever station.ini holds, each value is one the station can use (a bad one
// keeps its default and is named), and the settings loaded, written back,
// load again the same without a word.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString folder = newFolder();
    writeFuzzFile(folder + QStringLiteral("/station.ini"), fuzzBytes(data, size));
    QStringList problems;
    const StationIni ini = loaded(folder, problems);
    for (const QString &problem : problems)
        FUZZ_CHECK(problem.startsWith(QLatin1String("station.ini ")));
    FUZZ_CHECK(ini.entryIdleSeconds >= 1 && ini.lockoutAfter >= 0 &&
               ini.lockoutWindowSeconds >= 1 && ini.lockoutSeconds >= 1);
    FUZZ_CHECK(ini.fleetCheckSeconds >= 1 && ini.fleetPushSeconds >= 1 && ini.fleetBatchRows >= 1 &&
               ini.fleetRetrySeconds >= 1);
    FUZZ_CHECK(ini.httpListen.isEmpty() || listenAddress(ini.httpListen));

    folder = newFolder();
    writeBack(ini, folder);
    problems.clear();
    FUZZ_CHECK(loaded(folder, problems) == ini && problems.isEmpty());
    return 0;
}
