#include "chromiumbrowser.h"
#include "pagetextcapture.h"
#include "profilelock.h"
#include "safewrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kStartTimeoutMs = 20000;
constexpr int kLeftoverPollMs = 100;
// A leftover browser gets this many polls after SIGTERM, as many again after SIGKILL.
constexpr int kLeftoverPolls = 50;
constexpr int kCloseGraceMs = 3000;
constexpr int kQuitTimeoutMs = 5000;
constexpr int kProfileInUseExit = 21;

// Not Roamlog's: a wrapper that also opens a port for other tools (tests) names it there, and a
// stale one would name a dead port.
const auto kActivePortFile = u"DevToolsActivePort"_s;
const auto kLogFile = u"roamlog-browser.log"_s;
const auto kBinding = u"roamlogReport"_s;
const auto kWorld = u"roamlog"_s;
const auto kDefaultHome = u"chrome://newtab/"_s;

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

ChromiumBrowser::ChromiumBrowser(QObject *parent)
    : Browser(parent)
{
    m_startTimeout.setSingleShot(true);
    m_startTimeout.setInterval(kStartTimeoutMs);
    connect(&m_startTimeout, &QTimer::timeout, this, [this] {
        if (m_state != State::Launching)
            return;
        stopProcess();
        fail(tr("The browser \"%1\" did not answer within %2 seconds.")
                 .arg(m_executable)
                 .arg(kStartTimeoutMs / 1000));
    });
    m_closeGrace.setSingleShot(true);
    m_closeGrace.setInterval(kCloseGraceMs);
    connect(&m_closeGrace, &QTimer::timeout, this, [this] {
        if (m_state == State::Closing) {
            // Asked to quit, it is ending, slowly: it gets until Quit's deadline, so that its
            // profile is free once OnQuit() comes.
            if (m_quitRequested && m_transport.isProcessRunning())
                return;
            finish(!m_quitRequested, tr("Lost contact with the browser; it may still be open."));
        } else if (m_state == State::Launching) {
            // A wrapper that does not hand descriptors 3 and 4 on leaves a browser nobody reaches.
            stopProcess();
            fail(tr("The browser \"%1\" closed its DevTools pipe while starting. A program given "
                    "with --browser must pass its arguments and file descriptors 3 and 4 on to "
                    "the browser.")
                     .arg(m_executable));
        }
    });
    m_leftoverPoll.setInterval(kLeftoverPollMs);

    m_capture = new PageTextCapture(
        [this](const QString &method,
               const QJsonObject &params,
               const QString &sessionId,
               std::function<void(const QJsonObject &)> reply) {
            if (m_state == State::Running)
                send(method, params, sessionId, std::move(reply));
        },
        [this](const QString &targetId) {
            const auto page = m_pages.constFind(targetId);
            return page == m_pages.cend() ? PageTextCapture::Tab()
                                          : PageTextCapture::Tab {page->sessionId, page->url};
        },
        this);
    connect(m_capture, &PageTextCapture::captured, this, &Browser::PageTextCaptured);

    connect(&m_leftoverPoll, &QTimer::timeout, this, &ChromiumBrowser::waitForLeftover);

    connect(&m_transport, &DevToolsTransport::startFailed, this, &ChromiumBrowser::onStartFailed);
    connect(&m_transport, &DevToolsTransport::processEnded, this, &ChromiumBrowser::onProcessEnded);
    connect(&m_transport, &DevToolsTransport::pipeClosed, this, &ChromiumBrowser::onPipeClosed);
    connect(&m_transport, &DevToolsTransport::eventReceived, this, &ChromiumBrowser::handleEvent);
}

ChromiumBrowser::~ChromiumBrowser()
{
    // The transport closes the pipe and lets the browser end; nothing is reported any more.
    disconnect(&m_transport, nullptr, this, nullptr);
}

QString ChromiumBrowser::resolveExecutable(const QString &requested)
{
    const QString name = requested.isEmpty() ? u"chromium"_s : requested;
    QString found;
    if (name.contains(u'/')) {
        const QFileInfo info(name);
        if (info.isFile() && info.isExecutable())
            found = info.absoluteFilePath();
    } else {
        found = QStandardPaths::findExecutable(name);
    }
    if (found.isEmpty())
        return {};
    // Debian's launcher is a shell script that execs the real program after printing noise.
    const QString debianProgram = u"/usr/lib/chromium/chromium"_s;
    if (QFileInfo(found).canonicalFilePath() == "/usr/bin/chromium"_L1
        && QFileInfo(debianProgram).isExecutable())
        return debianProgram;
    return found;
}

