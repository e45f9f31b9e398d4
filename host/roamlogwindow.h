#pragma once

#include "browser.h"
#include "hostmessage.h"
#include "hostoptions.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <functional>

class BrowserBridge;
class Clock;
class PanelLink;
class RoamPane1;
class RoamSettings;
class frmFind;
class frmHelp;

/**
 * The main window "Roamlog": holds the panel over its whole client area, starts the browser
 * and closes the browsing session when it closes. It sits at the right side of the screen,
 * beside the browser, and stays on top while the panel's "Stay on top" option is on.
 */
class RoamlogWindow final : public QMainWindow
{
    Q_OBJECT

public:
    /// Loads the window (hidden): captions in @p langOffset, the panel on @p settings (with
    /// the data folder of @p options when given), then starts @p browser and sends it home.
    /// @p settings, @p browser and @p clock must outlive the window.
    RoamlogWindow(const HostOptions &options,
                  RoamSettings &settings,
                  Browser &browser,
                  qint16 langOffset,
                  Clock &clock,
                  QWidget *parent = nullptr);
    ~RoamlogWindow() override;

    /// Places the window at the right side of the available screen, topmost when @p onTop.
    void PlaceWindow(bool onTop);
    /// Where PlaceWindow puts the window's frame on a screen whose available area is
    /// @p available: left W - W/2.9, top H/5, width W/3.2, height H/1.4 (W, H its size),
    /// rounded half to even, from the area's origin.
    static QRect placement(const QRect &available);
    /// Where the browser's window goes at the first activation: the available screen left of
    /// the place of this window, at its full height.
    QRect browserPlacement() const;

    /// Replaces the close question (Yes quits the browser); tests answer it themselves.
    void setQuitQuestion(std::function<bool()> ask) { m_askToQuit = std::move(ask); }
    /// The text shown last in the status bar for a browser problem.
    QString problemText() const { return m_problem; }

    RoamPane1 *RoamPane2() const { return m_panel; }
    BrowserBridge &bridge() const { return *m_bridge; }
    bool FirstActivate() const { return m_firstActivate; }

    /// Opens the help window, or brings it up when it is open (the panel's Help, and the
    /// start window's).
    void GetHelp();
    /// Shows the find window, modeless; once loaded it keeps its text and choice until this
    /// window closes.
    void FindIt();

    /// Replaces the OK-only messages of the help and about windows; tests read them.
    void setMessageBox(HostMessage::Show show) { m_message = std::move(show); }
    /// The help file to show instead of the program's "Read.me".
    void setReadMePath(const QString &path) { m_readMePath = path; }
    frmFind *findWindow() const;
    frmHelp *helpWindow() const;

signals:
    /// The window has closed and the session has ended.
    void closed();

protected:
    bool event(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void CreateExplorer();
    void Form_Activate();
    // Once the window manager has framed the window, the frame takes its place.
    void placeOnceFramed(bool onTop, int tries);
    bool askToQuit();
    void onBrowserFailed(const QString &message);
    void onAboutBox();
    void showMessage(const QString &title, const QString &text);
    void showRecordingState(bool paused);
    void changeLanguage(qint16 langOffset);
    void reportProblem(const QString &text);

    HostOptions m_options;
    RoamSettings &m_settings;
    Browser &m_browser;
    qint16 m_langOffset;
    RoamPane1 *m_panel = nullptr;
    std::unique_ptr<PanelLink> m_link;
    std::unique_ptr<BrowserBridge> m_bridge;
    std::function<bool()> m_askToQuit;
    QString m_problem;
    QPointer<frmFind> m_find;
    QPointer<frmHelp> m_help;
    HostMessage::Show m_message = &HostMessage::okOnly;
    QString m_readMePath;
    bool m_firstActivate = true;
    bool m_activationQueued = false;
    bool m_browserStarted = false;
    bool m_closed = false;
    bool m_paused = false;
};
