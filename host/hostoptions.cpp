#include "hostoptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

struct Parser
{
    QCommandLineParser parser;
    QCommandLineOption browser {
        u"browser"_s, u"The browser to start (default: chromium on PATH)."_s, u"PATH"_s};
    QCommandLineOption profile {u"profile"_s,
                                u"The browser's profile folder (default: %1)."_s.arg(
                                    QDir::toNativeSeparators(HostOptions::defaultProfileDir())),
                                u"DIR"_s};
    QCommandLineOption home {
        u"home"_s, u"The page the browser opens at start (default: its start page)."_s, u"URL"_s};
    QCommandLineOption headless {u"headless"_s,
                                 u"Run the browser without windows (tests, machines without a "
                                 "display); messages go to the standard error."_s};
    QCommandLineOption noSplash {u"no-splash"_s,
                                 u"Show the main window at once, without the start window."_s};
    QCommandLineOption dataDir {u"data-dir"_s,
                                u"The folder holding the \"Data\" folder, for this run only "
                                "(instead of the setting Setup/Path)."_s,
                                u"DIR"_s};
    QCommandLineOption settings {u"settings"_s,
                                 u"The settings file to use instead of the user's settings "
                                 "(default: the file named by ROAMLOG_SETTINGS, if set)."_s,
                                 u"FILE"_s};

    Parser()
    {
        parser.setApplicationDescription(
            u"Records the pages you visit in Chromium into a folder of small text files."_s);
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({browser, profile, home, headless, noSplash, dataDir, settings});
    }

    HostOptions options() const
    {
        HostOptions result;
        result.browser = parser.value(browser);
        if (parser.isSet(profile))
            result.profileDir = QDir(parser.value(profile)).absolutePath();
        result.homeUrl = parser.value(home);
        result.headless = parser.isSet(headless);
        result.noSplash = parser.isSet(noSplash);
        if (parser.isSet(dataDir))
            result.dataDir = QDir(parser.value(dataDir)).absolutePath();
        result.settingsFile = parser.isSet(settings)
                                  ? parser.value(settings)
                                  : qEnvironmentVariable(HostOptions::SettingsVariable);
        return result;
    }
};

} // namespace

HostOptions HostOptions::fromArguments(const QStringList &arguments)
{
    Parser parser;
    // Prints help, version or the error and ends the program.
    parser.parser.process(arguments);
    return parser.options();
}

HostOptions HostOptions::parse(const QStringList &arguments, QString *error)
{
    Parser parser;
    if (!parser.parser.parse(arguments)) {
        if (error)
            *error = parser.parser.errorText();
        return {};
    }
    if (error)
        error->clear();
    return parser.options();
}

QString HostOptions::defaultProfileDir()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return QDir(base.isEmpty() ? QDir::homePath() : base).filePath(u"browser-profile"_s);
}
