#include "fakepanel.h"
#include "frmabout.h"
#include "frmfind.h"
#include "frmhelp.h"
#include "hostwindowfixture.h"

#include "control/roampane1.h"
#include "resources/roamstrings.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

QString hebrew(int id)
{
    return RoamStrings::text(id + RoamStrings::HebrewOffset).value_or(QString());
}

using HostDialogsTest = HostWindowFixture;

TEST(FindWindow, ButtonsAndKeysCallFindWithTheTextAndTheChoice)
{
    FakePanel panel;
    QWidget main;
    frmFind find(panel, 0, &main);
    main.show();
    find.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&find));
    EXPECT_FALSE(find.isModal());
    EXPECT_TRUE(find.optFindURL(2)->isChecked());

    // Empty text goes to the panel as it is.
    QTest::mouseClick(find.cmdFind(), Qt::LeftButton);
    QTest::keyClicks(find.txtFindString(), u"News Page"_s);
    QTest::mouseClick(find.cmdNext(), Qt::LeftButton);
    QTest::mouseClick(find.optFindURL(1), Qt::LeftButton);
    ASSERT_TRUE(find.optFindURL(1)->isChecked());
    QTest::mouseClick(find.cmdFind(), Qt::LeftButton);
    QTest::mouseClick(find.cmdNext(), Qt::LeftButton);
    EXPECT_EQ(panel.m_log,
              (QStringList {u"1 1 1 []"_s,
                            u"0 1 1 [News Page]"_s,
                            u"1 0 1 [News Page]"_s,
                            u"0 0 1 [News Page]"_s}));

    // Enter in the text is Find, Escape is Exit: hidden, still there, unchanged.
    find.activateWindow();
    find.txtFindString()->setFocus();
    QTest::keyClick(find.txtFindString(), Qt::Key_Return);
    EXPECT_EQ(panel.m_log.size(), 5);
    EXPECT_EQ(panel.m_log.last(), u"1 0 1 [News Page]"_s);
    QTest::keyClick(&find, Qt::Key_Escape);
    EXPECT_FALSE(find.isVisible());
    EXPECT_EQ(panel.m_log.size(), 5);
    EXPECT_EQ(find.txtFindString()->text(), u"News Page"_s);
    EXPECT_TRUE(find.optFindURL(1)->isChecked());
}

TEST(FindWindow, SaysNotFoundAndStillClosesWithEscape)
{
    for (const qint16 lang : {qint16(0), qint16(RoamStrings::HebrewOffset)}) {
        FakePanel panel;
        QWidget main;
        frmFind find(panel, lang, &main);
        main.show();
        find.show();
        find.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&find));
        QTest::keyClicks(find.txtFindString(), u"nowhere"_s);

        panel.m_found = false;
        QTest::keyClick(find.txtFindString(), Qt::Key_Return);
        const QString notFound = RoamStrings::text(124 + lang).value_or(QString());
        EXPECT_FALSE(notFound.isEmpty());
        EXPECT_EQ(find.lblResult()->text(), notFound) << lang;
        // Typing again takes the answer back; a hit leaves no answer.
        QTest::keyClick(find.txtFindString(), Qt::Key_S);
        EXPECT_EQ(find.lblResult()->text(), QString());
        QTest::mouseClick(find.cmdNext(), Qt::LeftButton);
        EXPECT_EQ(find.lblResult()->text(), notFound);
        panel.m_found = true;
        QTest::mouseClick(find.cmdFind(), Qt::LeftButton);
        EXPECT_EQ(find.lblResult()->text(), QString());

        // The window kept the focus through the searches: Escape closes it.
        EXPECT_TRUE(find.isActiveWindow());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(find.isVisible()) << lang;
        EXPECT_EQ(panel.m_log.size(), 3);
    }
}

