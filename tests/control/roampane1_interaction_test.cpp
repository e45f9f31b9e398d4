#include "panelfixture.h"

#include "roamstore.h"
#include "timekey.h"
#include "views/outlinebuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace {

using InteractionTest = PanelFixture;

TEST_F(InteractionTest, PopupItemsFollowTheNodeKind)
{
    RoamPane1 &panel = twoSessions();
    clickTab(2);
    const QStringList always {u"mnuFind"_s, u"mnuGetHelp"_s, u"mnuAbout"_s};

    clickNode(tree()->Node(1), Qt::RightButton);
    EXPECT_TRUE(panel.mnuRoamPane()->isVisible());
    EXPECT_EQ(enabledItems(), always);
    EXPECT_FALSE(panel.RightButtonDown());
    closePopup();

    panel.SetStatusText(u"before"_s);
    clickNode(node(chronoKey(u"mysite.example/docs"_s, secondStart)), Qt::RightButton);
    EXPECT_EQ(enabledItems(),
              (QStringList {u"mnuGoTo"_s,
                            u"mnuFind"_s,
                            u"mnuDelete"_s,
                            u"mnuEditNote"_s,
                            u"mnuProperties"_s,
                            u"mnuOutlook"_s,
                            u"mnuGetHelp"_s,
                            u"mnuAbout"_s}));
    // A right click picks no site and leaves the status bar alone.
    EXPECT_TRUE(panel.SiteUrl().isEmpty());
    EXPECT_EQ(panel.StatusText(), u"before"_s);
    EXPECT_EQ(tree()->SelectedNode(), node(chronoKey(u"mysite.example/docs"_s, secondStart)));
    closePopup();

    clickNode(node(timeKey(firstStart)), Qt::RightButton);
    EXPECT_EQ(enabledItems(),
              (QStringList {u"mnuFind"_s, u"mnuDelete"_s, u"mnuGetHelp"_s, u"mnuAbout"_s}));
    closePopup();

    // The context-menu key and Shift+F10 open the same menu for the selected node.
    select(node(chronoKey(u"old.example/page"_s, firstStart)));
    QTest::keyClick(tree(), Qt::Key_Menu);
    EXPECT_TRUE(panel.mnuRoamPane()->isVisible());
    EXPECT_TRUE(menuItem(u"mnuGoTo"_s)->isEnabled());
    closePopup();
    select(tree()->Node(1));
    QTest::keyClick(tree(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(panel.mnuRoamPane()->isVisible());
    EXPECT_EQ(enabledItems(), always);
    closePopup();
}

// A click shows in the status bar what the tree does not, the URL beside titles and the title
// beside URLs, and picks the site. In Hebrew a URL stays one left-to-right unit (never
// "docs/mysite.example") and a title takes the direction of its own first letter.
TEST_F(InteractionTest, LeftClicksShowTheOtherTextAndPickTheSite)
{
    struct Row
    {
        qint16 lang;
        QString url;
        QString title;
    };
    const Row rows[] = {{0, u"mysite.example/docs"_s, u"Alpha about"_s},
                        {500, u"\u2066mysite.example/docs\u2069"_s, u"\u2068Alpha about\u2069"_s}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lang);
        m_panel.reset();
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
        m_settings->setUrlOrDesc(0);
        m_settings->setLang(row.lang);
        m_clock.set(firstStart);
        RoamPane1 &panel = twoSessions(row.lang);
        clickTab(1);
        OutlineNode *docs = node(u"mysite.example/docs"_s);
        ASSERT_NE(docs, nullptr);
        EXPECT_EQ(OutlineTree::NodeText(docs), u"Zeta docs"_s);
        clickNode(docs);
        EXPECT_FALSE(panel.mnuRoamPane()->isVisible());
        EXPECT_EQ(panel.StatusText(), row.url);
        EXPECT_EQ(panel.SiteUrl(), u"mysite.example/docs"_s);
        EXPECT_TRUE(menuItem(u"mnuEditNote"_s)->isEnabled());

        // The root has no record: the status bar stays, the site items go off.
        clickNode(tree()->Node(1));
        EXPECT_EQ(panel.StatusText(), row.url);
        EXPECT_EQ(panel.SiteUrl(), u"mysite.example/docs"_s);
        for (const QString &item : {u"mnuEditNote"_s, u"mnuProperties"_s, u"mnuGoTo"_s})
            EXPECT_FALSE(menuItem(item)->isEnabled()) << item.toStdString();

        clickTab(5);
        child<QRadioButton>(u"UrlOrDesc_1"_s)->click();
        clickTab(1);
        clickNode(node(u"mysite.example/about"_s));
        EXPECT_EQ(panel.StatusText(), row.title);
        // The record and the navigation keep the exact URL.
        EXPECT_EQ(panel.SiteUrl(), u"mysite.example/about"_s);
    }
}

TEST_F(InteractionTest, OptionsPageIsUsableInASmallWindow)
{
    RoamPane1 &panel = twoSessions();
    panel.resize(300, 420);
    clickTab(5);
    auto *scroll = child<QScrollArea>(u"OptionsScroll"_s);
    ASSERT_TRUE(scroll->isVisible());
    // Nothing is squeezed below its least size: the page scrolls instead.
    QWidget *page = panel.OptionsPage();
    EXPECT_GE(page->height(), page->minimumSizeHint().height());
    EXPECT_GE(page->width(), page->minimumSizeHint().width());
    auto *hebrew = child<QCheckBox>(u"Language"_s);
    scroll->ensureWidgetVisible(child<QPushButton>(u"NeverRecordRemove"_s));
    QCoreApplication::processEvents();
    EXPECT_FALSE(child<QPushButton>(u"NeverRecordRemove"_s)->visibleRegion().isEmpty());
    scroll->ensureWidgetVisible(hebrew);
    QCoreApplication::processEvents();
    EXPECT_FALSE(hebrew->visibleRegion().isEmpty());
}

TEST_F(InteractionTest, DoubleClickAndEnterNavigateToSitesOnly)
{
    RoamPane1 &panel = twoSessions();
    QSignalSpy navTo(&panel, &RoamPane1::NavTo);
    QStringList asked;
    QObject::connect(&panel, &RoamPane1::NavTo, &panel, [&] { asked.append(panel.SiteUrl()); });
    clickTab(2);

    clickNode(node(chronoKey(u"mysite.example/about"_s, secondStart)));
    doubleClickNode(node(chronoKey(u"mysite.example/about"_s, secondStart)));
    EXPECT_EQ(navTo.count(), 1);
    EXPECT_EQ(asked, QStringList {u"mysite.example/about"_s});

    doubleClickNode(node(timeKey(secondStart)));
    doubleClickNode(tree()->Node(1));
    EXPECT_EQ(navTo.count(), 1);

    select(node(chronoKey(u"old.example/page"_s, firstStart)));
    QTest::keyClick(tree(), Qt::Key_Return);
    EXPECT_EQ(asked.last(), u"old.example/page"_s);
    select(node(timeKey(firstStart)));
    QTest::keyClick(tree(), Qt::Key_Enter);
    EXPECT_EQ(navTo.count(), 2);

    // Navigate To in the menu does the same for the selected site.
    select(node(chronoKey(u"mysite.example/docs"_s, secondStart)));
    menuItem(u"mnuGoTo"_s)->setEnabled(true);
    menuItem(u"mnuGoTo"_s)->trigger();
    EXPECT_EQ(navTo.count(), 3);
    EXPECT_EQ(panel.SiteUrl(), u"mysite.example/docs"_s);
}

TEST_F(InteractionTest, UserExpansionSortsSiteChildrenOnly)
{
    m_settings->setUrlOrDesc(0);
    RoamPane1 &panel = showPanel();
    m_clock.advance(5);
    panel.SetUrl(u"http://host.example/b"_s);
    panel.UrlName(u"Alpha"_s);
    m_clock.advance(5);
    panel.SetUrl(u"http://host.example/a"_s);
    panel.UrlName(u"Zeta"_s);
    m_clock.advance(5);
    panel.SetUrl(u"http://host.example"_s);
    panel.UrlName(u"Host"_s);
    clickTab(1);
    OutlineNode *host = node(u"host.example"_s);
    ASSERT_NE(host, nullptr);
    ASSERT_EQ(host->childCount(), 2);
    // Built in URL order, shown by title.
    EXPECT_EQ(host->child(0)->text(0), u"Zeta"_s);
    host->setExpanded(false);
    EXPECT_EQ(host->child(0)->text(0), u"Zeta"_s);

    select(host);
    QTest::keyClick(tree(), Qt::Key_Right);
    EXPECT_TRUE(host->isExpanded());
    EXPECT_EQ(host->child(0)->text(0), u"Alpha"_s);
    EXPECT_EQ(host->child(1)->text(0), u"Zeta"_s);
}

TEST_F(InteractionTest, SearchButtonRunsTheQuery)
{
    RoamPane1 &panel = twoSessions();
    clickTab(4);
    EXPECT_TRUE(panel.qrFrame()->isVisible());
    auto *findString = child<QRadioButton>(u"qryOpt1"_s);
    auto *urls = child<QRadioButton>(u"qryOpt1_0"_s);
    auto *titles = child<QRadioButton>(u"qryOpt1_1"_s);
    auto *search = child<QPushButton>(u"qryResults"_s);
    auto *string = child<QLineEdit>(u"qryString"_s);
    const int nodesBefore = tree()->Count();

    QTest::mouseClick(findString, Qt::LeftButton, {}, QPoint(6, findString->height() / 2));
    ASSERT_TRUE(findString->isChecked());
    QTest::mouseClick(search, Qt::LeftButton);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.at(0).text, u"No string to find"_s);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Information);
    EXPECT_TRUE(panel.qrFrame()->isVisible());
    EXPECT_EQ(tree()->Count(), nodesBefore);

    // No field chosen: the page says what is missing and stays.
    QTest::keyClicks(string, u"MYSITE"_s);
    QTest::mouseClick(search, Qt::LeftButton);
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_EQ(m_messages.at(1).text,
              u"Choose where to find the string: URL's, Titles, Notes or All."_s);
    EXPECT_TRUE(panel.qrFrame()->isVisible());
    EXPECT_EQ(tree()->Count(), nodesBefore);

    // Enter in the string runs the query; the results show titles and their count.
    QTest::mouseClick(urls, Qt::LeftButton, {}, QPoint(6, urls->height() / 2));
    QTest::keyClick(string, Qt::Key_Return);
    EXPECT_FALSE(panel.qrFrame()->isVisible());
    EXPECT_TRUE(tree()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree()->Node(1)), u"Query"_s);
    ASSERT_NE(node(u"mysite.example"_s), nullptr);
    EXPECT_EQ(OutlineTree::NodeText(node(u"mysite.example/docs"_s)), u"Zeta docs"_s);
    EXPECT_EQ(node(u"mysite.example/docs"_s)->parent(), node(u"mysite.example"_s));
    EXPECT_EQ(node(u"old.example"_s), nullptr);
    EXPECT_EQ(panel.StatusText(), u"Sites found: 3"_s);
    // A result's URL shows in the status bar.
    clickNode(node(u"mysite.example/about"_s));
    EXPECT_EQ(panel.StatusText(), u"mysite.example/about"_s);

    // Typing into the date field chooses the Since question; into the string, Find string.
    clickTab(4);
    QTest::keyClicks(child<QLineEdit>(u"qryDate1"_s), u"1/1/2000"_s);
    EXPECT_TRUE(child<QRadioButton>(u"qryOpt0"_s)->isChecked());
    string->clear();
    QTest::mouseClick(titles, Qt::LeftButton, {}, QPoint(6, titles->height() / 2));
    QTest::keyClicks(string, u"old PAGE"_s);
    EXPECT_TRUE(findString->isChecked());
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(tree()->Count(), 2);
    EXPECT_NE(node(u"old.example/page"_s), nullptr);
    EXPECT_EQ(panel.StatusText(), u"Sites found: 1"_s);
    EXPECT_EQ(m_messages.size(), 2);

    // Find steps through the result.
    panel.Find(true, true, false, u"example"_s);
    EXPECT_EQ(tree()->SelectedNode(), node(u"old.example/page"_s));
}

