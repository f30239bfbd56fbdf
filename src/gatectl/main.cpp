// gatectl: the administrator's command line for station folders.
#include "admin/access_import.h"
#include "admin/folder_setup.h"
#include "admin/gatectl_messages.h"
#include "admin/log_command.h"
#include "admin/maintenance.h"
#include "common/clock.h"
#include "common/cpu_priority.h"
#include "common/file_privacy.h"
#include "fleet_commands.h"
#include "service/command_line.h"
#include "sync/customer_sync.h"
#include "sync/sync_watch.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {

const char *const Usage =
    "Usage:\n"
    "  gatectl init FOLDER\n"
    "      Creates a station folder: gatesystem.dat with the default settings\n"
    "      (code length 4; keypad 1 on port 1, relay on 2, keypad 2 on 3) and\n"
    "      empty Data.gsd and Gate.gsd. Existing files are never overwritten.\n"
    "  gatectl import-access DATA.mdb GATE.mdb FOLDER\n"
    "      Copies units and master codes from DATA.mdb and the gate log and time\n"
    "      zones from GATE.mdb into FOLDER's databases (made when missing; their\n"
    "      tables must be empty). Needs mdbtools. Run 'gatectl init FOLDER' first\n"
    "      for a folder the station can start on.\n"
    "  gatectl sync [OPTIONS] DATA.mdb FOLDER\n"
    "  gatectl sync [OPTIONS] UNITS.csv MASTERS.csv FOLDER\n"
    "      Makes the units and master codes of FOLDER's customer database exactly\n"
    "      what the Access file (or the two CSV files) holds, while the station\n"
    "      runs; time zones and the gate log are left alone. Every row is checked\n"
    "      first: a source with a bad row is refused whole. Prints what changed.\n"
    "      --dry-run        print what would change, write nothing\n"
    "      --skip-bad       write the good rows, list the bad ones\n"
    "      --allow-shrink   let a table lose more than half of its codes\n"
    "      --watch SECONDS  keep running: sync each time the source has changed\n"
    "                       and then stayed the same for 2 s; a missing or bad\n"
    "                       source keeps the last good data, tried every SECONDS\n"
    "  gatectl --help\n";

using Gatectl::failed;

void print(QTextStream &stream, const CustomerSync::Report &report)
{
    stream << report.summary << "\n";
    for (const QString &line : report.details)
        stream << "  " << line << "\n";
}

int sync(const QStringList &args)
{
    CustomerSync::Options options;
    int watchSeconds = 0;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        bool ok = true;
        if (arg == QLatin1String("--dry-run"))
            options.dryRun = true;
        else if (arg == QLatin1String("--skip-bad"))
            options.skipBad = true;
        else if (arg == QLatin1String("--allow-shrink"))
            options.allowShrink = true;
        else if (arg == QLatin1String("--watch"))
            ok = (watchSeconds = args.value(++i).toInt()) > 0;
        else if (arg.startsWith(QLatin1String("--")))
            ok = false;
        else
            files << arg;
        if (!ok) {
            failed(QStringLiteral("sync: %1 is not an option (--watch takes seconds)\n%2")
                       .arg(arg, QLatin1String(Usage)));
            return CommandLine::Usage;
        }
    }
    if (files.size() != 2 && files.size() != 3) {
        failed(QStringLiteral("sync takes an Access file or two CSV files, and a folder\n") +
               QLatin1String(Usage));
        return CommandLine::Usage;
    }
    const QString folder = files.takeLast();
    const SyncSource source =
        files.size() == 1 ? SyncSource::access(files[0]) : SyncSource::csv(files[0], files[1]);
    const auto once = [=] {
        return CustomerSync::run(source, folder, options, mdbTools(), Clock::now().date());
    };
    if (watchSeconds > 0) {
        SyncWatch watch(source.files(), watchSeconds, once);
        watch.start();
        return QCoreApplication::exec();
    }
    const CustomerSync::Report report = once();
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (report.outcome == CustomerSync::Report::Outcome::Refused) {
        err << "gatectl: sync ";
        print(err, report);
        return 1;
    }
    print(out, report);
    return 0;
}

// The lines of `help` about one command: each "  gatectl COMMAND" line and the
// lines indented under it; empty for no such command.
QString commandHelp(const QString &help, const QString &command)
{
    const QString head = QStringLiteral("  gatectl ") + command;
    QString text;
    bool inside = false;
    for (const QString &line : help.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("  gatectl ")))
            inside = line == head || line.startsWith(head + QLatin1Char(' '));
        else if (!line.startsWith(QLatin1String("      ")))
            inside = false;
        if (inside)
            text += line + QLatin1Char('\n');
    }
    return text;
}

} // namespace

int main(int argc, char *argv[])
{
    keepNewFilesPrivate();
    runBelowTheGate();
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    const QString help =
        QLatin1String(Usage) + LogCommand::help() + FleetCommands::help() + Maintenance::help();
    if (args.isEmpty() || args.contains(QStringLiteral("--help")) ||
        args.contains(QStringLiteral("-h"))) {
        const QString one = commandHelp(help, args.value(0));
        out << (one.isEmpty()
                    ? help
                    : QStringLiteral("Usage:\n") + one +
                          CommandLine::exitCodeHelp({CommandLine::Failed, CommandLine::Usage}));
        return args.isEmpty() ? 2 : 0;
    }
    if (args.contains(QStringLiteral("--version"))) {
        out << CommandLine::versionLine(QStringLiteral("gatectl"));
        return 0;
    }
    const QString command = args.takeFirst();
    QString error;
    if (command == QLatin1String("init") && args.size() == 1) {
        QStringList created;
        if (!FolderSetup::init(args[0], &created, &error))
            return failed(error);
        for (const QString &file : created)
            out << "created " << file << "\n";
        return 0;
    }
    if (command == QLatin1String("import-access") && args.size() == 3) {
        QStringList report;
        QStringList warnings;
        if (!AccessImport::run(mdbTools(), args[0], args[1], args[2], &report, &warnings, &error))
            return failed(error);
        for (const QString &line : report)
            out << "imported " << line << "\n";
        for (const QString &line : warnings)
            out << "warning: " << line << "\n";
        return 0;
    }
    if (command == QLatin1String("sync"))
        return sync(args);
    if (command == QLatin1String("fleet"))
        return FleetCommands::run(args);
    if (command == QLatin1String("log")) {
        QFile stdOut;
        stdOut.open(stdout, QIODevice::WriteOnly);
        return LogCommand::run(args, stdOut);
    }
    if (const auto exitCode = Maintenance::run(command, args))
        return *exitCode;
    failed(QStringLiteral("unknown command or wrong number of arguments\n") + Usage);
    return CommandLine::Usage;
}
