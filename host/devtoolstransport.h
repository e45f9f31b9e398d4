#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QProcess>

#include <functional>

class QSocketNotifier;

/**
 * A browser process and its DevTools pipe: the browser reads commands on its file descriptor 3
 * and writes replies and events on its descriptor 4, each JSON message ended by a NUL byte.
 *
 * Nothing listens on the network. The pipe's ends in this process are the only way in, and when
 * they close (this object goes, or the program dies) the browser closes itself.
 *
 * A program given as the browser may be a wrapper script: it is run as given, and its
 * descendants inherit descriptors 3 and 4.
 */
class DevToolsTransport final : public QObject
{
    Q_OBJECT

public:
    /** Called with the whole reply of a command: "result", or "error" when it failed. */
    using Reply = std::function<void(const QJsonObject &message)>;

    explicit DevToolsTransport(QObject *parent = nullptr);
    /** Closes the pipe and gives the browser a few seconds to end by itself before killing it. */
    ~DevToolsTransport() override;

    /**
     * Runs @p program with @p arguments and @p environment, its standard error written to
     * @p logPath. An immediate failure arrives as startFailed(), possibly before this returns.
     */
    void start(const QString &program,
               const QStringList &arguments,
               const QProcessEnvironment &environment,
               const QString &logPath);

    /**
     * Queues a command (on the browser, or on @p sessionId's target) and returns its id. The
     * reply, if asked for, comes later from the event loop; none comes once the pipe is closed.
     */
    int send(const QString &method,
             const QJsonObject &params = {},
             const QString &sessionId = {},
             Reply reply = {});

    /** Closes this end of the pipe; the browser ends by itself shortly after. */
    void closePipe();
    /** True while the pipe is open at this end and the browser has not closed its end. */
    bool isOpen() const { return m_readFd >= 0; }
    /** Ends the process at once. */
    void kill();
    /** Waits at most @p timeoutMs for the process to end; true when it has. */
    bool waitForFinished(int timeoutMs);
    /** Process id of the program started, 0 when it is not running. */
    qint64 processId() const;
    bool isProcessRunning() const;

signals:
    /** A message from the browser that is not a reply: an event. */
    void eventReceived(const QString &method, const QJsonObject &params, const QString &sessionId);
    /** The browser closed its end of the pipe (it is ending, or it never took the pipe). */
    void pipeClosed();
    /** The program could not be run at all; @p reason says why. */
    void startFailed(const QString &reason);
    /** The process has ended, by itself or killed. */
    void processEnded(int exitCode, bool crashed);

private:
    void onReadable();
    void onWritable();
    void flush();
    void deliver(const char *data, qsizetype size);
    void closeDescriptors();

    QProcess m_process;
    int m_readFd = -1;
    int m_writeFd = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    // Bytes received: [0, m_inFill) hold data, messages before m_inStart are handled, and no NUL
    // lies in [m_inStart, m_inScanned).
    QByteArray m_in;
    qsizetype m_inFill = 0;
    qsizetype m_inStart = 0;
    qsizetype m_inScanned = 0;
    QByteArray m_out;
    qsizetype m_outSent = 0;
    int m_nextId = 1;
    QHash<int, Reply> m_replies;
};
