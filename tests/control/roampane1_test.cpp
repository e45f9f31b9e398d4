#include "panelfixture.h"

#include "control/roampane1.h"

#include "roamstore.h"
#include "views/outlinetree.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <QToolBar>

using namespace Qt::StringLiterals;

namespace {

class PanelTest : public PanelFixture
{
protected:
    template<typename T>
    T *child(const QString &name)
    {
        T *found = m_panel->findChild<T *>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    QAction *menuItem(const QString &name) { return child<QAction>(name); }
    // A menu item's caption without its access key mark.
    QString caption(const QString &name) { return menuItem(name)->text().remove(u'&'); }

    void clickTab(int index)
    {
        QTabBar *tabs = m_panel->TabStrip1();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        // Pages shown now are laid out by the event loop.
        QCoreApplication::processEvents();
    }

    // Check boxes and option buttons take clicks on their mark and text only.
    static void clickMark(QWidget *button)
    {
        const int x = button->isRightToLeft() ? button->width() - 6 : 6;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(x, button->height() / 2));
    }

    QString stored(const QString &key)
    {
        QSettings ini(m_dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
        return ini.value(key).toString();
    }
};

TEST_F(PanelTest, FirstStartTakesTheDefaults)
{
    RoamPane1 &panel = makePanel();
    EXPECT_TRUE(panel.InitialisationError().isEmpty());
    EXPECT_FALSE(panel.isOnTop());
    EXPECT_FALSE(panel.StayOnTop());
    EXPECT_EQ(panel.LangOffset(), 0);
    EXPECT_EQ(panel.QuitIt(), 2);
    EXPECT_TRUE(child<QRadioButton>(u"Option1_2"_s)->isChecked());
    EXPECT_TRUE(child<QRadioButton>(u"UrlOrDesc_0"_s)->isChecked());
    EXPECT_FALSE(child<QCheckBox>(u"Language"_s)->isChecked());
    EXPECT_EQ(stored(u"Options/UrlOrDesc"_s), u"0"_s);
    EXPECT_TRUE(panel.DBName().isEmpty());
    EXPECT_TRUE(panel.SiteUrl().isEmpty());
    EXPECT_TRUE(panel.CurrentTab().isEmpty());
    EXPECT_FALSE(panel.ResetFavorites());

    EXPECT_TRUE(panel.Recording());
    EXPECT_TRUE(panel.ToolbarButton(1)->isEnabled());
    EXPECT_FALSE(panel.ToolbarButton(2)->isEnabled());
    EXPECT_EQ(panel.ToolbarButton(1)->toolTip(), u"Pause recording (Ctrl+P)"_s);
    EXPECT_EQ(panel.ToolbarButton(2)->toolTip(), u"Resume recording (Ctrl+P)"_s);
    for (int index = 3; index <= 9; ++index) {
        QAction *button = panel.ToolbarButton(index);
        EXPECT_EQ(button->property("Tag").toString(), u"Favorites"_s);
        EXPECT_EQ(button->toolTip(), u"Favorites"_s);
        EXPECT_FALSE(button->icon().isNull());
    }
    EXPECT_EQ(panel.ToolbarButton(10), nullptr);

    QTabBar *tabs = panel.TabStrip1();
    ASSERT_EQ(tabs->count(), 6);
    const QStringList captions {
        u"Current"_s, u"Sites"_s, u"Chrono"_s, u"Activities"_s, u"Query"_s, u"Options"_s};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(tabs->tabText(i), captions.at(i));
        EXPECT_EQ(RoamPane1::TabTag(i), captions.at(i));
        EXPECT_EQ(tabs->tabData(i).toString(), QString::number(51 + i) + u"a"_s);
        EXPECT_FALSE(tabs->tabIcon(i).isNull());
    }
    EXPECT_EQ(tabs->tabToolTip(0), u"Outline of the current session"_s);
    EXPECT_EQ(tabs->tabToolTip(2), u"Chronological Outline"_s);

    EXPECT_EQ(caption(u"mnuGoTo"_s), u"Navigate To.."_s);
    EXPECT_EQ(caption(u"mnuAbout"_s), u"About"_s);
    EXPECT_EQ(caption(u"mnuGetHelp"_s), u"Help"_s);
    EXPECT_EQ(caption(u"mnuOutlook"_s), u"Add to tasks"_s);
    EXPECT_EQ(caption(u"mnuChangefolder"_s), u"Change folder"_s);
    EXPECT_EQ(panel.mnuRoamPane()->actions().size(), 11);
    EXPECT_EQ(child<QGroupBox>(u"Frame3"_s)->title(), u"Browser"_s);
    // The hint is a placeholder: typing does not append to it.
    EXPECT_EQ(child<QLineEdit>(u"qryString"_s)->text(), QString());
    EXPECT_EQ(child<QLineEdit>(u"qryString"_s)->placeholderText(), u"Enter String"_s);