void ChromiumBrowser::start(const Options &options)
{
    if (m_state != State::Idle)
        return;
    m_options = options;
    m_executable = resolveExecutable(options.executable);
    const QString requested = options.executable.isEmpty() ? u"chromium"_s : options.executable;
    if (m_executable.isEmpty()) {
        m_state = State::Ended;
        QTimer::singleShot(0, this, [this, requested] {
            emit failed(tr("The browser \"%1\" was not found. Install it (Debian package "
                           "\"chromium\") or name the browser to use with --browser.")
                            .arg(requested));
        });
        return;
    }
    // Cookies, history and passwords: the user's alone. The folders made here are 0700 from
    // the start; a folder the user made is left as it is.
    if (options.profileDir.isEmpty() || !makePrivateFolder(options.profileDir)) {
        m_state = State::Ended;
        QTimer::singleShot(0, this, [this] {
            emit failed(tr("The browser's profile folder \"%1\" cannot be created.")
                            .arg(m_options.profileDir));
        });
        return;
    }

    const ProfileLock::State lock = ProfileLock::inspect(options.profileDir);
    const QString folder = QDir::toNativeSeparators(QDir(options.profileDir).absolutePath());
    QString refusal;
    switch (lock.holder) {
    case ProfileLock::Holder::None:
        m_state = State::Launching;
        launch();
        return;
    case ProfileLock::Holder::Orphan:
        // Left by a Roamlog that ended (it may be closing already): nobody else drives it.
        m_state = State::ClearingProfile;
        m_leftoverPid = lock.browserPid;
        m_leftoverPolls = 0;
        ::kill(pid_t(m_leftoverPid), SIGTERM);
        m_leftoverPoll.start();
        return;
    case ProfileLock::Holder::LiveHost:
        refusal = tr("Another Roamlog is already running with the browser profile folder "
                     "\"%1\" (its window may be closed while its browser stays open). Use "
                     "that browser, or close it and start Roamlog again; or start Roamlog with "
                     "another --profile folder.")
                      .arg(folder);
        break;
    case ProfileLock::Holder::Other:
        refusal = tr("A browser (process %1) is already running with the profile folder \"%2\". "
                     "Close all its windows, or end it with the command \"kill %1\", then start "
                     "Roamlog again; or start Roamlog with another --profile folder.")
                      .arg(lock.browserPid)
                      .arg(folder);
        break;
    }
    m_state = State::Ended;
    QTimer::singleShot(0, this, [this, refusal] { emit failed(refusal); });
}

void ChromiumBrowser::waitForLeftover()
{
    if (m_state != State::ClearingProfile) {
        m_leftoverPoll.stop();
        return;
    }
    if (!ProfileLock::isAlive(m_leftoverPid)) {
        m_leftoverPoll.stop();
        m_state = State::Launching;
        launch();
        return;
    }
    ++m_leftoverPolls;
    if (m_leftoverPolls == kLeftoverPolls) {
        ::kill(pid_t(m_leftoverPid), SIGKILL);
    } else if (m_leftoverPolls >= 2 * kLeftoverPolls) {
        m_leftoverPoll.stop();
        fail(tr("A browser left running by an earlier Roamlog (process %1) does not end. End it "
                "with the command \"kill -9 %1\", then start Roamlog again.")
                 .arg(m_leftoverPid));
    }
}

void ChromiumBrowser::launch()
{
    QFile::remove(QDir(m_options.profileDir).filePath(kActivePortFile));

    QStringList arguments {u"--remote-debugging-pipe"_s,
                           u"--user-data-dir="_s + QDir(m_options.profileDir).absolutePath(),
                           u"--no-first-run"_s,
                           u"--no-default-browser-check"_s,
                           u"--disable-background-networking"_s,
                           u"--disable-component-update"_s,
                           u"--disable-sync"_s,
                           u"--hide-crash-restore-bubble"_s};
    if (m_options.headless)
        arguments << u"--headless=new"_s << u"--disable-gpu"_s;
    if (geteuid() == 0)
        arguments << u"--no-sandbox"_s << u"--test-type"_s;
    // Blank until every tab is watched; the home page follows (GoHome).
    arguments << u"about:blank"_s;

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(ProfileLock::HostVariable),
                       QString::number(QCoreApplication::applicationPid()));
    m_startTimeout.start();
    m_transport.start(m_executable, arguments, environment, logPath());
    if (m_state == State::Launching)
        attachToBrowser();
}

