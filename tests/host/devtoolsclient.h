#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QUrl>
#include <QWebSocket>

/**
 * A second DevTools client for tests: it plays the user (clicks, typed addresses, closing the
 * browser) on the same browser the layer under test watches. Every call waits, boundedly, for
 * its reply.
 */
class DevToolsClient final : public QObject
{
    Q_OBJECT

public:
    explicit DevToolsClient(QObject *parent = nullptr);

    bool open(const QUrl &browserEndpoint, int timeoutMs = 5000);
    /** Sends a command and returns the whole reply (with "result" or "error"); empty on timeout. */
    QJsonObject call(const QString &method,
                     const QJsonObject &params = {},
                     const QString &sessionId = {},
                     int timeoutMs = 5000);
    /** Sends a command without waiting (Browser.close never answers); returns its id. */
    int post(const QString &method, const QJsonObject &params = {}, const QString &sessionId = {});

    /** Target id of the page whose URL is url, empty when there is none. */
    QString pageWithUrl(const QString &url);
    /** Attaches to the target (once) and returns its session. */
    QString session(const QString &targetId);
    /** Runs a script in the page as if the user did it; returns its result value. */
    QJsonValue evaluate(const QString &targetId, const QString &expression);

    /**
     * The tab showing @p url once its page has loaded and holds @p selector (any page when
     * empty); empty when none does within @p timeoutMs. A tab names its next address before
     * the page is there, and the list of tabs can name a page a moment after it was committed.
     */
    QString tabWith(const QString &url, const QString &selector = {}, int timeoutMs = 15000);
    /** Clicks the element @p selector of the page at @p url as the user would; false if none. */
    bool click(const QString &url, const QString &selector);
    /** A real mouse click with Ctrl held: the link opens in a background tab. */
    bool ctrlClick(const QString &url, const QString &selector);
    /** Brings the tab showing @p url to the front, as the user choosing it does. */
    bool bringToFront(const QString &url);
    /** Opens @p url in a new private (incognito) window. */
    void openPrivate(const QString &url);

signals:
    /** An event of a target this client attached to, or of the browser. */
    void eventReceived(const QString &method, const QJsonObject &params, const QString &sessionId);

private:
    QWebSocket m_socket;
    int m_nextId = 1;
    QHash<int, QJsonObject> m_replies;
    QHash<QString, QString> m_sessions;
};
