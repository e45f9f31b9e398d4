#include "cfile.h"
#include "fieldreader.h"
#include "timekey.h"

#include "filesizelimit.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QDateTime at(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

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

CSession visit(const QDateTime &session,
               const QDateTime &start,
               const QDateTime &end,
               const QString &param = {})
{
    CSession v;
    v.Session = session;
    v.sTime = start;
    v.eTime = end;
    v.Param = param;
    return v;
}

void addVisit(CFile &file, const CSession &v)
{
    ASSERT_TRUE(file.Sessions.Add(v));
}

} // namespace

TEST(CFile, NewRecordHasNoNoteAndVisitedStaysTrue)
{
    CFile file;
    EXPECT_EQ(file.Note, u" "_s);
    EXPECT_EQ(CSession().eTime, QDateTime(QDate(1899, 12, 30), QTime(0, 0)));
    file.SetVisited(false);
    EXPECT_FALSE(file.Visited());
    file.SetVisited(true);
    file.SetVisited(false);
    EXPECT_TRUE(file.Visited());
}

TEST(CFile, LevelCountsSlashesWithoutOneTrailingSlash)
{
    const std::pair<QString, int> cases[] = {{u"http://site/docs/"_s, 3},
                                             {u"http://site/docs"_s, 3},
                                             {u"http://site"_s, 2},
                                             {u"http://site/a b/ "_s, 4},
                                             {u"site"_s, 0}};
    for (const auto &[url, level] : cases) {
        CFile file;
        file.SetURL(url);
        EXPECT_EQ(file.Level(), level) << qPrintable(url);
    }
}

TEST(CFile, WritesTheDocumentedExampleByteForByte)
{
    QTemporaryDir dir;
    CFile file;
    file.SetURL(u"http://site/docs"_s);
    file.Title = u"Docs"_s;
    file.FileName = dir.filePath(u"1.smf"_s);
    addVisit(
        file,
        visit(at(1997, 11, 3, 14, 0, 0), at(1997, 11, 3, 14, 5, 10), at(1997, 11, 3, 14, 7, 0)));
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(readAll(file.FileName),
              QByteArray("\"http://site/docs\",\"Docs\",3\r\n"
                         "1,0,\" \"\r\n"
                         "\"S\",#1997-11-03 14:00:00#,#1997-11-03 14:05:10#,#1997-11-03 "
                         "14:07:00#,\"\"\r\n"));
}

TEST(CFile, SaveWithoutFileNameWritesNothing)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CFile file;
    file.SetURL(u"site"_s);
    EXPECT_FALSE(file.Save());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(CFile, RoundTripKeepsEveryStoredField)
{
    QTemporaryDir dir;
    CFile file;
    file.SetURL(u"site/עברית/page?q=1"_s);
    file.Title = u"כותרת, with comma and \"quotes\" ''"_s;
    file.Note = u"line one\r\nline \"two\", \"\""_s;
    file.FileName = dir.filePath(u"x.smf"_s);
    file.LastEntered = u"2024-01-01 00:00:00"_s;
    file.SetVisited(true);
    const QDateTime session = at(2024, 3, 5, 9, 0, 0);
    // A never-closed visit, a visit at midnight and a visit keyed by a time-only end.
    addVisit(file, visit(session, at(2024, 3, 5, 9, 1, 2), zeroDateTime(), u"q=\"a\",b"_s));
    addVisit(file, visit(session, at(2024, 3, 6, 0, 0, 0), at(2024, 3, 6, 0, 0, 5)));
    addVisit(file,
             visit(zeroDateTime(),
                   at(2024, 3, 4, 23, 59, 59),
                   QDateTime(zeroDateTime().date(), QTime(1, 2, 3))));
    CActivity act;
    act.Session = session;
    act.Location = u"http://h/d/f.zip"_s;
    act.Key = at(2024, 3, 5, 9, 3, 0);
    act.Activity = u"Download f.zip"_s;
    ASSERT_TRUE(file.Activities.Add(act));
    ASSERT_TRUE(file.Save());

    CFile back;
    ASSERT_TRUE(back.Read(file.FileName));
    EXPECT_EQ(back.FileName, file.FileName);
    EXPECT_EQ(back.URL(), file.URL());
    EXPECT_EQ(back.Title, file.Title);
    EXPECT_EQ(back.Note, file.Note);
    EXPECT_EQ(back.Level(), file.Level());
    EXPECT_TRUE(back.LastEntered.isEmpty());
    EXPECT_FALSE(back.Visited());
    ASSERT_EQ(back.Sessions.Count(), 3);
    for (int i = 1; i <= 3; ++i) {
        const auto a = file.Sessions.Item(i);
        const auto b = back.Sessions.Item(i);
        EXPECT_EQ(back.Sessions.Key(i), file.Sessions.Key(i));
        EXPECT_EQ(b->Session, a->Session);
        EXPECT_EQ(b->sTime, a->sTime);
        EXPECT_EQ(b->eTime, a->eTime);
        EXPECT_EQ(b->Param, a->Param);
    }
    ASSERT_EQ(back.Activities.Count(), 1);
    const auto backAct = back.Activities.Item(1);
    EXPECT_EQ(backAct->Session, act.Session);
    EXPECT_EQ(backAct->Location, act.Location);
    EXPECT_EQ(backAct->Key, act.Key);
    EXPECT_TRUE(backAct->Activity.isEmpty());
    // And writing it again gives the same bytes.
    EXPECT_EQ(back.toBytes(), file.toBytes());
}

