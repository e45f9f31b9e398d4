#include "historycommand.h"
#include "roamsettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char *argv[])
{
    // Without TZ, glibc checks /etc/localtime again on every local-time conversion, and a
    // load converts several times per visit; naming the same zone once keeps it to one read.
    if (!qEnvironmentVariableIsSet("TZ") && QFile::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");

    QCoreApplication app(argc, argv);
    // The settings and the per-user data location are those of the Roamlog program.
    QCoreApplication::setOrganizationName(QStringLiteral("Roamlog"));
    QCoreApplication::setApplicationName(QStringLiteral("Roamlog"));

    const RoamSettings settings;
    QTextStream out(stdout);
    QTextStream err(stderr);
    HistoryCommand command(settings, out, err);
    command.setProgressShown(isatty(STDERR_FILENO) == 1);
    return command.run(QCoreApplication::arguments());
}
