#include "roampane1.h"

#include "accesskeys.h"
#include "captionloader.h"
#include "navigationrecorder.h"
#include "pagetextpanel.h"
#include "savestatepanel.h"
#include "wordhelpers.h"

#include "cfile.h"
#include "clock.h"
#include "ctreenodes.h"
#include "dialogs/favoriteshortcut.h"
#include "dialogs/frmnote.h"
#include "dialogs/frmsitessessions.h"
#include "dialogs/setupfavorites.h"
#include "dialogs/taskexporter.h"
#include "neverrecordrules.h"
#include "pagetextindex.h"
#include "resources/biditext.h"
#include "resources/roamicons.h"
#include "resources/roamstrings.h"
#include "roamsettings.h"
#include "roamstore.h"
#include "safewrite.h"
#include "timekey.h"
#include "views/deletecommands.h"
#include "views/outlinebuilder.h"
#include "views/outlinetab.h"
#include "views/outlinetree.h"
#include "views/querybuilder.h"
#include "views/searchbox.h"
#include "views/waitcursor.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QScrollArea>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <cstdio>
#include <exception>

using namespace Qt::StringLiterals;

namespace {

constexpr int ButtonCount = 9;
constexpr int FirstFavoritesButton = 3;

const QString unboundTag = u"Favorites"_s;
// Marks a favorites button whose tooltip the panel wrote from its folder.
constexpr char ShownTipProperty[] = "ShownTip";

// Texts added to the string table for what the panel does beyond its first design.
enum ExtraText {
    NeverRecordFrameId = 111,
    NeverRecordHintId = 112,
    NeverRecordAddId = 113,
    NeverRecordRemoveId = 114,
    FavoritesFailedId = 115,
    DeleteSessionQuestionId = 116,
    TaskSavedId = 117,
    TaskFailedId = 118,
    PauseTipId = 119,
    ResumeTipId = 120,
    FavoritesTipId = 121,
    RecordingPausedId = 123,
    NotFoundId = 124,
    DeleteSiteQuestionId = 125,
    NoFieldChosenId = 126,
    SitesFoundId = 127,
    AddedToFavoritesId = 128,
    UnreadableFilesId = 129,
    PathNotFoundId = 130,
    UnexpectedErrorId = 131,
    BrowserFrameId = 132,
    TreeViewFrameId = 133,
    NeverQuitId = 134,
    AddToId = 122,
    AddToTasksId = 141,
    SearchPlaceholderId = 152,
    ChangeFolderId = 142,
    NoStringToFindId = 28,
    StringPlaceholderId = 71,
    DatePlaceholderId = 65,
    ForgetPageTextQuestionId = 150,
    PageTextSnippetId = 151,
};

void installFontsOnce()
{
    static const bool installed = [] {
        CaptionLoader::installFontSubstitutions();
        return true;
    }();
    Q_UNUSED(installed);
}

// Tabs with less padding, so that all six captions fit a narrow window.
class TabStripStyle final : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric,
                    const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return 6;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

void setTag(QObject *object, const QString &tag)
{
    object->setProperty(CaptionLoader::TagProperty, tag);
}

QString tagOf(const QObject *object)
{
    return object->property(CaptionLoader::TagProperty).toString();
}

// "Add to " (or @p prefix) and the folder's last path component, the whole path when it has
// none.
QString favoritesTip(const QString &folder, const QString &prefix = u"Add to "_s)
{
    QString rest;
    QString last = WordHelpers::CutLastWord(folder, rest, QString(QDir::separator()));
    if (last.isEmpty())
        last = folder;
    return prefix + last;
}

} // namespace

RoamPane1::RoamPane1(QWidget *parent)
    : QWidget(parent)
    , m_ownSettings(std::make_unique<RoamSettings>())
    , m_settings(m_ownSettings.get())
    , m_clock(Clock::system())
    , m_showMessages(true)
{
    UserControl_Initialize();
}

RoamPane1::RoamPane1(RoamSettings &settings,
                     Clock &clock,
                     const QString &dataFolder,
                     bool showMessages,
                     QWidget *parent)
    : QWidget(parent)
    , m_settings(&settings)
    , m_clock(clock)
    , m_dataFolderOverride(dataFolder)
    , m_showMessages(showMessages)
{
    UserControl_Initialize();
}

RoamPane1::~RoamPane1()
{
    // The outline's nodes hold on to the site records: let them go first, so that the store,
    // going last, frees the records away from the window's thread.
    if (m_tree) {
        const QScopedValueRollback changing(m_changingTree, true);
        m_tree->Clear();
    }
}

void RoamPane1::createControls()
{
    createToolbar();
    createTabStrip();

    m_tree = new OutlineTree(this);
    m_tree->setObjectName(u"TreeView1"_s);
    m_tree->SetImageProvider(&RoamIcons::image);
    // The panel shows its own popup menu, on the release of the right button or by key.
    m_tree->setContextMenuPolicy(Qt::PreventContextMenu);
    m_tree->viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    m_tree->viewport()->installEventFilter(this);
    m_tree->installEventFilter(this);
    connect(m_tree, &OutlineTree::itemDoubleClicked, this, [this] { TreeView1_DblClick(); });
    connect(m_tree, &OutlineTree::itemExpanded, this, &RoamPane1::TreeView1_Expand);

    m_statusBar = new QStatusBar(this);
    m_statusBar->setObjectName(u"sbrDB"_s);
    m_statusBar->setSizeGripEnabled(false);
    m_statusPanel = new QLabel(m_statusBar);
    m_statusPanel->setObjectName(u"sbrDBPanel1"_s);
    m_statusPanel->setTextFormat(Qt::PlainText);
    m_statusPanel->setMinimumWidth(1);
    m_statusBar->addWidget(m_statusPanel, 1);
    m_unreadablePanel = new QLabel(m_statusBar);
    m_unreadablePanel->setObjectName(u"sbrDBUnreadable"_s);
    m_unreadablePanel->setTextFormat(Qt::PlainText);
    m_statusBar->addPermanentWidget(m_unreadablePanel);
    m_unreadablePanel->hide();
    m_pausedPanel = new QLabel(m_statusBar);
    m_pausedPanel->setObjectName(u"sbrDBPaused"_s);
    m_pausedPanel->setTextFormat(Qt::PlainText);
    m_statusBar->addPermanentWidget(m_pausedPanel);
    m_pausedPanel->hide();
    m_saveStatePanel = new SaveStatePanel(m_statusBar);
    m_statusBar->addPermanentWidget(m_saveStatePanel);

    createQueryPage();
    createOptionsPage();
    createMenus();
}

void RoamPane1::createToolbar()
{
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(u"Toolbar1"_s);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(20, 20));
    m_toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
    static const QString tags[] = {u"Pause"_s, u"Play"_s};
    static const QString tips[] = {u"Pause"_s, u"Record"_s};
    for (int index = 1; index <= ButtonCount; ++index) {
        const bool favorites = index >= FirstFavoritesButton;
        const QString tip = favorites ? u"Favorites"_s : tips[index - 1];
        QAction *button = m_toolbar->addAction(RoamIcons::toolbarImage(index), tip);
        button->setObjectName(u"Toolbar1Button"_s + QString::number(index));
        button->setToolTip(tip);
        button->setProperty(CaptionLoader::KeyProperty,
                            QString(u"\""_s + QString::number(71 + index) + u"\""_s));
        setTag(button, favorites ? u"Favorites"_s : tags[index - 1]);
        // Pause and Record are never enabled together, so they share one key that toggles.
        button->setShortcut(
            favorites ? QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + index - FirstFavoritesButton))
                      : QKeySequence(Qt::CTRL | Qt::Key_P));
        m_buttons.append(button);
        if (QWidget *widget = m_toolbar->widgetForAction(button))
            widget->installEventFilter(this);
    }
    m_toolbar->installEventFilter(this);
    connect(m_toolbar, &QToolBar::actionTriggered, this, &RoamPane1::Toolbar1_ButtonClick);
}

