#include "devtoolsclient.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTest>

using namespace Qt::StringLiterals;

DevToolsClient::DevToolsClient(QObject *parent)
    : QObject(parent)
{
    connect(&m_socket, &QWebSocket::textMessageReceived, this, [this](const QString &text) {
        const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
        if (message.contains(u"id"_s))
            m_replies.insert(message.value(u"id"_s).toInt(), message);
        else
            emit eventReceived(message.value(u"method"_s).toString(),
                               message.value(u"params"_s).toObject(),
                               message.value(u"sessionId"_s).toString());
    });
}

bool DevToolsClient::open(const QUrl &browserEndpoint, int timeoutMs)
{
    m_replies.clear();
    m_sessions.clear();
    m_socket.abort();
    m_socket.open(browserEndpoint);
    return QTest::qWaitFor([this] { return m_socket.state() == QAbstractSocket::ConnectedState; },
                           timeoutMs);
}

void DevToolsClient::post(const QString &method, const QJsonObject &params)
{
    const QJsonObject message {{u"id"_s, m_nextId++}, {u"method"_s, method}, {u"params"_s, params}};
    m_socket.sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

QJsonObject DevToolsClient::call(const QString &method,
                                 const QJsonObject &params,
                                 const QString &sessionId,
                                 int timeoutMs)
{
    const int id = m_nextId++;
    QJsonObject message {{u"id"_s, id}, {u"method"_s, method}, {u"params"_s, params}};
    if (!sessionId.isEmpty())
        message[u"sessionId"_s] = sessionId;
    m_socket.sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    (void)QTest::qWaitFor([this, id] { return m_replies.contains(id); }, timeoutMs);
    return m_replies.take(id);
}

QList<QJsonObject> DevToolsClient::pages()
{
    QList<QJsonObject> result;
    const QJsonArray infos
        = call(u"Target.getTargets"_s).value(u"result"_s)[u"targetInfos"_s].toArray();
    for (const QJsonValue &info : infos) {
        if (info[u"type"_s].toString() == "page"_L1)
            result.append(info.toObject());
    }
    return result;
}

QString DevToolsClient::pageWithUrl(const QString &url)
{
    const QList<QJsonObject> all = pages();
    for (const QJsonObject &info : all) {
        if (info.value(u"url"_s).toString() == url)
            return info.value(u"targetId"_s).toString();
    }
    return {};
}

QString DevToolsClient::session(const QString &targetId)
{
    if (!m_sessions.contains(targetId)) {
        const QString id = call(u"Target.attachToTarget"_s,
                                {{u"targetId"_s, targetId}, {u"flatten"_s, true}})
                               .value(u"result"_s)[u"sessionId"_s]
                               .toString();
        if (id.isEmpty())
            return {};
        m_sessions.insert(targetId, id);
    }
    return m_sessions.value(targetId);
}

QJsonValue DevToolsClient::evaluate(const QString &targetId, const QString &expression)
{
    return call(u"Runtime.evaluate"_s,
                {{u"expression"_s, expression},
                 {u"userGesture"_s, true},
                 {u"returnByValue"_s, true},
                 {u"awaitPromise"_s, true}},
                session(targetId))
        .value(u"result"_s)[u"result"_s][u"value"_s];
}
