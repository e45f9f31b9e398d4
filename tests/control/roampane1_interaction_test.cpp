#include "panelfixture.h"

#include "timekey.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

using InteractionTest = PanelFixture;

TEST_F(InteractionTest, PopupItemsAndNavigationFollowTheNodeKind)
{
    RoamPane1 &panel = twoSessions();
    QStringList asked;
    QObject::connect(&panel, &RoamPane1::NavTo, &panel, [&] { asked.append(panel.SiteUrl()); });
    clickTab(2);
    const QString always = u"mnuFind mnuGetHelp mnuAbout"_s;
    OutlineNode *docs = node(chronoKey(u"mysite.example/docs"_s, secondStart));
    OutlineNode *old = node(chronoKey(u"old.example/page"_s, firstStart));

    clickNode(tree()->Node(1), Qt::RightButton);
    EXPECT_TRUE(panel.mnuRoamPane()->isVisible());
    EXPECT_EQ(enabledItems(), always);
    EXPECT_FALSE(panel.RightButtonDown());
    closePopup();

    // A right click picks no site and leaves the status bar alone.
    panel.SetStatusText(u"before"_s);
    clickNode(docs, Qt::RightButton);
    EXPECT_EQ(
        enabledItems(),
        u"mnuGoTo mnuFind mnuDelete mnuEditNote mnuProperties mnuOutlook mnuGetHelp mnuAbout"_s);
    EXPECT_TRUE(panel.SiteUrl().isEmpty());
    EXPECT_EQ(panel.StatusText(), u"before"_s);
    EXPECT_EQ(tree()->SelectedNode(), docs);
    closePopup();

    clickNode(node(timeKey(firstStart)), Qt::RightButton);
    EXPECT_EQ(enabledItems(), u"mnuFind mnuDelete mnuGetHelp mnuAbout"_s);
    closePopup();

    // The context-menu key and Shift+F10 open the same menu for the selected node.
    select(old);
    QTest::keyClick(tree(), Qt::Key_Menu);
    EXPECT_TRUE(menuItem(u"mnuGoTo"_s)->isEnabled());
    closePopup();
    select(tree()->Node(1));
    QTest::keyClick(tree(), Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_TRUE(panel.mnuRoamPane()->isVisible());
    EXPECT_EQ(enabledItems(), always);
    closePopup();

    // Double click, Enter and Navigate To go to sites only.
    clickNode(docs);
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centreOf(docs));
    QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centreOf(tree()->Node(1)));
    QTest::mouseDClick(
        tree()->viewport(), Qt::LeftButton, {}, centreOf(node(timeKey(secondStart))));
    select(old);
    QTest::keyClick(tree(), Qt::Key_Return);
    select(node(timeKey(firstStart)));
    QTest::keyClick(tree(), Qt::Key_Enter);
    select(node(chronoKey(u"mysite.example/about"_s, secondStart)));
    menuItem(u"mnuGoTo"_s)->setEnabled(true);
    menuItem(u"mnuGoTo"_s)->trigger();
    EXPECT_EQ(
        asked,
        (QStringList {u"mysite.example/docs"_s, u"old.example/page"_s, u"mysite.example/about"_s}));
}

