#include "browserbridge.h"
#include "fakebrowser.h"
#include "frmsplash.h"
#include "hostoptions.h"
#include "iexplore.h"
#include "roamlogwindow.h"

#include "control/navigationrecorder.h"
#include "control/roampane1.h"
#include "model/clock.h"
#include "model/roamsettings.h"
#include "resources/roamstrings.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWaitMs = 5000;

class RoamlogWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_settings = std::make_unique<RoamSettings>(m_dir.filePath(u"settings.ini"_s));
        m_options.dataDir = m_dir.filePath(u"setup"_s);
        m_options.profileDir = m_dir.filePath(u"profile"_s);
        m_options.homeUrl = u"http://home.test/"_s;
    }

    void TearDown() override { QTest::qWait(0); }

    std::unique_ptr<RoamlogWindow> makeWindow(qint16 lang = 0)
    {
        return std::make_unique<RoamlogWindow>(m_options, *m_settings, m_browser, lang, m_clock);
    }

    QString sessionsFile() const { return m_dir.filePath(u"setup/Data/Ses.sms"_s); }

    // Answers the next modal message box with the button of role @p button.
    static void answerNextMessageBox(QMessageBox::StandardButton button, QString *text)
    {
        QTimer::singleShot(0, [button, text] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            *text = box->text();
            QTest::mouseClick(box->button(button), Qt::LeftButton);
        });
    }

    QTemporaryDir m_dir;
    std::unique_ptr<RoamSettings> m_settings;
    HostOptions m_options;
    FakeBrowser m_browser;
    ManualClock m_clock {QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
};

TEST(PlaceWindow, ProportionsOfTheAvailableScreen)
{
    EXPECT_EQ(RoamlogWindow::placement(QRect(0, 0, 15360, 11520)), QRect(10063, 2304, 4800, 8229));
    EXPECT_EQ(RoamlogWindow::placement(QRect(0, 0, 1024, 768)), QRect(671, 154, 320, 549));
    // Half-way values round to even: 1600 / 3.2 = 500, 1000 / 5 = 200, 28 / 1.4 = 20.
    EXPECT_EQ(RoamlogWindow::placement(QRect(100, 30, 1600, 1000)),
              QRect(100 + 1048, 30 + 200, 500, 714));
}

TEST_F(RoamlogWindowTest, LoadStartsTheBrowserHiddenAndFirstActivationPlacesIt)
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
    EXPECT_EQ(window->RoamPane2()->size(), window->centralWidget()->size());
    EXPECT_GE(window->RoamPane2()->width(), 290);

    // The panel's on-top events.
    emit window->RoamPane2()->OnTop();
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
    emit window->RoamPane2()->NotOnTop();
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(RoamlogWindowTest, StaysOnTopWhenTheOptionIsSet)
{
    m_settings->setOnTop(true);
    auto window = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->FirstActivate(); }, kWaitMs));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(RoamlogWindowTest, BrowserEventsAndPanelRequestsCrossThroughThePanel)
{
    auto window = makeWindow();
    RoamPane1 *panel = window->RoamPane2();
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
        m_settings->setQuit(row.quit);
        m_browser.m_calls.clear();
        m_browser.m_running = true;
        QFile::remove(sessionsFile());
        auto window = makeWindow(row.lang);
        QSignalSpy closed(window.get(), &RoamlogWindow::closed);
        window->show();
        QString asked;
        if (row.answer != QMessageBox::NoButton)
            answerNextMessageBox(row.answer, &asked);
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
    m_settings->setQuit(2);
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
    auto window = makeWindow();
    window->show();
    emit m_browser.failed(u"The browser was not found."_s);
    EXPECT_TRUE(window->problemText().contains(u"apt-get install chromium"_s))
        << window->problemText().toStdString();
    EXPECT_EQ(window->RoamPane2()->StatusText(), window->problemText());
    EXPECT_TRUE(window->isVisible());

    FakeBrowser browser;
    RoamlogWindow crashed(m_options, *m_settings, browser, 0, m_clock);
    crashed.show();
    emit browser.started();
    emit browser.failed(u"The browser ended unexpectedly (it crashed)."_s);
    emit browser.OnQuit();
    EXPECT_TRUE(crashed.isVisible());
    EXPECT_TRUE(crashed.problemText().startsWith(u"The browser ended unexpectedly"_s));
    EXPECT_FALSE(crashed.problemText().contains(u"apt-get"_s));
    EXPECT_EQ(crashed.RoamPane2()->StatusText(), crashed.problemText());
}

