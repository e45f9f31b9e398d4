#include "devtoolstransport.h"

#include <QJsonDocument>
#include <QLoggingCategory>
#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcDevTools, "roamlog.devtools", QtWarningMsg)

namespace {

constexpr int kBrowserFd = 3;
constexpr int kReplyFd = 4;
constexpr qsizetype kReadChunk = 64 * 1024;
// Read at most this much before handling it, so that a chatty browser cannot hold the loop.
constexpr int kReadsPerWakeUp = 16;
constexpr int kEndGraceMs = 5000;

// A browser gone before a command reached it must not take the program with it: the write's
// SIGPIPE is held back and taken off again, only on this thread.
ssize_t writeWithoutSigpipe(int fd, const char *data, size_t size)
{
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);
    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    ssize_t written = 0;
    do {
        written = ::write(fd, data, size);
    } while (written < 0 && errno == EINTR);
    const int error = errno;
    if (written < 0 && error == EPIPE && !sigismember(&pendingBefore, SIGPIPE)) {
        const timespec noWait {};
        while (sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) { }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = error;
    return written;
}

} // namespace

DevToolsTransport::DevToolsTransport(QObject *parent)
    : QObject(parent)
{
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            closeDescriptors();
            emit startFailed(m_process.errorString());
        }
    });
    connect(&m_process, &QProcess::finished, this, [this](int exitCode, QProcess::ExitStatus st) {
        emit processEnded(exitCode, st == QProcess::CrashExit);
    });
}

DevToolsTransport::~DevToolsTransport()
{
    disconnect(&m_process, nullptr, this, nullptr);
    closeDescriptors();
    if (m_process.state() == QProcess::NotRunning)
        return;
    // With its pipe closed the browser saves its profile and ends; killing it would not.
    if (!m_process.waitForFinished(kEndGraceMs)) {
        m_process.kill();
        m_process.waitForFinished(kEndGraceMs);
    }
}