// A click shows in the status bar what the tree does not, the URL beside titles and the title
// beside URLs, and picks the site. In Hebrew a URL stays one left-to-right unit (never
// "docs/mysite.example") and a title takes the direction of its own first letter.
TEST_F(InteractionTest, ClicksAndQueriesSpeakInEitherDirection)
{
    struct Row
    {
        qint16 lang;
        QString url;
        QString title;
        QString noString;
        QString found;
    };
    const Row rows[] = {
        {0,
         u"mysite.example/docs"_s,
         u"Alpha about"_s,
         u"No string to find"_s,
         u"Sites found: 1"_s},
        // The number reads as one left-to-right run in the Hebrew status bar.
        {500,
         u"\u2066mysite.example/docs\u2069"_s,
         u"\u2068Alpha about\u2069"_s,
         u"אין מילה לחפש"_s,
         u"אתרים שנמצאו: \u20661\u2069"_s},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lang);
        emptyDataFolder();
        m_messages.clear();
        m_settings->setUrlOrDesc(0);
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

        // A query for blanks says there is no string; one that finds counts its results.
        clickTab(4);
        child<QRadioButton>(u"qryOpt1"_s)->click();
        child<QRadioButton>(u"qryOpt1_3"_s)->click();
        auto *string = child<QLineEdit>(u"qryString"_s);
        QTest::keyClicks(string, u"  "_s);
        QTest::keyClick(string, Qt::Key_Return);
        ASSERT_EQ(m_messages.size(), 1);
        EXPECT_EQ(m_messages.at(0).text, row.noString);
        EXPECT_TRUE(panel.qrFrame()->isVisible());
        string->setText(u"zeta"_s);
        QTest::keyClick(string, Qt::Key_Return);
        EXPECT_NE(node(u"mysite.example/docs"_s), nullptr);
        EXPECT_EQ(panel.StatusText(), row.found);
    }
}

TEST_F(InteractionTest, UserExpansionSortsSiteChildrenOnly)
{
    m_settings->setUrlOrDesc(0);
    RoamPane1 &panel = showPanel();
    for (const auto &[url, title] : {std::pair {u"http://host.example/b"_s, u"Alpha"_s},
                                     std::pair {u"http://host.example/a"_s, u"Zeta"_s}}) {
        m_clock.advance(5);
        panel.SetUrl(url);
        panel.UrlName(title);
    }
    clickTab(1);
    OutlineNode *host = node(u"host.example"_s);
    ASSERT_NE(host, nullptr);
    ASSERT_EQ(host->childCount(), 2);
    // Built in URL order, shown by title.
    host->setExpanded(false);
    EXPECT_EQ(host->child(0)->text(0), u"Zeta"_s);

    select(host);
    QTest::keyClick(tree(), Qt::Key_Right);
    EXPECT_TRUE(host->isExpanded());
    EXPECT_EQ(host->child(0)->text(0), u"Alpha"_s);
}

TEST_F(InteractionTest, QueryPageSaysWhatIsMissingAndShowsItsResults)
{
    RoamPane1 &panel = twoSessions();
    clickTab(4);
    auto *findString = child<QRadioButton>(u"qryOpt1"_s);
    auto *search = child<QPushButton>(u"qryResults"_s);
    auto *string = child<QLineEdit>(u"qryString"_s);
    const int nodesBefore = tree()->Count();

    clickMark(findString);
    ASSERT_TRUE(findString->isChecked());
    QTest::mouseClick(search, Qt::LeftButton);
    // No field chosen: the page says what is missing and stays.
    QTest::keyClicks(string, u"MYSITE"_s);
    QTest::mouseClick(search, Qt::LeftButton);
    ASSERT_EQ(m_messages.size(), 2);
    EXPECT_EQ(m_messages.at(0).text, u"No string to find"_s);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Information);
    EXPECT_EQ(m_messages.at(1).text,
              u"Choose where to find the string: URL's, Titles, Notes or All."_s);
    EXPECT_TRUE(panel.qrFrame()->isVisible());
    EXPECT_EQ(tree()->Count(), nodesBefore);

    // Enter in the string runs the query; the results show titles and their count.
    clickMark(child<QRadioButton>(u"qryOpt1_0"_s));
    QTest::keyClick(string, Qt::Key_Return);
    EXPECT_FALSE(panel.qrFrame()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree()->Node(1)), u"Query"_s);
    EXPECT_EQ(OutlineTree::NodeText(node(u"mysite.example/docs"_s)), u"Zeta docs"_s);
    EXPECT_EQ(node(u"mysite.example/docs"_s)->parent(), node(u"mysite.example"_s));
    EXPECT_EQ(node(u"old.example"_s), nullptr);
    EXPECT_EQ(panel.StatusText(), u"Sites found: 3"_s);
    clickNode(node(u"mysite.example/about"_s));
    EXPECT_EQ(panel.StatusText(), u"mysite.example/about"_s);

    // Typing into the date field chooses the Since question; into the string, Find string.
    clickTab(4);
    QTest::keyClicks(child<QLineEdit>(u"qryDate1"_s), u"1/1/2000"_s);
    EXPECT_TRUE(child<QRadioButton>(u"qryOpt0"_s)->isChecked());
    string->clear();
    clickMark(child<QRadioButton>(u"qryOpt1_1"_s));
    QTest::keyClicks(string, u"old PAGE"_s);
    EXPECT_TRUE(findString->isChecked());
    QTest::mouseClick(search, Qt::LeftButton);
    EXPECT_EQ(tree()->Count(), 2);
    EXPECT_NE(node(u"old.example/page"_s), nullptr);
    EXPECT_EQ(panel.StatusText(), u"Sites found: 1"_s);
    EXPECT_EQ(m_messages.size(), 2);

    // Find by URL with titles shown searches the records' URLs; nothing found leaves no node
    // selected as if it were a hit, and the status bar says so.
    clickTab(1);
    EXPECT_TRUE(panel.Find(true, true, false, u"OLD.EXAMPLE/P"_s));
    EXPECT_EQ(OutlineTree::NodeKey(tree()->SelectedNode()), u"old.example/page"_s);
    EXPECT_EQ(tree()->selectionModel()->selectedRows().size(), 1);
    EXPECT_FALSE(panel.Find(true, false, false, u"no such text"_s));
    EXPECT_EQ(tree()->SelectedNode(), nullptr);
    EXPECT_EQ(panel.StatusText(), u"Not found"_s);
}

