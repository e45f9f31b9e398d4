#include "browserbridge.h"
#include "frmsplash.h"
#include "hostwindowfixture.h"
#include "iexplore.h"

#include "control/navigationrecorder.h"
#include "control/roampane1.h"
#include "resources/roamstrings.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

using RoamlogWindowTest = HostWindowFixture;

TEST(PlaceWindow, ProportionsOfTheAvailableScreen)
{
    EXPECT_EQ(RoamlogWindow::placement(QRect(0, 0, 15360, 11520)), QRect(10063, 2304, 4800, 8229));
    EXPECT_EQ(RoamlogWindow::placement(QRect(0, 0, 1024, 768)), QRect(671, 154, 320, 549));
    // Half-way values round to even: 1600 / 3.2 = 500, 1000 / 5 = 200, 28 / 1.4 = 20.
    EXPECT_EQ(RoamlogWindow::placement(QRect(100, 30, 1600, 1000)),
              QRect(100 + 1048, 30 + 200, 500, 714));
}

TEST_F(RoamlogWindowTest, LoadStartsTheBrowserHiddenFirstActivationPlacesItAndThePanelCrosses)
{
    auto window = makeWindow();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(m_browser.m_calls, (QStringList {u"start"_s, u"GoHome"_s}));
    EXPECT_EQ(m_browser.options.profileDir, m_options.profileDir);
    EXPECT_EQ(m_browser.options.homeUrl, m_options.homeUrl);
    EXPECT_TRUE(QFile::exists(m_dir.filePath(u"setup/Data"_s)));

    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->FirstActivate(); }, kWaitMs));
    EXPECT_TRUE(m_browser.m_visible);
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    const QRect expected = RoamlogWindow::placement(window->screen()->availableGeometry());
    EXPECT_EQ(window->frameGeometry().topLeft(), expected.topLeft());

    // Later activations leave the window where the user put it.
    window->move(10, 10);
    window->activateWindow();
    QTest::qWait(20);
    EXPECT_EQ(m_browser.m_calls.count(u"Visible 1"_s), 1);

    window->resize(300, 500);
    QTest::qWait(20);
    RoamPane1 *panel = window->RoamPane2();
    EXPECT_EQ(panel->size(), window->centralWidget()->size());
    EXPECT_GE(panel->width(), 290);

    // The panel's on-top events.
    emit panel->OnTop();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
    emit panel->NotOnTop();
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());

    // Browser events and panel requests cross through the panel.
    m_browser.browse(u"http://site.test/a/page.html"_s, u"A page"_s);
    EXPECT_EQ(panel->Recorder().CurrentUrl(), u"site.test/a/page.html"_s);
    EXPECT_EQ(panel->Recorder().CurrentTitle(), u"A page"_s);
    panel->SetSelectedUrl(u"site.test/a"_s);
    emit panel->NavTo();
    EXPECT_EQ(m_browser.m_calls.last(), u"Navigate http://site.test/a"_s);
}

TEST_F(RoamlogWindowTest, CloseEndsTheSessionAndAppliesTheQuitOption)
{
    // Rows: the quit option, the language, the answer to the question (asked only for 2).
    const struct
    {
        qint16 quit;
        qint16 lang;
        QMessageBox::StandardButton answer;
        bool quits;
    } rows[] = {
        {2, 0, QMessageBox::No, false},
        {2, 500, QMessageBox::Yes, true},
        {1, 0, QMessageBox::NoButton, true},
        {0, 0, QMessageBox::NoButton, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.quit);
        m_settings.setQuit(row.quit);
        m_browser.m_calls.clear();
        m_browser.m_running = true;
        QFile::remove(sessionsFile());
        auto window = makeWindow(row.lang, true);
        QSignalSpy closed(window.get(), &RoamlogWindow::closed);
        window->show();
        QString asked;
        if (row.answer != QMessageBox::NoButton) {
            QTimer::singleShot(0, [&] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                ASSERT_NE(box, nullptr);
                asked = box->text();
                QTest::mouseClick(box->button(row.answer), Qt::LeftButton);
            });
        }
        window->close();
        if (row.answer == QMessageBox::NoButton)
            window->close(); // closes nothing more
        // Hebrew asks in Hebrew.
        EXPECT_EQ(asked, row.quit == 2 ? RoamStrings::text(18 + row.lang).value() : QString());
        EXPECT_EQ(m_browser.m_calls.count(u"Quit"_s), row.quits ? 1 : 0);
        EXPECT_EQ(closed.count(), 1);
        EXPECT_TRUE(QFile::exists(sessionsFile()));
    }
}

TEST_F(RoamlogWindowTest, BrowserClosedByTheUserClosesTheWindowOnce)
{
    m_settings.setQuit(2);
    auto window = makeWindow();
    QSignalSpy closed(window.get(), &RoamlogWindow::closed);
    window->show();
    window->setQuitQuestion([] {
        ADD_FAILURE() << "asked after the browser quit";
        return true;
    });
    m_browser.browse(u"http://site.test/x.html"_s);
    emit m_browser.OnQuit();
    emit m_browser.OnQuit();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(m_browser.m_calls.contains(u"Quit"_s));
    QFile sessions(sessionsFile());
    ASSERT_TRUE(sessions.open(QIODevice::ReadOnly));
    EXPECT_TRUE(sessions.readAll().contains("#2024-03-05 10:00:00#"));
}

