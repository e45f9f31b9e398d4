#pragma once

#include "browser.h"
#include "devtoolstransport.h"

#include <QHash>
#include <QJsonObject>
#include <QSet>
#include <QTimer>

class PageTextCapture;

/**
 * Chromium started with its own profile folder and driven over the DevTools protocol through
 * its pipe (see DevToolsTransport): no port is opened, and the browser ends with this object
 * or with the program.
 *
 * The browser starts on a blank page; the home page asked for opens once every tab is watched,
 * so that no page goes unrecorded. A browser left running on the profile folder by a Roamlog
 * that has ended is closed first; any other browser there is reported, not touched.
 *
 * The layer only observes navigations: it never re-issues or stops one.
 */
class ChromiumBrowser final : public Browser
{
    Q_OBJECT

public:
    explicit ChromiumBrowser(QObject *parent = nullptr);
    ~ChromiumBrowser() override;

    void start(const Options &options) override;
    bool isRunning() const override;

    void GoHome() override;
    void Navigate(const QString &url) override;
    bool Visible() const override;
    void setVisible(bool visible) override;
    QString LocationURL() const override;
    QString LocationName() const override;
    void Quit() override;
    void PlaceWindow(const QRect &frame) override;
    void setReadsPageText(bool reads) override;

    /** Process id of the program started (the browser, or its wrapper), 0 when not running. */
    qint64 processId() const;
    /** The program that start() runs for a requested one (empty: the one on PATH). */
    static QString resolveExecutable(const QString &requested);

private:
    enum class State { Idle, ClearingProfile, Launching, Running, Closing, Ended };
    using Reply = DevToolsTransport::Reply;

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

    void waitForLeftover();
    void launch();
    void attachToBrowser();
    void onStartFailed(const QString &reason);
    void onProcessEnded(int exitCode, bool crashed);
    void onPipeClosed();
    void handleEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
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
    void navigatePage(const QString &url);
    void applyVisibility();
    void applyPlacement(const QRect &frame);

    int send(const QString &method,
             const QJsonObject &params = {},
             const QString &sessionId = {},
             Reply reply = {});
    const Page *currentPage() const;
    QString currentTargetId() const;
    static QString pageName(const Page &page);
    static bool isPlaceholder(const Page &page);
    static bool isFileShown(const Page &page);
    QString lastLogLine() const;
    QString logPath() const;
    void fail(const QString &message);
    void finish(bool abnormal, const QString &message);
    void stopProcess();

    Options m_options;
    QString m_executable;
    State m_state = State::Idle;
    DevToolsTransport m_transport;
    QTimer m_startTimeout;
    QTimer m_closeGrace;
    QTimer m_leftoverPoll;
    qint64 m_leftoverPid = 0;
    int m_leftoverPolls = 0;
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
    bool m_visible = true;
    bool m_quitRequested = false;
    PageTextCapture *m_capture = nullptr;
};