TEST_F(InteractionTest, MenuCommandsReachDialogsTasksAndHost)
{
    m_settings->setOnTop(true);
    QFile blocker(m_dir.filePath(u"blocker"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    m_settings->setTaskFolder(blocker.fileName());
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

    // A task folder that cannot be made: a warning says why, the status bar stays.
    panel.SetStatusText(u"unchanged"_s);
    menuItem(u"mnuOutlook"_s)->trigger();
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages.at(0).text.startsWith(u"The task could not be written: "_s));
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Warning);
    EXPECT_EQ(panel.StatusText(), u"unchanged"_s);

    QStringList dialogs;
    const auto closeNextDialog = [&dialogs] {
        QTimer::singleShot(0, [&dialogs] {
            QWidget *dialog = QApplication::activeModalWidget();
            dialogs.append(dialog ? dialog->objectName() : QString());
            if (dialog)
                dialog->close();
        });
    };
    closeNextDialog();
    menuItem(u"mnuEditNote"_s)->trigger();
    EXPECT_EQ(dialogs, QStringList {u"frmNote"_s});
    EXPECT_EQ(events.join(u' '), u"NotOnTop OnTop"_s);
    closeNextDialog();
    menuItem(u"mnuProperties"_s)->trigger();
    menuItem(u"mnuAbout"_s)->trigger();
    menuItem(u"mnuGetHelp"_s)->trigger();
    menuItem(u"mnuFind"_s)->trigger();
    EXPECT_EQ(events.join(u' '),
              u"NotOnTop OnTop NotOnTop OnTop NotOnTop AboutBox OnTop GetHelp FindIt"_s);

    m_settings->setTaskFolder(m_dir.filePath(u"tasks"_s));
    menuItem(u"mnuOutlook"_s)->trigger();
    const QStringList tasks = QDir(m_dir.filePath(u"tasks"_s)).entryList({u"*.ics"_s});
    ASSERT_EQ(tasks.size(), 1);
    const QString task = QDir(m_dir.filePath(u"tasks"_s)).filePath(tasks.first());
    const QString ics = QString::fromUtf8(bytesOf(task));
    EXPECT_TRUE(ics.contains(u"SUMMARY:Roamlog: "_s)) << ics.toStdString();
    EXPECT_TRUE(ics.contains(u"  Alpha about"_s)) << ics.toStdString();
    EXPECT_TRUE(ics.contains(u"DESCRIPTION:http://mysite.example/about"_s)) << ics.toStdString();
    EXPECT_EQ(panel.StatusText(), u"Task saved in "_s + QDir::toNativeSeparators(task));
    EXPECT_EQ(m_messages.size(), 1);
}

} // namespace