TEST_F(RoamlogWindowTest, MissingOrCrashedBrowserIsReportedAndTheHistoryStays)
{
    m_options.headless = true;
    m_options.browser = m_dir.filePath(u"no-such-browser"_s);
    // Rows: what the browser layer says, and whether the window tells how to install one.
    for (const auto &[failure, install] :
         {std::pair {u"The browser was not found."_s, true},
          std::pair {u"The browser ended unexpectedly (it crashed)."_s, false}}) {
        SCOPED_TRACE(failure.toStdString());
        FakeBrowser browser;
        RoamlogWindow window(m_options, m_settings, browser, 0, m_clock);
        window.show();
        if (!install)
            emit browser.started();
        emit browser.failed(failure);
        if (!install)
            emit browser.OnQuit();
        EXPECT_TRUE(window.isVisible());
        EXPECT_EQ(window.problemText().contains(u"apt-get install chromium"_s), install)
            << window.problemText().toStdString();
        EXPECT_TRUE(install
                    || window.problemText().startsWith(u"The browser ended unexpectedly"_s));
        EXPECT_EQ(window.RoamPane2()->StatusText(), window.problemText());
        // Nor is the browser asked for anything any more.
        window.RoamPane2()->SetSelectedUrl(u"site.test/a"_s);
        emit window.RoamPane2()->NavTo();
        EXPECT_TRUE(browser.m_calls.filter(u"Navigate"_s).isEmpty());
    }
}

TEST_F(RoamlogWindowTest, StartWindowReadsTheLanguageAndLeavesSetupPathAlone)
{
    for (const auto &[lang, setupPath] :
         {std::pair {qint16(500), QString()}, std::pair {qint16(0), u"/srv/roamlog"_s}}) {
        if (!setupPath.isEmpty())
            m_settings.setSetupPath(setupPath);
        m_settings.setLang(lang);
        frmSplash splash;
        splash.Form_Load(m_settings);
        EXPECT_EQ(splash.LangOffset(), lang);
        EXPECT_EQ(m_settings.setupPath(), setupPath);
        EXPECT_EQ(m_settings.store().contains(u"Setup/Path"_s), !setupPath.isEmpty());
    }
}

TEST_F(RoamlogWindowTest, MainShowsTheStartWindowAndEndsWhenTheBrowserDoes)
{
    m_options.settingsFile = m_dir.filePath(u"settings.ini"_s);
    // Rows: the quit option (0 keeps the browser; 2 asks, and the user keeps it; -1 as it is),
    // the start window.
    for (const auto &[quitMode, splash] : {std::pair {-1, true}, {0, false}, {2, false}}) {
        SCOPED_TRACE(quitMode);
        QFile::remove(sessionsFile());
        m_options.noSplash = !splash;
        auto browser = std::make_unique<FakeBrowser>();
        FakeBrowser *fake = browser.get();
        Iexplore program(m_options, std::move(browser), m_clock);
        if (quitMode >= 0)
            program.settings().setQuit(qint16(quitMode));
        QSignalSpy finished(&program, &Iexplore::finished);
        program.Main();
        ASSERT_NE(program.mainWindow(), nullptr);
        EXPECT_EQ(fake->m_calls, (QStringList {u"start"_s, u"GoHome"_s}));
        program.mainWindow()->setQuitQuestion([] { return false; });
        if (splash) {
            EXPECT_TRUE(program.splash()->isVisible());
            EXPECT_FALSE(program.mainWindow()->isVisible());
            EXPECT_TRUE(program.splash()->Command2()->isVisible());
            QTest::mouseClick(program.splash()->Command2(), Qt::LeftButton);
            EXPECT_TRUE(program.mainWindow()->isVisible());
            EXPECT_FALSE(program.splash()->isVisible());
            // Ended from outside, the program takes its browser with it, closed properly.
            program.closeAll();
            EXPECT_EQ(finished.count(), 1);
            EXPECT_TRUE(QFile::exists(sessionsFile()));
            EXPECT_EQ(fake->m_calls.count(u"Quit"_s), 1);
            continue;
        }
        // A browser the user keeps keeps the program until it closes.
        program.mainWindow()->close();
        EXPECT_FALSE(program.mainWindow()->isVisible());
        EXPECT_TRUE(QFile::exists(sessionsFile()));
        EXPECT_EQ(finished.count(), 0);
        EXPECT_FALSE(fake->m_calls.contains(u"Quit"_s));
        fake->m_running = false;
        emit fake->OnQuit();
        EXPECT_EQ(finished.count(), 1);
    }
}

TEST(HostOptions, SettingsFromTheEnvironmentAndUnknownOptions)
{
    // The options Roamlog is run with are parsed by the end-to-end tests.
    QString error;
    qputenv(HostOptions::SettingsVariable, "/tmp/env.ini");
    const HostOptions defaults = HostOptions::parse({u"Roamlog"_s}, &error);
    qunsetenv(HostOptions::SettingsVariable);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ(defaults.settingsFile, u"/tmp/env.ini"_s);
    EXPECT_EQ(defaults.profileDir, HostOptions::defaultProfileDir());
    EXPECT_TRUE(defaults.browser.isEmpty());
    EXPECT_FALSE(defaults.noSplash);

    HostOptions::parse({u"Roamlog"_s, u"--no-such-option"_s}, &error);
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
