#include "pagetracker.h"
#include "pagetextcapture.h"

#include <QDir>
#include <QJsonDocument>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

const auto kBinding = u"roamlogReport"_s;
const auto kWorld = u"roamlog"_s;

// Runs in an isolated world of every page: reports the top document's title whenever it changes,
// and that the tab is the one shown: at once when it is, and when the user brings it to the front.
const auto kWatcherScript = uR"JS((() => {
  if (window !== window.top || document.__roamlogWatching) return;
  document.__roamlogWatching = true;
  const send = (kind, value) => {
    try { roamlogReport(JSON.stringify({kind: kind, value: value})); } catch (e) {}
  };
  let last = null;
  const report = () => {
    const title = document.title;
    if (title !== last) { last = title; send('title', title); }
  };
  const watch = () => {
    report();
    new MutationObserver(report).observe(document,
        {subtree: true, childList: true, characterData: true});
  };
  if (document.readyState === 'loading')
    document.addEventListener('DOMContentLoaded', watch);
  else
    watch();
  const shown = () => {
    if (document.visibilityState === 'visible') send('shown', '');
  };
  shown();
  document.addEventListener('visibilitychange', shown);
  // Another window of the browser, both visible: only the focus tells. A tab sent to the
  // background can get a late focus event, which must not bring it back.
  window.addEventListener('focus', () => { if (document.hasFocus()) shown(); });
})();)JS"_s;

QJsonObject autoAttachParams()
{
    return {{u"autoAttach"_s, true}, {u"waitForDebuggerOnStart"_s, true}, {u"flatten"_s, true}};
}

} // namespace

PageTracker::PageTracker(DevToolsTransport &transport, LivePredicate live, QObject *parent)
    : QObject(parent)
    , m_transport(transport)
    , m_live(std::move(live))
{
    m_capture = new PageTextCapture(
        [this](const QString &method,
               const QJsonObject &params,
               const QString &sessionId,
               std::function<void(const QJsonObject &)> reply) {
            if (m_live())
                send(method, params, sessionId, std::move(reply));
        },
        [this](const QString &targetId) {
            const auto page = m_pages.constFind(targetId);
            return page == m_pages.cend() ? PageTextCapture::Tab()
                                          : PageTextCapture::Tab {page->sessionId, page->url};
        },
        this);
    connect(m_capture, &PageTextCapture::captured, this, &PageTracker::pageTextCaptured);
    connect(&m_transport, &DevToolsTransport::eventReceived, this, &PageTracker::handleEvent);
}

void PageTracker::watchBrowser(const QString &downloadDir, std::function<void()> attached)
{
    // Written at once: the browser reads them as soon as it is up, before its first page.
    send(u"Target.getBrowserContexts"_s, {}, {}, [this](const QJsonObject &message) {
        const QString id = message.value(u"result"_s)[u"defaultBrowserContextId"_s].toString();
        if (!id.isEmpty())
            m_defaultContext = id;
    });
    send(u"Target.setDiscoverTargets"_s, {{u"discover"_s, true}});
    QJsonObject downloads {{u"behavior"_s, u"default"_s}, {u"eventsEnabled"_s, true}};
    if (!downloadDir.isEmpty()) {
        QDir().mkpath(downloadDir);
        downloads[u"behavior"_s] = u"allow"_s;
        downloads[u"downloadPath"_s] = QDir(downloadDir).absolutePath();
    }
    send(u"Browser.setDownloadBehavior"_s, downloads);
    send(u"Target.setAutoAttach"_s,
         autoAttachParams(),
         {},
         [attached = std::move(attached)](const QJsonObject &) { attached(); });
}

void PageTracker::clear()
{
    m_pages.clear();
    m_sessions.clear();
    m_frameOwners.clear();
}

int PageTracker::send(const QString &method,
                      const QJsonObject &params,
                      const QString &sessionId,
                      DevToolsTransport::Reply reply)
{
    return m_transport.send(method, params, sessionId, std::move(reply));
}

