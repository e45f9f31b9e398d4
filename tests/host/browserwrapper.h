#pragma once

#include <QList>
#include <QString>
#include <QUrl>

/**
 * What tests need to drive and watch the browser a program starts: a wrapper script to give as
 * its browser, which runs Chromium with the program's arguments and a DevTools port for the
 * test's own client, and looks into the browser's processes.
 */
class BrowserWrapper final
{
public:
    /** Writes the wrapper into @p folder and returns its path; empty on failure. */
    static QString create(const QString &folder);
    /**
     * The browser-wide WebSocket endpoint the wrapped browser on @p profileDir names in its
     * DevToolsActivePort file; empty when none appears within @p timeoutMs.
     */
    static QUrl endpoint(const QString &profileDir, int timeoutMs);
    /** The browser process running on @p profileDir (from its lock), 0 when there is none. */
    static qint64 lockedPid(const QString &profileDir);
    /** @p pid and every process descended from it. */
    static QList<qint64> processTree(qint64 pid);
    /** TCP ports (IPv4 and IPv6) on which the processes of @p pid's tree listen. */
    static QList<int> listeningPorts(qint64 pid);
    /** Whether @p pid names a process that has not ended (a zombie has ended). */
    static bool isAlive(qint64 pid);
};