    panel.show();
    EXPECT_TRUE(panel.TreeView1()->isVisible());
    EXPECT_FALSE(panel.qrFrame()->isVisible());
    EXPECT_FALSE(panel.OptionsPage()->isVisible());
    ASSERT_EQ(panel.TreeView1()->Count(), 1);
    OutlineNode *root = panel.TreeView1()->Node(1);
    EXPECT_EQ(OutlineTree::NodeText(root), u"Current"_s);
    EXPECT_EQ(OutlineTree::NodeTag(root), u"none"_s);
    EXPECT_EQ(OutlineTree::NodeImage(root), 1);
    EXPECT_EQ(panel.TreeView1()->font().pointSizeF(), QGuiApplication::font().pointSizeF());
    EXPECT_EQ(panel.TreeView1()->font().family(), QFontInfo(QGuiApplication::font()).family());
}

TEST_F(PanelTest, OptionsAreStoredAtOnceAndReadAtTheNextStart)
{
    m_settings->setToolBar(5, u"C:\\Fav\\News,Add to News"_s);
    m_settings->setToolBar(4, QString());
    RoamPane1 &panel = makePanel();
    panel.show();
    EXPECT_EQ(panel.ToolbarButton(5)->property("Tag").toString(), u"C:\\Fav\\News"_s);
    EXPECT_EQ(panel.ToolbarButton(5)->toolTip(), u"Add to News"_s);
    EXPECT_EQ(panel.ToolbarButton(4)->property("Tag").toString(), u"Favorites"_s);
    EXPECT_EQ(panel.ToolbarButton(4)->toolTip(), u"Favorites"_s);

    clickTab(5);
    EXPECT_EQ(panel.CurrentTab(), u"Options"_s);
    ASSERT_TRUE(panel.OptionsPage()->isVisible());
    EXPECT_FALSE(panel.TreeView1()->isVisible());

    QSignalSpy onTop(&panel, &RoamPane1::OnTop);
    QSignalSpy notOnTop(&panel, &RoamPane1::NotOnTop);
    clickMark(child<QCheckBox>(u"ckAlwayesOnTop"_s));
    EXPECT_EQ(onTop.count(), 1);
    EXPECT_EQ(notOnTop.count(), 0);
    EXPECT_EQ(stored(u"Options/OnTop"_s), u"1"_s);
    EXPECT_TRUE(panel.isOnTop());
    EXPECT_FALSE(panel.StayOnTop());

    QSignalSpy languageChanged(&panel, &RoamPane1::LanguageChanged);
    clickMark(child<QCheckBox>(u"Language"_s));
    EXPECT_EQ(stored(u"Options/Lang"_s), u"500"_s);
    // The panel turns to the language at once and tells the host.
    EXPECT_EQ(panel.TabStrip1()->tabText(0), u"נוכחי"_s);
    EXPECT_EQ(panel.LangOffset(), 500);
    EXPECT_EQ(panel.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(caption(u"mnuGoTo"_s), u"לך אל"_s);
    ASSERT_EQ(languageChanged.count(), 1);
    EXPECT_EQ(languageChanged.first().first().value<qint16>(), 500);

    clickMark(child<QRadioButton>(u"Option1_0"_s));
    EXPECT_EQ(stored(u"Options/Quit"_s), u"0"_s);
    EXPECT_EQ(panel.QuitIt(), 0);
    clickMark(child<QRadioButton>(u"UrlOrDesc_1"_s));
    EXPECT_EQ(stored(u"Options/UrlOrDesc"_s), u"1"_s);
    EXPECT_EQ(panel.UrlOrDescChoice(), 1);

    RoamPane1 &again = makePanel();
    EXPECT_TRUE(again.isOnTop());
    EXPECT_TRUE(again.StayOnTop());
    EXPECT_EQ(again.LangOffset(), 500);
    EXPECT_TRUE(child<QCheckBox>(u"Language"_s)->isChecked());
    EXPECT_EQ(again.QuitIt(), 0);
    EXPECT_TRUE(child<QRadioButton>(u"Option1_0"_s)->isChecked());
    EXPECT_TRUE(child<QRadioButton>(u"UrlOrDesc_1"_s)->isChecked());
    EXPECT_EQ(again.UrlOrDescChoice(), 1);

    again.show();
    clickTab(5);
    clickMark(child<QCheckBox>(u"ckAlwayesOnTop"_s));
    EXPECT_EQ(stored(u"Options/OnTop"_s), u"0"_s);
    EXPECT_TRUE(again.StayOnTop());
}

TEST_F(PanelTest, HebrewCaptionsAndRightToLeft)
{
    m_settings->setLang(500);
    m_settings->setToolBar(5, u"/home/u/Fav/News,Add to News"_s);
    RoamPane1 &panel = makePanel();
    EXPECT_EQ(panel.layoutDirection(), Qt::RightToLeft);
    // A bound favorites button names its folder in Hebrew; the setting stays as it was.
    EXPECT_EQ(panel.ToolbarButton(5)->toolTip(), u"הוסף לNews"_s);
    EXPECT_EQ(stored(u"ToolBar/5"_s), u"/home/u/Fav/News,Add to News"_s);
    EXPECT_EQ(panel.mnuRoamPane()->layoutDirection(), Qt::RightToLeft);
    QTabBar *tabs = panel.TabStrip1();
    EXPECT_EQ(tabs->tabText(0), u"נוכחי"_s);
    EXPECT_EQ(tabs->tabText(5), u"אפשרויות"_s);
    EXPECT_EQ(tabs->tabToolTip(1), u"מתאר של האתרים"_s);
    EXPECT_EQ(child<QLabel>(u"qryLabel1"_s)->text(), u"כל הקבצים שהורדו מ"_s);
    EXPECT_EQ(child<QGroupBox>(u"qryFrame"_s)->title(), u"מצא ב"_s);
    EXPECT_EQ(child<QRadioButton>(u"qryOpt1_1"_s)->text(), u"כותרות"_s);
    EXPECT_EQ(child<QPushButton>(u"qryResults"_s)->text(), u"חפש"_s);
    EXPECT_EQ(caption(u"mnuGoTo"_s), u"לך אל"_s);
    EXPECT_EQ(caption(u"mnuGetHelp"_s), u"עזרה"_s);
    // The texts the first design left in English are Hebrew too.
    EXPECT_EQ(caption(u"mnuOutlook"_s), u"הוסף למשימות"_s);
    EXPECT_EQ(child<QGroupBox>(u"Frame3"_s)->title(), u"דפדפן"_s);
    EXPECT_EQ(child<QCheckBox>(u"Language"_s)->text(), u"עברית"_s);
    EXPECT_EQ(child<QRadioButton>(u"UrlOrDesc_1"_s)->text(), u"כתובות בעץ"_s);
    EXPECT_EQ(child<QLineEdit>(u"qryDate1"_s)->placeholderText(), u"הכנס תאריך"_s);
    EXPECT_EQ(panel.ToolbarButton(2)->toolTip(), u"המשך להקליט (Ctrl+P)"_s);
    EXPECT_EQ(OutlineTree::NodeText(panel.TreeView1()->Node(1)), u"Current"_s);

    // Query controls mirror: the options sit at the right edge.
    panel.show();
    clickTab(4);
    QRadioButton *since = child<QRadioButton>(u"qryOpt0"_s);
    EXPECT_GT(since->geometry().left(), panel.qrFrame()->width() / 2);
}

TEST_F(PanelTest, ArrangeControlsKeepsTheProportionsOnResize)
{
    RoamPane1 &panel = makePanel();
    panel.show();
    for (const QSize size : {QSize(350, 700), QSize(600, 420), QSize(300, 900)}) {
        panel.resize(size);
        QCoreApplication::processEvents();
        ASSERT_EQ(panel.size(), size);
        const int w = size.width();
        const int h = size.height();
        const int statusTop = panel.sbrDB()->geometry().top();
        EXPECT_EQ(panel.sbrDB()->geometry().bottom(), h - 1);
        EXPECT_EQ(panel.Toolbar1()->geometry().top(), 0);
        EXPECT_EQ(panel.TabStrip1()->geometry().top(), panel.Toolbar1()->geometry().bottom() + 1);
        // The page holds the search box with the tree below it; the other pages cover both.
        const QRect box = child<QLineEdit>(u"SearchBox"_s)->geometry();
        const QRect tree = panel.TreeView1()->geometry();
        const QRect page = box.united(tree);
        EXPECT_GT(tree.top(), box.bottom());
        EXPECT_EQ(box.width(), tree.width());
        EXPECT_EQ(page.left(), qRound(10.0 * w / 1000));
        EXPECT_NEAR(page.width(), w - 20.0 * w / 1000, 1.0);
        EXPECT_NEAR(page.top(), panel.TabStrip1()->geometry().bottom() + 1 + 10.0 * h / 1000, 1.0);
        EXPECT_NEAR(page.bottom() + 1, statusTop - 10.0 * h / 1000, 1.0);
        EXPECT_EQ(panel.qrFrame()->geometry(), page);
        EXPECT_EQ(child<QScrollArea>(u"OptionsScroll"_s)->geometry(), page);

        const QRect frame = panel.qrFrame()->rect();
        QLineEdit *find = child<QLineEdit>(u"qryString"_s);
        EXPECT_NEAR(find->geometry().left(), 150.0 * frame.width() / 1000, 1.0);
        EXPECT_NEAR(find->geometry().width(), 750.0 * frame.width() / 1000, 1.0);
        EXPECT_NEAR(child<QComboBox>(u"qrySiteCbo"_s)->geometry().top(),
                    575.0 * frame.height() / 1000,
                    1.0);
        QPushButton *search = child<QPushButton>(u"qryResults"_s);
        EXPECT_NEAR(search->geometry().center().x(), frame.center().x(), 2.0);
        EXPECT_LE(search->geometry().bottom(), frame.bottom());
        EXPECT_LT(child<QGroupBox>(u"qryFrame"_s)->geometry().bottom(),
                  child<QLabel>(u"qryLabel1"_s)->geometry().top());
    }
}

TEST_F(PanelTest, TabsSwitchPagesAndBuildOutlinesOnce)
{
    RoamPane1 &panel = makePanel();
    panel.show();
    panel.SetUrl(u"http://site.example/page"_s);
    OutlineTree *tree = panel.TreeView1();

    clickTab(1);
    EXPECT_EQ(panel.CurrentTab(), u"Sites"_s);
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Sites"_s);
    EXPECT_EQ(OutlineTree::NodeImage(tree->Node(1)), 6);
    EXPECT_EQ(tree->Count(), 3);
    OutlineNode *marker = tree->Node(2);
    clickTab(1);
    EXPECT_EQ(tree->Node(2), marker);

    clickTab(4);
    EXPECT_EQ(panel.CurrentTab(), u"Query"_s);
    EXPECT_TRUE(panel.qrFrame()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Sites"_s);
    clickTab(5);
    EXPECT_TRUE(panel.OptionsPage()->isVisible());
    EXPECT_FALSE(panel.qrFrame()->isVisible());
    EXPECT_FALSE(tree->isVisible());
    clickTab(0);
    EXPECT_TRUE(tree->isVisible());
    EXPECT_FALSE(panel.OptionsPage()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Current"_s);
    EXPECT_TRUE(tree->NodeByKey(u"site.example/page"_s));
}

TEST_F(PanelTest, StatusBarCountsUnreadableSiteFiles)
{
    {
        RoamPane1 &clean = makePanel();
        clean.show();
        EXPECT_FALSE(clean.findChild<QLabel *>(u"sbrDBUnreadable"_s)->isVisible());
    }
    for (const QString &name : {u"bad1.smf"_s, u"bad2.smf"_s}) {
        QFile bad(QDir(dataFolder()).filePath(name));
        ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
        bad.write("not a site file\r\n");
    }
    RoamPane1 &panel = makePanel();
    panel.show();
    QLabel *count = child<QLabel>(u"sbrDBUnreadable"_s);
    EXPECT_TRUE(count->isVisible());
    EXPECT_TRUE(count->text().contains(u"2"_s)) << count->text().toStdString();
    panel.SetStatusText(u"first panel"_s);
    EXPECT_EQ(panel.StatusText(), u"first panel"_s);
}

TEST_F(PanelTest, UnusableDataFolderIsReported)
{
    QFile blocker(m_dir.filePath(u"blocker"_s));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    RoamPane1 &panel = makePanel(m_dir.filePath(u"blocker/Data"_s));
    EXPECT_TRUE(panel.InitialisationError().startsWith(u"Unexpected Error: "_s));
    EXPECT_EQ(panel.Store().AllSessions.Count(), 1);
    EXPECT_EQ(panel.TreeView1()->Count(), 1);
}

TEST_F(PanelTest, ExchangeAndSessionDelegateToTheStore)
{
    RoamPane1 &panel = makePanel();
    panel.TabStrip1()->setCurrentIndex(1);
    panel.SetUrl(u"http://noted.example"_s);
    panel.SetSelectedUrl(u"NOTED.example"_s);
    EXPECT_EQ(panel.SiteUrl(), u"NOTED.example"_s);
    ASSERT_TRUE(panel.GetCFile());
    EXPECT_EQ(panel.Store().NoteURL, u"noted.example"_s);
    panel.Store().NoteText = u"  new note  "_s;
    ASSERT_TRUE(panel.SetCFile());
    EXPECT_EQ(filesOnDisk().value(u"noted.example"_s)->Note, u"new note"_s);
    panel.SetSelectedUrl(u"missing"_s);
    EXPECT_FALSE(panel.GetCFile());

    panel.SethttpDoc(u"doc"_s);
    panel.SethttpDocName(u"name"_s);
    EXPECT_EQ(panel.httpDoc(), u"doc"_s);
    EXPECT_EQ(panel.httpDocName(), u"name"_s);
    EXPECT_NE(panel.TabHwnd(), WId(0));
}

} // namespace