void PageTracker::handleEvent(const QString &method,
                              const QJsonObject &params,
                              const QString &sessionId)
{
    if (method == "Target.attachedToTarget"_L1) {
        onAttached(params, sessionId);
        return;
    }
    if (method == "Target.detachedFromTarget"_L1) {
        onDetached(params.value(u"sessionId"_s).toString());
        return;
    }
    if (method == "Target.targetDestroyed"_L1) {
        onTargetGone(params.value(u"targetId"_s).toString());
        return;
    }
    if (method == "Browser.downloadWillBegin"_L1) {
        onDownload(params);
        return;
    }

    const auto sessionIt = m_sessions.constFind(sessionId);
    if (sessionId.isEmpty() || sessionIt == m_sessions.cend())
        return;
    // A copy: what the reports set off may end the session.
    const Session session = *sessionIt;
    onPageEvent(method, params, sessionId, session);
}

void PageTracker::onDownload(const QJsonObject &params)
{
    const QString guid = params.value(u"guid"_s).toString();
    const QString frameId = params.value(u"frameId"_s).toString();
    const QString owner = m_pages.contains(frameId) ? frameId : m_frameOwners.value(frameId);
    if (m_downloads.contains(guid) || m_privateTargets.contains(frameId)
        || m_privateTargets.contains(owner))
        return;
    m_downloads.insert(guid);
    emit downloadStarted(params.value(u"url"_s).toString(),
                         guid,
                         params.value(u"suggestedFilename"_s).toString(),
                         m_pages.value(owner).url);
}

void PageTracker::onPageEvent(const QString &method,
                              const QJsonObject &params,
                              const QString &sessionId,
                              const Session &session)
{
    if (method == "Page.frameStartedNavigating"_L1) {
        const QString url = params.value(u"url"_s).toString();
        if (session.isPage && params.value(u"frameId"_s).toString() == session.targetId) {
            m_pages[session.targetId].startedUrl = url;
            emit beforeNavigate(url);
        } else {
            emit frameBeforeNavigate(url);
        }
    } else if (method == "Page.frameNavigated"_L1) {
        const QJsonObject frame = params.value(u"frame"_s).toObject();
        const QString frameId = frame.value(u"id"_s).toString();
        if (session.isPage && frameId == session.targetId) {
            auto page = m_pages.find(session.targetId);
            if (page == m_pages.end())
                return;
            page->url = frame.value(u"url"_s).toString() + frame.value(u"urlFragment"_s).toString();
            page->mimeType = frame.value(u"mimeType"_s).toString();
            page->title.clear();
            page->titleKnown = false;
            page->startedUrl.clear();
            showCommitted(session.targetId);
        } else {
            m_frameOwners.insert(frameId, session.pageTargetId);
        }
    } else if (method == "Page.navigatedWithinDocument"_L1) {
        if (session.isPage && params.value(u"frameId"_s).toString() == session.targetId) {
            auto page = m_pages.find(session.targetId);
            if (page == m_pages.end())
                return;
            // Jumps within a document and history changes by script announce nothing first. The
            // document, and so its title, stays.
            page->url = params.value(u"url"_s).toString();
            const bool announced = std::exchange(page->startedUrl, QString()) == page->url;
            if (!announced)
                emit beforeNavigate(page->url);
            showCommitted(session.targetId);
            // A page that changes its address by script shows new text without a load.
            m_capture->pageLoaded(session.targetId);
        }
    } else if (method == "Page.frameAttached"_L1) {
        m_frameOwners.insert(params.value(u"frameId"_s).toString(), session.pageTargetId);
    } else if (method == "Page.frameDetached"_L1) {
        m_frameOwners.remove(params.value(u"frameId"_s).toString());
    } else if (method == "Page.windowOpen"_L1) {
        emit newWindow(params.value(u"url"_s).toString());
    } else if (method == "Runtime.executionContextCreated"_L1) {
        const QJsonObject context = params.value(u"context"_s).toObject();
        if (session.isPage && context.value(u"name"_s).toString() == kWorld
            && context.value(u"auxData"_s)[u"frameId"_s].toString() == session.targetId) {
            const auto page = m_pages.find(session.targetId);
            if (page != m_pages.end())
                page->worldContext = context.value(u"id"_s).toInt();
        }
    } else if (method == "Page.domContentEventFired"_L1) {
        // A new tab keeps the window of its first, empty document for the page that follows,
        // and scripts for new documents do not run again: start the watcher by hand. It
        // ignores a document it already watches.
        const Page page = m_pages.value(session.targetId);
        if (session.isPage && page.worldContext != 0)
            send(u"Runtime.evaluate"_s,
                 {{u"expression"_s, kWatcherScript}, {u"contextId"_s, page.worldContext}},
                 sessionId);
    } else if (method == "Page.loadEventFired"_L1) {
        if (session.isPage)
            m_capture->pageLoaded(session.targetId);
    } else if (method == "Runtime.bindingCalled"_L1) {
        if (session.isPage && params.value(u"name"_s).toString() == kBinding)
            onBinding(session.targetId, params.value(u"payload"_s).toString());
    }
}

