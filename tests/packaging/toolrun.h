#pragma once

#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

/// The outcome of running a program to the end, for tests that drive command-line tools.
struct ToolRun final
{
    /// Runs `program` with `arguments` and waits up to `timeoutMs`; a program that cannot
    /// start, crashes or times out leaves `exitCode` at -1 and says why in `error`.
    static ToolRun run(
        const QString &program,
        const QStringList &arguments,
        int timeoutMs = 120000,
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

    /// The full path of `name` on the PATH, or an empty string when it is not installed.
    static QString find(const QString &name) { return QStandardPaths::findExecutable(name); }

    int exitCode = -1;
    QString out;
    QString err;
    QString error;
};