TEST_F(HostDialogsTest, FindItKeepsOneFindWindowUntilTheMainWindowCloses)
{
    auto window = showWindow();
    EXPECT_EQ(window->findWindow(), nullptr);

    emit window->RoamPane2()->FindIt();
    QPointer<frmFind> find = window->findWindow();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    QTest::keyClicks(find->txtFindString(), u"kept"_s);
    QTest::mouseClick(find->optFindURL(1), Qt::LeftButton);
    // The real panel takes the search.
    QTest::mouseClick(find->cmdFind(), Qt::LeftButton);
    QTest::mouseClick(find->cmdExit(), Qt::LeftButton);
    EXPECT_FALSE(find->isVisible());

    emit window->RoamPane2()->FindIt();
    EXPECT_EQ(window->findWindow(), find.data());
    EXPECT_TRUE(find->isVisible());
    EXPECT_EQ(find->txtFindString()->text(), u"kept"_s);
    EXPECT_TRUE(find->optFindURL(1)->isChecked());
    EXPECT_FALSE(find->optFindURL(2)->isChecked());

    window->close();
    EXPECT_TRUE(find.isNull());

    // A main window made in Hebrew makes a Hebrew find window.
    window.reset();
    auto hebrewWindow = makeWindow(RoamStrings::HebrewOffset);
    hebrewWindow->FindIt();
    ASSERT_NE(hebrewWindow->findWindow(), nullptr);
    EXPECT_EQ(hebrewWindow->findWindow()->cmdFind()->text(), hebrew(91));
    EXPECT_FALSE(hebrew(91).isEmpty());
    EXPECT_EQ(hebrewWindow->findWindow()->layoutDirection(), Qt::RightToLeft);
}

TEST(AboutWindow, VersionAndTheSystemInformationProgram)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QStringList messages;
    frmAbout about;
    about.setMessageBox([&](QWidget *, const QString &text) { messages.append(text); });
    EXPECT_EQ(about.lblVersion()->text(), u"Version " ROAMLOG_TEST_PROJECT_VERSION ""_s);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));

    // None of the programs there.
    about.setSysInfoPrograms({u"roamlog-no-such-sysinfo"_s, dir.filePath(u"missing"_s)});
    QTest::mouseClick(about.cmdSysInfo(), Qt::LeftButton);
    EXPECT_EQ(messages, QStringList {u"System Information Is Unavailable At This Time"_s});
    about.setSysInfoPrograms({});
    EXPECT_EQ(about.StartSysInfo(), QString());
    EXPECT_EQ(messages.size(), 2);

    // A file that is there but not executable is passed over; the first program found runs.
    const QString plain = dir.filePath(u"plain"_s);
    const QString program = dir.filePath(u"sysinfo"_s);
    const QString marker = dir.filePath(u"ran"_s);
    for (const QString &path : {plain, program}) {
        QFile script(path);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\ntouch \""
                     + QFile::encodeName(path == plain ? plain + u".no"_s : marker) + "\"\n");
        script.setPermissions(
            script.permissions()
            | (path == program ? QFileDevice::ExeOwner : QFileDevice::Permissions()));
    }
    about.setSysInfoPrograms(
        {u"roamlog-no-such-sysinfo"_s, plain, program, QStringLiteral("/bin/true")});
    QTest::mouseClick(about.cmdSysInfo(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, HostWindowFixture::kWaitMs));
    EXPECT_FALSE(QFile::exists(plain + u".no"_s));
    EXPECT_EQ(messages.size(), 2);

    QTest::mouseClick(about.cmdOK(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST_F(HostDialogsTest, AboutBoxLetsTheWindowOffTheTopWhileItShows)
{
    // The on-top option holds from the first showing.
    m_settings.setOnTop(true);
    auto window = showWindow();
    ASSERT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window->isVisible());

    bool seen = false;
    bool onTopWhileShown = true;
    QTimer::singleShot(0, [&] {
        auto *about = qobject_cast<frmAbout *>(QApplication::activeModalWidget());
        ASSERT_NE(about, nullptr);
        seen = true;
        onTopWhileShown = window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        QTest::mouseClick(about->cmdOK(), Qt::LeftButton);
    });
    emit window->RoamPane2()->AboutBox();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(onTopWhileShown);
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(HelpWindow, ShowsTheReadMeReadOnlyOrSaysWhichFileIsMissing)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray text = "ROAMLOG\n\nThe tabs: Current, Sites, Chrono.\n"
                            "Hebrew: \xd7\xa2\xd7\x96\xd7\xa8\xd7\x94\n";
    const QString path = dir.filePath(u"Read.me"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();

    QStringList messages;
    frmHelp help;
    help.setMessageBox([&](QWidget *, const QString &message) { messages.append(message); });
    help.Form_Load(path);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(help.Textdata()->toPlainText(), QString::fromUtf8(text));
    help.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    help.Textdata()->setFocus();
    QTest::keyClicks(help.Textdata(), u"typed"_s);
    EXPECT_EQ(help.Textdata()->toPlainText(), QString::fromUtf8(text));

    // The build puts the program's Read.me where the program looks for it.
    const QString shipped = frmHelp::readMePath(QStringLiteral(ROAMLOG_TEST_PROGRAM_DIR));
    ASSERT_TRUE(QFile::exists(shipped)) << qPrintable(shipped);
    frmHelp shippedHelp;
    shippedHelp.setMessageBox([&](QWidget *, const QString &message) { messages.append(message); });
    shippedHelp.Form_Load(shipped);
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_TRUE(shippedHelp.Textdata()->toPlainText().contains(u"roamlog-history"_s));
}

TEST_F(HostDialogsTest, GetHelpOpensOneHelpWindowAndBringsItUp)
{
    const QString missing = m_dir.filePath(u"Read.me"_s);
    auto window = makeWindow();
    window->setReadMePath(missing);
    emit window->RoamPane2()->GetHelp();
    QPointer<frmHelp> help = window->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(m_messages, QStringList {u"Can't open file: "_s + missing});

    help->hide();
    window->GetHelp();
    EXPECT_EQ(window->helpWindow(), help.data());
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(m_messages.size(), 1);

    // Closed by the user, it is gone; the next Help opens a new one.
    help->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return help.isNull(); }, kWaitMs));
    window->GetHelp();
    ASSERT_NE(window->helpWindow(), nullptr);
    EXPECT_EQ(m_messages.size(), 2);
}

} // namespace

