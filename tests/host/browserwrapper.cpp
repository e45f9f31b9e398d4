#include "browserwrapper.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <cerrno>
#include <csignal>

#include <unistd.h>

using namespace Qt::StringLiterals;

QString BrowserWrapper::create(const QString &folder)
{
    QString chromium = u"/usr/lib/chromium/chromium"_s;
    if (!QFileInfo(chromium).isExecutable())
        chromium = QStandardPaths::findExecutable(u"chromium"_s);
    const QString path = QDir(folder).filePath(u"chromium-with-port"_s);
    QFile script(path);
    if (chromium.isEmpty() || !script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\nexec '" + QFile::encodeName(chromium)
                 + "' --remote-debugging-port=0 \"$@\"\n");
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

QUrl BrowserWrapper::endpoint(const QString &profileDir, int timeoutMs)
{
    QUrl result;
    (void)QTest::qWaitFor(
        [&] {
            QFile file(QDir(profileDir).filePath(u"DevToolsActivePort"_s));
            if (!file.open(QIODevice::ReadOnly))
                return false;
            // The browser may be caught writing it: both lines must be there.
            const QList<QByteArray> lines = file.readAll().split('\n');
            if (lines.size() < 2 || !lines.at(1).startsWith("/devtools/browser/"))
                return false;
            result = QUrl(u"ws://127.0.0.1:%1%2"_s.arg(QString::fromLatin1(lines.at(0).trimmed()),
                                                       QString::fromLatin1(lines.at(1).trimmed())));
            return true;
        },
        timeoutMs);
    return result;
}

qint64 BrowserWrapper::lockedPid(const QString &profileDir)
{
    const QString target = QFile::symLinkTarget(QDir(profileDir).filePath(u"SingletonLock"_s));
    return QFileInfo(target).fileName().section(u'-', -1).toLongLong();
}

bool BrowserWrapper::isAlive(qint64 pid)
{
    if (pid <= 0 || (::kill(pid_t(pid), 0) != 0 && errno != EPERM))
        return false;
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const QByteArray state = text.mid(text.lastIndexOf(')') + 2, 1);
    return state != "Z" && state != "X";
}

QList<qint64> BrowserWrapper::processTree(qint64 pid)
{
    QHash<qint64, QList<qint64>> children;
    for (const QString &name : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 child = name.toLongLong(&number);
        QFile stat(u"/proc/%1/stat"_s.arg(name));
        if (!number || !stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        children[fields.value(1).toLongLong()].append(child);
    }
    QList<qint64> tree {pid};
    for (qsizetype i = 0; i < tree.size(); ++i)
        tree += children.value(tree.at(i));
    return tree;
}

QList<int> BrowserWrapper::listeningPorts(qint64 pid)
{
    QSet<QByteArray> sockets;
    for (const qint64 process : processTree(pid)) {
        const QDir fds(u"/proc/%1/fd"_s.arg(process));
        for (const QString &fd : fds.entryList(QDir::Files | QDir::System)) {
            const QString target = QFile::symLinkTarget(fds.filePath(fd));
            const QString name = QFileInfo(target).fileName();
            if (name.startsWith(u"socket:["_s))
                sockets.insert(name.mid(8).chopped(1).toLatin1());
        }
    }
    QList<int> ports;
    for (const QString &table : {u"/proc/net/tcp"_s, u"/proc/net/tcp6"_s}) {
        QFile file(table);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = file.readAll().split('\n');
        for (const QByteArray &line : lines.mid(1)) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            // local address, state (0A: listening), ..., inode
            if (fields.size() > 9 && fields.at(3) == "0A" && sockets.contains(fields.at(9)))
                ports.append(
                    fields.at(1).mid(fields.at(1).lastIndexOf(':') + 1).toInt(nullptr, 16));
        }
    }
    return ports;
}
