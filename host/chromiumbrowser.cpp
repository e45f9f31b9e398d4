#include "chromiumbrowser.h"
#include "profilelock.h"
#include "safewrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
const auto kDefaultHome = u"chrome://newtab/"_s;

} // namespace

ChromiumBrowser::ChromiumBrowser(QObject *parent)
    : Browser(parent)
    , m_tracker(m_transport, [this] { return m_state == State::Running; })
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

    connect(&m_tracker, &PageTracker::beforeNavigate, this, &Browser::BeforeNavigate);
    connect(&m_tracker, &PageTracker::navigateComplete, this, &Browser::NavigateComplete);
    connect(&m_tracker, &PageTracker::frameBeforeNavigate, this, &Browser::FrameBeforeNavigate);
    connect(&m_tracker, &PageTracker::newWindow, this, &Browser::NewWindow);
    connect(&m_tracker, &PageTracker::titleChange, this, &Browser::TitleChange);
    connect(&m_tracker, &PageTracker::downloadStarted, this, &Browser::DownloadStarted);
    connect(&m_tracker, &PageTracker::pageTextCaptured, this, &Browser::PageTextCaptured);

    connect(&m_leftoverPoll, &QTimer::timeout, this, &ChromiumBrowser::waitForLeftover);

    connect(&m_transport, &DevToolsTransport::startFailed, this, &ChromiumBrowser::onStartFailed);
    connect(&m_transport, &DevToolsTransport::processEnded, this, &ChromiumBrowser::onProcessEnded);
    connect(&m_transport, &DevToolsTransport::pipeClosed, this, &ChromiumBrowser::onPipeClosed);
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
    m_tracker.watchBrowser(m_options.downloadDir, [this] {
        if (m_state != State::Launching)
            return;
        m_startTimeout.stop();
        m_state = State::Running;
        emit started();
        if (m_state == State::Running)
            m_tracker.flushPendingNavigation();
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

void ChromiumBrowser::GoHome()
{
    Navigate(m_options.homeUrl.isEmpty() ? kDefaultHome : m_options.homeUrl);
}

void ChromiumBrowser::Navigate(const QString &url)
{
    if (m_state == State::ClearingProfile || m_state == State::Launching)
        m_tracker.deferNavigation(url);
    else if (m_state == State::Running)
        m_tracker.navigate(url);
}

bool ChromiumBrowser::Visible() const
{
    return m_visible;
}

void ChromiumBrowser::setVisible(bool visible)
{
    m_visible = visible;
    if (m_state == State::Running)
        m_tracker.applyVisibility(visible);
}

void ChromiumBrowser::PlaceWindow(const QRect &frame)
{
    if (frame.isEmpty() || m_state == State::Closing || m_state == State::Ended)
        return;
    m_tracker.placeWindow(frame);
}

QString ChromiumBrowser::LocationURL() const
{
    return m_tracker.currentUrl();
}

QString ChromiumBrowser::LocationName() const
{
    return m_tracker.currentName();
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
        m_transport.send(u"Browser.close"_s);
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
    m_tracker.clear();
    m_transport.closePipe();
    if (abnormal)
        emit failed(message);
    emit OnQuit();
}

void ChromiumBrowser::setReadsPageText(bool reads)
{
    m_tracker.setReadsPageText(reads);
}