void PageTracker::onAttached(const QJsonObject &params, const QString &parentSessionId)
{
    const QString sessionId = params.value(u"sessionId"_s).toString();
    const QJsonObject info = params.value(u"targetInfo"_s).toObject();
    const QString targetId = info.value(u"targetId"_s).toString();
    const QString type = info.value(u"type"_s).toString();
    const QString context = info.value(u"browserContextId"_s).toString();

    if (type == "page"_L1) {
        if (m_defaultContext.isEmpty())
            m_defaultContext = context;
        if (context != m_defaultContext) {
            // A private window: let it run, never watch it.
            m_privateTargets.insert(targetId);
            releaseTarget(sessionId);
            return;
        }
        m_sessions.insert(sessionId, Session {targetId, targetId, true});
        // A tab opened later is not the one shown until it says so: a link opened in the
        // background must not take the place of the page the user stays on.
        const bool first = m_pages.isEmpty();
        Page &page = m_pages[targetId];
        page.sessionId = sessionId;
        page.url = info.value(u"url"_s).toString();
        page.title = info.value(u"title"_s).toString();
        if (first)
            markUsed(targetId);
        setUpPage(targetId, sessionId);
        m_capture->pageAttached(targetId);
        if (m_live())
            flushPendingNavigation();
    } else if (type == "iframe"_L1) {
        const Session parent = m_sessions.value(parentSessionId);
        if (parent.pageTargetId.isEmpty() || m_privateTargets.contains(parent.pageTargetId)) {
            releaseTarget(sessionId);
            return;
        }
        m_sessions.insert(sessionId, Session {targetId, parent.pageTargetId, false});
        m_frameOwners.insert(targetId, parent.pageTargetId);
        setUpFrameTarget(sessionId);
    } else {
        // Workers, the browser's own UI: nothing to record, but they wait for a debugger.
        releaseTarget(sessionId);
    }
}

void PageTracker::setUpPage(const QString &targetId, const QString &sessionId)
{
    send(u"Page.enable"_s, {}, sessionId);
    send(u"Runtime.enable"_s, {}, sessionId);
    send(u"Runtime.addBinding"_s,
         {{u"name"_s, kBinding}, {u"executionContextName"_s, kWorld}},
         sessionId);
    send(u"Page.addScriptToEvaluateOnNewDocument"_s,
         {{u"source"_s, kWatcherScript}, {u"worldName"_s, kWorld}, {u"runImmediately"_s, true}},
         sessionId);
    send(u"Target.setAutoAttach"_s, autoAttachParams(), sessionId);
    send(
        u"Runtime.runIfWaitingForDebugger"_s, {}, sessionId, [this, targetId](const QJsonObject &) {
            const auto page = m_pages.find(targetId);
            if (page == m_pages.end())
                return;
            page->ready = true;
            if (!m_pendingPlacement.isNull() && m_live())
                applyPlacement(std::exchange(m_pendingPlacement, QRect()));
            if (!page->pendingUrl.isEmpty())
                send(u"Page.navigate"_s,
                     {{u"url"_s, std::exchange(page->pendingUrl, QString())}},
                     page->sessionId);
        });
}

