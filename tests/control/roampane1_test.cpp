#include "panelfixture.h"

#include "resources/roamstrings.h"
#include "roamstore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QStatusBar>

using namespace Qt::StringLiterals;

namespace {

using PanelTest = PanelFixture;

// The caption a control shows, or nothing for a control that shows none.
std::optional<QString> shownCaption(const QObject *control)
{
    if (const auto *group = qobject_cast<const QGroupBox *>(control))
        return group->title();
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->text();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    if (const auto *action = qobject_cast<const QAction *>(control))
        return action->text().remove(u'&');
    return std::nullopt;
}

TEST_F(PanelTest, HebrewReachesEveryCaptionAndTurnsThePanel)
{
    m_settings->setLang(500);
    m_settings->setToolBar(5, u"/home/u/Fav/News,Add to News"_s);
    RoamPane1 &panel = makePanel();
    EXPECT_EQ(panel.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(panel.mnuRoamPane()->layoutDirection(), Qt::RightToLeft);

    // Every control and menu item that names a caption shows its Hebrew text, wherever in the
    // panel it lives.
    QList<QObject *> controls;
    for (QWidget *widget : panel.findChildren<QWidget *>())
        controls.append(widget);
    for (QAction *action : panel.findChildren<QAction *>())
        controls.append(action);
    int captions = 0;
    for (const QObject *control : std::as_const(controls)) {
        bool numbered = false;
        const int id = control->property("Tag").toString().toInt(&numbered);
        const std::optional<QString> shown = shownCaption(control);
        if (!numbered || !shown || !RoamStrings::contains(id + RoamStrings::HebrewOffset))
            continue;
        ++captions;
        EXPECT_EQ(*shown, *RoamStrings::text(id + RoamStrings::HebrewOffset))
            << control->objectName().toStdString();
    }
    EXPECT_GE(captions, 30);
    QTabBar *tabs = panel.TabStrip1();
    EXPECT_EQ(tabs->tabText(0), u"נוכחי"_s);
    EXPECT_EQ(tabs->tabToolTip(1), u"מתאר של האתרים"_s);
    // Texts the caption loader does not reach: hints, tooltips, the outline's own.
    EXPECT_EQ(child<QLineEdit>(u"qryDate1"_s)->placeholderText(), u"הכנס תאריך"_s);
    EXPECT_EQ(child<QLineEdit>(u"NeverRecordEdit"_s)->placeholderText(),
              u"שם אתר או תחילת כתובת"_s);
    EXPECT_EQ(panel.ToolbarButton(2)->toolTip(), u"המשך להקליט (Ctrl+P)"_s);
    // A bound favorites button names its folder in Hebrew; the setting stays as it was.
    EXPECT_EQ(panel.ToolbarButton(5)->toolTip(), u"הוסף לNews"_s);
    EXPECT_EQ(stored(u"ToolBar/5"_s), u"/home/u/Fav/News,Add to News"_s);
    EXPECT_EQ(OutlineTree::NodeText(panel.TreeView1()->Node(1)), u"Current"_s);
    // A status text opening with an isolated URL still aligns on the Hebrew side.
    EXPECT_TRUE(child<QLabel>(u"sbrDBPanel1"_s)->alignment() & Qt::AlignRight);

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

        // The query page's controls keep inside it, in their order.
        const QRect frame = panel.qrFrame()->rect();
        EXPECT_TRUE(frame.contains(child<QComboBox>(u"qrySiteCbo"_s)->geometry()));
        QPushButton *search = child<QPushButton>(u"qryResults"_s);
        EXPECT_NEAR(search->geometry().center().x(), frame.center().x(), 2.0);
        EXPECT_LE(search->geometry().bottom(), frame.bottom());
        EXPECT_LT(child<QGroupBox>(u"qryFrame"_s)->geometry().bottom(),
                  child<QLabel>(u"qryLabel1"_s)->geometry().top());
    }

    // A small window squeezes nothing on the options page below its least size: it scrolls.
    panel.resize(300, 420);
    clickTab(5);
    auto *scroll = child<QScrollArea>(u"OptionsScroll"_s);
    QWidget *page = panel.OptionsPage();
    EXPECT_GE(page->height(), page->minimumSizeHint().height());
    EXPECT_GE(page->width(), page->minimumSizeHint().width());
    for (const QString &name : {u"NeverRecordRemove"_s, u"Language"_s}) {
        scroll->ensureWidgetVisible(child<QWidget>(name));
        QCoreApplication::processEvents();
        EXPECT_FALSE(child<QWidget>(name)->visibleRegion().isEmpty()) << name.toStdString();
    }
}

TEST_F(PanelTest, TabsSwitchPagesAndOptionsAreStoredAtOnce)
{
    RoamPane1 &panel = makePanel();
    // The query hint is a placeholder: typing does not append to it.
    EXPECT_EQ(child<QLineEdit>(u"qryString"_s)->text(), QString());
    EXPECT_EQ(child<QLineEdit>(u"qryString"_s)->placeholderText(), u"Enter String"_s);
    panel.show();
    OutlineTree *tree = panel.TreeView1();
    EXPECT_FALSE(panel.qrFrame()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Current"_s);
    EXPECT_EQ(OutlineTree::NodeImage(tree->Node(1)), 1);
    EXPECT_EQ(tree->font().family(), QFontInfo(QGuiApplication::font()).family());
    panel.SetUrl(u"http://noted.example/page"_s);

    clickTab(1);
    EXPECT_EQ(panel.CurrentTab(), u"Sites"_s);
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Sites"_s);
    EXPECT_EQ(OutlineTree::NodeImage(tree->Node(1)), 6);
    EXPECT_EQ(tree->Count(), 3);
    OutlineNode *marker = tree->Node(2);
    clickTab(1);
    EXPECT_EQ(tree->Node(2), marker);
    // The note exchange finds the record whatever the case.
    panel.SetSelectedUrl(u"NOTED.example"_s);
    ASSERT_TRUE(panel.GetCFile());
    EXPECT_EQ(panel.Store().NoteURL, u"noted.example"_s);
    panel.Store().NoteText = u"  new note  "_s;
    ASSERT_TRUE(panel.SetCFile());
    EXPECT_EQ(filesOnDisk().value(u"noted.example"_s)->Note, u"new note"_s);
    panel.SetSelectedUrl(u"missing"_s);
    EXPECT_FALSE(panel.GetCFile());

    clickTab(4);
    EXPECT_EQ(panel.CurrentTab(), u"Query"_s);
    EXPECT_TRUE(panel.qrFrame()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Sites"_s);
    clickTab(0);
    EXPECT_TRUE(tree->isVisible());
    EXPECT_FALSE(panel.qrFrame()->isVisible());
    EXPECT_EQ(OutlineTree::NodeText(tree->Node(1)), u"Current"_s);
    EXPECT_TRUE(tree->NodeByKey(u"noted.example/page"_s));

    clickTab(5);
    EXPECT_TRUE(panel.OptionsPage()->isVisible());
    EXPECT_FALSE(tree->isVisible());
    QSignalSpy onTop(&panel, &RoamPane1::OnTop);
    QSignalSpy notOnTop(&panel, &RoamPane1::NotOnTop);
    clickMark(child<QCheckBox>(u"ckAlwayesOnTop"_s));
    EXPECT_EQ(onTop.count(), 1);
    EXPECT_EQ(notOnTop.count(), 0);
    EXPECT_EQ(stored(u"Options/OnTop"_s), u"1"_s);
    EXPECT_TRUE(panel.isOnTop());
    EXPECT_FALSE(panel.StayOnTop());

    // The panel turns to the language at once.
    EXPECT_TRUE(child<QLabel>(u"sbrDBPanel1"_s)->alignment() & Qt::AlignLeft);
    clickMark(child<QCheckBox>(u"Language"_s));
    EXPECT_EQ(stored(u"Options/Lang"_s), u"500"_s);
    EXPECT_TRUE(child<QLabel>(u"sbrDBPanel1"_s)->alignment() & Qt::AlignRight);
    EXPECT_EQ(panel.TabStrip1()->tabText(0), u"נוכחי"_s);
    EXPECT_EQ(panel.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(menuItem(u"mnuGoTo"_s)->text().remove(u'&'), u"לך אל"_s);
    clickMark(child<QRadioButton>(u"Option1_0"_s));
    EXPECT_EQ(stored(u"Options/Quit"_s), u"0"_s);
    clickMark(child<QRadioButton>(u"UrlOrDesc_1"_s));
    EXPECT_EQ(stored(u"Options/UrlOrDesc"_s), u"1"_s);

    RoamPane1 &again = makePanel();
    EXPECT_TRUE(again.isOnTop());
    EXPECT_TRUE(again.StayOnTop());
    EXPECT_EQ(again.LangOffset(), 500);
    EXPECT_EQ(again.QuitIt(), 0);
    EXPECT_EQ(again.UrlOrDescChoice(), 1);
    for (const QString &name : {u"Language"_s, u"Option1_0"_s, u"UrlOrDesc_1"_s})
        EXPECT_TRUE(child<QAbstractButton>(name)->isChecked()) << name.toStdString();
    again.show();
    clickTab(5);
    clickMark(child<QCheckBox>(u"ckAlwayesOnTop"_s));
    EXPECT_EQ(stored(u"Options/OnTop"_s), u"0"_s);
    EXPECT_TRUE(again.StayOnTop());
}

} // namespace
