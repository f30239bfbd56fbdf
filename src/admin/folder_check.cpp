#include "folder_check.h"

#include "common/file_privacy.h"
#include "data/data_control.h"
#include "serial/gate_devices.h"
#include "serial/port_map.h"
#include "service/command_line.h"
#include "service/folder_lock.h"
#include "settings/settings_file.h"
#include "settings/settings_form.h"
#include "settings/settings_rules.h"
#include "settings/station_ini.h"

#include <QFileInfo>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderCheck {

namespace {

using S = StationSettings;

Finding good(const QString &what)
{
    return {true, what, {}};
}

Finding problem(const QString &what, const QString &fix)
{
    return {false, what, fix};
}

bool mayReadAndWrite(const QString &path)
{
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
}

QString userName()
{
    const passwd *user = ::getpwuid(::geteuid());
    return user ? QString::fromLocal8Bit(user->pw_name) : QString::number(::geteuid());
}

QString groupOf(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    const group *owner = ::getgrgid(info.st_gid);
    return owner ? QString::fromLocal8Bit(owner->gr_name) : QString::number(info.st_gid);
}

void checkSettings(const S &settings, const QString &folder, QList<Finding> &findings)
{
    const SettingsForm form = formFrom(settings);
    for (const SettingsBox &box : settingsBoxes()) {
        const QString item =
            QStringLiteral("settings: %1%2 = \"%3\"")
                .arg(box.group.isEmpty() ? QString() : box.group + QLatin1Char(' '), box.label,
                     form.value(box.name));
        const QString fault = SettingsRules::unusable(settings, box.field);
        findings << (fault.isEmpty()
                         ? good(item)
                         : problem(item + QStringLiteral(": ") + fault,
                                   QStringLiteral("correct it on the settings screen")));
    }
    QStringList iniProblems;
    StationIni::load(folder, &iniProblems);
    for (const QString &fault : iniProblems)
        findings << problem(fault, QStringLiteral("correct it in station.ini"));
    const QString open = readableByEveryone(SettingsFile::privateFiles(settings, folder));
    if (!open.isEmpty())
        findings << problem(open, QStringLiteral("chmod o-r the files named"));
}

void checkTables(const S &settings, QList<Finding> &findings)
{
    for (const TableSchema &table : Tables::all()) {
        const QString path = table.inGateDatabase ? settings.GateDbPath : settings.DataDbPath;
        DataControl control(table.table, table);
        control.setConnectionString(connectionStringFor(path));
        QString error;
        if (control.refresh(&error)) {
            findings << good(QStringLiteral("database: %1 in %2").arg(table.table, path));
            continue;
        }
        const QString fix =
            !QFileInfo::exists(path)
                ? QStringLiteral("correct the path in gatesystem.dat, or restore a backup "
                                 "(gatectl restore)")
            : !mayReadAndWrite(path)
                ? QStringLiteral("give the station's user read and write access to %1").arg(path)
                : QStringLiteral("restore a backup (gatectl restore); the tables are in "
                                 "share/gate-station/schema");
        findings << problem(QStringLiteral("database: %1").arg(error), fix);
    }
}

struct PortUse {
    QString role;
    int number;
    QString line;
};

QList<PortUse> portsInUse(const S &s)
{
    QList<PortUse> ports{
        {QStringLiteral("Relay board"), s.RelayCommPort,
         lineSettingsText(s.RelayBaud, s.RelayParity, s.RelayDataBits, s.RelayStopBits)}};
    if (GateDevices::keypadInUse(s.Keypad1CommPort))
        ports.append({QStringLiteral("Keypad 1"), s.Keypad1CommPort,
                      lineSettingsText(s.Keypad1Baud, s.Keypad1Parity, s.Keypad1DataBits,
                                       s.Keypad1StopBits)});
    if (GateDevices::keypadInUse(s.Keypad2CommPort))
        ports.append({QStringLiteral("Keypad 2"), s.Keypad2CommPort,
                      lineSettingsText(s.Keypad2Baud, s.Keypad2Parity, s.Keypad2DataBits,
                                       s.Keypad2StopBits)});
    return ports;
}

// Opens the port as the station would; the relay board is asked for its status.
Finding tryPort(const PortUse &use, const QString &device, const LineSettings &line)
{
    QSerialPort port(device);
    port.setBaudRate(line.baud);
    port.setParity(line.parity);
    port.setDataBits(line.dataBits);
    port.setStopBits(line.stopBits);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadWrite))
        return problem(
            QStringLiteral("%1: cannot open %2: %3").arg(use.role, device, port.errorString()),
            portFailureFix(port.error(), true));
    if (use.role != QLatin1String("Relay board"))
        return good(QStringLiteral("%1: %2 opens at %3").arg(use.role, device, use.line));
    const RelayBoard::StatusReply reply = RelayBoard(port).queryStatus(GateDevices::StatusWaitMs);
    if (reply.outcome == RelayBoard::StatusReply::Answered)
        return good(QStringLiteral("Relay board: %1 answers the status query: %2 (1: relay on)")
                        .arg(device)
                        .arg(reply.value));
    return problem(QStringLiteral("Relay board: %1 opens but gives no answer to the status query "
                                  "within %2 s")
                       .arg(device)
                       .arg(GateDevices::StatusWaitMs / 1000),
                   QStringLiteral("check the board's power, the cable and that the board runs at "
                                  "%1")
                       .arg(use.line));
}

