#include "chromiumbrowser.h"
#include "iexplore.h"
#include "terminationwatcher.h"

#include "model/clock.h"
#include "resources/captionloader.h"
#include "resources/roamicons.h"
#include "resources/roamversion.h"

#include <QApplication>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

void setNames()
{
    QCoreApplication::setOrganizationName(QStringLiteral("Roamlog"));
    QCoreApplication::setApplicationName(QStringLiteral("Roamlog"));
    QCoreApplication::setApplicationVersion(Roamlog::versionText());
}

} // namespace

int main(int argc, char **argv)
{
    Clock::pinLocalTimeZone();

    // Help, the version and a bad command line are answered without a window system.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    QString error;
    const HostOptions parsed = HostOptions::parse(arguments, &error);
    const bool answerOnly = !error.isEmpty()
                            || std::any_of(
                                arguments.cbegin() + 1, arguments.cend(), [](const QString &a) {
                                    return a == "-h"_L1 || a == "--help"_L1 || a == "--help-all"_L1
                                           || a == "-v"_L1 || a == "--version"_L1 || a == "-?"_L1;
                                });
    if (answerOnly) {
        QCoreApplication app(argc, argv);
        setNames();
        HostOptions::fromArguments(arguments);
        return 0;
    }

    // Without a display a headless run needs no window system.
    if (parsed.headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
        && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    setNames();
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.roamlog.Roamlog"));
    QGuiApplication::setWindowIcon(RoamIcons::appIcon());
    CaptionLoader::installFontSubstitutions();
    // Message boxes and menus take the same face as the loaded windows.
    QApplication::setFont(CaptionLoader::uiFont());

    // Parsed again now that the per-user locations know the program's name.
    const HostOptions options = HostOptions::parse(arguments, &error);
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
