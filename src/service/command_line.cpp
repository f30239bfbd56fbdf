#include "command_line.h"

#include <QStringList>
#include <QTextStream>

namespace CommandLine {

QString versionLine(const QString &program)
{
    return QStringLiteral("%1 %2\n").arg(program, QStringLiteral(GATE_STATION_VERSION));
}

QString exitCodeHelp(std::initializer_list<int> codes)
{
    QString text = QStringLiteral("Exit codes:\n  0  success\n");
    for (const int code : codes) {
        switch (code) {
        case Failed:
            text += QStringLiteral("  1  the command failed (the reason is on stderr)\n");
            break;
        case Usage:
            text += QStringLiteral("  2  unknown option or wrong arguments\n");
            break;
        case FolderUnusable:
            text +=
                QStringLiteral("  3  the folder is missing or its station.lock cannot be made\n");
            break;
        case FolderInUse:
            text += QStringLiteral("  4  a station runs on the folder (its process id is named)\n");
            break;
        }
    }
    return text;
}

std::optional<int> parse(QCommandLineParser &parser, int argc, char *argv[], const QString &program,
                         const QString &help, int positional)
{
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption versionOption(QStringLiteral("version"));
    parser.addOption(helpOption);
    parser.addOption(versionOption);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    if (!parser.parse(arguments))
        error = parser.errorText();
    else if (parser.positionalArguments().size() > positional)
        error = QStringLiteral("unexpected argument '%1'")
                    .arg(parser.positionalArguments().value(positional));
    if (!error.isEmpty()) {
        QTextStream(stderr) << program << ": " << error << "\nTry '" << program << " --help'.\n";
        return Usage;
    }
    if (parser.isSet(helpOption)) {
        QTextStream(stdout) << help;
        return 0;
    }
    if (parser.isSet(versionOption)) {
        QTextStream(stdout) << versionLine(program);
        return 0;
    }
    return std::nullopt;
}

} // namespace CommandLine
