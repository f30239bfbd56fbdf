#include "folder_check.h"

#include "common/file_privacy.h"
#include "data/data_control.h"
#include "data/sql_run.h"
#include "data/tables.h"
#include "serial/gate_devices.h"
#include "serial/port_map.h"
#include "service/command_line.h"
#include "service/folder_lock.h"
#include "settings/settings_file.h"
#include "settings/settings_form.h"
#include "settings/settings_rules.h"
#include "settings/station_folder.h"
#include "settings/station_ini.h"

#include <QFileInfo>
#include <QSqlDatabase>
#include <algorithm>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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

// "gate:gate": the user and its own group, for chown.
QString userAndGroup()
{
    const passwd *user = ::getpwuid(::geteuid());
    const group *own = user ? ::getgrgid(user->pw_gid) : nullptr;
    return own ? userName() + QLatin1Char(':') + QString::fromLocal8Bit(own->gr_name) : userName();
}

QString groupName(gid_t id)
{
    const group *found = ::getgrgid(id);
    return found ? QString::fromLocal8Bit(found->gr_name) : QString::number(id);
}

// Whether the group database lists this user in the group (its own group counts).
bool userListedIn(gid_t id)
{
    const passwd *user = ::getpwuid(::geteuid());
    int count = 0;
    if (!user)
        return false;
    ::getgrouplist(user->pw_name, user->pw_gid, nullptr, &count);
    std::vector<gid_t> groups(size_t(std::max(count, 1)));
    ::getgrouplist(user->pw_name, user->pw_gid, groups.data(), &count);
    groups.resize(size_t(std::max(count, 0)));
    return std::ranges::find(groups, id) != groups.end();
}

bool sessionHas(gid_t id)
{
    std::vector<gid_t> groups(size_t(std::max(::getgroups(0, nullptr), 0)));
    groups.resize(size_t(std::max(::getgroups(int(groups.size()), groups.data()), 0)));
    return ::getegid() == id || std::ranges::find(groups, id) != groups.end();
}

DeviceAccess deviceAccess(const QString &path)
{
    DeviceAccess access;
    access.user = userName();
    access.device = QFileInfo(path).canonicalFilePath();
    struct stat info {};
    if (::stat(QFile::encodeName(access.device).constData(), &info) == 0) {
        access.group = groupName(info.st_gid);
        access.groupReadWrite = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    }
    if (const group *dialout = ::getgrnam("dialout")) {
        access.userInDialout = userListedIn(dialout->gr_gid);
        access.sessionInDialout = sessionHas(dialout->gr_gid);
    }
    return access;
}