void RoamPane1::createTabStrip()
{
    m_tabStrip = new QTabBar(this);
    m_tabStrip->setObjectName(u"TabStrip1"_s);
    auto *tabStyle = new TabStripStyle;
    tabStyle->setParent(m_tabStrip);
    m_tabStrip->setStyle(tabStyle);
    m_tabStrip->setExpanding(true);
    // All six tabs stay in reach in a narrow window: texts are shortened, the tooltips and
    // icons still tell them apart.
    m_tabStrip->setUsesScrollButtons(false);
    m_tabStrip->setElideMode(Qt::ElideRight);
    m_tabStrip->setDrawBase(true);
    m_tabStrip->setIconSize(QSize(16, 16));
    for (int i = 0; i < int(OutlineTabs.size()); ++i) {
        const OutlineTab &tab = OutlineTabs[std::size_t(i)];
        const int at = m_tabStrip->addTab(RoamIcons::tabImage(i + 1), tab.Tag.toString());
        m_tabStrip->setTabData(at, QString(QString::number(tab.CaptionId) + u"a"_s));
    }
    connect(m_tabStrip, &QTabBar::currentChanged, this, [this] { TabStrip1_Click(); });
    // A click on the tab already selected is a click too (it builds an outline not yet built).
    connect(m_tabStrip, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == m_tabStrip->currentIndex())
            TabStrip1_Click();
    });
}

void RoamPane1::createQueryPage()
{
    m_qrFrame = new QFrame(this);
    m_qrFrame->setObjectName(u"qrFrame"_s);
    m_qrFrame->setFrameShape(QFrame::StyledPanel);
    m_qrFrame->setAutoFillBackground(true);

    const auto label = [this](const QString &name, const QString &text, const QString &tag) {
        auto *l = new QLabel(text, m_qrFrame);
        l->setObjectName(name);
        l->setTextFormat(Qt::PlainText);
        setTag(l, tag);
        return l;
    };
    m_qryLabel1 = label(u"qryLabel1"_s, u"All files downloaded from (site):"_s, u"63"_s);
    m_qryLabel2 = label(u"qryLabel2"_s, u"Since:"_s, u"64"_s);
    m_qryLabel3 = label(u"qryLabel3"_s, u"Find string:"_s, u"66"_s);

    m_qrySiteCbo = new QComboBox(m_qrFrame);
    m_qrySiteCbo->setObjectName(u"qrySiteCbo"_s);
    m_qrySiteCbo->setEditable(true);
    m_qrySiteCbo->setInsertPolicy(QComboBox::NoInsert);

    // "Enter Date" and "Enter String" are hints, not texts to type into.
    m_qryDate1 = new QLineEdit(m_qrFrame);
    m_qryDate1->setObjectName(u"qryDate1"_s);
    m_qryDate1->setPlaceholderText(u"Enter Date"_s);
    m_qryString = new QLineEdit(m_qrFrame);
    m_qryString->setObjectName(u"qryString"_s);
    m_qryString->setPlaceholderText(u"Enter String"_s);
    m_qryString->setClearButtonEnabled(true);

    auto *qryOptGroup = new QButtonGroup(m_qrFrame);
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(m_qrFrame);
        option->setObjectName(u"qryOpt"_s + QString::number(i));
        qryOptGroup->addButton(option, i);
        m_qryOpt.append(option);
    }

    m_qryFrame = new QGroupBox(u"Find in"_s, m_qrFrame);
    m_qryFrame->setObjectName(u"qryFrame"_s);
    setTag(m_qryFrame, u"67"_s);
    auto *findIn = new QGridLayout(m_qryFrame);
    findIn->setContentsMargins(6, 2, 6, 2);
    findIn->setVerticalSpacing(0);
    auto *qryOpt1Group = new QButtonGroup(m_qryFrame);
    // Indexes as the query reads them; shown All, Notes / Titles, URL's.
    struct Item
    {
        QString text;
        QString tag;
        int row;
        int column;
    };
    const Item items[] = {{u"URL's"_s, u"68"_s, 1, 1},
                          {u"Titles"_s, u"82"_s, 1, 0},
                          {u"Notes"_s, u"69"_s, 0, 1},
                          {u"All"_s, u"70"_s, 0, 0}};
    for (int i = 0; i < 4; ++i) {
        auto *option = new QRadioButton(items[i].text, m_qryFrame);
        option->setObjectName(u"qryOpt1_"_s + QString::number(i));
        setTag(option, items[i].tag);
        qryOpt1Group->addButton(option, i);
        findIn->addWidget(option, items[i].row, items[i].column);
        m_qryOpt1.append(option);
    }

    m_qryResults = new QPushButton(u"Search"_s, m_qrFrame);
    m_qryResults->setObjectName(u"qryResults"_s);
    setTag(m_qryResults, u"81"_s);
    connect(m_qryResults, &QPushButton::clicked, this, &RoamPane1::qryResults_Click);

    // Typing into a question's field chooses that question; Enter runs it.
    connect(
        m_qryString, &QLineEdit::textEdited, this, [this] { m_qryOpt.at(1)->setChecked(true); });
    connect(m_qryDate1, &QLineEdit::textEdited, this, [this] { m_qryOpt.at(0)->setChecked(true); });
    for (QLineEdit *field : {m_qryString, m_qryDate1})
        connect(field, &QLineEdit::returnPressed, this, &RoamPane1::qryResults_Click);
    if (QLineEdit *site = m_qrySiteCbo->lineEdit())
        connect(site, &QLineEdit::returnPressed, this, &RoamPane1::qryResults_Click);
}

