#include "modelfixture.h"

#include "fieldreader.h"
#include "filesizelimit.h"

#include <QFileDevice>

#include <unistd.h>

using namespace modeltest;
using namespace Qt::StringLiterals;

TEST(CFile, WritesTheDocumentedFormatAndReadsEveryStoredFieldBack)
{
    CFile doc;
    doc.SetURL(u"http://site/docs"_s);
    doc.Title = u"Docs"_s;
    const QDateTime day = at(1997, 11, 3, 14);
    ASSERT_TRUE(doc.Sessions.Add(visit(day, day.addSecs(310), day.addSecs(420))));
    EXPECT_EQ(doc.toBytes(),
              QByteArray("\"http://site/docs\",\"Docs\",3\r\n"
                         "1,0,\" \"\r\n"
                         "\"S\",#1997-11-03 14:00:00#,#1997-11-03 14:05:10#,#1997-11-03 "
                         "14:07:00#,\"\"\r\n"));

    QTemporaryDir dir;
    CFile file;
    file.SetURL(u"site/עברית/page?q=1"_s);
    file.Title = u"כותרת, with comma and \"quotes\" ''"_s;
    file.Note = u"line one\r\nline \"two\", \"\""_s;
    file.FileName = dir.filePath(u"x.smf"_s);
    file.LastEntered = u"2024-01-01 00:00:00"_s;
    file.SetVisited(true);
    EXPECT_TRUE(file.toBytes().contains(",\"כותרת, with comma and \"\"quotes\"\" ''\",2\r\n"));
    const QDateTime session = at(2024, 3, 5, 9);
    // A never-closed visit, a visit at midnight and a visit keyed by a time-only end.
    ASSERT_TRUE(
        file.Sessions.Add(visit(session, at(2024, 3, 5, 9, 1, 2), zeroDateTime(), u"q=\"a\",b"_s)));
    ASSERT_TRUE(file.Sessions.Add(visit(session, at(2024, 3, 6), at(2024, 3, 6, 0, 0, 5))));
    ASSERT_TRUE(file.Sessions.Add(visit(zeroDateTime(),
                                        at(2024, 3, 4, 23, 59, 59),
                                        QDateTime(zeroDateTime().date(), QTime(1, 2, 3)))));
    CActivity act;
    act.Session = session;
    act.Location = u"http://h/d/f.zip"_s;
    act.Key = at(2024, 3, 5, 9, 3);
    act.Activity = u"Download f.zip"_s;
    ASSERT_TRUE(file.Activities.Add(act));
    ASSERT_TRUE(file.Save());

    CFile back;
    ASSERT_TRUE(back.Read(file.FileName));
    EXPECT_EQ(back.toBytes(), file.toBytes());
    // Neither the last entry, the visited mark nor a download's text is stored.
    EXPECT_TRUE(back.LastEntered.isEmpty());
    EXPECT_FALSE(back.Visited());
    EXPECT_TRUE(back.Activities.Item(1)->Activity.isEmpty());

    // Old hand-made spacing between fields reads as ever.
    CFile old;
    ASSERT_TRUE(old.fromBytes("\"a\", \"T\" ,0\r\n0,0,\"n\"\r\n"));
    EXPECT_EQ(old.Title, u"T"_s);
    EXPECT_EQ(old.Note, u"n"_s);

    for (const auto &[url, level] : {std::pair(u"http://site/docs/"_s, 3),
                                     std::pair(u"http://site"_s, 2),
                                     std::pair(u"http://site/a b/ "_s, 4),
                                     std::pair(u"site"_s, 0)}) {
        CFile leveled;
        leveled.SetURL(url);
        EXPECT_EQ(leveled.Level(), level) << qPrintable(url);
    }
}

