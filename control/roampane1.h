#pragma once

#include <QHash>
#include <QList>
#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

#include "ctreenode.h"
#include "wordhelpers.h"

class Clock;
class DeleteCommands;
class FavoritesBar;
class NavigationRecorder;
class OptionsPage;
class PanelMessages;
class OutlineTabStrip;
class PanelStatusBar;
class SearchBox;
class OutlineBuilder;
class OutlineTree;
class PageTextIndex;
class PageTextPanel;
class QAction;
class QFrame;
class QLabel;
class QMenu;
class QStatusBar;
class QTabBar;
class QToolBar;
class OutlineNode;
class QueryPage;
class RoamSettings;
class RoamStore;
class TreeInteraction;

/// The Roamlog panel: toolbar, tab strip, outline tree, query page, options page and status
/// bar over the recorded history. The host writes what the browser does into `SetUrl`,
/// `UrlName` and `Activity`, ends the session with `SetSession(true)`, and answers the panel's
/// argument-less signals by reading and writing its properties.
///
/// Construction runs the whole initialisation: layout, settings, captions in the chosen
/// language, the root of the Current outline, the start of the running browsing session, the
/// load of the data folder and the first build of the Current outline.
class RoamPane1 final : public QWidget
{
    Q_OBJECT

public:
    /// The panel on the user's own settings and data folder, with the wall clock; an
    /// initialisation error is shown in a message box.
    explicit RoamPane1(QWidget *parent = nullptr);

    /// The panel on @p settings. @p dataFolder, when not empty, replaces the data folder the
    /// settings name. @p clock gives every recorded time. With @p showMessages false an
    /// initialisation error is only kept in `InitialisationError`.
    RoamPane1(RoamSettings &settings,
              Clock &clock,
              const QString &dataFolder = QString(),
              bool showMessages = true,
              QWidget *parent = nullptr);
    ~RoamPane1() override;

    // Public interface for the host.

    /// Kept for the host; the panel gives it no meaning.
    QString httpDoc() const { return m_httpDoc; }
    void SethttpDoc(const QString &value) { m_httpDoc = value; }
    /// Kept for the host; the panel gives it no meaning.
    QString httpDocName() const { return m_httpDocName; }
    void SethttpDocName(const QString &value) { m_httpDocName = value; }

    /// Lends the record keyed `SiteUrl` to the dialogs through the store's exchange fields;
    /// false when there is no such record.
    bool GetCFile();
    /// Takes the note and visited flag back from the exchange fields and saves the record;
    /// false when there is no such record or it could not be written.
    bool SetCFile();

    /// The native window of the tab strip.
    WId TabHwnd();
    /// Whether "Stay on top" is checked at the moment of the call (the property `OnTop`; the
    /// name is taken by the signal).
    bool isOnTop() const;

    /// A download was started from @p URL.
    void Activity(const QString &URL);
    /// The page @p pageUrl made a download itself (blob: or data:) saved as @p fileName.
    void PageActivity(const QString &pageUrl, const QString &fileName);
    /// Loads every caption of the panel in the language of offset @p l (0 English, 500
    /// Hebrew), lays the panel out in that language's direction and gives every control the
    /// desktop's font with the Hebrew font as its fallback.
    void LoadResStrings1(qint16 l);
    /// Selects and expands the next node of the outline showing that holds @p txt (letter case
    /// ignored): from the first node when @p Start, else from the node after the selected one
    /// (with no node selected nothing happens). With URLs shown in the tree and @p URL the
    /// node texts are searched; otherwise the node records, by URL when @p URL and by title
    /// (the description) when not. @p Dir is accepted for the host's find window; the search
    /// always runs forward. When nothing matches, no node stays selected and the status bar
    /// says "Not found". Returns whether a node was found.
    bool Find(bool Start, bool URL, bool Dir, const QString &txt);
    /// The "Browser" option: 0 never quit, 1 always quit, 2 ask.
    qint16 QuitIt() const;
    /// Always empty.
    QString DBName() const { return QString(); }
    /// The URL the host is to navigate to on `NavTo`.
    QString SiteUrl() const { return m_selectedUrl; }
    /// The title of the current page.
    void UrlName(const QString &UrlName);
    /// See WordHelpers::CountCSVWords.
    static qint16 CountCSVWords(const QVariant &s, const QString &Delim)
    {
        return WordHelpers::CountCSVWords(s, Delim);
    }
    /// Closes the open visit of the site keyed @p MySite.
    void SetEndURL(const QString &MySite);
    /// A top-level page was reached.
    void SetUrl(const QString &URL);
    /// See WordHelpers::CutFirstWord.
    static QString CutFirstWord(const QString &s, QString &Remainder, const QString &Delim)
    {
        return WordHelpers::CutFirstWord(s, Remainder, Delim);
    }
    /// See WordHelpers::CutLastWord.
    static QString CutLastWord(const QString &s, QString &Remainder, const QString &Sep)
    {
        return WordHelpers::CutLastWord(s, Remainder, Sep);
    }
    /// With @p sEnd true ends the open visit, stamps the end of the running session and
    /// rewrites the sessions file.
    void SetSession(bool sEnd);

    // State shared with the rest of the control library.

