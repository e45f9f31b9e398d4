#include "chromiumbrowser.h"

#include "pagetextcapture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QStandardPaths>

#include <unistd.h>

using namespace Qt::StringLiterals;

// A browser the host does not quit must outlive the host: QProcess kills a running child when
// it is destroyed, so the child is forgotten first.
class BrowserProcess final : public QProcess
{
public:
    using QProcess::QProcess;
    void release() { setProcessState(QProcess::NotRunning); }
};

Q_LOGGING_CATEGORY(lcBrowser, "roamlog.browser", QtWarningMsg)

namespace {

constexpr int kPortPollMs = 50;
constexpr int kStartTimeoutMs = 20000;
constexpr int kCloseGraceMs = 3000;
constexpr int kQuitTimeoutMs = 5000;
constexpr int kProfileInUseExit = 21;

const auto kActivePortFile = u"DevToolsActivePort"_s;
const auto kLogFile = u"roamlog-browser.log"_s;
const auto kBinding = u"roamlogReport"_s;
const auto kWorld = u"roamlog"_s;
const auto kDefaultHome = u"chrome://newtab/"_s;

// Runs in an isolated world of every page: reports the top document's title whenever it changes,
// and when the user brings the tab to the front.
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
  document.addEventListener('visibilitychange', () => {
    if (document.visibilityState === 'visible') send('shown', '');
  });
  window.addEventListener('focus', () => send('shown', ''));
})();)JS"_s;

QJsonObject autoAttachParams()
{
    return {{u"autoAttach"_s, true}, {u"waitForDebuggerOnStart"_s, true}, {u"flatten"_s, true}};
}

} // namespace

ChromiumBrowser::ChromiumBrowser(QObject *parent)
    : Browser(parent)
    , m_process(std::make_unique<BrowserProcess>())
{
    m_portPoll.setInterval(kPortPollMs);
    connect(&m_portPoll, &QTimer::timeout, this, &ChromiumBrowser::pollActivePort);
    m_closeGrace.setSingleShot(true);
    m_closeGrace.setInterval(kCloseGraceMs);
    connect(&m_closeGrace, &QTimer::timeout, this, [this] {
        if (m_state == State::Closing)
            finish(!m_quitRequested, tr("Lost contact with the browser; it may still be open."));
    });

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

    connect(m_process.get(), &QProcess::errorOccurred, this, &ChromiumBrowser::onProcessError);
    connect(m_process.get(), &QProcess::finished, this, &ChromiumBrowser::onProcessFinished);

    connect(&m_socket, &QWebSocket::connected, this, &ChromiumBrowser::onSocketConnected);
    connect(&m_socket, &QWebSocket::disconnected, this, &ChromiumBrowser::onSocketDisconnected);
    connect(&m_socket, &QWebSocket::textMessageReceived, this, &ChromiumBrowser::onMessage);
    connect(&m_socket, qOverload<QAbstractSocket::SocketError>(&QWebSocket::error), this, [this] {
        if (m_state == State::Connecting) {
            stopProcess();
            fail(tr("Could not connect to the browser's debugging port: %1")
                     .arg(m_socket.errorString()));
        }
    });
}

ChromiumBrowser::~ChromiumBrowser()
{
    disconnect(m_process.get(), nullptr, this, nullptr);
    disconnect(&m_socket, nullptr, this, nullptr);
    if (m_process->state() == QProcess::NotRunning)
        return;
    if (m_quitRequested || m_state == State::Launching || m_state == State::Connecting) {
        if (!m_quitRequested)
            m_process->kill();
        if (!m_process->waitForFinished(kQuitTimeoutMs)) {
            m_process->kill();
            m_process->waitForFinished(kQuitTimeoutMs);
        }
    } else {
        m_process->release();
    }
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
    if (options.profileDir.isEmpty() || !QDir().mkpath(options.profileDir)) {
        m_state = State::Ended;
        QTimer::singleShot(0, this, [this] {
            emit failed(tr("The browser's profile folder \"%1\" cannot be created.")
                            .arg(m_options.profileDir));
        });
        return;
    }
    // The file survives every exit of the browser; a stale one would name a dead port.
    QFile::remove(QDir(options.profileDir).filePath(kActivePortFile));

    QStringList arguments {u"--remote-debugging-port=0"_s,
                           u"--user-data-dir="_s + QDir(options.profileDir).absolutePath(),
                           u"--no-first-run"_s,
                           u"--no-default-browser-check"_s,
                           u"--disable-background-networking"_s,
                           u"--disable-component-update"_s,
                           u"--disable-sync"_s,
                           u"--hide-crash-restore-bubble"_s};
    if (options.headless)
        arguments << u"--headless=new"_s << u"--disable-gpu"_s;
    if (geteuid() == 0)
        arguments << u"--no-sandbox"_s << u"--test-type"_s;
    arguments << u"about:blank"_s;

    m_process->setProgram(m_executable);
    m_process->setArguments(arguments);
    m_process->setStandardInputFile(QProcess::nullDevice());
    m_process->setStandardOutputFile(QProcess::nullDevice());
    m_process->setStandardErrorFile(logPath());
    m_state = State::Launching;
    m_launchClock.start();
    m_portPoll.start();
    m_process->start();
}

