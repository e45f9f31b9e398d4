#include "profilelock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <csignal>

#include <unistd.h>

namespace {

// The fields of /proc/PID/stat after the command name, which may itself hold spaces and ')'.
QList<QByteArray> statFields(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray text = stat.readAll();
    const qsizetype nameEnd = text.lastIndexOf(')');
    if (nameEnd < 0)
        return {};
    return text.mid(nameEnd + 2).split(' ');
}

// Clock ticks from boot to the start of the process; 0 when unknown.
quint64 startTicks(qint64 pid)
{
    // Field 22 of the whole line, the 20th after the name.
    return statFields(pid).value(19).toULongLong();
}

qint64 hostPidOf(qint64 pid)
{
    QFile environ(QStringLiteral("/proc/%1/environ").arg(pid));
    if (!environ.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(ProfileLock::HostVariable) + '=';
    for (const QByteArray &entry : environ.readAll().split('\0')) {
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size()).toLongLong();
    }
    return 0;
}

} // namespace

bool ProfileLock::isAlive(qint64 pid)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    const QByteArray state = statFields(pid).value(0);
    return state != "Z" && state != "X";
}

ProfileLock::State ProfileLock::inspect(const QString &profileDir)
{
    const QByteArray link = QFile::encodeName(
        QDir(profileDir).filePath(QStringLiteral("SingletonLock")));
    char target[PATH_MAX] = {};
    const ssize_t length = ::readlink(link.constData(), target, sizeof target - 1);
    if (length <= 0)
        return {};
    const QByteArray named(target, length);
    const qsizetype dash = named.lastIndexOf('-');
    char host[HOST_NAME_MAX + 1] = {};
    ::gethostname(host, sizeof host - 1);
    bool ok = false;
    const qint64 pid = named.mid(dash + 1).toLongLong(&ok);
    if (dash <= 0 || !ok || named.left(dash) != QByteArray(host) || !isAlive(pid))
        return {};

    const qint64 hostPid = hostPidOf(pid);
    if (hostPid <= 0)
        return {Holder::Other, pid};
    // A process id can be reused: a Roamlog that runs it started before the browser did.
    const quint64 browserStart = startTicks(pid);
    const bool hostRuns = isAlive(hostPid) && startTicks(hostPid) != 0 && browserStart != 0
                          && startTicks(hostPid) <= browserStart;
    return {hostRuns ? Holder::LiveHost : Holder::Orphan, pid};
}