void RoamPane1::createOptionsPage()
{
    // In a short window the page scrolls instead of squeezing its frames over each other.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(u"OptionsScroll"_s);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_optionsScroll = scroll;
    m_optionsPage = new QWidget(scroll);
    m_optionsPage->setObjectName(u"OptionsPage"_s);
    m_optionsPage->setAutoFillBackground(true);
    scroll->setWidget(m_optionsPage);
    auto *page = new QVBoxLayout(m_optionsPage);
    page->setContentsMargins(4, 4, 4, 4);

    m_frame3 = new QGroupBox(RoamStrings::BrowserFrameText.toString(), m_optionsPage);
    m_frame3->setObjectName(u"Frame3"_s);
    setTag(m_frame3, QString::number(BrowserFrameId));
    auto *quitBox = new QVBoxLayout(m_frame3);
    auto *quitGroup = new QButtonGroup(m_frame3);
    const QStringView quitTexts[] = {
        RoamStrings::NeverQuitText, RoamStrings::AlwaysQuitText, RoamStrings::AskText};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(quitTexts[i].toString(), m_frame3);
        option->setObjectName(u"Option1_"_s + QString::number(i));
        setTag(option, QString::number(NeverQuitId + i));
        quitGroup->addButton(option, i);
        quitBox->addWidget(option);
        m_option1.append(option);
    }
    connect(quitGroup, &QButtonGroup::idClicked, this, &RoamPane1::Option1_Click);

    m_frame1 = new QGroupBox(RoamStrings::TreeViewFrameText.toString(), m_optionsPage);
    m_frame1->setObjectName(u"Frame1"_s);
    setTag(m_frame1, QString::number(TreeViewFrameId));
    auto *treeBox = new QVBoxLayout(m_frame1);
    auto *treeGroup = new QButtonGroup(m_frame1);
    const QStringView treeTexts[] = {RoamStrings::DescriptionInTreeText,
                                     RoamStrings::UrlsInTreeText};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(treeTexts[i].toString(), m_frame1);
        option->setObjectName(u"UrlOrDesc_"_s + QString::number(i));
        setTag(option, QString::number(NeverQuitId + 4 + i));
        treeGroup->addButton(option, i);
        treeBox->addWidget(option);
        m_urlOrDesc.append(option);
    }
    connect(treeGroup, &QButtonGroup::idClicked, this, &RoamPane1::UrlOrDesc_Click);

    m_frame2 = new QGroupBox(RoamStrings::RoamlogFrameText.toString(), m_optionsPage);
    m_frame2->setObjectName(u"Frame2"_s);
    auto *roamlogBox = new QGridLayout(m_frame2);
    m_ckAlwayesOnTop = new QCheckBox(RoamStrings::StayOnTopText.toString(), m_frame2);
    m_ckAlwayesOnTop->setObjectName(u"ckAlwayesOnTop"_s);
    setTag(m_ckAlwayesOnTop, QString::number(NeverQuitId + 3));
    m_language = new QCheckBox(RoamStrings::HebrewText.toString(), m_frame2);
    m_language->setObjectName(u"Language"_s);
    setTag(m_language, QString::number(NeverQuitId + 6));
    m_picture1 = new QLabel(m_frame2);
    m_picture1->setObjectName(u"Picture1"_s);
    m_picture1->setPixmap(RoamIcons::appIcon().pixmap(QSize(40, 40)));
    roamlogBox->addWidget(m_ckAlwayesOnTop, 0, 0);
    roamlogBox->addWidget(m_language, 1, 0);
    roamlogBox->addWidget(m_picture1, 0, 1, 2, 1, Qt::AlignCenter);
    roamlogBox->setColumnStretch(0, 1);
    connect(m_ckAlwayesOnTop, &QCheckBox::clicked, this, &RoamPane1::ckAlwayesOnTop_Click);
    connect(m_language, &QCheckBox::clicked, this, &RoamPane1::Language_Click);

    page->addWidget(m_frame3);
    page->addWidget(m_frame1);
    page->addWidget(m_frame2);
    createNeverRecordFrame(m_optionsPage);
    page->addWidget(m_neverFrame, 1);
    m_pageText = new PageTextPanel(*m_settings, m_optionsPage);
    page->addWidget(m_pageText->frame());
    connect(m_pageText->forgetButton(), &QPushButton::clicked, this, &RoamPane1::forgetAllPageText);
    connect(m_pageText, &PageTextPanel::problemFound, this, &RoamPane1::SetStatusText);
}

void RoamPane1::createNeverRecordFrame(QWidget *page)
{
    m_neverFrame = new QGroupBox(u"Never record"_s, page);
    m_neverFrame->setObjectName(u"NeverRecordFrame"_s);
    setTag(m_neverFrame, QString::number(NeverRecordFrameId));
    auto *box = new QGridLayout(m_neverFrame);
    m_neverList = new QListWidget(m_neverFrame);
    m_neverList->setObjectName(u"NeverRecordList"_s);
    m_neverList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_neverEdit = new QLineEdit(m_neverFrame);
    m_neverEdit->setObjectName(u"NeverRecordEdit"_s);
    m_neverEdit->setPlaceholderText(u"Host name or URL prefix"_s);
    m_neverAdd = new QPushButton(u"Add"_s, m_neverFrame);
    m_neverAdd->setObjectName(u"NeverRecordAdd"_s);
    setTag(m_neverAdd, QString::number(NeverRecordAddId));
    m_neverAdd->setAutoDefault(false);
    m_neverRemove = new QPushButton(u"Remove"_s, m_neverFrame);
    m_neverRemove->setObjectName(u"NeverRecordRemove"_s);
    setTag(m_neverRemove, QString::number(NeverRecordRemoveId));
    m_neverRemove->setAutoDefault(false);
    box->addWidget(m_neverList, 0, 0, 1, 2);
    box->addWidget(m_neverEdit, 1, 0, 1, 2);
    box->addWidget(m_neverAdd, 2, 0);
    box->addWidget(m_neverRemove, 2, 1);
    box->setRowStretch(0, 1);
    connect(m_neverAdd, &QPushButton::clicked, this, &RoamPane1::neverRecordAdd);
    connect(m_neverEdit, &QLineEdit::returnPressed, this, &RoamPane1::neverRecordAdd);
    connect(m_neverRemove, &QPushButton::clicked, this, &RoamPane1::neverRecordRemove);
}

void RoamPane1::createMenus()
{
    m_mnuRoamPane = new QMenu(this);
    m_mnuRoamPane->setObjectName(u"mnuRoamPane"_s);
    const auto item = [this](const QString &name, const QString &text) {
        QAction *action = m_mnuRoamPane->addAction(text);
        action->setObjectName(name);
        return action;
    };
    const auto handle = [this](QAction *action, void (RoamPane1::*handler)()) {
        connect(action, &QAction::triggered, this, handler);
    };
    handle(item(u"mnuGoTo"_s, u"100"_s), &RoamPane1::mnuGoTo_Click);
    handle(item(u"mnuFind"_s, u"101"_s), &RoamPane1::mnuFind_Click);
    m_mnuRoamPane->addSeparator()->setObjectName(u"Space1"_s);
    handle(item(u"mnuDelete"_s, u"102"_s), &RoamPane1::mnuDelete_Click);
    m_mnuRoamPane->addSeparator()->setObjectName(u"Space2"_s);
    handle(item(u"mnuEditNote"_s, u"103"_s), &RoamPane1::mnuEditNote_Click);
    handle(item(u"mnuProperties"_s, u"104"_s), &RoamPane1::mnuProperties_Click);
    handle(item(u"mnuOutlook"_s, QString::number(AddToTasksId)), &RoamPane1::mnuOutlook_Click);
    m_mnuRoamPane->addSeparator()->setObjectName(u"Space4"_s);
    handle(item(u"mnuGetHelp"_s, u"110"_s), &RoamPane1::mnuGetHelp_Click);
    handle(item(u"mnuAbout"_s, u"105"_s), &RoamPane1::mnuAbout_Click);

    m_mnuToolTip = new QMenu(this);
    m_mnuToolTip->setObjectName(u"mnuToolTip"_s);
    QAction *changeFolder = m_mnuToolTip->addAction(QString::number(ChangeFolderId));
    changeFolder->setObjectName(u"mnuChangefolder"_s);
    connect(changeFolder, &QAction::triggered, this, &RoamPane1::mnuChangefolder_Click);
}

