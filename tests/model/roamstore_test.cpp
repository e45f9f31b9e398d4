#include "clock.h"
#include "roamstore.h"
#include "timekey.h"

#include "filesizelimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

const QDateTime startTime(QDate(2024, 5, 1), QTime(9, 30, 0));

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray siteFile(const QByteArray &url, const QByteArray &title)
{
    return "\"" + url + "\",\"" + title
           + "\",0\r\n1,0,\" \"\r\n"
             "\"S\",#2024-04-01 10:00:00#,#2024-04-01 10:00:05#,#2024-04-01 10:01:00#,\"\"\r\n";
}

const QByteArray twoSessions = "2\r\n"
                               "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#\r\n"
                               "#1997-11-04 18:30:00#,#1997-11-04 18:30:00#\r\n";

} // namespace

TEST(RoamStore, MissingFolderIsCreatedAndHoldsOnlyTheRunningSession)
{
    QTemporaryDir root;
    const QString data = root.filePath(u"setup/Data"_s);
    ManualClock clock(startTime);
    RoamStore store(data, clock);
    store.LoadDataFolder();
    EXPECT_TRUE(QDir(data).exists());
    EXPECT_EQ(store.SessionStart, startTime);
    EXPECT_EQ(store.Files.Count(), 0);
    ASSERT_EQ(store.AllSessions.Count(), 1);
    const auto running = store.AllSessions.Item(1);
    EXPECT_EQ(store.AllSessions.Key(1), u"2024-05-01 09:30:00"_s);
    EXPECT_EQ(running->sTime, startTime);
    EXPECT_EQ(running->eTime, startTime);
    EXPECT_EQ(running->Session, startTime);
    EXPECT_TRUE(store.unreadableFiles().isEmpty());

    // So that the first session of a new machine is kept.
    clock.advance(600);
    EXPECT_TRUE(store.SetSession(true));
    EXPECT_EQ(readAll(store.sessionsFileName()),
              QByteArray("1\r\n#2024-05-01 09:30:00#,#2024-05-01 09:40:00#\r\n"));
}

TEST(RoamStore, SessionsFileGainsTheRunningSessionAtTheEnd)
{
    QTemporaryDir data;
    writeAll(data.filePath(u"Ses.sms"_s), twoSessions);
    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.SessionStart = startTime;
    store.LoadDataFolder();
    ASSERT_EQ(store.AllSessions.Count(), 3);
    EXPECT_EQ(store.AllSessions.Item(1)->eTime, QDateTime(QDate(1997, 11, 3), QTime(10, 1, 5)));
    EXPECT_EQ(store.AllSessions.Item(1)->Session, zeroDateTime());

    EXPECT_TRUE(store.SetSession(false));
    EXPECT_EQ(readAll(store.sessionsFileName()), twoSessions);

    clock.advance(3661);
    EXPECT_TRUE(store.SetSession(true));
    EXPECT_EQ(readAll(store.sessionsFileName()),
              twoSessions.sliced(1).prepend('3')
                  + "#2024-05-01 09:30:00#,#2024-05-01 10:31:01#\r\n");
}

TEST(RoamStore, ShortOrDamagedSessionsFilesKeepWhatWasRead)
{
    QTemporaryDir data;
    ManualClock clock(startTime);
    // The count says three, two lines follow.
    writeAll(data.filePath(u"Ses.sms"_s), QByteArray(twoSessions).replace("2\r\n", "3\r\n"));
    {
        RoamStore store(data.path(), clock);
        store.LoadDataFolder();
        EXPECT_EQ(store.AllSessions.Count(), 3);
        EXPECT_TRUE(store.AllSessions.Item(timeKey(startTime)));
    }
    // A repeated line is dropped and the lines after it are still read.
    writeAll(data.filePath(u"Ses.sms"_s),
             "3\r\n#1997-11-03 09:12:40#,#1997-11-03 10:01:05#\r\n"
             "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#\r\n"
             "#1997-11-05 08:00:00#,#1997-11-05 09:00:00#\r\n");
    {
        RoamStore store(data.path(), clock);
        store.LoadDataFolder();
        EXPECT_EQ(store.AllSessions.Count(), 3);
        EXPECT_EQ(store.AllSessions.Key(2), u"1997-11-05 08:00:00"_s);
    }
    // Garbage: only the running session.
    writeAll(data.filePath(u"Ses.sms"_s), "\x01\xff garbage");
    {
        RoamStore store(data.path(), clock);
        store.LoadDataFolder();
        EXPECT_EQ(store.AllSessions.Count(), 1);
    }
}