TEST_F(InteractionTest, QueryInHebrewSaysWhatIsMissingAndCountsItsResults)
{
    RoamPane1 &panel = twoSessions(500);
    clickTab(4);
    auto *findString = child<QRadioButton>(u"qryOpt1"_s);
    findString->click();
    auto *string = child<QLineEdit>(u"qryString"_s);
    EXPECT_EQ(string->text(), QString());
    child<QPushButton>(u"qryResults"_s)->click();
    child<QRadioButton>(u"qryOpt1_3"_s)->click();
    QTest::keyClick(string, Qt::Key_Return);
    // Blanks are no string either.
    QTest::keyClicks(string, u"  "_s);
    QTest::keyClick(string, Qt::Key_Return);
    ASSERT_EQ(m_messages.size(), 3);
    for (const auto &message : std::as_const(m_messages))
        EXPECT_EQ(message.text, u"אין מילה לחפש"_s);
    EXPECT_TRUE(panel.qrFrame()->isVisible());

    string->clear();
    QTest::keyClicks(string, u"zeta"_s);
    QTest::keyClick(string, Qt::Key_Return);
    EXPECT_EQ(m_messages.size(), 3);
    EXPECT_NE(node(u"mysite.example/docs"_s), nullptr);
    // The number reads as one left-to-right run in the Hebrew status bar.
    EXPECT_EQ(panel.StatusText(), u"אתרים שנמצאו: \u20661\u2069"_s);
}

