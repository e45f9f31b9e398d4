#include "iexplore.h"

#include "browser.h"
#include "frmsplash.h"
#include "roamlogwindow.h"

#include "model/roamsettings.h"
#include "resources/roamstrings.h"
#include "views/waitcursor.h"

#include <QGuiApplication>

Iexplore::Iexplore(const HostOptions &options,
                   std::unique_ptr<Browser> browser,
                   Clock &clock,
                   QObject *parent)
    : QObject(parent)
    , m_options(options)
    , m_settings(options.settingsFile.isEmpty()
                     ? std::make_unique<RoamSettings>()
                     : std::make_unique<RoamSettings>(options.settingsFile))
    , m_browser(std::move(browser))
    , m_clock(clock)
{ }

Iexplore::~Iexplore()
{
    // The window's bridge listens to the browser: the window goes first.
    m_window.reset();
    m_splash.reset();
}

void Iexplore::Main()
{
    m_splash = std::make_unique<frmSplash>();
    m_splash->Form_Load(*m_settings);
    m_langOffset = m_splash->LangOffset();
    // Every window follows the language, message boxes and menus included.
    QGuiApplication::setLayoutDirection(
        m_langOffset == RoamStrings::HebrewOffset ? Qt::RightToLeft : Qt::LeftToRight);
    const bool withSplash = !m_options.headless && !m_options.noSplash;
    if (withSplash)
        m_splash->show();
    {
        WaitCursor wait;
        if (withSplash)
            m_splash->repaint();
        m_window = std::make_unique<RoamlogWindow>(
            m_options, *m_settings, *m_browser, m_langOffset, m_clock);
        m_window->hide();
        connect(m_window.get(), &RoamlogWindow::closed, this, [this] {
            if (m_splash)
                m_splash->close();
            // The browser lives only as long as this program (its DevTools pipe closes with
            // it): one the user keeps keeps the program, without a window, until it closes.
            if (m_browser->isRunning())
                connect(m_browser.get(), &Browser::OnQuit, this, &Iexplore::finished);
            else
                emit finished();
        });
        connect(m_splash.get(), &frmSplash::Command2_Click, this, &Iexplore::Command2_Click);
        connect(
            m_splash.get(), &frmSplash::Command4_Click, m_window.get(), &RoamlogWindow::GetHelp);
        m_splash->showButtons();
    }
    if (!withSplash)
        Command2_Click();
}

void Iexplore::Command2_Click()
{
    m_window->show();
    m_splash->close();
}

void Iexplore::closeAll()
{
    if (m_window) {
        // Ended from outside (a logout), nobody is there to answer; a headless browser nobody
        // sees is quit as the main window's close would.
        if (!m_options.headless)
            m_window->setQuitQuestion([] { return false; });
        m_window->close();
    }
    if (m_splash)
        m_splash->close();
    // The program is to end, and its browser cannot outlive it: it is closed properly first.
    if (m_browser->isRunning())
        m_browser->Quit();
}
