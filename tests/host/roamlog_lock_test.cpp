// A second Roamlog on a data folder another one records into: the real program, as a process
// of its own, while this test holds the folder's lock as the first Roamlog would.
#include "datafolderlock.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
    }
    return files;
}

} // namespace

TEST(SecondRoamlog, SaysTheFolderIsInUseAndWritesNothing)
{
    QTemporaryDir dir;
    const QString data = dir.filePath(u"setup/Data"_s);
    ASSERT_TRUE(QDir().mkpath(data));
    QFile sessions(QDir(data).filePath(u"Ses.sms"_s));
    ASSERT_TRUE(sessions.open(QIODevice::WriteOnly));
    sessions.write("1\r\n#2024-01-01 10:00:00#,#2024-01-01 11:00:00#\r\n");
    sessions.close();
    DataFolderLock first(data);
    ASSERT_EQ(first.acquire(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    const QMap<QString, QByteArray> before = snapshot(data);

    // No browser is needed to see what the second program does with the folder.
    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
    env.insert(u"HOME"_s, dir.path());
    second.setProcessEnvironment(env);
    second.start(QStringLiteral(ROAMLOG_EXECUTABLE),
                 {u"--headless"_s,
                  u"--browser"_s,
                  dir.filePath(u"no-such-browser"_s),
                  u"--profile"_s,
                  dir.filePath(u"profile"_s),
                  u"--data-dir"_s,
                  dir.filePath(u"setup"_s),
                  u"--settings"_s,
                  dir.filePath(u"settings.ini"_s)});
    ASSERT_TRUE(second.waitForStarted());
    const QString says = u"Roamlog: The data folder "_s + data
                         + u" is in use by Roamlog, process "_s
                         + QString::number(QCoreApplication::applicationPid())
                         + u": the history is only shown, browsing is not recorded\n"_s;
    QString err;
    const QDeadlineTimer deadline(60000);
    while (!err.contains(says) && !deadline.hasExpired() && second.state() == QProcess::Running) {
        second.waitForReadyRead(1000);
        err += QString::fromUtf8(second.readAllStandardError());
    }
    EXPECT_TRUE(err.contains(says)) << err.toStdString();

    // Closed as a logout closes it: it ends its session without writing it.
    second.terminate();
    ASSERT_TRUE(second.waitForFinished(60000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(snapshot(data), before);
}