TEST_F(InteractionTest, FindSelectsTheNextMatch)
{
    RoamPane1 &panel = twoSessions();
    clickTab(1);
    tree()->clearSelection();
    select(nullptr);
    panel.Find(false, false, false, u"about"_s);
    EXPECT_EQ(tree()->SelectedNode(), nullptr);

    // Titles shown: the records are searched by title.
    panel.Find(true, false, false, u"O"_s);
    OutlineNode *first = tree()->SelectedNode();
    ASSERT_NE(first, nullptr);
    QStringList seen {OutlineTree::NodeKey(first)};
    for (int step = 0; step < 5; ++step) {
        panel.Find(false, false, false, u"o"_s);
        // Past the last match nothing stays selected.
        const QString key = OutlineTree::NodeKey(tree()->SelectedNode());
        if (key.isEmpty() || key == seen.last())
            break;
        seen.append(key);
    }
    EXPECT_EQ(seen.size(), 4) << seen.join(u' ').toStdString();
    EXPECT_TRUE(seen.contains(u"mysite.example/about"_s));

    // Nothing found: no node stays selected as if it were a hit, and the status bar says so.
    ASSERT_TRUE(panel.Find(true, false, false, u"O"_s));
    EXPECT_NE(tree()->SelectedNode(), nullptr);
    EXPECT_FALSE(panel.Find(true, false, false, u"no such text"_s));
    EXPECT_EQ(tree()->SelectedNode(), nullptr);
    EXPECT_EQ(panel.StatusText(), u"Not found"_s);
    // By URL with titles shown: the records' URLs.
    EXPECT_TRUE(panel.Find(true, true, false, u"OLD.EXAMPLE/P"_s));
    EXPECT_EQ(OutlineTree::NodeKey(tree()->SelectedNode()), u"old.example/page"_s);
    EXPECT_EQ(tree()->selectionModel()->selectedRows().size(), 1);
}