void PageTracker::setUpFrameTarget(const QString &sessionId)
{
    send(u"Page.enable"_s, {}, sessionId);
    send(u"Target.setAutoAttach"_s, autoAttachParams(), sessionId);
    send(u"Runtime.runIfWaitingForDebugger"_s, {}, sessionId);
}

void PageTracker::releaseTarget(const QString &sessionId)
{
    send(u"Runtime.runIfWaitingForDebugger"_s, {}, sessionId);
    send(u"Target.detachFromTarget"_s, {{u"sessionId"_s, sessionId}});
}

void PageTracker::onDetached(const QString &sessionId)
{
    const Session session = m_sessions.take(sessionId);
    if (session.isPage)
        onTargetGone(session.targetId);
}

void PageTracker::onTargetGone(const QString &targetId)
{
    m_privateTargets.remove(targetId);
    const auto page = m_pages.constFind(targetId);
    if (page == m_pages.cend())
        return;
    m_sessions.remove(page->sessionId);
    m_pages.erase(page);
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (it->pageTargetId == targetId)
            it = m_sessions.erase(it);
        else
            ++it;
    }
    m_frameOwners.removeIf([&targetId](const auto &it) { return it.value() == targetId; });
}

void PageTracker::onBinding(const QString &pageTargetId, const QString &payload)
{
    const QJsonObject report = QJsonDocument::fromJson(payload.toUtf8()).object();
    const QString kind = report.value(u"kind"_s).toString();
    auto page = m_pages.find(pageTargetId);
    if (page == m_pages.end())
        return;
    // The watcher runs in a document whose commit went unseen (see learnCommittedUrl).
    if (isPlaceholder(*page))
        learnCommittedUrl(pageTargetId);
    if (kind == "title"_L1) {
        const QString title = report.value(u"value"_s).toString();
        const bool named = page->titleKnown || isFileShown(*page);
        const QString before = pageName(*page);
        page->title = title;
        page->titleKnown = true;
        if (named && pageName(*page) == before)
            return;
        if (!isPlaceholder(*page) && pageTargetId == currentTargetId())
            emit titleChange(pageName(*page));
    } else if (kind == "shown"_L1) {
        markUsed(pageTargetId);
        if (pageTargetId != m_shownTarget || page->unreported)
            reportShown(pageTargetId);
    }
}

void PageTracker::learnCommittedUrl(const QString &targetId)
{
    // A tab opened from a link can commit its first page before its events are switched on;
    // the browser still knows the address.
    send(u"Target.getTargetInfo"_s,
         {{u"targetId"_s, targetId}},
         {},
         [this, targetId](const QJsonObject &message) {
             const QString url = message.value(u"result"_s)[u"targetInfo"_s][u"url"_s].toString();
             const auto page = m_pages.find(targetId);
             if (page == m_pages.end() || !isPlaceholder(*page) || url.isEmpty()
                 || url == "about:blank"_L1)
                 return;
             page->url = url;
             showCommitted(targetId);
         });
}

void PageTracker::showCommitted(const QString &targetId)
{
    const auto page = m_pages.find(targetId);
    if (page == m_pages.end())
        return;
    // A background tab's page waits until the user looks at it.
    if (targetId == currentTargetId())
        reportShown(targetId);
    else
        page->unreported = true;
}

void PageTracker::reportShown(const QString &targetId)
{
    const auto page = m_pages.find(targetId);
    if (page == m_pages.end())
        return;
    page->unreported = false;
    m_shownTarget = targetId;
    if (isPlaceholder(*page))
        return;
    const Page shown = *page;
    emit navigateComplete(shown.url);
    if (shown.titleKnown || isFileShown(shown))
        emit titleChange(pageName(shown));
}

void PageTracker::markUsed(const QString &targetId)
{
    const auto page = m_pages.find(targetId);
    if (page != m_pages.end())
        page->lastUsed = ++m_useCounter;
}

