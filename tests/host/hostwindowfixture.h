#pragma once

#include "fakebrowser.h"
#include "hostoptions.h"
#include "roamlogwindow.h"

#include "model/clock.h"
#include "model/roamsettings.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

/**
 * Main windows on a scripted browser, a temporary settings file and data folder and a clock
 * that stands still; their messages are recorded and the browser is kept at close unless the
 * test asks the user.
 */
class HostWindowFixture : public ::testing::Test
{
public:
    static constexpr int kWaitMs = 5000;

protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_options.dataDir = m_dir.filePath(QStringLiteral("setup"));
        m_options.profileDir = m_dir.filePath(QStringLiteral("profile"));
        m_options.homeUrl = QStringLiteral("http://home.test/");
    }

    void TearDown() override { QTest::qWait(0); }

    std::unique_ptr<RoamlogWindow> makeWindow(qint16 lang = 0, bool ask = false)
    {
        auto window = std::make_unique<RoamlogWindow>(
            m_options, m_settings, m_browser, lang, m_clock);
        window->setMessageBox([this](QWidget *, const QString &text) { m_messages.append(text); });
        if (!ask)
            window->setQuitQuestion([] { return false; });
        return window;
    }

    /** A window shown, after its first activation. */
    std::unique_ptr<RoamlogWindow> showWindow(qint16 lang = 0)
    {
        auto window = makeWindow(lang);
        window->show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window->FirstActivate(); }, kWaitMs));
        return window;
    }

    QString sessionsFile() const { return m_dir.filePath(QStringLiteral("setup/Data/Ses.sms")); }

    QTemporaryDir m_dir;
    RoamSettings m_settings {m_dir.filePath(QStringLiteral("settings.ini"))};
    HostOptions m_options;
    FakeBrowser m_browser;
    ManualClock m_clock {QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
    QStringList m_messages;
};