bool ChromiumBrowser::isRunning() const
{
    return m_state == State::Running;
}

qint64 ChromiumBrowser::processId() const
{
    return m_process->processId();
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

void ChromiumBrowser::pollActivePort()
{
    if (m_state != State::Launching) {
        m_portPoll.stop();
        return;
    }
    QFile file(QDir(m_options.profileDir).filePath(kActivePortFile));
    if (file.open(QIODevice::ReadOnly)) {
        // The browser may be caught writing it: both lines must be there.
        const QList<QByteArray> lines = file.readAll().split('\n');
        bool portOk = false;
        const int port = lines.value(0).trimmed().toInt(&portOk);
        const QByteArray path = lines.value(1).trimmed();
        if (portOk && port > 0 && path.startsWith("/devtools/browser/")) {
            m_portPoll.stop();
            m_webSocketUrl = QUrl(
                u"ws://127.0.0.1:%1%2"_s.arg(port).arg(QString::fromLatin1(path)));
            m_state = State::Connecting;
            m_socket.open(m_webSocketUrl);
            return;
        }
    }
    if (m_launchClock.elapsed() > kStartTimeoutMs) {
        stopProcess();
        fail(tr("The browser \"%1\" did not open its debugging port within %2 seconds.")
                 .arg(m_executable)
                 .arg(kStartTimeoutMs / 1000));
    }
}

void ChromiumBrowser::onProcessError(QProcess::ProcessError error)
{
    if (error == QProcess::FailedToStart && m_state == State::Launching)
        fail(tr("The browser \"%1\" could not be started: %2")
                 .arg(m_executable, m_process->errorString()));
}

void ChromiumBrowser::onProcessFinished(int exitCode, QProcess::ExitStatus status)
{
    const bool crashed = status == QProcess::CrashExit;
    switch (m_state) {
    case State::Launching:
    case State::Connecting:
        if (!crashed && (exitCode == 0 || exitCode == kProfileInUseExit)) {
            // Chromium hands its arguments to a browser already running on the profile and
            // leaves without a debugging port; headless, it refuses to share the profile.
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
    case State::Ended:
        break;
    }
}

void ChromiumBrowser::onSocketConnected()
{
    if (m_state != State::Connecting)
        return;
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
        if (m_state != State::Connecting)
            return;
        m_state = State::Running;
        emit started();
        if (m_state == State::Running && !m_pendingNavigation.isEmpty() && !m_pages.isEmpty())
            navigatePage(std::exchange(m_pendingNavigation, QString()));
    });
}

void ChromiumBrowser::onSocketDisconnected()
{
    m_replies.clear();
    if (m_state == State::Connecting) {
        stopProcess();
        fail(tr("The browser closed its debugging connection while starting."));
    } else if (m_state == State::Running) {
        // Wait for the process to end so that an ordinary exit tells apart from a crash.
        m_state = State::Closing;
        if (m_process->state() == QProcess::NotRunning)
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
    const int id = m_nextId++;
    QJsonObject message {{u"id"_s, id}, {u"method"_s, method}};
    if (!params.isEmpty())
        message[u"params"_s] = params;
    if (!sessionId.isEmpty())
        message[u"sessionId"_s] = sessionId;
    if (reply)
        m_replies.insert(id, std::move(reply));
    const QString text = QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact));
    qCDebug(lcBrowser).noquote() << ">>" << text.left(300);
    m_socket.sendTextMessage(text);
    return id;
}

