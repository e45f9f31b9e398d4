#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

/// The outcome of running a program to the end, for tests that drive command-line tools.
struct ToolRun final
{
    /// Runs @p program with @p arguments, waiting up to @p timeoutMs; a program that cannot
    /// start, crashes or times out leaves exitCode at -1 and says why in error.
    static ToolRun run(
        const QString &program,
        const QStringList &arguments,
        int timeoutMs = 120000,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
    {
        ToolRun result;
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(program, arguments);
        if (process.waitForFinished(timeoutMs) && process.exitStatus() == QProcess::NormalExit) {
            result.exitCode = process.exitCode();
        } else {
            result.error = program + QStringLiteral(": ") + process.errorString();
            process.kill();
            process.waitForFinished();
        }
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    int exitCode = -1;
    QString out;
    QString err;
    QString error;
};
