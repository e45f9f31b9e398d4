#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
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
    /** Sends a command without waiting (Browser.close never answers). */
    void post(const QString &method, const QJsonObject &params = {});

    /** Every target of type "page" (targetInfo objects). */
    QList<QJsonObject> pages();
    /** Target id of the page whose URL is url, empty when there is none. */
    QString pageWithUrl(const QString &url);
    /** Attaches to the target (once) and returns its session. */
    QString session(const QString &targetId);
    /** Runs a script in the page as if the user did it; returns its result value. */
    QJsonValue evaluate(const QString &targetId, const QString &expression);

signals:
    /** An event of a target this client attached to, or of the browser. */
    void eventReceived(const QString &method, const QJsonObject &params, const QString &sessionId);

private:
    QWebSocket m_socket;
    int m_nextId = 1;
    QHash<int, QJsonObject> m_replies;
    QHash<QString, QString> m_sessions;
};
