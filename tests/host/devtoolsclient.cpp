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

int DevToolsClient::post(const QString &method, const QJsonObject &params, const QString &sessionId)
{
    QJsonObject message {{u"id"_s, m_nextId}, {u"method"_s, method}, {u"params"_s, params}};
    if (!sessionId.isEmpty())
        message[u"sessionId"_s] = sessionId;
    m_socket.sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
    return m_nextId++;
}

QJsonObject DevToolsClient::call(const QString &method,
                                 const QJsonObject &params,
                                 const QString &sessionId,
                                 int timeoutMs)
{
    const int id = post(method, params, sessionId);
    (void)QTest::qWaitFor([this, id] { return m_replies.contains(id); }, timeoutMs);
    return m_replies.take(id);
}

QString DevToolsClient::pageWithUrl(const QString &url)
{
    const QJsonArray infos
        = call(u"Target.getTargets"_s).value(u"result"_s)[u"targetInfos"_s].toArray();
    for (const QJsonValue &info : infos) {
        if (info[u"type"_s].toString() == "page"_L1 && info[u"url"_s].toString() == url)
            return info[u"targetId"_s].toString();
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

QString DevToolsClient::tabWith(const QString &url, const QString &selector, int timeoutMs)
{
    QString target;
    const QString ready = u"document.readyState === 'complete' && location.href === '%1'"
                          " && (!'%2' || !!document.querySelector('%2'))"_s.arg(url, selector);
    const bool found = QTest::qWaitFor(
        [&] {
            target = pageWithUrl(url);
            return !target.isEmpty() && evaluate(target, ready).toBool();
        },
        timeoutMs);
    return found ? target : QString();
}

bool DevToolsClient::click(const QString &url, const QString &selector)
{
    const QString tab = tabWith(url, selector);
    if (!tab.isEmpty())
        evaluate(tab, u"document.querySelector('%1').click(); true"_s.arg(selector));
    return !tab.isEmpty();
}

bool DevToolsClient::ctrlClick(const QString &url, const QString &selector)
{
    const QString tab = tabWith(url, selector);
    const QJsonArray box = tab.isEmpty()
                               ? QJsonArray()
                               : evaluate(tab,
                                          u"(() => { const r = document.querySelector('%1')"
                                          ".getBoundingClientRect(); return [r.x + 2, r.y + 2]; "
                                          "})()"_s.arg(selector))
                                     .toArray();
    if (box.size() != 2)
        return false;
    for (const QString &type : {u"mousePressed"_s, u"mouseReleased"_s})
        call(u"Input.dispatchMouseEvent"_s,
             {{u"type"_s, type},
              {u"x"_s, box.at(0)},
              {u"y"_s, box.at(1)},
              {u"button"_s, u"left"_s},
              {u"clickCount"_s, 1},
              {u"modifiers"_s, 2}},
             session(tab));
    return true;
}

bool DevToolsClient::bringToFront(const QString &url)
{
    const QString tab = pageWithUrl(url);
    if (!tab.isEmpty())
        call(u"Page.bringToFront"_s, {}, session(tab));
    return !tab.isEmpty();
}

void DevToolsClient::openPrivate(const QString &url)
{
    const QJsonValue context = call(u"Target.createBrowserContext"_s)
                                   .value(u"result"_s)[u"browserContextId"_s];
    call(u"Target.createTarget"_s, {{u"url"_s, url}, {u"browserContextId"_s, context}});
}