TEST(CFile, QuotesAreDoubledOnlyWhereTheyOccur)
{
    CFile file;
    file.SetURL(u"a"_s);
    file.Title = u"say \"hi\""_s;
    EXPECT_TRUE(file.toBytes().startsWith("\"a\",\"say \"\"hi\"\"\",0\r\n"));
    // A file without quotes inside its fields reads as ever, including old hand-made spacing.
    CFile old;
    ASSERT_TRUE(old.fromBytes("\"a\", \"T\" ,0\r\n0,0,\"n\"\r\n"));
    EXPECT_EQ(old.Title, u"T"_s);
    EXPECT_EQ(old.Note, u"n"_s);
}

TEST(CFile, VisitsAreKeptInTimeOrder)
{
    // 2 November before 10 November, whatever order they were recorded or stored in.
    CFile file;
    file.SetURL(u"site"_s);
    addVisit(file, visit(zeroDateTime(), at(1997, 11, 10, 8, 0, 0), zeroDateTime()));
    addVisit(file, visit(zeroDateTime(), at(1997, 11, 2, 8, 0, 0), zeroDateTime()));
    addVisit(file, visit(zeroDateTime(), at(1997, 11, 2, 18, 0, 0), zeroDateTime()));
    EXPECT_EQ(file.Sessions.Item(1)->sTime.date().day(), 2);
    EXPECT_EQ(file.Sessions.Item(2)->sTime.time().hour(), 18);
    EXPECT_EQ(file.Sessions.Item(3)->sTime.date().day(), 10);
    // One visit per second: a second visit in the same second is refused.
    EXPECT_FALSE(file.Sessions.Add(
        visit(zeroDateTime(), at(1997, 11, 2, 18, 0, 0).addMSecs(400), zeroDateTime())));
    EXPECT_EQ(file.Sessions.Count(), 3);

    // A file with a repeated visit keeps the first: the record is written back one shorter.
    CFile reordered;
    ASSERT_TRUE(
        reordered.fromBytes("\"site\",\"site\",0\r\n3,0,\" \"\r\n"
                            "\"S\",#1997-11-10#,#1997-11-10 08:00:00#,#00:00:00#,\"\"\r\n"
                            "\"S\",#1997-11-02#,#1997-11-02 08:00:00#,#00:00:00#,\"\"\r\n"
                            "\"S\",#1997-11-09#,#1997-11-02 08:00:00#,#00:00:00#,\"\"\r\n"));
    EXPECT_FALSE(reordered.Damaged());
    EXPECT_TRUE(reordered.toBytes().contains("\r\n2,0,"));
    ASSERT_EQ(reordered.Sessions.Count(), 2);
    EXPECT_EQ(reordered.Sessions.Key(1), u"1997-11-02 08:00:00"_s);
    EXPECT_EQ(reordered.Sessions.Item(1)->Session, at(1997, 11, 2, 0, 0, 0));
    EXPECT_EQ(reordered.Sessions.Item(2)->eTime, zeroDateTime());
}