TEST_F(RoamlogWindowTest, StartWindowReadsTheLanguageAndLeavesSetupPathAlone)
{
    m_settings->setLang(500);
    frmSplash splash;
    splash.Form_Load(*m_settings);
    EXPECT_EQ(splash.LangOffset(), 500);
    EXPECT_TRUE(m_settings->setupPath().isEmpty());
    EXPECT_FALSE(m_settings->store().contains(u"Setup/Path"_s));

    m_settings->setSetupPath(u"/srv/roamlog"_s);
    m_settings->setLang(0);
    frmSplash again;
    again.Form_Load(*m_settings);
    EXPECT_EQ(again.LangOffset(), 0);
    EXPECT_EQ(m_settings->setupPath(), u"/srv/roamlog"_s);
}

TEST_F(RoamlogWindowTest, MainShowsTheStartWindowThenTheMainWindowOnOk)
{
    m_options.settingsFile = m_dir.filePath(u"settings.ini"_s);
    auto browser = std::make_unique<FakeBrowser>();
    FakeBrowser *fake = browser.get();
    Iexplore program(m_options, std::move(browser), m_clock);
    QSignalSpy finished(&program, &Iexplore::finished);
    program.Main();
    ASSERT_NE(program.mainWindow(), nullptr);
    EXPECT_TRUE(program.splash()->isVisible());
    EXPECT_FALSE(program.mainWindow()->isVisible());
    EXPECT_TRUE(program.splash()->Command2()->isVisible());
    EXPECT_EQ(fake->m_calls, (QStringList {u"start"_s, u"GoHome"_s}));

    QTest::mouseClick(program.splash()->Command2(), Qt::LeftButton);
    EXPECT_TRUE(program.mainWindow()->isVisible());
    EXPECT_FALSE(program.splash()->isVisible());

    program.mainWindow()->setQuitQuestion([] { return false; });
    program.closeAll();
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(QFile::exists(sessionsFile()));
    // Ended from outside, the program takes its browser with it, closed properly.
    EXPECT_EQ(fake->m_calls.count(u"Quit"_s), 1);
}

TEST_F(RoamlogWindowTest, ABrowserTheUserKeepsKeepsTheProgramUntilItCloses)
{
    // Kept by the option, and by answering No.
    for (const int quitMode : {0, 2}) {
        SCOPED_TRACE(quitMode);
        m_options.settingsFile = m_dir.filePath(u"settings.ini"_s);
        m_options.noSplash = true;
        auto browser = std::make_unique<FakeBrowser>();
        FakeBrowser *fake = browser.get();
        Iexplore program(m_options, std::move(browser), m_clock);
        program.settings().setQuit(quitMode);
        QSignalSpy finished(&program, &Iexplore::finished);
        program.Main();
        program.mainWindow()->setQuitQuestion([] { return false; });
        program.mainWindow()->close();
        EXPECT_FALSE(program.mainWindow()->isVisible());
        EXPECT_TRUE(QFile::exists(sessionsFile()));
        EXPECT_EQ(finished.count(), 0);
        EXPECT_FALSE(fake->m_calls.contains(u"Quit"_s));

        // The user closes the browser later.
        fake->m_running = false;
        emit fake->OnQuit();
        EXPECT_EQ(finished.count(), 1);
        QFile::remove(sessionsFile());
    }
}

TEST(HostOptions, CommandLine)
{
    QString error;
    const HostOptions options = HostOptions::parse(
        QStringList {u"Roamlog"_s}
            + u"--browser /opt/c --profile /tmp/p --home http://h.test/ --headless "
              u"--data-dir /tmp/d --settings /tmp/s.ini"_s.split(u' '),
        &error);
    EXPECT_TRUE(error.isEmpty());
    EXPECT_EQ((QStringList {options.browser,
                            options.profileDir,
                            options.homeUrl,
                            options.dataDir,
                            options.settingsFile}),
              (QStringList {
                  u"/opt/c"_s, u"/tmp/p"_s, u"http://h.test/"_s, u"/tmp/d"_s, u"/tmp/s.ini"_s}));
    EXPECT_TRUE(options.headless);
    EXPECT_FALSE(options.noSplash);

    qputenv(HostOptions::SettingsVariable, "/tmp/env.ini");
    const HostOptions defaults = HostOptions::parse({u"Roamlog"_s}, &error);
    qunsetenv(HostOptions::SettingsVariable);
    EXPECT_EQ(defaults.settingsFile, u"/tmp/env.ini"_s);
    EXPECT_EQ(defaults.profileDir, HostOptions::defaultProfileDir());
    EXPECT_TRUE(defaults.browser.isEmpty());

    HostOptions::parse({u"Roamlog"_s, u"--no-such-option"_s}, &error);
    EXPECT_FALSE(error.isEmpty());
}

} // namespace