TEST_F(InteractionTest, DeleteSiteRemovesItsFileRecordAndNodes)
{
    RoamPane1 &panel = twoSessions();
    clickTab(1);
    const auto before = snapshot(dataFolder());
    const CFilePtr site = panel.Store().Files.Item(u"mysite.example"_s);
    ASSERT_TRUE(site);
    const QString siteFile = QDir(dataFolder()).relativeFilePath(site->FileName);
    ASSERT_TRUE(before.count(siteFile.toStdString()));
    ASSERT_EQ(node(u"mysite.example"_s)->childCount(), 2);

    // The root is not deleted.
    select(tree()->Node(1));
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(snapshot(dataFolder()), before);

    // The menu and the Delete key ask first; No (the default) keeps everything.
    m_answer = QMessageBox::No;
    select(node(u"mysite.example"_s));
    QTest::keyClick(tree(), Qt::Key_Delete);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Question);
    EXPECT_EQ(m_messages.at(0).text,
              u"Delete the record of this site, with its visits and note?"_s);
    EXPECT_EQ(snapshot(dataFolder()), before);
    EXPECT_NE(node(u"mysite.example/docs"_s), nullptr);

    m_answer = QMessageBox::Yes;
    clickNode(node(u"mysite.example"_s), Qt::RightButton);
    menuItem(u"mnuDelete"_s)->trigger();
    closePopup();
    EXPECT_EQ(m_messages.size(), 2);
    EXPECT_EQ(node(u"mysite.example"_s), nullptr);
    EXPECT_EQ(node(u"mysite.example/docs"_s), nullptr);
    EXPECT_FALSE(panel.Store().Files.Item(u"mysite.example"_s));
    EXPECT_TRUE(panel.Store().Files.Item(u"mysite.example/docs"_s));
    EXPECT_FALSE(panel.Builder().OutlineNodes().Item(u"mysite.example/docs"_s));
    auto expected = before;
    expected.erase(siteFile.toStdString());
    EXPECT_EQ(snapshot(dataFolder()), expected);

    // A site whose file is already gone still goes.
    const CFilePtr old = panel.Store().Files.Item(u"old.example/page"_s);
    ASSERT_TRUE(QFile::remove(old->FileName));
    expected.erase(QDir(dataFolder()).relativeFilePath(old->FileName).toStdString());
    select(node(u"old.example/page"_s));
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(node(u"old.example/page"_s), nullptr);
    EXPECT_FALSE(panel.Store().Files.Item(u"old.example/page"_s));
    EXPECT_EQ(snapshot(dataFolder()), expected);

    // The children come back in the next build.
    clickTab(0);
    clickTab(1);
    EXPECT_NE(node(u"mysite.example/docs"_s), nullptr);
}