TEST(CFile, DamagedFilesReadAsFarAsTheyGo)
{
    const QByteArray good
        = "\"site/a\",\"Title\",1\r\n"
          "2,1,\"note\"\r\n"
          "\"S\",#2020-01-01 10:00:00#,#2020-01-01 10:00:01#,#2020-01-01 10:00:09#,\"p\"\r\n"
          "\"S\",#2020-01-01 10:00:00#,#2020-01-01 10:01:00#,#2020-01-01 10:01:30#,\"\"\r\n"
          "\"A\",#2020-01-01 10:00:00#,\"http://x/f.zip\",#2020-01-01 10:01:10#\r\n";
    const auto changed = [&good](const char *from, const char *to) {
        return QByteArray(good).replace(from, to);
    };
    struct Case
    {
        const char *name;
        QByteArray bytes;
        bool damaged;
        int visits;
        int activities;
        QString note;
    };
    const Case cases[] = {
        {"intact", good, false, 2, 1, u"note"_s},
        // The first visit stays.
        {"cut in the second visit",
         good.left(good.indexOf("#2020-01-01 10:01:00#")),
         true,
         1,
         0,
         u"note"_s},
        // The download line is passed over as a visit.
        {"more visits announced than written", changed("2,1,", "5,1,"), true, 2, 0, u"note"_s},
        // That visit keeps the previous visit's start, a key already taken, and the rest of
        // its line is read as the download.
        {"text where a time belongs",
         changed("#2020-01-01 10:01:00#", "\"not a date\""),
         true,
         1,
         0,
         u"note"_s},
        {"a download line among the visits",
         changed("\"S\",#2020-01-01 10:00:00#,#2020-01-01 10:01:00#",
                 "\"A\",#2020-01-01 10:00:00#,#2020-01-01 10:01:00#"),
         true,
         1,
         1,
         u"note"_s},
        {"a count that is not a number", changed("2,1,", "x,1,"), true, 0, 0, u" "_s},
        {"only the first line", good.left(good.indexOf("\r\n")), true, 0, 0, u" "_s},
    };
    for (const Case &c : cases) {
        CFile file;
        ASSERT_TRUE(file.fromBytes(c.bytes)) << c.name;
        EXPECT_EQ(file.Damaged(), c.damaged) << c.name;
        EXPECT_EQ(file.URL(), u"site/a"_s) << c.name;
        EXPECT_EQ(file.Title, u"Title"_s) << c.name;
        EXPECT_EQ(file.Level(), 1) << c.name;
        EXPECT_EQ(file.Note, c.note) << c.name;
        EXPECT_EQ(file.Sessions.Count(), c.visits) << c.name;
        EXPECT_EQ(file.Activities.Count(), c.activities) << c.name;
        if (c.visits > 0) {
            EXPECT_EQ(file.Sessions.Item(1)->sTime, at(2020, 1, 1, 10, 0, 1)) << c.name;
        }
    }
    // Not site files: empty, binary, unquoted text, an empty URL, a missing file.
    for (const QByteArray &bad : {QByteArray(),
                                  QByteArray("\x00\x01\x02\xff", 4),
                                  QByteArray("hello world\r\n"),
                                  QByteArray("\"\",\"t\",0\r\n")}) {
        CFile file;
        EXPECT_FALSE(file.fromBytes(bad));
    }
    CFile missing;
    EXPECT_FALSE(missing.Read(u"/nonexistent/dir/x.smf"_s));
    EXPECT_EQ(missing.FileName, u"/nonexistent/dir/x.smf"_s);
    EXPECT_TRUE(missing.URL().isEmpty());
}