TEST(HelpWindow, EscapeAndCtrlWCloseItAndHebrewTurnsTheWindowNotTheText)
{
    struct Row
    {
        QKeySequence key;
        qint16 lang;
    };
    const Row rows[] = {{QKeySequence(Qt::Key_Escape), 0},
                        {QKeySequence(Qt::CTRL | Qt::Key_W), 0},
                        {QKeySequence(Qt::CTRL | Qt::Key_W), qint16(RoamStrings::HebrewOffset)}};
    for (const Row &row : rows) {
        frmHelp help(nullptr, row.lang);
        QStringList messages;
        help.setMessageBox([&](QWidget *, const QString &message) { messages.append(message); });
        help.Form_Load(u"/nonexistent/Read.me"_s);
        EXPECT_EQ(help.windowTitle(), row.lang ? hebrew(99) : u"Help"_s);
        EXPECT_EQ(help.layoutDirection(), row.lang ? Qt::RightToLeft : Qt::LeftToRight);
        EXPECT_EQ(help.Textdata()->layoutDirection(), Qt::LeftToRight);
        // In Hebrew the path is one left-to-right unit after the Hebrew words.
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages.first().endsWith(row.lang ? u"\u2066/nonexistent/Read.me\u2069"_s
                                                       : u" /nonexistent/Read.me"_s))
            << messages.first().toStdString();
        help.show();
        help.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
        help.Textdata()->setFocus();
        QTest::keySequence(help.Textdata(), row.key);
        EXPECT_FALSE(help.isVisible()) << row.key.toString().toStdString();
    }
}

TEST_F(HostDialogsTest, PausedRecordingAndTheLanguageShowInTheMainWindowAtOnce)
{
    auto window = showWindow();
    RoamPane1 *panel = window->RoamPane2();
    EXPECT_EQ(window->windowTitle(), u"Roamlog"_s);
    panel->ToolbarButton(1)->trigger();
    EXPECT_EQ(window->windowTitle(), u"Roamlog - Recording paused"_s);
    window->FindIt();
    frmFind *find = window->findWindow();
    ASSERT_NE(find, nullptr);
    EXPECT_EQ(find->cmdFind()->text(), u"Find"_s);

    // Hebrew chosen on the options page: the title, the find window and the whole program turn.
    panel->TabStrip1()->setCurrentIndex(5);
    panel->findChild<QCheckBox *>(u"Language"_s)->click();
    EXPECT_EQ(window->windowTitle(), u"Roamlog - "_s + hebrew(123));
    EXPECT_EQ(find->cmdFind()->text(), hebrew(91));
    EXPECT_EQ(find->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::RightToLeft);

    panel->ToolbarButton(2)->trigger();
    EXPECT_EQ(window->windowTitle(), u"Roamlog"_s);
    panel->findChild<QCheckBox *>(u"Language"_s)->click();
    EXPECT_EQ(QGuiApplication::layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(find->cmdFind()->text(), u"Find"_s);
    EXPECT_EQ(m_settings.lang(), 0);
}