void ChromiumBrowser::onMessage(const QString &text)
{
    qCDebug(lcBrowser).noquote() << "<<" << text.left(600);
    const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
    if (message.isEmpty())
        return;
    if (message.contains(u"id"_s)) {
        // Errors (a target already gone, an invalid URL) go to the caller, who mostly ignores
        // them.
        const Reply reply = m_replies.take(message.value(u"id"_s).toInt());
        if (reply)
            reply(message);
        return;
    }
    handleEvent(message.value(u"method"_s).toString(),
                message.value(u"params"_s).toObject(),
                message.value(u"sessionId"_s).toString());
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
        emit DownloadStarted(params.value(u"url"_s).toString(), guid);
        return;
    }

    const auto sessionIt = m_sessions.constFind(sessionId);
    if (sessionId.isEmpty() || sessionIt == m_sessions.cend())
        return;
    const Session session = *sessionIt;

    if (method == "Page.frameStartedNavigating"_L1) {
        const QString url = params.value(u"url"_s).toString();
        if (session.isPage && params.value(u"frameId"_s).toString() == session.targetId) {
            markUsed(session.targetId);
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
            page->title.clear();
            page->titleKnown = false;
            page->startedUrl.clear();
            emit NavigateComplete(page->url);
        } else {
            m_frameOwners.insert(frameId, session.pageTargetId);
        }
    } else if (method == "Page.navigatedWithinDocument"_L1) {
        if (session.isPage && params.value(u"frameId"_s).toString() == session.targetId) {
            auto page = m_pages.find(session.targetId);
            if (page == m_pages.end())
                return;
            // Jumps within a document and history changes by script announce nothing first.
            page->url = params.value(u"url"_s).toString();
            const bool announced = std::exchange(page->startedUrl, QString()) == page->url;
            const QString shown = page->url;
            if (!announced) {
                markUsed(session.targetId);
                emit BeforeNavigate(shown);
            }
            emit NavigateComplete(shown);
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
        Page &page = m_pages[targetId];
        page.sessionId = sessionId;
        page.url = info.value(u"url"_s).toString();
        page.title = info.value(u"title"_s).toString();
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
    if (kind == "title"_L1) {
        const QString title = report.value(u"value"_s).toString();
        if (page->titleKnown && title == page->title)
            return;
        page->title = title;
        page->titleKnown = true;
        // The empty document a tab shows before its first page has no name worth reporting.
        const bool placeholder = page->url.isEmpty() || page->url == "about:blank"_L1;
        if (!placeholder && pageTargetId == currentTargetId())
            emit TitleChange(pageName(*page));
    } else if (kind == "shown"_L1) {
        markUsed(pageTargetId);
    }
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

QString ChromiumBrowser::pageName(const Page &page)
{
    return page.title.isEmpty() ? page.url : page.title;
}

void ChromiumBrowser::GoHome()
{
    Navigate(m_options.homeUrl.isEmpty() ? kDefaultHome : m_options.homeUrl);
}

void ChromiumBrowser::Navigate(const QString &url)
{
    if (m_state == State::Launching || m_state == State::Connecting)
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
    case State::Launching:
    case State::Connecting:
        stopProcess();
        finish(false, {});
        break;
    case State::Running:
        // Over a WebSocket no reply comes: the socket closes and the process ends.
        send(u"Browser.close"_s);
        QTimer::singleShot(kQuitTimeoutMs, this, [this] {
            if (m_process->state() != QProcess::NotRunning)
                m_process->kill();
        });
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
    if (m_process->state() != QProcess::NotRunning)
        m_process->kill();
}

void ChromiumBrowser::fail(const QString &message)
{
    m_state = State::Ended;
    m_portPoll.stop();
    m_replies.clear();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
    emit failed(message);
}

void ChromiumBrowser::finish(bool abnormal, const QString &message)
{
    if (m_state == State::Ended)
        return;
    m_state = State::Ended;
    m_portPoll.stop();
    m_closeGrace.stop();
    m_replies.clear();
    m_pages.clear();
    m_sessions.clear();
    m_frameOwners.clear();
    if (m_socket.state() != QAbstractSocket::UnconnectedState)
        m_socket.abort();
    if (abnormal)
        emit failed(message);
    emit OnQuit();
}

void ChromiumBrowser::setReadsPageText(bool reads)
{
    m_capture->setEnabled(reads);
}