void RoamPane1::UserControl_Initialize()
{
    installFontsOnce();
    setObjectName(u"RoamPane1"_s);
    setMinimumSize(120, 160);
    createControls();

    m_rightButtonDown = false;
    const QString dataFolder = m_dataFolderOverride.isEmpty() ? m_settings->dataFolder()
                                                              : m_dataFolderOverride;
    m_store = std::make_unique<RoamStore>(dataFolder, m_clock);
    m_builder = std::make_unique<OutlineBuilder>(*m_tree, *m_store);
    m_query = std::make_unique<QueryBuilder>(*m_tree, *m_builder, *m_store);
    m_recorder = std::make_unique<NavigationRecorder>(*m_store, m_clock);
    DeleteCommands::Hooks deleteHooks;
    deleteHooks.confirm = [this](const QString &question) {
        return message(QMessageBox::Question,
                       question,
                       QMessageBox::Yes | QMessageBox::No,
                       QMessageBox::No)
               == QMessageBox::Yes;
    };
    deleteHooks.forgetPageText = [this](const QStringList &urls) {
        m_pageText->forget(urls);
    };
    deleteHooks.rebuild = [this] {
        rebuildOutline();
    };
    m_delete = std::make_unique<DeleteCommands>(
        *m_store, *m_tree, *m_builder, m_changingTree, std::move(deleteHooks));
    connect(m_delete.get(), &DeleteCommands::siteChosen, this, &RoamPane1::SetSelectedUrl);
    connect(m_delete.get(), &DeleteCommands::runningChanged, this, [this](bool running) {
        if (auto *item = findChild<QAction *>(u"mnuDelete"_s))
            item->setEnabled(!running);
    });
    // While a search result shows, the recorder's nodes would land in it.
    m_recorder->SetCurrentOutline(m_tree, m_builder.get(), [this] {
        return selectedTabTag() == u"Current"_s && !(m_search && m_search->Showing());
    });
    delete m_search;
    m_search = new SearchBox(*m_tree, *m_builder, *m_store, this);
    m_search->setObjectName(u"SearchBox"_s);
    m_search->setPlaceholderText(u"Search titles, URLs and notes"_s);
    m_search->SetTextSearch([this](const QString &words) { return m_pageText->search(words); });
    connect(m_search, &SearchBox::searched, this, [this](int found) {
        SetStatusText(text(SitesFoundId) + QString::number(found));
    });
    auto *focusSearch = new QAction(m_search);
    focusSearch->setShortcut(QKeySequence::Find);
    focusSearch->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(focusSearch);
    connect(focusSearch, &QAction::triggered, this, [this] {
        if (!m_search->isVisible())
            return;
        m_search->setFocus(Qt::ShortcutFocusReason);
        m_search->selectAll();
    });
    connect(m_search, &SearchBox::cleared, this, [this] {
        rebuildOutline();
        SetStatusText(QString());
    });

    const QScopedValueRollback changing(m_changingTree, true);
    ArrangeControls();
    LoadSettings();
    m_resetFavorites = false;
    m_buttons.at(0)->setEnabled(true);
    m_buttons.at(1)->setEnabled(false);
    ShowOptionsPage(false);
    ShowQueryPage(false);
    m_recorder->SetRecording(true);
    m_language->setChecked(m_langOffset != 0);
    LoadResStrings1(m_langOffset);
    m_builder->SetLangOffset(m_langOffset);

    QString failure;
    try {
        const QString tag = selectedTabTag();
        m_builder->AddRootNode(tag, outlineTabImage(tag));
        m_store->SessionStart = m_clock.now();
        m_store->SetSaveStateListener(
            [this] { m_saveStatePanel->Refresh(*m_store, m_langOffset); });
        QString reason;
        if (makePrivateFolder(m_store->dataFolder(), &reason))
            lockDataFolder();
        m_store->LoadDataFolder();
        if (!QDir(m_store->dataFolder()).exists()) {
            failure = text(PathNotFoundId) + QDir::toNativeSeparators(m_store->dataFolder());
            std::fprintf(stderr,
                         "Roamlog: the data folder %s cannot be created: %s\n",
                         qUtf8Printable(QDir::toNativeSeparators(m_store->dataFolder())),
                         qUtf8Printable(reason));
        }
    } catch (const std::exception &error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    if (!failure.isEmpty()) {
        m_initialisationError = text(UnexpectedErrorId) + failure;
        if (m_showMessages) {
            QMessageBox box(QMessageBox::Critical,
                            u"Roamlog"_s,
                            BidiText::forDirection(m_initialisationError, layoutDirection()),
                            QMessageBox::Ok,
                            this);
            box.exec();
        }
    }
    if (QDir(m_store->dataFolder()).exists())
        m_pageText->open(m_store->dataFolder(), m_store->ReadOnly());
    showUnreadableCount();
    m_builder->BuildOutline(u"Current"_s);
    ArrangeControls();
}

void RoamPane1::LoadSettings()
{
    m_ckAlwayesOnTop->setChecked(m_settings->onTop());
    m_stayOnTop = m_ckAlwayesOnTop->isChecked();

    m_langOffset = qint16(
        m_settings->lang() == RoamStrings::HebrewOffset ? RoamStrings::HebrewOffset : 0);

    const int quit = m_settings->quit();
    m_quitMode = qint16(quit >= 0 && quit < int(m_option1.size()) ? quit : 2);
    m_option1.at(m_quitMode)->setChecked(true);

    m_setupPath = m_settings->setupPath();

    const int choice = m_settings->urlOrDesc();
    m_urlOrDescChoice = qint16(choice == 1 ? 1 : 0);
    m_urlOrDesc.at(m_urlOrDescChoice)->setChecked(true);
    UrlOrDesc_Click(m_urlOrDescChoice);

    for (int index = FirstFavoritesButton; index <= int(m_buttons.size()); ++index) {
        const QString value = m_settings->toolBar(index);
        if (value.isEmpty())
            continue;
        QString tip;
        QString tag = WordHelpers::CutFirstWord(value, tip, u","_s);
        // A folder whose path holds a comma: the binding splits where the rest is the tooltip
        // that the binding made from the folder.
        const QString trimmed = value.trimmed();
        for (qsizetype comma = trimmed.indexOf(u','); comma >= 0;
             comma = trimmed.indexOf(u',', comma + 1)) {
            const QString folder = trimmed.left(comma);
            const QString rest = trimmed.mid(comma + 1).trimmed();
            if (rest == favoritesTip(folder)) {
                tag = folder;
                tip = rest;
                break;
            }
        }
        QAction *button = m_buttons.at(index - 1);
        setTag(button, tag);
        button->setToolTip(tip);
    }

    const QStringList rules = m_settings->neverRecord();
    m_neverList->clear();
    m_neverList->addItems(rules);
    m_recorder->SetNeverRecordRules(NeverRecordRules(rules));
}

void RoamPane1::ArrangeControls()
{
    if (!m_tabStrip)
        return;
    const int w = width();
    const int h = height();
    // The panel's scale: 1000 by 1000 units.
    const auto ux = [w](double units) {
        return int(units * w / 1000.0 + 0.5);
    };
    const auto uy = [h](double units) {
        return int(units * h / 1000.0 + 0.5);
    };

    const int toolbarHeight = m_toolbar->sizeHint().height();
    const int statusHeight = m_statusBar->sizeHint().height();
    m_toolbar->setGeometry(0, 0, w, toolbarHeight);
    m_statusBar->setGeometry(0, h - statusHeight, w, statusHeight);

    // The tab strip covers the panel below the toolbar; its client area begins under the row of
    // tabs, and the status bar lies over its bottom.
    // In a narrow window the tab pictures give their room to the captions.
    const QSize tabIcons(16, 16);
    const QFontMetrics metrics(m_tabStrip->font());
    const int tabSpace = m_tabStrip->style()->pixelMetric(
        QStyle::PM_TabBarTabHSpace, nullptr, m_tabStrip);
    int tabsWidth = 0;
    for (int i = 0; i < m_tabStrip->count(); ++i)
        tabsWidth += metrics.horizontalAdvance(m_tabStrip->tabText(i)) + tabSpace + tabIcons.width()
                     + 4;
    m_tabStrip->setIconSize(tabsWidth > w ? QSize(0, 0) : tabIcons);
    // Without their pictures the captions may still not fit (large type, a scaled screen):
    // they stay whole and readable, and the strip scrolls instead.
    const int captionsWidth = tabsWidth - m_tabStrip->count() * (tabIcons.width() + 4);
    const bool scroll = captionsWidth > w;
    m_tabStrip->setUsesScrollButtons(scroll);
    m_tabStrip->setElideMode(scroll ? Qt::ElideNone : Qt::ElideRight);
    const int tabHeight = m_tabStrip->sizeHint().height();
    m_tabStrip->setGeometry(0, toolbarHeight, w, tabHeight);
    const int cl = 0;
    const int ct = toolbarHeight + tabHeight;
    const int cw = w;
    const int ch = h - ct;

    const QRect page(cl + ux(10), ct + uy(10), cw - ux(20), ch - statusHeight - uy(20));
    const int searchHeight = m_search ? m_search->sizeHint().height() : 0;
    if (m_search)
        m_search->setGeometry(page.x(), page.y(), page.width(), searchHeight);
    m_tree->setGeometry(page.adjusted(0, searchHeight + (m_search ? uy(4) : 0), 0, 0));
    m_qrFrame->setGeometry(page);
    m_optionsScroll->setGeometry(page);
    m_qrFrame->raise();
    m_optionsScroll->raise();
    arrangeQueryPage();
}

void RoamPane1::arrangeQueryPage()
{
    const int w = m_qrFrame->width();
    const int h = m_qrFrame->height();
    const auto ux = [w](double units) {
        return int(units * w / 1000.0 + 0.5);
    };
    const auto uy = [h](double units) {
        return int(units * h / 1000.0 + 0.5);
    };
    const bool rtl = layoutDirection() == Qt::RightToLeft;
    const auto place = [&](QWidget *control, int left, int top, int width) {
        const QSize hint = control->sizeHint();
        const int x = ux(left);
        const int cw = width > 0 ? ux(width) : qMax(1, qMin(hint.width(), w - x - ux(20)));
        QRect r(x, uy(top), cw, hint.height());
        if (rtl)
            r.moveLeft(w - r.right() - 1);
        control->setGeometry(r);
    };

    // A label takes the width left of it to the frame's edge.
    const int labelWidth = 1000 - 140 - 20;
    place(m_qryOpt.at(0), 50, 500, 0);
    place(m_qryLabel1, 140, 500, labelWidth);
    place(m_qrySiteCbo, 150, 575, 750);
    place(m_qryLabel2, 140, 665, labelWidth);
    place(m_qryDate1, 150, 740, 450);
    place(m_qryOpt.at(1), 50, 40, 0);
    place(m_qryLabel3, 140, 40, labelWidth);
    place(m_qryString, 150, 115, 750);
    place(m_qryFrame, 150, 215, 750);
    const int findInRoom = uy(500 - 215) - uy(10);
    if (m_qryFrame->height() > findInRoom && findInRoom > 0)
        m_qryFrame->resize(m_qryFrame->width(), findInRoom);

    // The Search button: centred, its bottom on the bottom of the page.
    const QSize button = m_qryResults->sizeHint();
    m_qryResults->setGeometry(
        w / 2 - button.width() / 2, h - button.height() - uy(15), button.width(), button.height());
}

void RoamPane1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ArrangeControls();
}

