#pragma once

#include <QObject>
#include <QSet>
#include <QString>

#include <deque>
#include <functional>

class Browser;
class PanelLink;

/**
 * Turns what the browser does into the panel's properties, and the panel's requests into
 * browser calls.
 *
 * The browser's own navigations are observed, never re-issued: a top-level page reaches the
 * panel's `SetUrl` once, when the browser commits it (after any redirects), whatever its file
 * type; the browser's own pages (about:, chrome: and the like) are not reported. Only what the
 * browser saves is a download, reported once when it begins: through `Activity` under the URL
 * the browser fetched, or, for a file the page made itself (blob:, data:), through
 * `PageActivity` of that page. The text the browser
 * reads from a page goes to the panel's page text index, unless it is one of the browser's own
 * pages or the panel keeps no text of it now (option off, recording paused, a never-record
 * rule).
 *
 * Browser events are handled one at a time: one that arrives while another is being handled
 * (`NavReady` false) waits until that one is done, then runs in arrival order.
 */
class BrowserBridge final : public QObject
{
    Q_OBJECT

public:
    /// @p browser and @p panel must outlive the bridge.
    BrowserBridge(Browser &browser, PanelLink &panel, QObject *parent = nullptr);
    ~BrowserBridge() override;

    /// The URL to give the browser for a recorded one: recorded URLs lose "http://",
    /// "https://" and "file://", so "/path" becomes a local file and a URL without a scheme gets
    /// "http://" (sites forward to https themselves). Empty, so that nothing is opened, for a
    /// blank URL and for a script ("javascript:").
    static QString NavigableUrl(const QString &recorded);

    /// Reports a page the browser shows to `SetUrl`. Waits while another event is being
    /// handled.
    void HandleNavigate(const QString &URL);

    /// The URL of the last navigation seen: started or committed top-level, frame or new
    /// window.
    QString LastURL() const { return m_lastUrl; }
    /// False while a browser event is being handled.
    bool NavReady() const { return m_navReady; }
    /// True until the browser ends or fails.
    bool ExplorerAlive() const { return m_explorerAlive; }

    /**
     * The host window closes: ends the panel's session, then, while the browser is alive,
     * applies the panel's quit option: 0 leave the browser, 1 quit it, 2 quit it when
     * @p askToQuit returns true. A later end of the browser is not reported as browserEnded().
     */
    void EndSession(const std::function<bool()> &askToQuit);

signals:
    /// The browser ended by itself (the user closed it): the host window is to close.
    void browserEnded();
    /// The browser is missing, could not start, or died; @p message says what happened.
    void browserFailed(const QString &message);

private:
    void run(std::function<void()> step);
    void handleNavigate(const QString &URL);

    void onBeforeNavigate(const QString &URL);
    void onNavigateComplete(const QString &URL);
    void onFrameOrWindow(const QString &URL);
    void onTitleChange(const QString &Text);
    void onDownloadStarted(const QString &URL,
                           const QString &guid,
                           const QString &fileName,
                           const QString &pageUrl);
    void onPageText(const QString &URL, const QString &title, const QString &text);
    void onFailed(const QString &message);
    void onQuit();

    void NavTo();
    void GetURL();
    void GetTitle();

    Browser &m_browser;
    PanelLink &m_panel;
    QString m_lastUrl;
    bool m_navReady = true;
    bool m_explorerAlive = true;
    bool m_failed = false;
    bool m_ending = false;
    std::deque<std::function<void()>> m_waiting;
    QSet<QString> m_downloadGuids;
};