TEST(CFile, DamagedFilesReadAsFarAsTheyGo)
{
    const auto changed = [](const char *from, const char *to) {
        return QByteArray(fullSite).replace(from, to);
    };
    const auto cut = [](const char *from) {
        return fullSite.left(fullSite.indexOf(from));
    };
    const struct
    {
        const char *name;
        QByteArray bytes;
        bool damaged;
        int visits;
        int activities;
        const char *note;
    } rows[] = {
        {"intact", fullSite, false, 2, 1, "note"},
        {"cut in the second visit", cut("#2020-01-01 10:01:00#"), true, 1, 0, "note"},
        // The download line is passed over as a visit.
        {"more visits announced than written", changed("2,1,", "5,1,"), true, 2, 0, "note"},
        // That visit keeps the previous visit's start, a key already taken, and the rest of
        // its line is read as the download.
        {"text for a time", changed("#2020-01-01 10:01:00#", "\"no date\""), true, 1, 0, "note"},
        {"a download line among the visits",
         changed("\"S\",#2020-01-01 10:00:00#,#2020-01-01 10:01:00#",
                 "\"A\",#2020-01-01 10:00:00#,#2020-01-01 10:01:00#"),
         true,
         1,
         1,
         "note"},
        {"the download cut off", cut("\"A\""), true, 2, 0, "note"},
        {"a bad time in a visit", changed("01-01 10:01:30", "13-45 99:00:00"), true, 2, 0, "note"},
        {"a count that is not a number", changed("2,1,", "x,1,"), true, 0, 0, " "},
        {"only the first line", cut("\r\n"), true, 0, 0, " "},
        // A repeated visit keeps the first; the record is written back one shorter.
        {"a visit repeated", changed("10:01:00#,#", "10:00:01#,#"), false, 1, 1, "note"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        CFile file;
        ASSERT_TRUE(file.fromBytes(row.bytes));
        EXPECT_EQ(file.Damaged(), row.damaged);
        EXPECT_EQ(file.URL(), u"site/a"_s);
        EXPECT_EQ(file.Title, u"Title"_s);
        EXPECT_EQ(file.Level(), 1);
        EXPECT_EQ(file.Note, QString::fromUtf8(row.note));
        EXPECT_EQ(file.Sessions.Count(), row.visits);
        EXPECT_EQ(file.Activities.Count(), row.activities);
        if (row.visits > 0) {
            EXPECT_EQ(file.Sessions.Item(1)->sTime, at(2020, 1, 1, 10, 0, 1));
            EXPECT_EQ(file.Sessions.Item(1)->eTime, at(2020, 1, 1, 10, 0, 9));
        }
        EXPECT_TRUE(
            file.toBytes().contains(QByteArray::number(row.visits).prepend("\r\n").append(',')));
    }
    for (const QByteArray &bad : {QByteArray(),
                                  QByteArray("\x00\x01\x02\xff", 4),
                                  QByteArray("hello world\r\n"),
                                  QByteArray("\"\",\"t\",0\r\n")}) {
        EXPECT_FALSE(CFile().fromBytes(bad));
    }
    CFile missing;
    EXPECT_FALSE(missing.Read(u"/nonexistent/dir/x.smf"_s));
    EXPECT_TRUE(missing.URL().isEmpty());
}

TEST(CFile, CountsAboveSixteenBitsAndLegacyTextRoundTrip)
{
    CFile file;
    file.SetURL(u"busy"_s);
    const QDateTime base = at(2001, 1, 1, 0, 0, 1);
    for (int i = 0; i < 40000; ++i)
        ASSERT_TRUE(file.Sessions.Add(visit(base, base.addSecs(i), base.addSecs(i + 1))));
    const QByteArray bytes = file.toBytes();
    EXPECT_TRUE(bytes.contains("\r\n40000,0,\" \"\r\n"));
    CFile back;
    ASSERT_TRUE(back.fromBytes(bytes));
    EXPECT_EQ(back.Sessions.Count(), 40000);
    EXPECT_EQ(back.Sessions.Item(40000)->eTime, base.addSecs(40000));

    CFile utf8;
    ASSERT_TRUE(utf8.fromBytes(QString(u"\"h\",\"שלום €\",0\r\n"_s).toUtf8()));
    EXPECT_EQ(utf8.Title, u"שלום €"_s);
    // Bytes 0x80 and 0xE9 are not valid UTF-8 here: "€" and "é" in Windows-1252.
    CFile legacy;
    ASSERT_TRUE(legacy.fromBytes(QByteArray("\"h\",\"caf\xe9 \x80 \x93x\x94\",0\r\n")));
    EXPECT_EQ(legacy.Title, u"café € “x”"_s);
    EXPECT_TRUE(legacy.toBytes().contains(QString(u"café € “x”"_s).toUtf8()));
}

TEST(CFile, SaveReplacesTheFileWholeOrLeavesItAsItWas)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    CFile file;
    file.SetURL(u"site"_s);
    // Without a file name nothing is written, not even into the working folder.
    EXPECT_FALSE(file.Save());
    EXPECT_TRUE(QDir(dir.path()).isEmpty());

    file.FileName = dir.filePath(u"s.smf"_s);
    writeAll(file.FileName, QByteArray(5000, 'x'));
    ASSERT_TRUE(file.Save());
    const QByteArray before = readAll(file.FileName);
    EXPECT_EQ(before, file.toBytes());

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
    file.FileName = dir.filePath(u"no/such/s.smf"_s);
    EXPECT_FALSE(file.Save());
    EXPECT_FALSE(QFile::exists(file.FileName));
}

TEST(FieldReader, KeepsATemporaryText)
{
    FieldReader in(FieldReader::decode("12,\"a\"\"b\",#2024-01-02#\r\n"));
    qint64 number = 0;
    QString text;
    QDateTime time;
    EXPECT_TRUE(in.takeInteger(number));
    EXPECT_EQ(number, 12);
    EXPECT_TRUE(in.takeString(text));
    EXPECT_EQ(text, u"a\"b"_s);
    EXPECT_TRUE(in.takeDateTime(time));
    EXPECT_EQ(time, at(2024, 1, 2));
    EXPECT_FALSE(in.takeString(text));
    EXPECT_TRUE(in.exhausted());
}