void RoamPane1::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::FontChange)
        ArrangeControls();
}

void RoamPane1::ShowOptionsPage(bool visible)
{
    m_optionsScroll->setVisible(visible);
    m_optionsPage->setVisible(visible);
    for (QWidget *control : {static_cast<QWidget *>(m_frame1),
                             static_cast<QWidget *>(m_frame2),
                             static_cast<QWidget *>(m_frame3),
                             static_cast<QWidget *>(m_ckAlwayesOnTop),
                             static_cast<QWidget *>(m_picture1),
                             static_cast<QWidget *>(m_language)})
        control->setVisible(visible);
    for (QRadioButton *option : std::as_const(m_urlOrDesc))
        option->setVisible(visible);
    for (QRadioButton *option : std::as_const(m_option1))
        option->setVisible(visible);
}

void RoamPane1::ShowQueryPage(bool visible)
{
    m_qrFrame->setVisible(visible);
}

QString RoamPane1::TabTag(int index)
{
    if (index < 0 || index >= int(OutlineTabs.size()))
        return QString();
    return OutlineTabs[std::size_t(index)].Tag.toString();
}

QString RoamPane1::selectedTabTag() const
{
    return TabTag(m_tabStrip->currentIndex());
}

void RoamPane1::TabStrip1_Click()
{
    const QString T = selectedTabTag();
    // Another tab leaves the search: its result would otherwise stand for the new tab.
    const bool searched = m_search->Drop();
    m_search->setVisible(T != u"Options"_s && T != u"Query"_s);
    if (T == u"Options"_s) {
        m_tree->setVisible(false);
        ShowOptionsPage(true);
        ShowQueryPage(false);
        m_currentTab = T;
    } else if (T == u"Query"_s) {
        ShowQueryPage(true);
        ShowOptionsPage(false);
        m_currentTab = T;
    } else if (T != m_currentTab || searched) {
        const QScopedValueRollback changing(m_changingTree, true);
        ShowQueryPage(false);
        ShowOptionsPage(false);
        m_currentTab = T;
        m_tree->Clear();
        m_tree->repaint();
        m_builder->AddRootNode(T, outlineTabImage(T));
        m_tree->setVisible(true);
        m_builder->BuildOutline(T);
    }
}

QAction *RoamPane1::ToolbarButton(int index) const
{
    return index >= 1 && index <= int(m_buttons.size()) ? m_buttons.at(index - 1) : nullptr;
}

void RoamPane1::Toolbar1_ButtonClick(QAction *button)
{
    const int index = int(m_buttons.indexOf(button)) + 1;
    if (index <= 0)
        return;
    if (index >= FirstFavoritesButton) {
        favoritesClick(index, button);
        return;
    }
    const QString tag = tagOf(button);
    if (m_store->ReadOnly())
        return;
    if (tag == u"Play"_s) {
        m_recorder->SetRecording(true);
        m_buttons.at(0)->setEnabled(true);
        m_buttons.at(1)->setEnabled(false);
        // The page shown now starts a visit from this moment.
        emit GetURL();
        emit GetTitle();
    } else if (tag == u"Pause"_s) {
        m_recorder->SetRecording(false);
        m_buttons.at(0)->setEnabled(false);
        m_buttons.at(1)->setEnabled(true);
    }
    showRecordingState();
}

void RoamPane1::showRecordingState()
{
    const bool paused = !m_recorder->Recording();
    m_pausedPanel->setText(text(RecordingPausedId));
    m_pausedPanel->setVisible(paused);
    emit RecordingPaused(paused);
}

void RoamPane1::ckAlwayesOnTop_Click()
{
    const bool checked = m_ckAlwayesOnTop->isChecked();
    if (checked)
        emit OnTop();
    else
        emit NotOnTop();
    m_settings->setOnTop(checked);
}

void RoamPane1::Language_Click()
{
    const qint16 offset = qint16(m_language->isChecked() ? RoamStrings::HebrewOffset : 0);
    m_settings->setLang(offset);
    if (offset == m_langOffset)
        return;
    // The new language applies at once: captions, direction, and the outline's own texts.
    m_langOffset = offset;
    LoadResStrings1(m_langOffset);
    m_builder->SetLangOffset(m_langOffset);
    showUnreadableCount();
    ArrangeControls();
    emit LanguageChanged(m_langOffset);
}