TEST_F(InteractionTest, DeleteSessionAsksThenRemovesItsVisitsEverywhere)
{
    RoamPane1 &panel = twoSessions();
    clickTab(2);
    const auto before = snapshot(dataFolder());
    const QString oldSession = timeKey(firstStart);
    ASSERT_NE(node(oldSession), nullptr);

    select(node(oldSession));
    m_answer = QMessageBox::No;
    QTest::keyClick(tree(), Qt::Key_Delete);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Question);
    EXPECT_EQ(snapshot(dataFolder()), before);
    EXPECT_NE(node(oldSession), nullptr);

    m_answer = QMessageBox::Yes;
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(node(oldSession), nullptr);
    EXPECT_EQ(node(chronoKey(u"old.example/page"_s, firstStart)), nullptr);
    EXPECT_FALSE(panel.Store().AllSessions.Item(oldSession));
    EXPECT_TRUE(panel.Store().AllSessions.Item(timeKey(secondStart)));

    // On disk: the old site files lost their one visit, the sessions file its session, and
    // the files of the running session's sites are untouched.
    const auto after = snapshot(dataFolder());
    ASSERT_EQ(after.size(), before.size());
    const auto onDisk = filesOnDisk();
    for (const auto &[name, bytes] : before) {
        ASSERT_TRUE(after.count(name)) << name;
        if (name == "Ses.sms" || name == "roamlog.lock")
            continue;
        CFile file;
        ASSERT_TRUE(file.Read(QDir(dataFolder()).filePath(QString::fromStdString(name))));
        if (file.URL().startsWith(u"old.example"_s)) {
            EXPECT_EQ(file.Sessions.Count(), 0) << name;
            EXPECT_NE(after.at(name), bytes);
        } else {
            EXPECT_EQ(after.at(name), bytes) << name;
        }
    }
    EXPECT_EQ(onDisk.size(), 5);
    RoamStore reread(dataFolder(), m_clock);
    reread.ReadDataFolder();
    EXPECT_FALSE(reread.AllSessions.Item(oldSession));
    EXPECT_TRUE(reread.AllSessions.Item(timeKey(secondStart)));
    EXPECT_TRUE(QDir(dataFolder()).entryList({u"*.tmp"_s, u"*~"_s}, QDir::Files).isEmpty());

    // Rebuilt, the outline holds the running session alone.
    clickTab(1);
    clickTab(2);
    EXPECT_EQ(node(oldSession), nullptr);
    EXPECT_NE(node(chronoKey(u"mysite.example/docs"_s, secondStart)), nullptr);
}