TEST(CFile, CountsAboveSixteenBitsRoundTrip)
{
    CFile file;
    file.SetURL(u"busy"_s);
    const QDateTime base = at(2001, 1, 1, 0, 0, 1);
    for (int i = 0; i < 40000; ++i)
        addVisit(file, visit(base, base.addSecs(i), base.addSecs(i + 1)));
    const QByteArray bytes = file.toBytes();
    EXPECT_TRUE(bytes.contains("\r\n40000,0,\" \"\r\n"));
    CFile back;
    ASSERT_TRUE(back.fromBytes(bytes));
    EXPECT_EQ(back.Sessions.Count(), 40000);
    EXPECT_EQ(back.Sessions.Item(40000)->eTime, base.addSecs(40000));
}

TEST(CFile, ReadsUtf8AndFallsBackToWindows1252)
{
    CFile utf8;
    ASSERT_TRUE(utf8.fromBytes(QString(u"\"h\",\"שלום €\",0\r\n"_s).toUtf8()));
    EXPECT_EQ(utf8.Title, u"שלום €"_s);

    // Bytes 0x80 and 0xE9 are not valid UTF-8 here: "€" and "é" in Windows-1252.
    CFile legacy;
    ASSERT_TRUE(legacy.fromBytes(QByteArray("\"h\",\"caf\xe9 \x80 \x93x\x94\",0\r\n")));
    EXPECT_EQ(legacy.Title, u"café € “x”"_s);
    legacy.FileName = QString();
    EXPECT_TRUE(legacy.toBytes().contains(QString(u"café € “x”"_s).toUtf8()));
}

TEST(CFile, FailedSaveKeepsTheOldFile)
{
    QTemporaryDir dir;
    CFile file;
    file.SetURL(u"site"_s);
    file.Title = u"old"_s;
    file.FileName = dir.filePath(u"s.smf"_s);
    ASSERT_TRUE(file.Save());
    const QByteArray before = readAll(file.FileName);

    // A full disk: no file may grow beyond 64 bytes while the record is written.
    file.Title = QString(200, u'n');
    {
        FileSizeLimit limit(64);
        EXPECT_FALSE(file.Save());
    }
    EXPECT_EQ(readAll(file.FileName), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"s.smf"_s});

    // A read-only folder (only meaningful where permissions bind the test's user).
    if (::geteuid() != 0) {
        ASSERT_TRUE(
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        EXPECT_FALSE(file.Save());
        QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(readAll(file.FileName), before);
    }
    file.Title = u"new"_s;
    EXPECT_TRUE(file.Save());
    EXPECT_NE(readAll(file.FileName), before);
}

TEST(CFile, SaveReplacesTheFileWhole)
{
    QTemporaryDir dir;
    CFile file;
    file.SetURL(u"site"_s);
    file.FileName = dir.filePath(u"s.smf"_s);
    writeAll(file.FileName, QByteArray(5000, 'x'));
    ASSERT_TRUE(file.Save());
    EXPECT_EQ(readAll(file.FileName), file.toBytes());
    // Into a folder that does not exist: reported, nothing created.
    file.FileName = dir.filePath(u"no/such/s.smf"_s);
    EXPECT_FALSE(file.Save());
    EXPECT_FALSE(QFile::exists(file.FileName));
}

TEST(FieldReader, KeepsATemporaryText)
{
    FieldReader in(FieldReader::decode("12,\"a\"\"b\",#2024-01-02#,bare \r\n"));
    qint64 number = 0;
    QString text;
    QDateTime time;
    EXPECT_TRUE(in.takeInteger(number));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(in.takeString(text));
    EXPECT_EQ(text, u"a\"b"_s);
    EXPECT_TRUE(in.takeDateTime(time));
    EXPECT_EQ(time, QDateTime(QDate(2024, 1, 2), QTime(0, 0)));
    qint64 ms = 0;
    EXPECT_FALSE(in.takeWallClock(ms));
    EXPECT_EQ(ms, 0);
    EXPECT_FALSE(in.takeString(text));
    EXPECT_TRUE(in.exhausted());
}
