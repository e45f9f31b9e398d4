#include "pagetextcapture.h"

#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

// Returns the document's address, title and visible text; the text is cut before it crosses
// the protocol.
QString readingScript()
{
    return uR"JS((() => {
  if (document.readyState !== 'complete') return null;
  const body = document.body;
  const text = body ? body.innerText : '';
  return {url: location.href, title: document.title, text: text.slice(0, %1)};
})())JS"_s.arg(PageTextCapture::MaxTextLength);
}

// Lets the tab's events be switched on before it is asked anything.
constexpr int kAttachedReadingDelayMs = 500;

} // namespace

PageTextCapture::PageTextCapture(Sender send, TabLookup tab, QObject *parent)
    : QObject(parent)
    , m_send(std::move(send))
    , m_tab(std::move(tab))
{ }

void PageTextCapture::pageLoaded(const QString &targetId)
{
    const Tab tab = m_tab(targetId);
    if (tab.sessionId.isEmpty())
        return;
    read(targetId, tab);
    QTimer::singleShot(m_delayMs, this, [this, targetId, url = tab.url] {
        // A tab that moved on since has been read at its own load.
        const Tab now = m_tab(targetId);
        if (!now.sessionId.isEmpty() && now.url == url)
            read(targetId, now);
    });
}

void PageTextCapture::pageAttached(const QString &targetId)
{
    // A document still loading is not read here: its load is reported.
    QTimer::singleShot(kAttachedReadingDelayMs, this, [this, targetId] {
        const Tab tab = m_tab(targetId);
        if (!tab.sessionId.isEmpty())
            read(targetId, tab);
    });
}

void PageTextCapture::read(const QString &targetId, const Tab &tab)
{
    if (!m_enabled)
        return;
    // The top frame's id is the tab's target id.
    const QJsonObject world {{u"frameId"_s, targetId}, {u"worldName"_s, u"roamlogText"_s}};
    m_send(u"Page.createIsolatedWorld"_s,
           world,
           tab.sessionId,
           [this, sessionId = tab.sessionId](const QJsonObject &made) {
               const QJsonValue context = made.value(u"result"_s)[u"executionContextId"_s];
               if (!context.isDouble())
                   return;
               const QJsonObject params {{u"expression"_s, readingScript()},
                                         {u"contextId"_s, context},
                                         {u"returnByValue"_s, true}};
               m_send(u"Runtime.evaluate"_s, params, sessionId, [this](const QJsonObject &message) {
                   const QJsonObject value = message.value(u"result"_s)[u"result"_s][u"value"_s]
                                                 .toObject();
                   const QString url = value.value(u"url"_s).toString();
                   if (url.isEmpty())
                       return;
                   emit captured(
                       url, value.value(u"title"_s).toString(), value.value(u"text"_s).toString());
               });
           });
}
