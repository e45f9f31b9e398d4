#include "roampane1.h"

#include "accesskeys.h"
#include "favoritesbar.h"
#include "navigationrecorder.h"
#include "optionspage.h"
#include "pagetextpanel.h"
#include "resources/captionloader.h"
#include "savestatepanel.h"
#include "wordhelpers.h"

#include "cfile.h"
#include "clock.h"
#include "ctreenodes.h"
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
#include "views/querypage.h"
#include "views/searchbox.h"
#include "views/treeinteraction.h"
#include "views/waitcursor.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>

#include <cstdio>
#include <exception>

using namespace Qt::StringLiterals;

namespace {

// Texts added to the string table for what the panel does beyond its first design.
enum ExtraText {
    DeleteSessionQuestionId = 116,
    RecordingPausedId = 123,
    NotFoundId = 124,
    DeleteSiteQuestionId = 125,
    SitesFoundId = 127,
    UnreadableFilesId = 129,
    PathNotFoundId = 130,
    UnexpectedErrorId = 131,
    SearchPlaceholderId = 152,
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

// The widgets are made in the order the keyboard visits them; the record behind them comes
// first, as the toolbar and the pages act on it.
void RoamPane1::createControls()
{
    const QString dataFolder = m_dataFolderOverride.isEmpty() ? m_settings->dataFolder()
                                                              : m_dataFolderOverride;
    m_store = std::make_unique<RoamStore>(dataFolder, m_clock);
    m_recorder = std::make_unique<NavigationRecorder>(*m_store, m_clock);

    m_favorites = new FavoritesBar(*m_settings, *m_store, *m_recorder, this);
    connect(m_favorites, &FavoritesBar::GetTitle, this, &RoamPane1::GetTitle);
    connect(m_favorites, &FavoritesBar::GetURL, this, &RoamPane1::GetURL);
    connect(m_favorites, &FavoritesBar::recordingSwitched, this, &RoamPane1::showRecordingState);
    connect(m_favorites, &FavoritesBar::messageRaised, this, &RoamPane1::notify);
    createTabStrip();

    m_tree = new OutlineTree(this);
    m_tree->setObjectName(u"TreeView1"_s);
    m_tree->SetImageProvider(&RoamIcons::image);
    m_builder = std::make_unique<OutlineBuilder>(*m_tree, *m_store);

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

    m_queryPage = new QueryPage(*m_tree, *m_builder, *m_store, m_changingTree, this);
    connect(m_queryPage, &QueryPage::statusText, this, &RoamPane1::SetStatusText);
    connect(m_queryPage, &QueryPage::messageRaised, this, &RoamPane1::notify);

    m_options = new ::OptionsPage(*m_settings, *m_recorder, *m_builder, this);
    m_pageText = m_options->PageText();
    connect(m_options, &OptionsPage::OnTop, this, &RoamPane1::OnTop);
    connect(m_options, &OptionsPage::NotOnTop, this, &RoamPane1::NotOnTop);
    connect(m_options, &OptionsPage::languageChosen, this, &RoamPane1::Language_Click);
    connect(m_pageText->forgetButton(), &QPushButton::clicked, this, &RoamPane1::forgetAllPageText);
    connect(m_pageText, &PageTextPanel::problemFound, this, &RoamPane1::SetStatusText);
    connect(m_queryPage, &QueryPage::searching, this, [this] { m_options->ShowPage(false); });
    m_queryPage->SetTextSearch([this](const QString &words) { return m_pageText->search(words); });

    m_interaction = std::make_unique<TreeInteraction>(
        *m_tree, *m_builder, *m_store, *m_settings, m_clock, m_changingTree, m_selectedUrl, this);
    connect(m_interaction.get(), &TreeInteraction::NavTo, this, &RoamPane1::NavTo);
    connect(m_interaction.get(), &TreeInteraction::FindIt, this, &RoamPane1::FindIt);
    connect(m_interaction.get(), &TreeInteraction::GetHelp, this, &RoamPane1::GetHelp);
    connect(m_interaction.get(), &TreeInteraction::AboutBox, this, &RoamPane1::AboutBox);
    connect(m_interaction.get(), &TreeInteraction::NotOnTop, this, &RoamPane1::NotOnTop);
    connect(m_interaction.get(), &TreeInteraction::OnTop, this, &RoamPane1::OnTop);
    connect(
        m_interaction.get(), &TreeInteraction::deleteRequested, this, &RoamPane1::mnuDelete_Click);
    connect(
        m_interaction.get(), &TreeInteraction::nodeClicked, this, &RoamPane1::showPageTextSnippet);
    connect(m_interaction.get(), &TreeInteraction::statusText, this, &RoamPane1::SetStatusText);
    connect(m_interaction.get(), &TreeInteraction::messageRaised, this, &RoamPane1::notify);

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

void RoamPane1::UserControl_Initialize()
{
    installFontsOnce();
    setObjectName(u"RoamPane1"_s);
    setMinimumSize(120, 160);
    createControls();

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
    m_favorites->SetResetFavorites(false);
    m_favorites->Button(1)->setEnabled(true);
    m_favorites->Button(2)->setEnabled(false);
    m_options->ShowPage(false);
    m_queryPage->setVisible(false);
    m_recorder->SetRecording(true);
    m_options->SetHebrewChecked(m_langOffset != 0);
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
    m_options->LoadSettings();
    m_stayOnTop = m_options->OnTopChecked();
    m_interaction->SetStayOnTop(m_stayOnTop);

    m_langOffset = qint16(
        m_settings->lang() == RoamStrings::HebrewOffset ? RoamStrings::HebrewOffset : 0);

    m_setupPath = m_settings->setupPath();

    m_favorites->LoadSettings();
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

    const int toolbarHeight = m_favorites->sizeHint().height();
    const int statusHeight = m_statusBar->sizeHint().height();
    m_favorites->setGeometry(0, 0, w, toolbarHeight);
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
    m_queryPage->setGeometry(page);
    m_options->setGeometry(page);
    m_queryPage->raise();
    m_options->raise();
    m_queryPage->Arrange(layoutDirection());
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
        m_options->ShowPage(true);
        m_queryPage->setVisible(false);
        m_currentTab = T;
    } else if (T == u"Query"_s) {
        m_queryPage->setVisible(true);
        m_options->ShowPage(false);
        m_currentTab = T;
    } else if (T != m_currentTab || searched) {
        const QScopedValueRollback changing(m_changingTree, true);
        m_queryPage->setVisible(false);
        m_options->ShowPage(false);
        m_currentTab = T;
        m_tree->Clear();
        m_tree->repaint();
        m_builder->AddRootNode(T, outlineTabImage(T));
        m_tree->setVisible(true);
        m_builder->BuildOutline(T);
    }
}

QToolBar *RoamPane1::Toolbar1() const
{
    return m_favorites;
}

QFrame *RoamPane1::qrFrame() const
{
    return m_queryPage;
}

QWidget *RoamPane1::OptionsPage() const
{
    return m_options->Page();
}

QMenu *RoamPane1::mnuRoamPane() const
{
    return m_interaction->mnuRoamPane();
}

QMenu *RoamPane1::mnuToolTip() const
{
    return m_favorites->mnuToolTip();
}

QAction *RoamPane1::ToolbarButton(int index) const
{
    return m_favorites->Button(index);
}

qint16 RoamPane1::QuitIt() const
{
    return m_options->QuitMode();
}

qint16 RoamPane1::UrlOrDescChoice() const
{
    return m_options->UrlOrDescChoice();
}

bool RoamPane1::ResetFavorites() const
{
    return m_favorites->ResetFavorites();
}

bool RoamPane1::RightButtonDown() const
{
    return m_interaction->RightButtonDown();
}

void RoamPane1::SetFolderAsker(FolderAsker asker)
{
    m_favorites->SetFolderAsker(std::move(asker));
}

void RoamPane1::showRecordingState()
{
    const bool paused = !m_recorder->Recording();
    m_pausedPanel->setText(text(RecordingPausedId));
    m_pausedPanel->setVisible(paused);
    emit RecordingPaused(paused);
}

void RoamPane1::Language_Click(qint16 offset)
{
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

void RoamPane1::lockDataFolder()
{
    if (m_store->LockDataFolder(u"Roamlog"_s) != DataFolderLock::Result::Busy)
        return;
    // Two writers would each rewrite whole files from their own memory, so the second one
    // records nothing and changes nothing.
    m_recorder->SetRecording(false);
    m_favorites->Button(1)->setEnabled(false);
    m_favorites->Button(2)->setEnabled(false);
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
    return m_options->OnTopChecked();
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
    m_options->LoadTexts(m_langOffset);
    m_queryPage->LoadTexts(m_langOffset);
    if (m_search)
        m_search->setPlaceholderText(load(SearchPlaceholderId, m_search->placeholderText()));
    m_favorites->LoadTexts(m_langOffset);
    m_pausedPanel->setText(load(RecordingPausedId, m_pausedPanel->text()));
    // A status text that opens with a left-to-right run (an isolated URL) would otherwise align
    // as English text does, away from the Hebrew side.
    m_statusPanel->setAlignment(
        Qt::AlignAbsolute | Qt::AlignVCenter
        | (m_langOffset == RoamStrings::HebrewOffset ? Qt::AlignRight : Qt::AlignLeft));
    AccessKeys::assign(mnuRoamPane());
    AccessKeys::assign(mnuToolTip());
}

bool RoamPane1::Find(bool Start, bool URL, bool Dir, const QString &txt)
{
    Q_UNUSED(Dir);
    const int index = QueryBuilder::FindNext(*m_tree,
                                             m_builder->OutlineNodes(),
                                             OutlineTree::NodeIndex(m_tree->SelectedNode()),
                                             Start,
                                             URL,
                                             UrlOrDescChoice() != 0,
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
    return RoamStrings::text(id, m_langOffset);
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

void RoamPane1::notify(QMessageBox::Icon icon, const QString &text)
{
    message(icon, text);
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
    const QHash<QString, QString> &snippets = searching ? m_search->TextMatches()
                                                        : m_queryPage->Snippets();
    const auto snippet = snippets.constFind(key.toLower());
    if (snippet != snippets.cend())
        SetStatusText(text(PageTextSnippetId) + *snippet);
}
