#pragma once

#include <QCommandLineParser>
#include <QString>
#include <optional>

// What every program's command line shares, read before any application object
// exists, so --help and --version answer without a display.
namespace CommandLine {

// The exit codes the programs document in --help and the README.
inline constexpr int Failed = 1;         // the command did not do its work
inline constexpr int Usage = 2;          // an unknown option or a wrong argument
inline constexpr int FolderUnusable = 3; // the folder is missing or cannot hold the lock
inline constexpr int FolderInUse = 4;    // a station runs on the folder

// "gate-station 1.0.0": the program and the project's version.
QString versionLine(const QString &program);

// The lines of --help that list the exit codes, `codes` in order.
QString exitCodeHelp(std::initializer_list<int> codes);

// Adds --help and --version to `parser` and parses argv, which takes at most
// `positional` arguments. Returns the exit code when the program ends here:
// 0 after printing `help` or the version, Usage after a wrong option or
// argument (named on stderr); none when the program runs on.
std::optional<int> parse(QCommandLineParser &parser, int argc, char *argv[], const QString &program,
                         const QString &help, int positional = 0);

} // namespace CommandLine
