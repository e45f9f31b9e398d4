#include "modelfixture.h"

using namespace modeltest;
using namespace Qt::StringLiterals;

namespace {

const QByteArray runningLine = "#2024-05-01 09:30:00#,#2024-05-01 09:40:00#\r\n";

// The sessions file found at start, the number of sessions read with the running one, the
// file written when the session ends ten minutes later.
TEST(RoamStore, SessionsFileGainsTheRunningSessionAtTheEnd)
{
    const QByteArray threeSessions = "3" + twoSessions.sliced(1) + runningLine;
    const struct
    {
        const char *name;
        QByteArray found; // null: no file
        int sessions;
        QByteArray written;
        bool runningRemoved = false;
    } rows[] = {
        // So that the first session of a new machine is kept.
        {"no file", {}, 1, "1\r\n" + runningLine},
        {"two sessions", twoSessions, 3, threeSessions},
        {"the count says three, two lines follow",
         QByteArray(twoSessions).replace("2\r\n", "3\r\n"),
         3,
         threeSessions},
        // A repeated line is dropped and the lines after it are still read.
        {"a repeated line",
         "3\r\n#1997-11-03 09:12:40#,#1997-11-03 10:01:05#\r\n" + twoSessions.sliced(3),
         3,
         threeSessions},
        {"garbage", "\x01\xff garbage", 1, "1\r\n" + runningLine},
        // A quick restart in the same second: the session found is the running one.
        {"the running session already listed",
         "1\r\n#2024-05-01 09:30:00#,#2024-05-01 09:30:00#\r\n",
         1,
         "1\r\n" + runningLine},
        {"the running session removed", twoSessions, 3, twoSessions, true},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        DataFolder data;
        data.path = data.root.filePath(u"setup/Data"_s);
        if (!row.found.isNull()) {
            QDir().mkpath(data.path);
            writeAll(data.file(u"Ses.sms"_s), row.found);
        }
        RoamStore &store = data.load();
        EXPECT_TRUE(QDir(data.path).exists());
        EXPECT_EQ(store.SessionStart, startTime);
        EXPECT_EQ(store.AllSessions.Count(), row.sessions);
        const CSessionPtr running = store.AllSessions.Item(timeKey(startTime));
        ASSERT_TRUE(running);
        EXPECT_EQ(running->Session, startTime);
        EXPECT_EQ(running->sTime, startTime);
        if (row.runningRemoved) {
            ASSERT_TRUE(store.AllSessions.Remove(timeKey(startTime)));
        }
        // Only the end of the session writes.
        EXPECT_TRUE(store.SetSession(false));
        EXPECT_EQ(readAll(store.sessionsFileName()), row.found);
        data.clock.advance(600);
        EXPECT_TRUE(store.SetSession(true));
        EXPECT_EQ(readAll(store.sessionsFileName()), row.written);
    }
}

// Enough files for the load to share them among threads: the result must still be the one of
// reading them one by one in name order, the first of two files with one URL staying.
TEST(RoamStore, LoadsSiteFilesAsIfReadInNameOrderAndSkipsWhatIsNotOne)
{
    DataFolder data;
    constexpr int count = 1200;
    const auto name = [&data](int i) {
        return data.file(u"f%1.smf"_s.arg(i, 4, 10, QChar(u'0')));
    };
    const QByteArray broken("\x89PNG\r\n\x1a\n binary", 16);
    for (int i = 0; i < count; ++i) {
        if (i == 700)
            writeAll(name(i), broken);
        else if (i == 701)
            writeAll(name(i), {});
        else if (i == 100 || i == 1100)
            writeAll(name(i), siteFile(i == 100 ? "site/dup" : "SITE/DUP", QByteArray::number(i)));
        else
            writeAll(name(i), siteFile("site/p" + QByteArray::number(i), QByteArray::number(i)));
    }
    writeAll(data.file(u"other.txt"_s), siteFile("site/other", "x"));
    QDir(data.path).mkdir(u"folder.smf"_s);
    writeAll(data.file(u".hidden.smf"_s), siteFile("site/hidden", "x"));

    RoamStore &store = data.load();
    ASSERT_EQ(store.Files.Count(), count - 3);
    EXPECT_EQ(store.Files.Key(1), u"site/dup"_s);
    const CFilePtr dup = store.Files.Item(u"Site/Dup"_s);
    ASSERT_TRUE(dup);
    EXPECT_EQ(dup->Title, u"100"_s);
    EXPECT_EQ(dup->FileName, name(100));
    const CFilePtr last = store.Files.Item(u"site/p1199"_s);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->FileName, name(1199));
    EXPECT_EQ(last->Sessions.Count(), 1);
    EXPECT_EQ(store.Files.Index(QString()), 0);
    EXPECT_EQ(store.unreadableFiles(), (QStringList {name(700), name(701)}));
    EXPECT_EQ(readAll(name(700)), broken);
    EXPECT_TRUE(QFile::exists(name(1100)));
}

} // namespace