void RoamPane1::Option1_Click(int Index)
{
    m_settings->setQuit(Index);
    m_quitMode = qint16(Index);
}

void RoamPane1::UrlOrDesc_Click(int Index)
{
    m_settings->setUrlOrDesc(Index);
    if (Index >= 0 && Index < int(m_urlOrDesc.size()))
        m_urlOrDesc.at(Index)->setChecked(true);
    m_urlOrDescChoice = qint16(Index);
    if (m_builder)
        m_builder->SetUrlOrDescChoice(Index);
}

void RoamPane1::lockDataFolder()
{
    if (m_store->LockDataFolder(u"Roamlog"_s) != DataFolderLock::Result::Busy)
        return;
    // Two writers would each rewrite whole files from their own memory, so the second one
    // records nothing and changes nothing.
    m_recorder->SetRecording(false);
    m_buttons.at(0)->setEnabled(false);
    m_buttons.at(1)->setEnabled(false);
    const QString text = SaveStatePanel::readOnlyText(*m_store, m_langOffset);
    m_saveStatePanel->Refresh(*m_store, m_langOffset);
    std::fprintf(stderr, "Roamlog: %s\n", qUtf8Printable(text));
    message(QMessageBox::Warning, text + u'.');
}

void RoamPane1::showUnreadableCount()
{
    // A partly readable file counts too: part of it is not in the record.
    const qsizetype count = m_store->unreadableFiles().size() + m_store->damagedFiles().size();
    if (count == 0) {
        m_unreadablePanel->hide();
        return;
    }
    m_unreadablePanel->setText(BidiText::forDirection(
        text(UnreadableFilesId) + QString::number(count), layoutDirection()));
    m_unreadablePanel->setToolTip(QDir::toNativeSeparators(m_store->dataFolder()));
    m_unreadablePanel->show();
}

QString RoamPane1::StatusText() const
{
    return m_statusPanel->text();
}

void RoamPane1::SetStatusText(const QString &text)
{
    m_statusPanel->setText(BidiText::forDirection(text, layoutDirection()));
}

bool RoamPane1::GetCFile()
{
    return m_store->GetCFile(m_selectedUrl);
}

bool RoamPane1::SetCFile()
{
    return m_store->SetCFile(m_selectedUrl);
}

WId RoamPane1::TabHwnd()
{
    return m_tabStrip->winId();
}

bool RoamPane1::isOnTop() const
{
    return m_ckAlwayesOnTop->isChecked();
}

bool RoamPane1::Recording() const
{
    return m_recorder->Recording();
}

void RoamPane1::Activity(const QString &URL)
{
    const QScopedValueRollback changing(m_changingTree, true);
    m_recorder->Activity(URL);
}

void RoamPane1::PageActivity(const QString &pageUrl, const QString &fileName)
{
    const QScopedValueRollback changing(m_changingTree, true);
    m_recorder->PageActivity(pageUrl, fileName);
}

void RoamPane1::LoadResStrings1(qint16 l)
{
    CaptionLoader::LoadResStrings1(this, l);
    loadDynamicTexts();
}

// Texts the caption loader does not reach: placeholders, toolbar tips and the status panels.
void RoamPane1::loadDynamicTexts()
{
    const auto load = [this](int id, const QString &fallback) {
        return RoamStrings::text(id + m_langOffset).value_or(fallback);
    };
    m_neverEdit->setPlaceholderText(load(NeverRecordHintId, m_neverEdit->placeholderText()));
    m_qryString->setPlaceholderText(load(StringPlaceholderId, m_qryString->placeholderText()));
    if (m_search)
        m_search->setPlaceholderText(load(SearchPlaceholderId, m_search->placeholderText()));
    m_qryDate1->setPlaceholderText(load(DatePlaceholderId, m_qryDate1->placeholderText()));
    const QString key = u" ("_s + m_buttons.at(0)->shortcut().toString(QKeySequence::NativeText)
                        + u')';
    m_buttons.at(0)->setToolTip(load(PauseTipId, u"Pause"_s) + key);
    m_buttons.at(1)->setToolTip(load(ResumeTipId, u"Record"_s) + key);
    // The stored tooltip of a bound button stays English (the setting is matched by it); the
    // one shown names the folder in the panel's language.
    for (int index = FirstFavoritesButton; index <= int(m_buttons.size()); ++index) {
        QAction *button = m_buttons.at(index - 1);
        const QString folder = tagOf(button);
        if (folder == unboundTag) {
            button->setToolTip(load(FavoritesTipId, u"Favorites"_s));
        } else if (button->toolTip() == favoritesTip(folder)
                   || button->property(ShownTipProperty).toBool()) {
            button->setToolTip(favoritesTip(folder, load(AddToId, u"Add to "_s)));
            button->setProperty(ShownTipProperty, true);
        }
    }
    m_pausedPanel->setText(load(RecordingPausedId, m_pausedPanel->text()));
    // A status text that opens with a left-to-right run (an isolated URL) would otherwise align
    // as English text does, away from the Hebrew side.
    m_statusPanel->setAlignment(
        Qt::AlignAbsolute | Qt::AlignVCenter
        | (m_langOffset == RoamStrings::HebrewOffset ? Qt::AlignRight : Qt::AlignLeft));
    AccessKeys::assign(m_mnuRoamPane);
    AccessKeys::assign(m_mnuToolTip);
}

bool RoamPane1::Find(bool Start, bool URL, bool Dir, const QString &txt)
{
    Q_UNUSED(Dir);
    const int index = QueryBuilder::FindNext(*m_tree,
                                             m_builder->OutlineNodes(),
                                             OutlineTree::NodeIndex(m_tree->SelectedNode()),
                                             Start,
                                             URL,
                                             m_urlOrDescChoice != 0,
                                             txt);
    OutlineNode *node = m_tree->Node(index);
    if (!node) {
        // The old selection is no answer: it would read as a hit.
        m_tree->selectionModel()->clear();
        SetStatusText(text(NotFoundId));
        return false;
    }
    const QScopedValueRollback changing(m_changingTree, true);
    node->setExpanded(true);
    m_tree->scrollToItem(node);
    m_tree->setCurrentItem(node);
    return true;
}

void RoamPane1::UrlName(const QString &UrlName)
{
    const QScopedValueRollback changing(m_changingTree, true);
    m_recorder->UrlName(UrlName);
}

qint16 RoamPane1::CountCSVWords(const QVariant &s, const QString &Delim)
{
    return WordHelpers::CountCSVWords(s, Delim);
}

void RoamPane1::SetEndURL(const QString &MySite)
{
    m_recorder->SetEndURL(MySite);
}

void RoamPane1::SetUrl(const QString &URL)
{
    const QScopedValueRollback changing(m_changingTree, true);
    m_recorder->SetUrl(URL);
}

QString RoamPane1::CurrentUrl() const
{
    return m_recorder->CurrentUrl();
}

QString RoamPane1::CurrentTitle() const
{
    return m_recorder->CurrentTitle();
}

QString RoamPane1::CutFirstWord(const QString &s, QString &Remainder, const QString &Delim)
{
    return WordHelpers::CutFirstWord(s, Remainder, Delim);
}

QString RoamPane1::CutLastWord(const QString &s, QString &Remainder, const QString &Sep)
{
    return WordHelpers::CutLastWord(s, Remainder, Sep);
}

void RoamPane1::SetSession(bool sEnd)
{
    if (m_store->ReadOnly())
        return;
    if (sEnd)
        m_recorder->EndVisit();
    m_store->SetSession(sEnd);
    if (sEnd && m_store->UnsavedCount() > 0) {
        const QString lost = SaveStatePanel::lostAtCloseText(*m_store, m_langOffset);
        std::fprintf(stderr, "Roamlog: %s\n", qUtf8Printable(lost));
        message(QMessageBox::Warning, lost);
    }
}