TEST_F(InteractionTest, MenuCommandsReachDialogsTasksAndHost)
{
    m_settings->setOnTop(true);
    m_settings->setTaskFolder(m_dir.filePath(u"tasks"_s));
    RoamPane1 &panel = twoSessions();
    QStringList events;
    for (const auto &[signal, name] : {std::pair {&RoamPane1::NotOnTop, u"NotOnTop"_s},
                                       std::pair {&RoamPane1::OnTop, u"OnTop"_s},
                                       std::pair {&RoamPane1::AboutBox, u"AboutBox"_s},
                                       std::pair {&RoamPane1::GetHelp, u"GetHelp"_s},
                                       std::pair {&RoamPane1::FindIt, u"FindIt"_s}}) {
        QObject::connect(&panel, signal, &panel, [&events, name] { events.append(name); });
    }
    clickTab(1);
    clickNode(node(u"mysite.example/about"_s), Qt::RightButton);
    closePopup();

    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        QWidget *dialog = QApplication::activeModalWidget();
        dialogSeen = dialog && dialog->objectName() == u"frmNote"_s;
        if (dialog)
            dialog->close();
    });
    menuItem(u"mnuEditNote"_s)->trigger();
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(events, (QStringList {u"NotOnTop"_s, u"OnTop"_s}));

    closeNextDialog();
    menuItem(u"mnuProperties"_s)->trigger();
    menuItem(u"mnuAbout"_s)->trigger();
    menuItem(u"mnuGetHelp"_s)->trigger();
    menuItem(u"mnuFind"_s)->trigger();
    EXPECT_EQ(events,
              (QStringList {u"NotOnTop"_s,
                            u"OnTop"_s,
                            u"NotOnTop"_s,
                            u"OnTop"_s,
                            u"NotOnTop"_s,
                            u"AboutBox"_s,
                            u"OnTop"_s,
                            u"GetHelp"_s,
                            u"FindIt"_s}));

    menuItem(u"mnuOutlook"_s)->trigger();
    const QStringList tasks = QDir(m_dir.filePath(u"tasks"_s)).entryList({u"*.ics"_s});
    ASSERT_EQ(tasks.size(), 1);
    QFile task(QDir(m_dir.filePath(u"tasks"_s)).filePath(tasks.first()));
    ASSERT_TRUE(task.open(QIODevice::ReadOnly));
    const QString ics = QString::fromUtf8(task.readAll());
    EXPECT_TRUE(ics.contains(u"SUMMARY:Roamlog: "_s)) << ics.toStdString();
    EXPECT_TRUE(ics.contains(u"  Alpha about"_s)) << ics.toStdString();
    EXPECT_TRUE(ics.contains(u"DESCRIPTION:http://mysite.example/about"_s)) << ics.toStdString();
    EXPECT_EQ(panel.StatusText(), u"Task saved in "_s + QDir::toNativeSeparators(task.fileName()));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(InteractionTest, UnwritableTaskFolderGivesAMessage)
{
    QFile blocker(m_dir.filePath(u"tasks"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    m_settings->setTaskFolder(blocker.fileName());
    RoamPane1 &panel = twoSessions();
    clickTab(1);
    clickNode(node(u"mysite.example/about"_s), Qt::RightButton);
    closePopup();
    panel.SetStatusText(u"unchanged"_s);
    menuItem(u"mnuOutlook"_s)->trigger();
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages.at(0).text.startsWith(u"The task could not be written: "_s));
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Warning);
    EXPECT_EQ(panel.StatusText(), u"unchanged"_s);
}

} // namespace
