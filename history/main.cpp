#include "historycommand.h"
#include "roamsettings.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // The settings and the per-user data location are those of the Roamlog program.
    QCoreApplication::setOrganizationName(QStringLiteral("Roamlog"));
    QCoreApplication::setApplicationName(QStringLiteral("Roamlog"));

    const RoamSettings settings;
    QTextStream out(stdout);
    QTextStream err(stderr);
    HistoryCommand command(settings, out, err);
    return command.run(QCoreApplication::arguments());
}
