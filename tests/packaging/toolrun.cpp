#include "toolrun.h"

#include <QProcess>

using namespace Qt::StringLiterals;

ToolRun ToolRun::run(const QString &program,
                     const QStringList &arguments,
                     int timeoutMs,
                     const QProcessEnvironment &environment)
{
    ToolRun result;
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        result.error = program + u" did not start: "_s + process.errorString();
        return result;
    }
    const bool finished = process.waitForFinished(timeoutMs);
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    if (!finished) {
        process.kill();
        process.waitForFinished();
        result.error = program + u" did not finish in time"_s;
    } else if (process.exitStatus() != QProcess::NormalExit) {
        result.error = program + u" crashed"_s;
    } else {
        result.exitCode = process.exitCode();
    }
    return result;
}
