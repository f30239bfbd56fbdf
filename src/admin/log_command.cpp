#include "log_command.h"

#include "gatectl_messages.h"
#include "logview/log_export.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "service/command_line.h"
#include "settings/settings_file.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

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
    QDate from;
    QDate to;
    QString filter = Filters::All;
    std::optional<qint32> customer;
    bool csv = false;
};

// None, with the reason, for arguments that do not make a request.
std::optional<Request> parse(const QStringList &arguments, QString &why)
{
    Request r;
    QStringList positional;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        const bool takesValue = arg == QLatin1String("--from") || arg == QLatin1String("--to") ||
                                arg == QLatin1String("--result") ||
                                arg == QLatin1String("--customer");
        if (takesValue && i + 1 == arguments.size()) {
            why = QStringLiteral("%1 needs a value").arg(arg);
            return std::nullopt;
        }
        const QString value = takesValue ? arguments[++i] : QString();
        if (arg == QLatin1String("--from") || arg == QLatin1String("--to")) {
            const QDate date = QDate::fromString(value, Qt::ISODate);
            if (!date.isValid()) {
                why = QStringLiteral("%1 \"%2\" is no date YYYY-MM-DD").arg(arg, value);
                return std::nullopt;
            }
            (arg == QLatin1String("--from") ? r.from : r.to) = date;
        } else if (arg == QLatin1String("--result")) {
            if (!isFilter(value)) {
                why = QStringLiteral("--result ") + notAFilter(value);
                return std::nullopt;
            }
            r.filter = value;
        } else if (arg == QLatin1String("--customer")) {
            if (!(r.customer = customerId(value))) {
                why = QStringLiteral("--customer \"%1\" is no customer ID").arg(value);
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--csv")) {
            r.csv = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            why = QStringLiteral("%1 is not an option").arg(arg);
            return std::nullopt;
        } else {
            positional << arg;
        }
    }
    if (positional.size() != 1 || !r.from.isValid() || !r.to.isValid()) {
        why = QStringLiteral("takes a station folder, --from DATE and --to DATE");
        return std::nullopt;
    }
    r.folder = positional.first();
    return r;
}

int write(const Request &r, const QSqlDatabase &gateDb, QIODevice &out)
{
    if (!gateDb.isOpen())
        return failed(QStringLiteral("the gate database cannot be opened: %1")
                          .arg(gateDb.lastError().text()));
    const LogSelection selection = r.customer
                                       ? LogSelection::customerDateRange(*r.customer, r.from, r.to)
                                       : LogSelection::dateRange(r.from, r.to);
    LogListing listing;
    QString error;
    qint64 written = 0;
    if (!listing.open(gateDb, selection, r.filter, &error) ||
        !LogExport::write(gateDb, listing, LogListModel::PageRows,
                          r.csv ? LogExport::Format::Csv : LogExport::Format::Text, out, written,
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
        "      Open\", \"Keypad Locked\", ...); --customer one customer's ID.\n");
}

int run(const QStringList &arguments, QIODevice &out)
{
    QString why;
    const auto request = parse(arguments, why);
    if (!request)
        return usageError(why);
    StationSettings settings;
    if (!SettingsFile::load(SettingsFile::fileName(request->folder), settings, &why))
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
