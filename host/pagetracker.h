#pragma once

#include "devtoolstransport.h"

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QRect>
#include <QSet>

#include <functional>

class PageTextCapture;

/**
 * The tabs of a browser reached over DevToolsTransport, as the user sees them: which targets are
 * pages, which frames belong to which page, which tab was shown last and what it shows. It
 * attaches to every target, runs a watcher in each page that reports its title and when the tab
 * is brought to the front, and turns the browser's events into the Browser interface's reports.
 *
 * Private (incognito) tabs are let run and never watched. The tracker only observes
 * navigations: it never re-issues or stops one.
 */
class PageTracker final : public QObject
{
    Q_OBJECT

public:
    /// Whether the browser is up and driven; replies that arrive otherwise are dropped.
    using LivePredicate = std::function<bool()>;

    /// Follows the events of @p transport; sends its commands there too.
    PageTracker(DevToolsTransport &transport, LivePredicate live, QObject *parent = nullptr);

    /**
     * Asks the browser for its targets and events: every tab, frame and download. Downloads go
     * to @p downloadDir unless it is empty. @p attached is called once the browser has taken
     * the request, which it does only when it is up.
     */
    void watchBrowser(const QString &downloadDir, std::function<void()> attached);
    /// Forgets every tab: the browser has ended.
    void clear();

    /// Sends the tab shown last to @p url, or opens a tab for it when there is none.
    void navigate(const QString &url);
    /// Keeps @p url for the first tab once the browser is up (flushPendingNavigation).
    void deferNavigation(const QString &url) { m_pendingNavigation = url; }
    /// Opens the URL kept by deferNavigation, if any, once a tab is there for it.
    void flushPendingNavigation();

    /// Restores and raises the window of the tab shown last, or minimises every window.
    void applyVisibility(bool visible);
    /// Places the window of the tab shown last on @p frame, or the first one when none is yet.
    void placeWindow(const QRect &frame);

    QString currentUrl() const;
    QString currentName() const;

    /// Whether the text of pages is read (pageTextCaptured).
    void setReadsPageText(bool reads);

signals:
    void beforeNavigate(const QString &url);
    void navigateComplete(const QString &url);
    void frameBeforeNavigate(const QString &url);
    void newWindow(const QString &url);
    void titleChange(const QString &title);
    void downloadStarted(const QString &url,
                         const QString &guid,
                         const QString &fileName,
                         const QString &pageUrl);
    void pageTextCaptured(const QString &url, const QString &title, const QString &text);

private:
    struct Page
    {
        QString sessionId;
        QString url;
        QString title;
        bool titleKnown = false;
        // What the browser shows: a document, or a file such as a picture.
        QString mimeType;
        // A page committed while the tab was in the background, not reported yet.
        bool unreported = false;
        // The top-level navigation announced and not yet shown.
        QString startedUrl;
        quint64 lastUsed = 0;
        // The isolated world of the top frame, where the title watcher runs.
        int worldContext = 0;
        // Until the page's events are switched on, a navigation would go unseen.
        bool ready = false;
        QString pendingUrl;
    };
    struct Session
    {
        QString targetId;
        QString pageTargetId;
        bool isPage = false;
    };

    void handleEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
    void onDownload(const QJsonObject &params);
    void onPageEvent(const QString &method,
                     const QJsonObject &params,
                     const QString &sessionId,
                     const Session &session);
    void onAttached(const QJsonObject &params, const QString &parentSessionId);
    void onDetached(const QString &sessionId);
    void onTargetGone(const QString &targetId);
    void onBinding(const QString &pageTargetId, const QString &payload);
    void learnCommittedUrl(const QString &targetId);
    void showCommitted(const QString &targetId);
    void reportShown(const QString &targetId);
    void setUpPage(const QString &targetId, const QString &sessionId);
    void setUpFrameTarget(const QString &sessionId);
    void releaseTarget(const QString &sessionId);
    void markUsed(const QString &targetId);
    void applyPlacement(const QRect &frame);

    int send(const QString &method,
             const QJsonObject &params = {},
             const QString &sessionId = {},
             DevToolsTransport::Reply reply = {});
    const Page *currentPage() const;
    QString currentTargetId() const;
    static QString pageName(const Page &page);
    static bool isPlaceholder(const Page &page);
    static bool isFileShown(const Page &page);

    DevToolsTransport &m_transport;
    LivePredicate m_live;
    QString m_defaultContext;
    QHash<QString, Page> m_pages;
    QHash<QString, Session> m_sessions;
    QHash<QString, QString> m_frameOwners;
    QSet<QString> m_privateTargets;
    QSet<QString> m_downloads;
    QString m_pendingNavigation;
    QRect m_pendingPlacement;
    quint64 m_useCounter = 0;
    // The tab whose page was last reported as shown.
    QString m_shownTarget;
    PageTextCapture *m_capture = nullptr;
};
