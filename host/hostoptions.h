#pragma once

#include <QString>
#include <QStringList>

/** What the command line and the environment tell the host. */
class HostOptions final
{
public:
    /// The browser program; empty means the "chromium" found on PATH.
    QString browser;
    /// The browser's profile folder.
    QString profileDir = defaultProfileDir();
    /// What the browser's home opens; empty means the browser's start page.
    QString homeUrl;
    /// The browser runs without windows; the host prints its messages instead of showing them.
    bool headless = false;
    /// Without the start window: the main window shows at once.
    bool noSplash = false;
    /// Replaces Setup/Path for this run: the folder that holds the site files.
    QString dataDir;
    /// The settings file to use instead of the user's settings; empty for the user's own.
    QString settingsFile;

    /// The options of @p arguments (the program name first). "--help" and "--version" print
    /// and end the program, as does an unknown option (with exit code 2).
    static HostOptions fromArguments(const QStringList &arguments);
    /// The options of @p arguments, or an error text in @p error for a bad command line.
    static HostOptions parse(const QStringList &arguments, QString *error);

    /// A folder in the per-user data location.
    static QString defaultProfileDir();
    /// The environment variable naming a settings file when --settings is not given.
    static constexpr char SettingsVariable[] = "ROAMLOG_SETTINGS";
};
