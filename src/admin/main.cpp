// gatectl: the administrator's command line for station folders.
#include "access_import.h"
#include "common/file_privacy.h"
#include "maintenance.h"
#include "service/command_line.h"
#include "station_folder.h"

#include <QCoreApplication>
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
    "  gatectl --help\n";

int fail(const QString &text)
{
    QTextStream(stderr) << "gatectl: " << text << "\n";
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    keepNewFilesPrivate();
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    QTextStream out(stdout);
    if (args.isEmpty() || args.contains(QStringLiteral("--help")) ||
        args.contains(QStringLiteral("-h"))) {
        out << Usage << Maintenance::help();
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
        if (!StationFolder::init(args[0], &created, &error))
            return fail(error);
        for (const QString &file : created)
            out << "created " << file << "\n";
        return 0;
    }
    if (command == QLatin1String("import-access") && args.size() == 3) {
        QStringList report;
        if (!AccessImport::run(AccessImport::mdbTools(), args[0], args[1], args[2], &report,
                               &error))
            return fail(error);
        for (const QString &line : report)
            out << "imported " << line << "\n";
        return 0;
    }
    if (const auto exitCode = Maintenance::run(command, args))
        return *exitCode;
    fail(QStringLiteral("unknown command or wrong number of arguments\n") + Usage);
    return CommandLine::Usage;
}