void checkSettings(const S &settings, const QString &folder, QList<Finding> &findings)
{
    const SettingsForm form = formFrom(settings);
    int faults = 0;
    for (const SettingsBox &box : settingsBoxes()) {
        const QString fault = SettingsRules::unusable(settings, box.field);
        if (fault.isEmpty())
            continue;
        ++faults;
        findings << problem(QStringLiteral("settings: %1 \"%2\": %3; allowed: %4")
                                .arg(fullLabel(box), form.value(box.name), fault,
                                     SettingsRules::allowed(box.field)),
                            QStringLiteral("correct it on the settings screen"));
    }
    if (faults == 0)
        findings << good(QStringLiteral("settings: every item of %1 can be used")
                             .arg(StationFolder(folder).settingsFile()));
    QStringList iniProblems;
    StationIni::load(folder, &iniProblems);
    for (const QString &fault : iniProblems)
        findings << problem(fault, QStringLiteral("correct it in station.ini"));
    const QString open = readableByEveryone(StationFolder(folder).privateFiles(settings));
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

// A log row as the station writes it, in a transaction rolled back: the rows,
// the AUTOINCREMENT counter and the file stay as they were. Empty when taken.
QString probeLogWrite(const QString &path)
{
    const QString connection = QStringLiteral("check-write:") + path;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(connectionStringFor(path));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=1000"));
        QStringList columns = Tables::gateLog().columnNames();
        columns.removeAll(QStringLiteral("fldID"));
        const QString insert =
            QStringLiteral("INSERT INTO tblGateLog (%1) VALUES (%2)")
                .arg(columns.join(QLatin1Char(',')),
                     QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        QSqlQuery query(db);
        if (!db.open())
            error = db.lastError().text();
        else if (runSql(query, QStringLiteral("BEGIN IMMEDIATE"), {}, &error)) {
            runSql(query, insert, QVariantList(columns.size(), QString()), &error);
            query.exec(QStringLiteral("ROLLBACK"));
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return error;
}

QString logWriteFix(const QString &path, const QString &error)
{
    // SQLite writes its journal beside the database: the folder counts too.
    QStringList unwritable;
    for (const QString &needed : {QFileInfo(path).absolutePath(), path}) {
        if (!mayReadAndWrite(needed))
            unwritable << needed;
    }
    if (!unwritable.isEmpty())
        return QStringLiteral("as root, chown %1 %2 && chmod u+rwX %2 (SQLite writes its journal "
                              "beside the database)")
            .arg(userAndGroup(), unwritable.join(QLatin1Char(' ')));
    if (error.contains(QLatin1String("locked")) || error.contains(QLatin1String("busy")))
        return QStringLiteral("another program holds its write lock (fuser -v %1): close it; "
                              "meanwhile the station spools its rows")
            .arg(path);
    return QStringLiteral("free disk space (df -h %1) or restore a backup (gatectl restore)")
        .arg(QFileInfo(path).absolutePath());
}

void checkLogWrite(const S &settings, QList<Finding> &findings)
{
    if (!QFileInfo::exists(settings.GateDbPath))
        return; // named with the tables
    const QString error = probeLogWrite(settings.GateDbPath);
    findings << (error.isEmpty()
                     ? good(QStringLiteral("database: %1 takes log rows from user %2")
                                .arg(settings.GateDbPath, userName()))
                     : problem(QStringLiteral("database: %1 does not take a log row from user "
                                              "%2: %3")
                                   .arg(settings.GateDbPath, userName(), error),
                               logWriteFix(settings.GateDbPath, error)));
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

Finding deviceRefused(const QString &where, const DeviceAccess &access)
{
    return problem(QStringLiteral("%1, which user %2 may not open (%3: group %4, %5)")
                       .arg(where, access.user, access.device, access.group,
                            access.groupReadWrite ? QStringLiteral("group may read and write")
                                                  : QStringLiteral("group may not read and write")),
                   deviceAccessFix(access));
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
            findings << deviceRefused(where, deviceAccess(device.path));
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
    if (!StationFolder(folder).loadSettings(settings, &error)) {
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
    checkLogWrite(settings, findings);
    checkPorts(settings, folder, locked == CommandLine::FolderInUse, findings);
    return findings;
}

QString deviceAccessFix(const DeviceAccess &access)
{
    const QString restart = QStringLiteral("then systemctl restart gate-station");
    const QString join =
        access.userInDialout ? QString() : QStringLiteral("adduser %1 dialout; ").arg(access.user);
    if (access.group != QLatin1String("dialout") || !access.groupReadWrite)
        return QStringLiteral("as root, give it to the dialout group with a udev rule: echo "
                              "'SUBSYSTEM==\"tty\", KERNEL==\"%1\", GROUP=\"dialout\", "
                              "MODE=\"0660\"' >> /etc/udev/rules.d/99-gate-station.rules; "
                              "udevadm control --reload; udevadm trigger; %2%3")
            .arg(QFileInfo(access.device).fileName(), join, restart);
    if (!access.userInDialout)
        return QStringLiteral("as root, %1%2").arg(join, restart);
    if (!access.sessionInDialout)
        return QStringLiteral("%1 joined dialout after this login began: check again in a new "
                              "one (runuser -u %1 -- gatectl check FOLDER); the station's "
                              "service has the group at its next start")
            .arg(access.user);
    return QStringLiteral("its access control list or a security module refuses it: getfacl %1")
        .arg(access.device);
}

QString line(const Finding &finding)
{
    return finding.ok ? QStringLiteral("ok: ") + finding.what
                      : QStringLiteral("PROBLEM: %1 -> fix: %2").arg(finding.what, finding.fix);
}

} // namespace FolderCheck