TEST(RoamStore, QuickRestartInTheSameSecondRegistersTheSession)
{
    QTemporaryDir data;
    writeAll(data.filePath(u"Ses.sms"_s), "1\r\n#2024-05-01 09:30:00#,#2024-05-01 09:30:00#\r\n");
    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.LoadDataFolder();
    ASSERT_EQ(store.AllSessions.Count(), 1);
    EXPECT_EQ(store.AllSessions.Item(1)->Session, startTime);
    clock.advance(5);
    EXPECT_TRUE(store.SetSession(true));
    EXPECT_EQ(readAll(store.sessionsFileName()),
              QByteArray("1\r\n#2024-05-01 09:30:00#,#2024-05-01 09:30:05#\r\n"));
}

TEST(RoamStore, RemovedRunningSessionIsNotWritten)
{
    QTemporaryDir data;
    writeAll(data.filePath(u"Ses.sms"_s), twoSessions);
    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.LoadDataFolder();
    ASSERT_TRUE(store.AllSessions.Remove(timeKey(store.SessionStart)));
    EXPECT_TRUE(store.SetSession(true));
    EXPECT_EQ(readAll(store.sessionsFileName()), twoSessions);
}

TEST(RoamStore, FailedSessionsWriteKeepsTheOldFileAndIsReported)
{
    QTemporaryDir data;
    writeAll(data.filePath(u"Ses.sms"_s), twoSessions);
    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.LoadDataFolder();
    {
        FileSizeLimit limit(16);
        EXPECT_FALSE(store.SetSession(true));
    }
    EXPECT_EQ(readAll(store.sessionsFileName()), twoSessions);
    EXPECT_EQ(QDir(data.path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"Ses.sms"_s});
}

TEST(RoamStore, LoadsSiteFilesAndSkipsWhatIsNotOne)
{
    QTemporaryDir data;
    writeAll(data.filePath(u"b.smf"_s), siteFile("site/b", "B"));
    writeAll(data.filePath(u"a1.smf"_s), siteFile("site/a", "first"));
    writeAll(data.filePath(u"a2.smf"_s), siteFile("SITE/A", "second"));
    const QByteArray broken("\x89PNG\r\n\x1a\n binary", 16);
    writeAll(data.filePath(u"broken.smf"_s), broken);
    writeAll(data.filePath(u"empty.smf"_s), {});
    writeAll(data.filePath(u"other.txt"_s), siteFile("site/other", "x"));
    QDir(data.path()).mkdir(u"folder.smf"_s);
    writeAll(data.filePath(u".hidden.smf"_s), siteFile("site/hidden", "x"));

    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.LoadDataFolder();
    ASSERT_EQ(store.Files.Count(), 2);
    EXPECT_EQ(store.Files.Key(1), u"site/a"_s);
    const CFilePtr a = store.Files.Item(u"Site/A"_s);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Title, u"first"_s);
    EXPECT_EQ(a->FileName, data.filePath(u"a1.smf"_s));
    EXPECT_EQ(a->Sessions.Count(), 1);
    EXPECT_EQ(store.Files.Index(QString()), 0);
    EXPECT_EQ(store.unreadableFiles(),
              (QStringList {data.filePath(u"broken.smf"_s), data.filePath(u"empty.smf"_s)}));
    EXPECT_EQ(readAll(data.filePath(u"broken.smf"_s)), broken);
    EXPECT_TRUE(QFile::exists(data.filePath(u"a2.smf"_s)));
}