QString RoamPane1::text(int id) const
{
    return RoamStrings::text(id + m_langOffset).value_or(RoamStrings::text(id).value_or(QString()));
}

QMessageBox::StandardButton RoamPane1::message(QMessageBox::Icon icon,
                                               const QString &text,
                                               QMessageBox::StandardButtons buttons,
                                               QMessageBox::StandardButton fallback)
{
    m_lastMessage = text;
    if (m_messageHandler)
        return m_messageHandler(icon, text);
    if (!m_showMessages)
        return fallback;
    QMessageBox box(
        icon, u"Roamlog"_s, BidiText::forDirection(text, layoutDirection()), buttons, this);
    box.setLayoutDirection(layoutDirection());
    box.setDefaultButton(fallback);
    return QMessageBox::StandardButton(box.exec());
}

// Favorites

void RoamPane1::favoritesClick(int index, QAction *button)
{
    if (tagOf(button) == unboundTag || m_resetFavorites) {
        m_favoritesFolder.clear();
        m_favoritesFolder = m_folderAsker ? m_folderAsker(index)
                                          : SetupFavorites::ask(m_langOffset, this);
        if (!m_favoritesFolder.isEmpty()) {
            const QString folder = QDir::toNativeSeparators(QDir::cleanPath(m_favoritesFolder));
            const QString tip = favoritesTip(folder);
            setTag(button, folder);
            button->setToolTip(tip);
            m_settings->setToolBar(index, folder + u',' + tip);
            loadDynamicTexts();
        }
        m_resetFavorites = false;
    }
    const QString folder = tagOf(button);
    // An unbound button whose dialog was cancelled has nowhere to write to.
    if (folder == unboundTag)
        return;

    emit GetTitle();
    emit GetURL();

    QString url;
    QString title;
    if (m_recorder->OffRecord()) {
        url = m_recorder->OffRecordUrl();
        title = m_recorder->OffRecordTitle();
    } else {
        if (m_recorder->CurrentUrl().isEmpty())
            return;
        url = m_recorder->CurrentRawUrl();
        if (url.isEmpty())
            url = m_recorder->CurrentUrl();
        title = m_recorder->CurrentTitle();
    }
    QString error;
    if (!FavoriteShortcut::write(url, title, folder, &error).isEmpty())
        message(QMessageBox::Information, title + text(AddedToFavoritesId));
    else
        message(QMessageBox::Warning, title + text(FavoritesFailedId) + error);
}

void RoamPane1::Toolbar1_MouseDown(Qt::MouseButtons Button, const QPoint &globalPos)
{
    if (Button & Qt::RightButton)
        m_mnuToolTip->popup(globalPos);
}

void RoamPane1::mnuChangefolder_Click()
{
    m_resetFavorites = true;
}

// Tree interaction

bool RoamPane1::eventFilter(QObject *watched, QEvent *event)
{
    const auto *mouse = dynamic_cast<QMouseEvent *>(event);
    if (watched == m_tree->viewport() && mouse) {
        const QPoint pos = mouse->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress)
            TreeView1_MouseDown(mouse->buttons() | mouse->button(), pos);
        else if (event->type() == QEvent::MouseButtonRelease)
            TreeView1_MouseUp(pos, mouse->globalPosition().toPoint());
    } else if (watched == m_tree && event->type() == QEvent::KeyPress) {
        return treeKeyPress(static_cast<QKeyEvent *>(event));
    } else if (mouse && event->type() == QEvent::MouseButtonPress
               && (watched == m_toolbar || watched->parent() == m_toolbar)) {
        Toolbar1_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

void RoamPane1::TreeView1_MouseDown(Qt::MouseButtons Button, const QPoint &pos)
{
    m_rightButtonDown = Button.testFlag(Qt::RightButton);
    m_pressedNode = m_tree->itemAt(pos);
}

void RoamPane1::TreeView1_MouseUp(const QPoint &pos, const QPoint &globalPos)
{
    // A click is a press and a release on the same node; the handler learns the button from
    // RightButtonDown, which the release then clears.
    OutlineNode *node = m_tree->itemAt(pos);
    if (node && node == m_pressedNode)
        TreeView1_NodeClick(node, globalPos);
    m_pressedNode = nullptr;
    m_rightButtonDown = false;
}

void RoamPane1::enableSiteItems(OutlineNode *node, bool rightButton)
{
    const QString tag = OutlineTree::NodeTag(node);
    const bool site = tag == OutlineTree::SiteTag;
    QList<QAction *> items {findChild<QAction *>(u"mnuEditNote"_s),
                            findChild<QAction *>(u"mnuProperties"_s),
                            findChild<QAction *>(u"mnuGoTo"_s)};
    if (rightButton) {
        items.append(findChild<QAction *>(u"mnuDelete"_s));
        items.append(findChild<QAction *>(u"mnuOutlook"_s));
    }
    for (QAction *item : std::as_const(items))
        item->setEnabled(site);
    if (rightButton && tag == OutlineTree::SessionTag)
        findChild<QAction *>(u"mnuDelete"_s)->setEnabled(true);
}

void RoamPane1::showPopup(OutlineNode *node, const QPoint &globalPos)
{
    m_tree->setFocus();
    enableSiteItems(node, true);
    m_mnuRoamPane->setLayoutDirection(layoutDirection());
    m_mnuRoamPane->popup(globalPos);
}

void RoamPane1::TreeView1_NodeClick(OutlineNode *Node, const QPoint &globalPos)
{
    if (m_rightButtonDown) {
        showPopup(Node, globalPos);
        return;
    }
    const QString key = OutlineTree::NodeKey(Node);
    const CTreeNodePtr record = key.isEmpty() ? nullptr : m_builder->FilledOutlineNodes().Item(key);
    // The status bar shows what the tree does not: the URL beside titles, the title beside
    // URLs.
    if (!key.isEmpty()) {
        SetStatusText(!record ? QString()
                      : m_urlOrDescChoice == 0
                          ? BidiText::displayUrl(record->URL, layoutDirection())
                      : layoutDirection() == Qt::RightToLeft ? BidiText::ownDirection(record->Title)
                                                             : record->Title);
    }
    showPageTextSnippet(key);
    if (OutlineTree::NodeTag(Node) == OutlineTree::SiteTag) {
        if (record)
            m_selectedUrl = record->URL;
        const QScopedValueRollback changing(m_changingTree, true);
        m_tree->SetChildSorting(Node, true);
    }
    enableSiteItems(Node, false);
}

void RoamPane1::TreeView1_DblClick()
{
    if (OutlineTree::NodeTag(m_tree->SelectedNode()) == OutlineTree::SiteTag)
        mnuGoTo_Click();
}

void RoamPane1::TreeView1_Expand(OutlineNode *Node)
{
    // Only the user's expansions sort: the builders and the recorder open nodes as they add
    // them and keep the order they chose.
    if (m_changingTree || OutlineTree::NodeTag(Node) != OutlineTree::SiteTag)
        return;
    const QScopedValueRollback changing(m_changingTree, true);
    m_tree->SetChildSorting(Node, true);
}

bool RoamPane1::treeKeyPress(QKeyEvent *event)
{
    OutlineNode *node = m_tree->SelectedNode();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (OutlineTree::NodeTag(node) != OutlineTree::SiteTag)
            return false;
        mnuGoTo_Click();
        return true;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        if (event->key() == Qt::Key_F10 && event->modifiers() != Qt::ShiftModifier)
            return false;
        if (node) {
            const QRect rect = m_tree->visualItemRect(node);
            showPopup(node, m_tree->viewport()->mapToGlobal(rect.bottomLeft()));
        } else {
            showPopup(nullptr, m_tree->viewport()->mapToGlobal(QPoint(0, 0)));
        }
        return true;
    case Qt::Key_Delete:
        mnuDelete_Click();
        return true;
    default:
        return false;
    }
}

