#include "clock.h"
#include "historycommand.h"
#include "roamsettings.h"

#include <QCoreApplication>
#include <QTextStream>

#include <unistd.h>

int main(int argc, char *argv[])
{
    Clock::pinLocalTimeZone();

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