QString PageTracker::currentTargetId() const
{
    QString best;
    quint64 bestUse = 0;
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (best.isEmpty() || it->lastUsed > bestUse) {
            best = it.key();
            bestUse = it->lastUsed;
        }
    }
    return best;
}

const PageTracker::Page *PageTracker::currentPage() const
{
    const auto page = m_pages.constFind(currentTargetId());
    return page == m_pages.cend() ? nullptr : &*page;
}

bool PageTracker::isPlaceholder(const Page &page)
{
    // The empty document a tab shows before its first page has nothing worth reporting.
    return page.url.isEmpty() || page.url == "about:blank"_L1;
}

bool PageTracker::isFileShown(const Page &page)
{
    return !page.mimeType.isEmpty() && page.mimeType != "text/html"_L1
           && page.mimeType != "application/xhtml+xml"_L1;
}

QString PageTracker::pageName(const Page &page)
{
    // A picture or text file has no title, or one the browser makes up with its size.
    if (isFileShown(page)) {
        const QString name = QUrl(page.url).fileName();
        if (!name.isEmpty())
            return name;
    }
    return page.title.isEmpty() ? page.url : page.title;
}

void PageTracker::navigate(const QString &url)
{
    const QString targetId = currentTargetId();
    if (targetId.isEmpty()) {
        send(u"Target.createTarget"_s, {{u"url"_s, url}});
        return;
    }
    markUsed(targetId);
    Page &page = m_pages[targetId];
    if (page.ready)
        send(u"Page.navigate"_s, {{u"url"_s, url}}, page.sessionId);
    else
        page.pendingUrl = url;
}

void PageTracker::applyVisibility(bool visible)
{
    const QString current = currentTargetId();
    const QJsonObject bounds {{u"windowState"_s, visible ? u"normal"_s : u"minimized"_s}};
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (visible && it.key() != current)
            continue;
        send(u"Browser.getWindowForTarget"_s,
             {{u"targetId"_s, it.key()}},
             {},
             [this, bounds](const QJsonObject &message) {
                 const QJsonValue windowId = message.value(u"result"_s)[u"windowId"_s];
                 if (windowId.isDouble() && m_live())
                     send(u"Browser.setWindowBounds"_s,
                          {{u"windowId"_s, windowId}, {u"bounds"_s, bounds}});
             });
        if (visible)
            send(u"Page.bringToFront"_s, {}, it->sessionId);
    }
}

void PageTracker::applyPlacement(const QRect &frame)
{
    send(u"Browser.getWindowForTarget"_s,
         {{u"targetId"_s, currentTargetId()}},
         {},
         [this, frame](const QJsonObject &message) {
             const QJsonValue windowId = message.value(u"result"_s)[u"windowId"_s];
             if (!windowId.isDouble() || !m_live())
                 return;
             // A maximised or minimised window takes no bounds: it is restored first.
             send(u"Browser.setWindowBounds"_s,
                  {{u"windowId"_s, windowId},
                   {u"bounds"_s, QJsonObject {{u"windowState"_s, u"normal"_s}}}});
             send(u"Browser.setWindowBounds"_s,
                  {{u"windowId"_s, windowId},
                   {u"bounds"_s,
                    QJsonObject {{u"left"_s, frame.x()},
                                 {u"top"_s, frame.y()},
                                 {u"width"_s, frame.width()},
                                 {u"height"_s, frame.height()}}}});
         });
}

void PageTracker::flushPendingNavigation()
{
    if (!m_pendingNavigation.isEmpty() && !m_pages.isEmpty())
        navigate(std::exchange(m_pendingNavigation, QString()));
}

void PageTracker::placeWindow(const QRect &frame)
{
    if (m_live() && !currentTargetId().isEmpty())
        applyPlacement(frame);
    else
        m_pendingPlacement = frame;
}

QString PageTracker::currentUrl() const
{
    const Page *page = currentPage();
    return page ? page->url : QString();
}

QString PageTracker::currentName() const
{
    const Page *page = currentPage();
    return page ? pageName(*page) : QString();
}

void PageTracker::setReadsPageText(bool reads)
{
    m_capture->setEnabled(reads);
}