    /// False while the recording is paused.
    bool Recording() const;
    /// "Stay on top" as loaded at start.
    bool StayOnTop() const { return m_stayOnTop; }
    /// 0 English, 500 Hebrew: loaded at start, changed at once by the "Hebrew" option.
    qint16 LangOffset() const { return m_langOffset; }
    /// 0 titles in the tree, 1 URLs.
    qint16 UrlOrDescChoice() const;
    /// Setup/Path as loaded at start.
    QString SetupPath() const { return m_setupPath; }
    /// The Tag of the tab whose outline or page shows; empty until a tab is chosen.
    QString CurrentTab() const { return m_currentTab; }
    /// Whether the next favorites click reopens the folder set-up.
    bool ResetFavorites() const;
    /// Sets the URL `SiteUrl` returns.
    void SetSelectedUrl(const QString &url) { m_selectedUrl = url; }
    /// The open page in its recorded form, and its title.
    QString CurrentUrl() const;
    QString CurrentTitle() const;
    /// True between a press of the right mouse button on the tree and its release.
    bool RightButtonDown() const;
    /// The text of the status bar's first panel.
    QString StatusText() const;
    /// Shows @p text in the status bar's first panel; in Hebrew its left-to-right runs (URLs,
    /// numbers, dates) are isolated so that they read in their own order.
    void SetStatusText(const QString &text);
    /// The status bar's panel that says "Recording paused" while the recording is paused.
    QLabel *PausedPanel() const;
    /// "Unexpected Error: " and the description when the initialisation failed, else empty.
    QString InitialisationError() const { return m_initialisationError; }

    /// Answers a message of the panel instead of a message box: gets the icon and the text,
    /// returns the button pressed. Without one, messages are shown in message boxes when the
    /// panel was made with showMessages, and otherwise only kept in `LastMessage` (a question
    /// is then answered No).
    using MessageHandler
        = std::function<QMessageBox::StandardButton(QMessageBox::Icon, const QString &)>;
    void SetMessageHandler(MessageHandler handler);
    /// The text of the last message the panel gave, empty before the first.
    QString LastMessage() const;

    /// Asks for the folder of favorites button @p index (3 to 9); returns an empty text when the
    /// user cancels. The default shows the `SetupFavorites` dialog.
    using FolderAsker = std::function<QString(int index)>;
    void SetFolderAsker(FolderAsker asker);

    /// The text kept of visited pages; nullptr when its index cannot be opened.
    PageTextIndex *PageTexts() const;
    /// Whether the text of the page at @p url is to be kept now: "Keep the text of pages" is
    /// on, the recording runs and no never-record rule covers the page.
    bool KeepsPageText(const QString &url) const;
    PageTextPanel *PageText() const { return m_pageText; }

    RoamStore &Store() { return *m_store; }
    NavigationRecorder &Recorder() { return *m_recorder; }
    OutlineBuilder &Builder() { return *m_builder; }
    RoamSettings &Settings() { return *m_settings; }

    OutlineTree *TreeView1() const { return m_tree; }
    QTabBar *TabStrip1() const;
    QToolBar *Toolbar1() const;
    QStatusBar *sbrDB() const;
    QFrame *qrFrame() const;
    QWidget *OptionsPage() const;
    QMenu *mnuRoamPane() const;
    QMenu *mnuToolTip() const;
    /// Toolbar button @p index, 1 (Pause) to 9.
    QAction *ToolbarButton(int index) const;
    /// The Tag of tab @p index (0 to 5).
    static QString TabTag(int index);

signals:
    /// The recording was paused (@p paused true) or resumed.
    void RecordingPaused(bool paused);
    /// The user chose another language on the options page (offset 0 or 500); the panel has
    /// already turned to it.
    void LanguageChanged(qint16 langOffset);
    void AboutBox();
    void NotOnTop();
    void OnTop();
    void NavTo();
    void GetTitle();
    void GetURL();
    void FindIt();
    void GetHelp();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createControls();
    void UserControl_Initialize();
    void LoadSettings();
    void ArrangeControls();
    void TabStrip1_Click();
    void mnuDelete_Click();
    void rebuildOutline();
    void showPageTextSnippet(const QString &key);
    QString text(int id) const;
    void Language_Click(qint16 offset);
    void loadDynamicTexts();
    void showRecordingState();
    void lockDataFolder();

    std::unique_ptr<RoamSettings> m_ownSettings;
    RoamSettings *m_settings;
    Clock &m_clock;
    QString m_dataFolderOverride;
    PanelMessages *m_messages;
    std::unique_ptr<RoamStore> m_store;
    std::unique_ptr<NavigationRecorder> m_recorder;
    std::unique_ptr<OutlineBuilder> m_builder;
    // Let go before the builder and the store it acts on.
    std::unique_ptr<TreeInteraction> m_interaction;
    std::unique_ptr<DeleteCommands> m_delete;
    // True while the panel itself changes the tree: expansions then are not the user's.
    bool m_changingTree = false;

    QString m_httpDoc;
    QString m_httpDocName;
    QString m_selectedUrl;
    QString m_setupPath;
    QString m_currentTab;
    QString m_initialisationError;
    qint16 m_langOffset = 0;
    bool m_stayOnTop = false;

    FavoritesBar *m_favorites = nullptr;
    OutlineTabStrip *m_tabStrip = nullptr;
    OutlineTree *m_tree = nullptr;
    SearchBox *m_search = nullptr;
    PanelStatusBar *m_statusBar = nullptr;
    QueryPage *m_queryPage = nullptr;
    ::OptionsPage *m_options = nullptr;
    PageTextPanel *m_pageText = nullptr;
};