void DevToolsTransport::start(const QString &program,
                              const QStringList &arguments,
                              const QProcessEnvironment &environment,
                              const QString &logPath)
{
    closeDescriptors();
    int commands[2] = {-1, -1};
    int replies[2] = {-1, -1};
    if (::pipe2(commands, O_CLOEXEC) != 0 || ::pipe2(replies, O_CLOEXEC) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        for (const int fd : {commands[0], commands[1], replies[0], replies[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
        emit startFailed(reason);
        return;
    }
    const int childReads = commands[0];
    const int childWrites = replies[1];
    m_writeFd = commands[1];
    m_readFd = replies[0];
    ::fcntl(m_writeFd, F_SETFL, ::fcntl(m_writeFd, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_readFd, F_SETFL, ::fcntl(m_readFd, F_GETFL) | O_NONBLOCK);

    const pid_t parent = ::getpid();
    // Runs in the child between fork and exec: system calls only.
    m_process.setChildProcessModifier([childReads, childWrites, parent] {
        // Either end may already sit on 3 or 4, where dup2 would keep its close-on-exec flag:
        // both move above first.
        const int in = ::fcntl(childReads, F_DUPFD_CLOEXEC, kReplyFd + 1);
        const int out = ::fcntl(childWrites, F_DUPFD_CLOEXEC, kReplyFd + 1);
        if (in < 0 || out < 0 || ::dup2(in, kBrowserFd) < 0 || ::dup2(out, kReplyFd) < 0)
            ::_exit(127);
        // Besides the pipe's end: a browser that somehow missed it still goes with its parent.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent)
            ::_exit(127);
    });
    m_process.setProgram(program);
    m_process.setArguments(arguments);
    m_process.setProcessEnvironment(environment);
    m_process.setStandardInputFile(QProcess::nullDevice());
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(logPath);

    m_readNotifier = new QSocketNotifier(m_readFd, QSocketNotifier::Read, this);
    connect(m_readNotifier, &QSocketNotifier::activated, this, &DevToolsTransport::onReadable);
    m_writeNotifier = new QSocketNotifier(m_writeFd, QSocketNotifier::Write, this);
    m_writeNotifier->setEnabled(false);
    connect(m_writeNotifier, &QSocketNotifier::activated, this, &DevToolsTransport::onWritable);

    m_process.start();
    // The child has its copies (or never will): these ends would keep the pipe open forever.
    ::close(childReads);
    ::close(childWrites);
}

int DevToolsTransport::send(const QString &method,
                            const QJsonObject &params,
                            const QString &sessionId,
                            Reply reply)
{
    const int id = m_nextId++;
    if (m_writeFd < 0)
        return id;
    QJsonObject message {{u"id"_s, id}, {u"method"_s, method}};
    if (!params.isEmpty())
        message[u"params"_s] = params;
    if (!sessionId.isEmpty())
        message[u"sessionId"_s] = sessionId;
    if (reply)
        m_replies.insert(id, std::move(reply));
    const QByteArray text = QJsonDocument(message).toJson(QJsonDocument::Compact);
    qCDebug(lcDevTools).noquote() << ">>" << QString::fromUtf8(text.left(300));
    m_out.append(text);
    m_out.append('\0');
    flush();
    return id;
}

void DevToolsTransport::flush()
{
    while (m_writeFd >= 0 && m_outSent < m_out.size()) {
        const ssize_t written = writeWithoutSigpipe(
            m_writeFd, m_out.constData() + m_outSent, size_t(m_out.size() - m_outSent));
        if (written > 0) {
            m_outSent += written;
        } else if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_writeNotifier->setEnabled(true);
            return;
        } else {
            // The browser no longer reads: what it has not taken is lost with it. Its end of the
            // reply pipe closes too, and that is reported from there.
            m_outSent = m_out.size();
        }
    }
    m_out.clear();
    m_outSent = 0;
    if (m_writeNotifier)
        m_writeNotifier->setEnabled(false);
}

void DevToolsTransport::onWritable()
{
    flush();
}

void DevToolsTransport::onReadable()
{
    bool ended = false;
    for (int reads = 0; reads < kReadsPerWakeUp && m_readFd >= 0; ++reads) {
        if (m_in.size() - m_inFill < kReadChunk)
            m_in.resize(qMax(m_in.size() * 2, m_inFill + kReadChunk));
        const ssize_t got = ::read(
            m_readFd, m_in.data() + m_inFill, size_t(m_in.size() - m_inFill));
        if (got > 0) {
            m_inFill += got;
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        ended = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }

    const QPointer<DevToolsTransport> alive(this);
    // Only the bytes not scanned before are looked at; a long message read in many pieces is
    // scanned once in all.
    while (m_readFd >= 0 && m_inScanned < m_inFill) {
        const char *from = m_in.constData() + m_inScanned;
        const auto *end = static_cast<const char *>(
            std::memchr(from, '\0', size_t(m_inFill - m_inScanned)));
        if (!end) {
            m_inScanned = m_inFill;
            break;
        }
        const qsizetype start = m_inStart;
        const qsizetype next = end - m_in.constData() + 1;
        m_inStart = next;
        m_inScanned = next;
        deliver(m_in.constData() + start, next - 1 - start);
        if (!alive)
            return;
    }
    // What is left is one unfinished message: it moves to the front once.
    if (m_inStart > 0) {
        const qsizetype left = m_inFill - m_inStart;
        std::memmove(m_in.data(), m_in.constData() + m_inStart, size_t(left));
        m_inFill = left;
        m_inScanned -= m_inStart;
        m_inStart = 0;
    }
    if (ended && m_readFd >= 0) {
        closeDescriptors();
        emit pipeClosed();
    }
}

void DevToolsTransport::deliver(const char *data, qsizetype size)
{
    QJsonParseError error {};
    const QJsonObject message = QJsonDocument::fromJson(QByteArray::fromRawData(data, size), &error)
                                    .object();
    qCDebug(lcDevTools).noquote() << "<<" << QString::fromUtf8(data, qMin<qsizetype>(size, 600));
    if (message.isEmpty()) {
        qCWarning(lcDevTools) << "unreadable message from the browser:" << error.errorString();
        return;
    }
    if (message.contains(u"id"_s)) {
        // Errors (a target already gone, an invalid URL) go to the caller, who mostly ignores
        // them.
        const Reply reply = m_replies.take(message.value(u"id"_s).toInt());
        if (reply)
            reply(message);
        return;
    }
    emit eventReceived(message.value(u"method"_s).toString(),
                       message.value(u"params"_s).toObject(),
                       message.value(u"sessionId"_s).toString());
}

void DevToolsTransport::closePipe()
{
    closeDescriptors();
}

void DevToolsTransport::closeDescriptors()
{
    // Possibly called from a notifier's own signal: they go later, but quiet from now on.
    for (QSocketNotifier **notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            (*notifier)->deleteLater();
        }
        *notifier = nullptr;
    }
    for (int *fd : {&m_readFd, &m_writeFd}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
    m_replies.clear();
    m_in.clear();
    m_inFill = m_inStart = m_inScanned = 0;
    m_out.clear();
    m_outSent = 0;
}

void DevToolsTransport::kill()
{
    if (m_process.state() != QProcess::NotRunning)
        m_process.kill();
}

bool DevToolsTransport::waitForFinished(int timeoutMs)
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
}

qint64 DevToolsTransport::processId() const
{
    return m_process.processId();
}

bool DevToolsTransport::isProcessRunning() const
{
    return m_process.state() != QProcess::NotRunning;
}
