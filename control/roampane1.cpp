#include "roampane1.h"

#include "accesskeys.h"
#include "favoritesbar.h"
#include "navigationrecorder.h"
#include "optionspage.h"
#include "pagetextpanel.h"
#include "panelmessages.h"
#include "panelstatusbar.h"
#include "resources/captionloader.h"
#include "savestatepanel.h"

#include "clock.h"
#include "resources/roamicons.h"
#include "resources/roamstrings.h"
#include "roamsettings.h"
#include "roamstore.h"
#include "safewrite.h"
#include "views/deletecommands.h"
#include "views/outlinebuilder.h"
#include "views/outlinetab.h"
#include "views/outlinetabstrip.h"
#include "views/outlinetree.h"
#include "views/querypage.h"
#include "views/searchbox.h"
#include "views/treeinteraction.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QMessageBox>
#include <QScopedValueRollback>

#include <cstdio>
#include <exception>

using namespace Qt::StringLiterals;

namespace {

// Texts added to the string table for what the panel does beyond its first design.
enum ExtraText {
    DeleteSessionQuestionId = 116,
    NotFoundId = 124,
    DeleteSiteQuestionId = 125,
    SitesFoundId = 127,
    PathNotFoundId = 130,
    UnexpectedErrorId = 131,
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

} // namespace

RoamPane1::RoamPane1(QWidget *parent)
    : QWidget(parent)
    , m_ownSettings(std::make_unique<RoamSettings>())
    , m_settings(m_ownSettings.get())
    , m_clock(Clock::system())
    , m_messages(new PanelMessages(true, this))
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
    , m_messages(new PanelMessages(showMessages, this))
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
    connect(m_favorites, &FavoritesBar::messageRaised, m_messages, &PanelMessages::Notify);
    m_tabStrip = new OutlineTabStrip(this);
    connect(m_tabStrip, &OutlineTabStrip::chosen, this, &RoamPane1::TabStrip1_Click);

    m_tree = new OutlineTree(this);
    m_tree->setObjectName(u"TreeView1"_s);
    m_tree->SetImageProvider(&RoamIcons::image);
    m_builder = std::make_unique<OutlineBuilder>(*m_tree, *m_store);

    m_statusBar = new PanelStatusBar(this);

    m_queryPage = new QueryPage(*m_tree, *m_builder, *m_store, m_changingTree, this);
    connect(m_queryPage, &QueryPage::statusText, this, &RoamPane1::SetStatusText);
    connect(m_queryPage, &QueryPage::messageRaised, m_messages, &PanelMessages::Notify);

    m_options = new ::OptionsPage(*m_settings, *m_recorder, *m_builder, this);
    m_pageText = m_options->PageText();
    connect(m_options, &OptionsPage::OnTop, this, &RoamPane1::OnTop);
    connect(m_options, &OptionsPage::NotOnTop, this, &RoamPane1::NotOnTop);
    connect(m_options, &OptionsPage::languageChosen, this, &RoamPane1::Language_Click);
    m_pageText->SetForgetConfirm(
        [this] { return m_messages->Confirm(text(ForgetPageTextQuestionId)); });
    connect(m_pageText, &PageTextPanel::problemFound, this, &RoamPane1::SetStatusText);
    connect(m_queryPage, &QueryPage::searching, this, [this] { m_options->ShowPage(false); });
    m_queryPage->SetTextSearch([this](const QString &words) { return m_pageText->search(words); });

    m_interaction = std::make_unique<TreeInteraction>(
        *m_tree, *m_builder, *m_store, *m_settings, m_clock, m_changingTree, m_selectedUrl, this);
    TreeInteraction *interaction = m_interaction.get();
    connect(interaction, &TreeInteraction::NavTo, this, &RoamPane1::NavTo);
    connect(interaction, &TreeInteraction::FindIt, this, &RoamPane1::FindIt);
    connect(interaction, &TreeInteraction::GetHelp, this, &RoamPane1::GetHelp);
    connect(interaction, &TreeInteraction::AboutBox, this, &RoamPane1::AboutBox);
    connect(interaction, &TreeInteraction::NotOnTop, this, &RoamPane1::NotOnTop);
    connect(interaction, &TreeInteraction::OnTop, this, &RoamPane1::OnTop);
    connect(interaction, &TreeInteraction::deleteRequested, this, &RoamPane1::mnuDelete_Click);
    connect(interaction, &TreeInteraction::nodeClicked, this, &RoamPane1::showPageTextSnippet);
    connect(interaction, &TreeInteraction::statusText, this, &RoamPane1::SetStatusText);
    connect(interaction, &TreeInteraction::messageRaised, m_messages, &PanelMessages::Notify);

