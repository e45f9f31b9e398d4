#pragma once

#include "hostoptions.h"

#include <QObject>

#include <memory>

class Browser;
class Clock;
class RoamSettings;
class RoamlogWindow;
class frmSplash;

/**
 * The start-up of Roamlog: the start window first (it reads the language of the host's
 * captions), then the main window, loaded hidden, which starts the browser. The start window's
 * OK shows the main window; without a start window (--headless, --no-splash) it shows at once.
 */
class Iexplore final : public QObject
{
    Q_OBJECT

public:
    /// @p browser is the browser the main window drives; @p clock gives every recorded time.
    Iexplore(const HostOptions &options,
             std::unique_ptr<Browser> browser,
             Clock &clock,
             QObject *parent = nullptr);
    ~Iexplore() override;

    /// Loads the start window and the main window; returns when both exist.
    void Main();
    /// Closes whatever is open, ending the session as the main window's close does, without
    /// the close question, and quits the browser: the program is to end.
    void closeAll();

    /// 0 English, 500 Hebrew: the offset of every host caption, read by the start window.
    qint16 LangOffset() const { return m_langOffset; }
    RoamSettings &settings() const { return *m_settings; }
    Browser &browser() const { return *m_browser; }
    frmSplash *splash() const { return m_splash.get(); }
    RoamlogWindow *mainWindow() const { return m_window.get(); }

signals:
    /// The main window has closed and the browser has ended: the program is to end. A browser
    /// the user keeps running when the window closes keeps the program until it ends.
    void finished();

private:
    void Command2_Click();

    HostOptions m_options;
    std::unique_ptr<RoamSettings> m_settings;
    std::unique_ptr<Browser> m_browser;
    Clock &m_clock;
    std::unique_ptr<frmSplash> m_splash;
    std::unique_ptr<RoamlogWindow> m_window;
    qint16 m_langOffset = 0;
};
