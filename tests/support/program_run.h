#pragma once

#include <QProcess>
#include <QStringList>

// A program run to its end, and what it said.
struct ProgramRun {
    int exitCode = -1; // -1 also when it crashed or did not end
    QString out;
    QString err;

    QString said() const { return out + err; }
};

inline ProgramRun
runProgram(const QString &program, const QStringList &arguments,
           const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    const bool ended =
        process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}