    DeleteCommands::Hooks hooks {
        .confirm = [this](const QString &question) { return m_messages->Confirm(question); },
        .forgetPageText = [this](const QStringList &urls) { m_pageText->forget(urls); },
        .rebuild = [this] { rebuildOutline(); },
    };
    m_delete = std::make_unique<DeleteCommands>(
        *m_store, *m_tree, *m_builder, m_changingTree, std::move(hooks));
    connect(m_delete.get(), &DeleteCommands::siteChosen, this, &RoamPane1::SetSelectedUrl);
    connect(m_delete.get(), &DeleteCommands::runningChanged, this, [this](bool running) {
        if (auto *item = findChild<QAction *>(u"mnuDelete"_s))
            item->setEnabled(!running);
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
        return m_tabStrip->SelectedTag() == u"Current"_s && !(m_search && m_search->Showing());
    });
    m_search = new SearchBox(*m_tree, *m_builder, *m_store, this);
    m_search->AddFindShortcut(this);
    m_search->SetTextSearch([this](const QString &words) { return m_pageText->search(words); });
    connect(m_search, &SearchBox::searched, this, [this](int found) {
        SetStatusText(text(SitesFoundId) + QString::number(found));
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
        const QString tag = m_tabStrip->SelectedTag();
        m_builder->AddRootNode(tag, outlineTabImage(tag));
        m_store->SessionStart = m_clock.now();
        m_store->SetSaveStateListener(
            [this] { m_statusBar->RefreshSaveState(*m_store, m_langOffset); });
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
        m_messages->ShowStartError(m_initialisationError);
    }
    if (QDir(m_store->dataFolder()).exists())
        m_pageText->open(m_store->dataFolder(), m_store->ReadOnly());
    m_statusBar->ShowUnreadableCount(*m_store, m_langOffset, layoutDirection());
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
    m_tabStrip->FitWidth(w);
    const int tabHeight = m_tabStrip->sizeHint().height();
    m_tabStrip->setGeometry(0, toolbarHeight, w, tabHeight);
    const int top = toolbarHeight + tabHeight;

    const QRect page(ux(10), top + uy(10), w - ux(20), h - top - statusHeight - uy(20));
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
    return OutlineTabStrip::Tag(index);
}

void RoamPane1::TabStrip1_Click()
{
    const QString T = m_tabStrip->SelectedTag();
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
        rebuildOutline();
    }
}

QTabBar *RoamPane1::TabStrip1() const
{
    return m_tabStrip;
}

QStatusBar *RoamPane1::sbrDB() const
{
    return m_statusBar;
}

QLabel *RoamPane1::PausedPanel() const
{
    return m_statusBar->PausedPanel();
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
    m_statusBar->ShowPaused(paused, m_langOffset);
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
    m_statusBar->ShowUnreadableCount(*m_store, m_langOffset, layoutDirection());
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
    m_messages->Ask(QMessageBox::Warning,
                    m_statusBar->ReportReadOnly(*m_store, m_langOffset) + u'.');
}

QString RoamPane1::StatusText() const
{
    return m_statusBar->Text();
}

void RoamPane1::SetStatusText(const QString &text)
{
    m_statusBar->SetText(text, layoutDirection());
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
    m_options->LoadTexts(m_langOffset);
    m_queryPage->LoadTexts(m_langOffset);
    if (m_search)
        m_search->LoadTexts(m_langOffset);
    m_favorites->LoadTexts(m_langOffset);
    m_statusBar->LoadTexts(m_langOffset);
    AccessKeys::assign(mnuRoamPane());
    AccessKeys::assign(mnuToolTip());
}

bool RoamPane1::Find(bool Start, bool URL, bool Dir, const QString &txt)
{
    Q_UNUSED(Dir);
    if (m_interaction->Find(Start, URL, UrlOrDescChoice() != 0, txt))
        return true;
    SetStatusText(text(NotFoundId));
    return false;
}

void RoamPane1::UrlName(const QString &UrlName)
{
    const QScopedValueRollback changing(m_changingTree, true);
    m_recorder->UrlName(UrlName);
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
        m_messages->Ask(QMessageBox::Warning, lost);
    }
}

QString RoamPane1::text(int id) const
{
    return RoamStrings::text(id, m_langOffset);
}

void RoamPane1::SetMessageHandler(MessageHandler handler)
{
    m_messages->SetHandler(std::move(handler));
}

QString RoamPane1::LastMessage() const
{
    return m_messages->Last();
}

// Delete

void RoamPane1::mnuDelete_Click()
{
    m_delete->DeleteSelected(text(DeleteSiteQuestionId), text(DeleteSessionQuestionId));
}

void RoamPane1::rebuildOutline()
{
    const QScopedValueRollback changing(m_changingTree, true);
    const QString tag = m_tabStrip->SelectedTag();
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
    return m_pageText->keepsFor(url, *m_recorder);
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
