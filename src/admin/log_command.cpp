#include "log_command.h"

#include "gatectl_messages.h"
#include "log_options.h"
#include "logview/log_export.h"
#include "logview/log_list_model.h"
#include "settings/settings_file.h"
#include "settings/station_folder.h"

#include <QCommandLineParser>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>

namespace LogCommand {

namespace {

const QString Connection = QStringLiteral("gatectl-log");

int usageError(const QString &text)
{
    return Gatectl::usageError(QStringLiteral("log: ") + text);
}

int failed(const QString &text)
{
    return Gatectl::failed(QStringLiteral("log: ") + text);
}

struct Request {
    QString folder;
    LogOptions options;
};

// None, with the reason, for arguments that do not make a request.
std::optional<Request> parse(const QStringList &arguments, QString &why)
{
    QCommandLineParser parser;
    LogOptions::addTo(parser);
    if (!parser.parse(QStringList{QStringLiteral("log")} + arguments)) {
        why = parser.errorText();
        return std::nullopt;
    }
    if (parser.positionalArguments().size() != 1) {
        why = QStringLiteral("takes a station folder, --from DATE and --to DATE");
        return std::nullopt;
    }
    const auto options = LogOptions::read(parser, why);
    if (!options)
        return std::nullopt;
    return Request{parser.positionalArguments().first(), *options};
}

int write(const Request &r, const QSqlDatabase &gateDb, QIODevice &out)
{
    if (!gateDb.isOpen())
        return failed(QStringLiteral("the gate database cannot be opened: %1")
                          .arg(gateDb.lastError().text()));
    const LogOptions &o = r.options;
    LogListing listing;
    QString error;
    qint64 written = 0;
    if (!listing.open(gateDb, o.selection(), o.result, &error) ||
        !LogExport::write(gateDb, listing, LogListModel::PageRows,
                          o.csv ? LogExport::Format::Csv : LogExport::Format::Text, out, written,
                          &error))
        return failed(error);
    return 0;
}

} // namespace

QString help()
{
    return QStringLiteral(
        "  gatectl log FOLDER --from DATE --to DATE [--result WORD] [--customer ID] [--csv]\n"
        "      Writes the gate log rows of FOLDER's gate database dated DATE to DATE\n"
        "      (YYYY-MM-DD, both days whole), oldest first, as the station's log view\n"
        "      lists them: its text table, or with --csv a CSV file (UTF-8, a header\n"
        "      row). --result takes an entry of the station's \"Filter By\" list\n"
        "      (\"Allowed Access\", \"Expired Date\", ...) or a result word (\"Manual\n"
        "      Open\", \"Pad Locked\", ...); --customer one customer's ID.\n");
}

int run(const QStringList &arguments, QIODevice &out)
{
    QString why;
    const auto request = parse(arguments, why);
    if (!request)
        return usageError(why);
    StationSettings settings;
    if (!StationFolder(request->folder).loadSettings(settings, &why))
        return failed(QStringLiteral("settings: ") + why);
    int exitCode = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Connection);
        db.setDatabaseName(settings.GateDbPath);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
        db.open();
        exitCode = write(*request, db, out);
    }
    QSqlDatabase::removeDatabase(Connection);
    return exitCode;
}

} // namespace LogCommand