void checkPorts(const S &settings, const QString &folder, bool stationRuns,
                QList<Finding> &findings)
{
    for (const PortUse &use : portsInUse(settings)) {
        const SerialDevice device = serialDeviceFor(use.number, folder);
        const QString where =
            QStringLiteral("%1: port %2 is %3 (%4)")
                .arg(use.role)
                .arg(use.number)
                .arg(device.path, device.fromPortMap
                                      ? QStringLiteral("comports.ini")
                                      : QStringLiteral("default, no comports.ini entry"));
        const auto line = parseLineSettings(use.line);
        if (!line)
            findings << problem(
                QStringLiteral("%1: line settings %2 cannot be used").arg(use.role, use.line),
                QStringLiteral("correct them on the settings screen"));
        else if (!QFileInfo::exists(device.path))
            findings << problem(where + QStringLiteral(", which does not exist"),
                                portFailureFix(QSerialPort::DeviceNotFoundError, false));
        else if (!mayReadAndWrite(device.path))
            findings << problem(where + QStringLiteral(", which user %1 may not open (its group is "
                                                       "%2)")
                                            .arg(userName(), groupOf(device.path)),
                                QStringLiteral("sudo adduser %1 %2, then restart the station")
                                    .arg(userName(), groupOf(device.path)));
        else if (stationRuns)
            findings << good(where + QStringLiteral(": the running station holds it"));
        else
            findings << tryPort(use, device.path, *line);
    }
}

} // namespace

QList<Finding> run(const QString &folder)
{
    QList<Finding> findings;
    S settings;
    QString error;
    if (!SettingsFile::load(SettingsFile::fileName(folder), settings, &error)) {
        findings << problem(QStringLiteral("settings: ") + error,
                            QStringLiteral("make the folder with gatectl init, or restore a "
                                           "backup (gatectl restore)"));
        return findings;
    }
    checkSettings(settings, folder, findings);
    // Held while the ports are tried, so no station starts meanwhile.
    FolderLock lock(folder);
    const int locked = lock.tryLock(&error);
    if (locked == CommandLine::FolderUnusable)
        findings << problem(QStringLiteral("lock: ") + error,
                            QStringLiteral("give the station's user write access to the folder"));
    else
        findings << good(locked == 0 ? QStringLiteral("lock: no station runs on this folder")
                                     : QStringLiteral("lock: ") + error);
    checkTables(settings, findings);
    checkPorts(settings, folder, locked == CommandLine::FolderInUse, findings);
    return findings;
}

QString line(const Finding &finding)
{
    return finding.ok ? QStringLiteral("ok: ") + finding.what
                      : QStringLiteral("PROBLEM: %1 -> fix: %2").arg(finding.what, finding.fix);
}

} // namespace FolderCheck