bool ChromiumBrowser::isRunning() const
{
    return m_state == State::Running;
}

qint64 ChromiumBrowser::processId() const
{
    return m_transport.processId();
}

QString ChromiumBrowser::logPath() const
{
    return QDir(m_options.profileDir).filePath(kLogFile);
}

QString ChromiumBrowser::lastLogLine() const
{
    QFile log(logPath());
    if (!log.open(QIODevice::ReadOnly))
        return {};
    if (log.size() > 4096)
        log.seek(log.size() - 4096);
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
        if (!it->trimmed().isEmpty())
            return QString::fromLocal8Bit(it->trimmed());
    }
    return {};
}

void ChromiumBrowser::onStartFailed(const QString &reason)
{
    if (m_state == State::Launching)
        fail(tr("The browser \"%1\" could not be started: %2").arg(m_executable, reason));
}

void ChromiumBrowser::onProcessEnded(int exitCode, bool crashed)
{
    switch (m_state) {
    case State::Launching:
        if (!crashed && (exitCode == 0 || exitCode == kProfileInUseExit)) {
            // Chromium hands its arguments to a browser already running on the profile and
            // leaves; headless, it refuses to share the profile.
            fail(tr("Another browser is already running with the profile folder \"%1\". Close "
                    "it, or start Roamlog with another --profile folder.")
                     .arg(QDir::toNativeSeparators(m_options.profileDir)));
        } else {
            const QString said = lastLogLine();
            fail(tr("The browser \"%1\" ended while starting (%2).%3")
                     .arg(m_executable,
                          crashed ? tr("crashed") : tr("exit code %1").arg(exitCode),
                          said.isEmpty() ? QString() : u' ' + said));
        }
        break;
    case State::Running:
    case State::Closing:
        if (m_quitRequested || (!crashed && exitCode == 0))
            finish(false, {});
        else
            finish(true,
                   tr("The browser ended unexpectedly (%1). Start Roamlog again to go on "
                      "recording.")
                       .arg(crashed ? tr("it crashed") : tr("exit code %1").arg(exitCode)));
        break;
    case State::Idle:
    case State::ClearingProfile:
    case State::Ended:
        break;
    }
}

void ChromiumBrowser::attachToBrowser()
{
    // Written at once: the browser reads them as soon as it is up, before its first page.
    send(u"Target.getBrowserContexts"_s, {}, {}, [this](const QJsonObject &message) {
        const QString id = message.value(u"result"_s)[u"defaultBrowserContextId"_s].toString();
        if (!id.isEmpty())
            m_defaultContext = id;
    });
    send(u"Target.setDiscoverTargets"_s, {{u"discover"_s, true}});
    QJsonObject downloads {{u"behavior"_s, u"default"_s}, {u"eventsEnabled"_s, true}};
    if (!m_options.downloadDir.isEmpty()) {
        QDir().mkpath(m_options.downloadDir);
        downloads[u"behavior"_s] = u"allow"_s;
        downloads[u"downloadPath"_s] = QDir(m_options.downloadDir).absolutePath();
    }
    send(u"Browser.setDownloadBehavior"_s, downloads);
    send(u"Target.setAutoAttach"_s, autoAttachParams(), {}, [this](const QJsonObject &) {
        if (m_state != State::Launching)
            return;
        m_startTimeout.stop();
        m_state = State::Running;
        emit started();
        if (m_state == State::Running && !m_pendingNavigation.isEmpty() && !m_pages.isEmpty())
            navigatePage(std::exchange(m_pendingNavigation, QString()));
    });
}

void ChromiumBrowser::onPipeClosed()
{
    if (m_state == State::Launching) {
        // Usually the process is ending: its exit code says why.
        m_closeGrace.start();
    } else if (m_state == State::Running) {
        // Wait for the process to end so that an ordinary exit tells apart from a crash.
        m_state = State::Closing;
        if (!m_transport.isProcessRunning())
            finish(false, {});
        else
            m_closeGrace.start();
    }
}

int ChromiumBrowser::send(const QString &method,
                          const QJsonObject &params,
                          const QString &sessionId,
                          Reply reply)
{
    return m_transport.send(method, params, sessionId, std::move(reply));
}

