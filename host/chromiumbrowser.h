#pragma once

#include "browser.h"

#include <QElapsedTimer>
#include <QHash>
#include <QJsonObject>
#include <QProcess>
#include <QSet>
#include <QTimer>
#include <QUrl>
#include <QWebSocket>

#include <functional>
#include <memory>

class BrowserProcess;
class PageTextCapture;

/**
 * Chromium started with its own profile folder and driven over the DevTools protocol through a
 * WebSocket on a free local port, so that other tools can attach to the same browser.
 *
 * The layer only observes navigations: it never re-issues or stops one. When the object is
 * destroyed without Quit(), the browser is left running.
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

    /** The browser-wide DevTools endpoint, for a second client; empty until started(). */
    QUrl webSocketUrl() const { return m_webSocketUrl; }
    /** Process id of the browser, 0 when it is not running. */
    qint64 processId() const;
    /** The program that start() runs for a requested one (empty: the one on PATH). */
    static QString resolveExecutable(const QString &requested);

private:
    enum class State { Idle, Launching, Connecting, Running, Closing, Ended };
    using Reply = std::function<void(const QJsonObject &message)>;

    struct Page
    {
        QString sessionId;
        QString url;
        QString title;
        bool titleKnown = false;
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

    void pollActivePort();
    void onProcessError(QProcess::ProcessError error);
    void onProcessFinished(int exitCode, QProcess::ExitStatus status);
    void onSocketConnected();
    void onSocketDisconnected();
    void onMessage(const QString &text);
    void handleEvent(const QString &method, const QJsonObject &params, const QString &sessionId);
    void onAttached(const QJsonObject &params, const QString &parentSessionId);
    void onDetached(const QString &sessionId);
    void onTargetGone(const QString &targetId);
    void onBinding(const QString &pageTargetId, const QString &payload);
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
    QString lastLogLine() const;
    QString logPath() const;
    void fail(const QString &message);
    void finish(bool abnormal, const QString &message);
    void stopProcess();

    Options m_options;
    QString m_executable;
    State m_state = State::Idle;
    std::unique_ptr<BrowserProcess> m_process;
    QWebSocket m_socket;
    QTimer m_portPoll;
    QElapsedTimer m_launchClock;
    QTimer m_closeGrace;
    QUrl m_webSocketUrl;
    int m_nextId = 1;
    QHash<int, Reply> m_replies;
    QString m_defaultContext;
    QHash<QString, Page> m_pages;
    QHash<QString, Session> m_sessions;
    QHash<QString, QString> m_frameOwners;
    QSet<QString> m_privateTargets;
    QSet<QString> m_downloads;
    QString m_pendingNavigation;
    QRect m_pendingPlacement;
    quint64 m_useCounter = 0;
    bool m_visible = true;
    bool m_quitRequested = false;
    PageTextCapture *m_capture = nullptr;
};