TEST(RoamStore, NoteExchangeCopiesOutAndBack)
{
    QTemporaryDir data;
    writeAll(data.filePath(u"a.smf"_s), siteFile("site/a", "Title A"));
    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.LoadDataFolder();

    EXPECT_FALSE(store.GetCFile(u"site/missing"_s));
    EXPECT_FALSE(store.SetCFile(u"site/missing"_s));

    const CFilePtr a = store.Files.Item(u"site/a"_s);
    a->SetVisited(true);
    ASSERT_TRUE(store.GetCFile(u"SITE/a"_s));
    EXPECT_EQ(store.NoteFile, a);
    EXPECT_EQ(store.NoteURL, u"site/a"_s);
    EXPECT_EQ(store.NoteTitle, u"Title A"_s);
    EXPECT_EQ(store.NoteText, u" "_s);
    EXPECT_TRUE(store.NoteVisited);

    store.NoteText = u"  new note  "_s;
    store.NoteVisited = false;
    store.NoteTitle = u"ignored"_s;
    ASSERT_TRUE(store.SetCFile(u"site/a"_s));
    EXPECT_EQ(a->Note, u"new note"_s);
    EXPECT_TRUE(a->Visited());
    EXPECT_EQ(a->Title, u"Title A"_s);

    CFile back;
    ASSERT_TRUE(back.Read(a->FileName));
    EXPECT_EQ(back.Note, u"new note"_s);
    EXPECT_EQ(back.Sessions.Count(), 1);
}

TEST(RoamStore, ReadingOnlyCreatesAndRegistersNothing)
{
    QTemporaryDir root;
    ManualClock clock(startTime);
    RoamStore missing(root.filePath(u"none"_s), clock);
    missing.ReadDataFolder();
    EXPECT_FALSE(QDir(root.filePath(u"none"_s)).exists());
    EXPECT_EQ(missing.AllSessions.Count(), 0);

    writeAll(root.filePath(u"Ses.sms"_s), twoSessions);
    writeAll(root.filePath(u"a.smf"_s), siteFile("site/a", "A"));
    RoamStore store(root.path(), clock);
    store.ReadDataFolder();
    EXPECT_EQ(store.Files.Count(), 1);
    EXPECT_EQ(store.AllSessions.Count(), 2);
}

namespace {

// Enough files for the load to share them among threads: the result must still be the one of
// reading them one by one in name order.
TEST(RoamStore, ManyFilesLoadAsIfReadInNameOrder)
{
    QTemporaryDir data;
    constexpr int count = 1200;
    const auto name = [&data](int i) {
        return data.filePath(u"f%1.smf"_s.arg(i, 4, 10, QChar(u'0')));
    };
    for (int i = 0; i < count; ++i) {
        if (i == 700)
            writeAll(name(i), "not a site file");
        else if (i == 100 || i == 1100)
            writeAll(name(i), siteFile(i == 100 ? "site/dup" : "SITE/DUP", QByteArray::number(i)));
        else
            writeAll(name(i), siteFile("site/p" + QByteArray::number(i), QByteArray::number(i)));
    }

    ManualClock clock(startTime);
    RoamStore store(data.path(), clock);
    store.ReadDataFolder();
    ASSERT_EQ(store.Files.Count(), count - 2);
    EXPECT_EQ(store.Files.Key(1), u"site/dup"_s);
    const CFilePtr dup = store.Files.Item(u"site/dup"_s);
    ASSERT_TRUE(dup);
    EXPECT_EQ(dup->Title, u"100"_s);
    EXPECT_EQ(dup->FileName, name(100));
    const CFilePtr last = store.Files.Item(u"site/p1199"_s);
    ASSERT_TRUE(last);
    EXPECT_EQ(last->FileName, name(1199));
    EXPECT_EQ(last->Sessions.Count(), 1);
    EXPECT_EQ(store.unreadableFiles(), QStringList {name(700)});
}

} // namespace