void ChromiumBrowser::handleEvent(const QString &method,
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
        const QString guid = params.value(u"guid"_s).toString();
        const QString frameId = params.value(u"frameId"_s).toString();
        const QString owner = m_pages.contains(frameId) ? frameId : m_frameOwners.value(frameId);
        if (m_downloads.contains(guid) || m_privateTargets.contains(frameId)
            || m_privateTargets.contains(owner))
            return;
        m_downloads.insert(guid);
        emit DownloadStarted(params.value(u"url"_s).toString(),
                             guid,
                             params.value(u"suggestedFilename"_s).toString(),
                             m_pages.value(owner).url);
        return;
    }

    const auto sessionIt = m_sessions.constFind(sessionId);
    if (sessionId.isEmpty() || sessionIt == m_sessions.cend())
        return;
    const Session session = *sessionIt;

    if (method == "Page.frameStartedNavigating"_L1) {
        const QString url = params.value(u"url"_s).toString();
        if (session.isPage && params.value(u"frameId"_s).toString() == session.targetId) {
            m_pages[session.targetId].startedUrl = url;
            emit BeforeNavigate(url);
        } else {
            emit FrameBeforeNavigate(url);
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
                emit BeforeNavigate(page->url);
            showCommitted(session.targetId);
            // A page that changes its address by script shows new text without a load.
            m_capture->pageLoaded(session.targetId);
        }
    } else if (method == "Page.frameAttached"_L1) {
        m_frameOwners.insert(params.value(u"frameId"_s).toString(), session.pageTargetId);
    } else if (method == "Page.frameDetached"_L1) {
        m_frameOwners.remove(params.value(u"frameId"_s).toString());
    } else if (method == "Page.windowOpen"_L1) {
        emit NewWindow(params.value(u"url"_s).toString());
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

void ChromiumBrowser::onAttached(const QJsonObject &params, const QString &parentSessionId)
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
        if (m_state == State::Running && !m_pendingNavigation.isEmpty())
            navigatePage(std::exchange(m_pendingNavigation, QString()));
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

void ChromiumBrowser::setUpPage(const QString &targetId, const QString &sessionId)
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
            if (!m_pendingPlacement.isNull() && m_state == State::Running)
                applyPlacement(std::exchange(m_pendingPlacement, QRect()));
            if (!page->pendingUrl.isEmpty())
                send(u"Page.navigate"_s,
                     {{u"url"_s, std::exchange(page->pendingUrl, QString())}},
                     page->sessionId);
        });
}

void ChromiumBrowser::setUpFrameTarget(const QString &sessionId)
{
    send(u"Page.enable"_s, {}, sessionId);
    send(u"Target.setAutoAttach"_s, autoAttachParams(), sessionId);
    send(u"Runtime.runIfWaitingForDebugger"_s, {}, sessionId);
}

void ChromiumBrowser::releaseTarget(const QString &sessionId)
{
    send(u"Runtime.runIfWaitingForDebugger"_s, {}, sessionId);
    send(u"Target.detachFromTarget"_s, {{u"sessionId"_s, sessionId}});
}

void ChromiumBrowser::onDetached(const QString &sessionId)
{
    const Session session = m_sessions.take(sessionId);
    if (session.isPage)
        onTargetGone(session.targetId);
}

void ChromiumBrowser::onTargetGone(const QString &targetId)
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

void ChromiumBrowser::onBinding(const QString &pageTargetId, const QString &payload)
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
            emit TitleChange(pageName(*page));
    } else if (kind == "shown"_L1) {
        markUsed(pageTargetId);
        if (pageTargetId != m_shownTarget || page->unreported)
            reportShown(pageTargetId);
    }
}

void ChromiumBrowser::learnCommittedUrl(const QString &targetId)
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

void ChromiumBrowser::showCommitted(const QString &targetId)
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

void ChromiumBrowser::reportShown(const QString &targetId)
{
    const auto page = m_pages.find(targetId);
    if (page == m_pages.end())
        return;
    page->unreported = false;
    m_shownTarget = targetId;
    if (isPlaceholder(*page))
        return;
    const Page shown = *page;
    emit NavigateComplete(shown.url);
    if (shown.titleKnown || isFileShown(shown))
        emit TitleChange(pageName(shown));
}

void ChromiumBrowser::markUsed(const QString &targetId)
{
    const auto page = m_pages.find(targetId);
    if (page != m_pages.end())
        page->lastUsed = ++m_useCounter;
}

QString ChromiumBrowser::currentTargetId() const
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

const ChromiumBrowser::Page *ChromiumBrowser::currentPage() const
{
    const auto page = m_pages.constFind(currentTargetId());
    return page == m_pages.cend() ? nullptr : &*page;
}

bool ChromiumBrowser::isPlaceholder(const Page &page)
{
    // The empty document a tab shows before its first page has nothing worth reporting.
    return page.url.isEmpty() || page.url == "about:blank"_L1;
}

