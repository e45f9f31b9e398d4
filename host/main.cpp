#include "chromiumbrowser.h"
#include "iexplore.h"
#include "terminationwatcher.h"

#include "control/captionloader.h"
#include "model/clock.h"
#include "resources/roamicons.h"
#include "resources/roamversion.h"

#include <QApplication>

#include <cstring>

int main(int argc, char **argv)
{
    // Without a display a headless run needs no window system.
    const bool headless = std::any_of(argv + 1, argv + argc, [](const char *argument) {
        return std::strcmp(argument, "--headless") == 0;
    });
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Roamlog"));
    QCoreApplication::setApplicationName(QStringLiteral("Roamlog"));
    QCoreApplication::setApplicationVersion(Roamlog::versionText());
    QGuiApplication::setDesktopFileName(QStringLiteral("roamlog"));
    QGuiApplication::setWindowIcon(RoamIcons::appIcon());
    CaptionLoader::installFontSubstitutions();

    const HostOptions options = HostOptions::fromArguments(QCoreApplication::arguments());
    Iexplore program(options, std::make_unique<ChromiumBrowser>(), Clock::system());
    QApplication::setQuitOnLastWindowClosed(false);
    QObject::connect(
        &program, &Iexplore::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    TerminationWatcher watcher;
    QObject::connect(
        &watcher, &TerminationWatcher::terminationRequested, &program, &Iexplore::closeAll);
    program.Main();
    return app.exec();
}