CTreeNodePtr RoamPane1::selectedRecord() const
{
    const QString key = OutlineTree::NodeKey(m_tree->SelectedNode());
    return key.isEmpty() ? nullptr : m_builder->FilledOutlineNodes().Item(key);
}

void RoamPane1::mnuGoTo_Click()
{
    const WaitCursor wait;
    // A node without a record names no site: there is nowhere to go.
    const CTreeNodePtr record = selectedRecord();
    if (!record)
        return;
    m_selectedUrl = record->URL;
    emit NavTo();
}

void RoamPane1::mnuFind_Click()
{
    emit FindIt();
}

// Delete

void RoamPane1::mnuDelete_Click()
{
    m_delete->DeleteSelected(text(DeleteSiteQuestionId), text(DeleteSessionQuestionId));
}

void RoamPane1::rebuildOutline()
{
    const QScopedValueRollback changing(m_changingTree, true);
    const QString tag = selectedTabTag();
    m_tree->Clear();
    m_tree->repaint();
    m_builder->AddRootNode(tag, outlineTabImage(tag));
    m_tree->setVisible(true);
    m_builder->BuildOutline(tag);
}

// Note, properties, tasks, help and about

void RoamPane1::mnuEditNote_Click()
{
    if (m_stayOnTop)
        emit NotOnTop();
    if (const CTreeNodePtr record = selectedRecord())
        m_selectedUrl = record->URL;
    frmNote::run(*m_store, m_selectedUrl, m_langOffset, this);
    if (m_stayOnTop)
        emit OnTop();
}

void RoamPane1::mnuProperties_Click()
{
    if (m_stayOnTop)
        emit NotOnTop();
    if (const CTreeNodePtr record = selectedRecord())
        m_selectedUrl = record->URL;
    frmSitesSessions::run(*m_store, m_selectedUrl, m_langOffset, this);
    if (m_stayOnTop)
        emit OnTop();
}

void RoamPane1::mnuOutlook_Click()
{
    const CTreeNodePtr record = selectedRecord();
    if (!record)
        return;
    m_selectedUrl = record->URL;
    QString error;
    QString written;
    {
        const WaitCursor wait;
        written = TaskExporter(m_settings->taskFolder(), m_clock)
                      .exportSite(m_selectedUrl, record->Title, &error);
    }
    if (!written.isEmpty())
        SetStatusText(text(TaskSavedId) + written);
    else
        message(QMessageBox::Warning, text(TaskFailedId) + error);
}

void RoamPane1::mnuGetHelp_Click()
{
    emit GetHelp();
}

void RoamPane1::mnuAbout_Click()
{
    if (m_stayOnTop)
        emit NotOnTop();
    emit AboutBox();
    if (m_stayOnTop)
        emit OnTop();
}

// Query

bool RoamPane1::queryIsComplete()
{
    if (!m_qryOpt.at(1)->isChecked())
        return true;
    if (m_qryString->text().trimmed().isEmpty()) {
        message(QMessageBox::Information, text(NoStringToFindId));
        m_qryString->setFocus();
        return false;
    }
    const bool fieldChosen = std::any_of(
        m_qryOpt1.cbegin(), m_qryOpt1.cend(), [](auto *option) { return option->isChecked(); });
    if (!fieldChosen) {
        message(QMessageBox::Information, text(NoFieldChosenId));
        m_qryOpt1.at(3)->setFocus();
        return false;
    }
    return true;
}

void RoamPane1::qryResults_Click()
{
    if (!queryIsComplete())
        return;
    const WaitCursor wait;
    const QScopedValueRollback changing(m_changingTree, true);
    ShowQueryPage(false);
    ShowOptionsPage(false);
    m_tree->Clear();
    m_tree->repaint();
    m_builder->AddRootNode(u"Query"_s, outlineTabImage(u"Query"));
    m_tree->setVisible(true);
    BuildQueryOutline(selectedTabTag());
}

void RoamPane1::BuildQueryOutline(const QString &tag)
{
    Q_UNUSED(tag);
    QueryBuilder::Query query;
    if (m_qryOpt.at(1)->isChecked())
        query.question = QueryBuilder::Question::FindString;
    else if (m_qryOpt.at(0)->isChecked())
        query.question = QueryBuilder::Question::DownloadsSince;
    query.siteText = m_qrySiteCbo->currentText();
    query.sinceText = m_qryDate1->text();
    query.findText = m_qryString->text();
    static constexpr QueryBuilder::Field fields[] = {QueryBuilder::Field::Url,
                                                     QueryBuilder::Field::Title,
                                                     QueryBuilder::Field::Note,
                                                     QueryBuilder::Field::All};
    for (int i = 0; i < int(m_qryOpt1.size()); ++i) {
        if (m_qryOpt1.at(i)->isChecked())
            query.field = fields[i];
    }
    m_pageSnippets.clear();
    if (query.question == QueryBuilder::Question::FindString
        && query.field == QueryBuilder::Field::All)
        m_pageSnippets = m_pageText->search(query.findText);
    query.textMatches = m_pageSnippets;
    const int found = m_query->BuildQueryOutline(query);
    SetStatusText(text(SitesFoundId) + QString::number(found));
}

// Never-record rules

void RoamPane1::neverRecordAdd()
{
    const QString rule = m_neverEdit->text().trimmed();
    if (rule.isEmpty())
        return;
    if (m_neverList->findItems(rule, Qt::MatchFixedString).isEmpty())
        m_neverList->addItem(rule);
    m_neverEdit->clear();
    neverRecordChanged();
}

void RoamPane1::neverRecordRemove()
{
    const int row = m_neverList->currentRow();
    if (row < 0)
        return;
    delete m_neverList->takeItem(row);
    neverRecordChanged();
}

void RoamPane1::neverRecordChanged()
{
    QStringList rules;
    for (int row = 0; row < m_neverList->count(); ++row)
        rules.append(m_neverList->item(row)->text());
    m_settings->setNeverRecord(rules);
    m_recorder->SetNeverRecordRules(NeverRecordRules(rules));
}

// Page text

PageTextIndex *RoamPane1::PageTexts() const
{
    return m_pageText->index();
}

bool RoamPane1::KeepsPageText(const QString &url) const
{
    return m_pageText->keeps() && m_recorder->Recording()
           && !m_recorder->NeverRecord().matches(url);
}

void RoamPane1::forgetAllPageText()
{
    if (message(QMessageBox::Question,
                text(ForgetPageTextQuestionId),
                QMessageBox::Yes | QMessageBox::No,
                QMessageBox::No)
        == QMessageBox::Yes)
        m_pageText->forgetAll();
}

void RoamPane1::showPageTextSnippet(const QString &key)
{
    const bool searching = m_search && m_search->Showing();
    if (m_currentTab != u"Query"_s && !searching)
        return;
    const QHash<QString, QString> &snippets = searching ? m_search->TextMatches() : m_pageSnippets;
    const auto snippet = snippets.constFind(key.toLower());
    if (snippet != snippets.cend())
        SetStatusText(text(PageTextSnippetId) + *snippet);
}