bool ChromiumBrowser::isFileShown(const Page &page)
{
    return !page.mimeType.isEmpty() && page.mimeType != "text/html"_L1
           && page.mimeType != "application/xhtml+xml"_L1;
}

QString ChromiumBrowser::pageName(const Page &page)
{
    // A picture or text file has no title, or one the browser makes up with its size.
    if (isFileShown(page)) {
        const QString name = QUrl(page.url).fileName();
        if (!name.isEmpty())
            return name;
    }
    return page.title.isEmpty() ? page.url : page.title;
}

void ChromiumBrowser::GoHome()
{
    Navigate(m_options.homeUrl.isEmpty() ? kDefaultHome : m_options.homeUrl);
}

void ChromiumBrowser::Navigate(const QString &url)
{
    if (m_state == State::ClearingProfile || m_state == State::Launching)
        m_pendingNavigation = url;
    else if (m_state == State::Running)
        navigatePage(url);
}

void ChromiumBrowser::navigatePage(const QString &url)
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

bool ChromiumBrowser::Visible() const
{
    return m_visible;
}

void ChromiumBrowser::setVisible(bool visible)
{
    m_visible = visible;
    if (m_state == State::Running)
        applyVisibility();
}

void ChromiumBrowser::applyVisibility()
{
    const QString current = currentTargetId();
    const QJsonObject bounds {{u"windowState"_s, m_visible ? u"normal"_s : u"minimized"_s}};
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it) {
        if (m_visible && it.key() != current)
            continue;
        send(u"Browser.getWindowForTarget"_s,
             {{u"targetId"_s, it.key()}},
             {},
             [this, bounds](const QJsonObject &message) {
                 const QJsonValue windowId = message.value(u"result"_s)[u"windowId"_s];
                 if (windowId.isDouble() && m_state == State::Running)
                     send(u"Browser.setWindowBounds"_s,
                          {{u"windowId"_s, windowId}, {u"bounds"_s, bounds}});
             });
        if (m_visible)
            send(u"Page.bringToFront"_s, {}, it->sessionId);
    }
}

void ChromiumBrowser::PlaceWindow(const QRect &frame)
{
    if (frame.isEmpty() || m_state == State::Closing || m_state == State::Ended)
        return;
    if (m_state == State::Running && !currentTargetId().isEmpty())
        applyPlacement(frame);
    else
        m_pendingPlacement = frame;
}

void ChromiumBrowser::applyPlacement(const QRect &frame)
{
    send(u"Browser.getWindowForTarget"_s,
         {{u"targetId"_s, currentTargetId()}},
         {},
         [this, frame](const QJsonObject &message) {
             const QJsonValue windowId = message.value(u"result"_s)[u"windowId"_s];
             if (!windowId.isDouble() || m_state != State::Running)
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

QString ChromiumBrowser::LocationURL() const
{
    const Page *page = currentPage();
    return page ? page->url : QString();
}

QString ChromiumBrowser::LocationName() const
{
    const Page *page = currentPage();
    return page ? pageName(*page) : QString();
}

void ChromiumBrowser::Quit()
{
    m_quitRequested = true;
    switch (m_state) {
    case State::ClearingProfile:
    case State::Launching:
        stopProcess();
        finish(false, {});
        break;
    case State::Running:
        send(u"Browser.close"_s);
        QTimer::singleShot(kQuitTimeoutMs, this, [this] { stopProcess(); });
        break;
    case State::Closing:
        // Out of contact already: only the process is left to end.
        stopProcess();
        break;
    case State::Idle:
    case State::Ended:
        break;
    }
}

void ChromiumBrowser::stopProcess()
{
    m_transport.kill();
}

void ChromiumBrowser::fail(const QString &message)
{
    m_state = State::Ended;
    m_startTimeout.stop();
    m_closeGrace.stop();
    m_leftoverPoll.stop();
    m_transport.closePipe();
    emit failed(message);
}

void ChromiumBrowser::finish(bool abnormal, const QString &message)
{
    if (m_state == State::Ended)
        return;
    m_state = State::Ended;
    m_startTimeout.stop();
    m_closeGrace.stop();
    m_leftoverPoll.stop();
    m_pages.clear();
    m_sessions.clear();
    m_frameOwners.clear();
    m_transport.closePipe();
    if (abnormal)
        emit failed(message);
    emit OnQuit();
}

void ChromiumBrowser::setReadsPageText(bool reads)
{
    m_capture->setEnabled(reads);
}
