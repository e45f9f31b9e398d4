#include "historycommand.h"

#include "clock.h"
#include "datafolderlock.h"
#include "roamsettings.h"
#include "roamstore.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Readable failure messages for the printed texts.
void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

QByteArray crlf(std::initializer_list<const char *> lines)
{
    QByteArray bytes;
    for (const char *line : lines)
        bytes += QByteArray(line) + "\r\n";
    return bytes;
}

// Every file under `root` with its content, to see that a run left the folder as it was.
QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root,
                    QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<dir>"));
    }
    return files;
}

class HistoryCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_data = m_dir.filePath(u"Data"_s);
        ASSERT_TRUE(QDir().mkpath(m_data));
        m_settings = std::make_unique<RoamSettings>(m_dir.filePath(u"settings.ini"_s));

        write(
            u"0001.smf"_s,
            crlf(
                {R"("http://site/docs","Docs",3)",
                 R"(2,1,"Read the handbook")",
                 R"("S",#1997-11-03 14:00:00#,#1997-11-03 14:05:10#,#1997-11-03 14:07:00#,"")",
                 R"("S",#1997-11-04 18:30:00#,#1997-11-04 18:31:00#,#00:00:00#,"page=2")",
                 R"("A",#1997-11-03 14:00:00#,"http://site/docs/guide.pdf",#1997-11-03 14:06:00#)"}));
        write(
            u"0002.smf"_s,
            crlf({R"("http://site","Site home",2)",
                  R"(1,0," ")",
                  R"("S",#1997-11-03 14:00:00#,#1997-11-03 14:05:10#,#1997-11-03 14:07:00#,"")"}));
        // A doubled quote in the title, Hebrew text, a note with a line break.
        write(
            u"0003.smf"_s,
            crlf(
                {R"("http://other.example/q","Say ""shalom"" שלום",2)",
                 "1,0,\"first line\r\nsecond Handbook line\"",
                 R"("S",#1997-11-04 18:30:00#,#1997-11-04 18:40:00#,#1997-11-04 18:45:30#,"q=x")"}));
        write(u"Ses.sms"_s,
              crlf({"2",
                    "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#",
                    "#1997-11-04 18:30:00#,#1997-11-04 18:30:00#"}));
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(m_data).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    Result run(QStringList args, bool withDataDir = true)
    {
        if (withDataDir)
            args << u"--data-dir"_s << m_data;
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        HistoryCommand command(*m_settings, out, err);
        result.code = command.run(QStringList {u"roamlog-history"_s} + args);
        out.flush();
        err.flush();
        return result;
    }

    static QJsonDocument json(const Result &result)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(result.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
        return doc;
    }

    QTemporaryDir m_dir;
    QString m_data;
    std::unique_ptr<RoamSettings> m_settings;
};

TEST_F(HistoryCommandTest, SitesAsAlignedTextAndJson)
{
    const Result text = run({u"sites"_s});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.err, QString());
    EXPECT_EQ(
        text.out,
        u"LAST VISIT           VISITS  DOWNLOADS  URL                     TITLE              NOTE\n"
        u"1997-11-04 18:40:00       1          0  http://other.example/q  Say \"shalom\" שלום  "
        u"first line  second Handbook line\n"
        u"1997-11-03 14:05:10       1          0  http://site             Site home\n"
        u"1997-11-04 18:31:00       2          1  http://site/docs        Docs               "
        u"Read the handbook\n"_s);

    const Result result = run({u"sites"_s, u"--json"_s});
    EXPECT_EQ(result.code, 0);
    const QJsonArray sites = json(result).array();
    ASSERT_EQ(sites.size(), 3);
    const QJsonObject docs = sites.at(2).toObject();
    EXPECT_EQ(docs,
              (QJsonObject {{u"url"_s, u"http://site/docs"_s},
                            {u"title"_s, u"Docs"_s},
                            {u"note"_s, u"Read the handbook"_s},
                            {u"level"_s, 3},
                            {u"visits"_s, 2},
                            {u"downloads"_s, 1},
                            {u"firstVisit"_s, u"1997-11-03T14:05:10"_s},
                            {u"lastVisit"_s, u"1997-11-04T18:31:00"_s},
                            {u"file"_s, u"0001.smf"_s}}));
    EXPECT_EQ(sites.at(0)[u"title"_s].toString(), u"Say \"shalom\" שלום"_s);
    EXPECT_EQ(sites.at(0)[u"note"_s].toString(), u"first line\r\nsecond Handbook line"_s);
    // The initial note of one blank is no note.
    EXPECT_EQ(sites.at(1)[u"note"_s].toString(), QString());
}

TEST_F(HistoryCommandTest, SessionsComeFromTheFileAloneWithTheirSites)
{
    const Result text = run({u"sessions"_s});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.out,
              u"START                END                  DURATION  SITES\n"
              u"1997-11-03 09:12:40  1997-11-03 10:01:05   0:48:25      0\n"
              u"1997-11-04 18:30:00  1997-11-04 18:30:00   0:00:00      2\n"_s);

    const QJsonArray sessions = json(run({u"--json"_s, u"sessions"_s})).array();
    ASSERT_EQ(sessions.size(), 2);
    EXPECT_EQ(sessions.at(0).toObject(),
              (QJsonObject {{u"start"_s, u"1997-11-03T09:12:40"_s},
                            {u"end"_s, u"1997-11-03T10:01:05"_s},
                            {u"durationSeconds"_s, 2905},
                            {u"sites"_s, 0}}));

    // No sessions file: no session at all, not even one for this run.
    ASSERT_TRUE(QFile::remove(QDir(m_data).filePath(u"Ses.sms"_s)));
    const Result none = run({u"sessions"_s, u"--json"_s});
    EXPECT_EQ(none.code, 0);
    EXPECT_TRUE(json(none).array().isEmpty());
    EXPECT_EQ(run({u"sessions"_s}).out, QString());
    EXPECT_FALSE(QFile::exists(QDir(m_data).filePath(u"Ses.sms"_s)));

    // A count larger than the lines: the sessions read so far are listed.
    write(u"Ses.sms"_s, crlf({"3", "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#"}));
    EXPECT_EQ(json(run({u"sessions"_s, u"--json"_s})).array().size(), 1);
}

TEST_F(HistoryCommandTest, VisitsOfOneSite)
{
    const Result text = run({u"visits"_s, u"HTTP://SITE/Docs"_s});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.out,
              u"URL:    http://site/docs\n"
              u"Title:  Docs\n"
              u"Note:   Read the handbook\n"
              u"\n"
              u"START                END                  DURATION  SESSION              QUERY\n"
              u"1997-11-03 14:05:10  1997-11-03 14:07:00   0:01:50  1997-11-03 14:00:00\n"
              u"1997-11-04 18:31:00  -                           -  1997-11-04 18:30:00  page=2\n"
              u"\n"
              u"DOWNLOADED           SESSION              LOCATION\n"
              u"1997-11-03 14:06:00  1997-11-03 14:00:00  http://site/docs/guide.pdf\n"_s);

    const Result result = run({u"visits"_s, u"http://site/docs"_s, u"--json"_s});
    EXPECT_EQ(result.code, 0);
    const QJsonObject site = json(result).object();
    EXPECT_EQ(site[u"url"_s].toString(), u"http://site/docs"_s);
    const QJsonArray visits = site[u"visits"_s].toArray();
    ASSERT_EQ(visits.size(), 2);
    EXPECT_EQ(visits.at(0).toObject(),
              (QJsonObject {{u"start"_s, u"1997-11-03T14:05:10"_s},
                            {u"end"_s, u"1997-11-03T14:07:00"_s},
                            {u"durationSeconds"_s, 110},
                            {u"session"_s, u"1997-11-03T14:00:00"_s},
                            {u"query"_s, QString()}}));
    // A visit that was never closed has no end and no duration.
    EXPECT_TRUE(visits.at(1)[u"end"_s].isNull());
    EXPECT_TRUE(visits.at(1)[u"durationSeconds"_s].isNull());
    EXPECT_EQ(visits.at(1)[u"query"_s].toString(), u"page=2"_s);
    EXPECT_EQ(site[u"downloads"_s].toArray(),
              (QJsonArray {QJsonObject {{u"time"_s, u"1997-11-03T14:06:00"_s},
                                        {u"session"_s, u"1997-11-03T14:00:00"_s},
                                        {u"location"_s, u"http://site/docs/guide.pdf"_s}}}));

    // Only the record's own URL names it: a parent path or a prefix is another site.
    const Result missing = run({u"visits"_s, u"http://site/do"_s});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, QString());
    EXPECT_TRUE(missing.err.contains(u"http://site/do"_s));
}

TEST_F(HistoryCommandTest, FindSearchesUrlTitleAndNoteIgnoringCase)
{
    const auto urls = [this](const QString &text) {
        const Result result = run({u"find"_s, text, u"--json"_s});
        EXPECT_EQ(result.code, 0);
        QStringList found;
        for (const QJsonValue &site : json(result).array())
            found << site[u"url"_s].toString();
        return found;
    };
    EXPECT_EQ(urls(u"HANDBOOK"_s),
              (QStringList {u"http://other.example/q"_s, u"http://site/docs"_s}));
    EXPECT_EQ(urls(u"site"_s), (QStringList {u"http://site"_s, u"http://site/docs"_s}));
    EXPECT_EQ(urls(u"home"_s), (QStringList {u"http://site"_s}));
    EXPECT_EQ(urls(u"\"shalom\""_s), (QStringList {u"http://other.example/q"_s}));
    EXPECT_EQ(urls(u"שלום"_s), (QStringList {u"http://other.example/q"_s}));
    EXPECT_EQ(urls(u"nowhere"_s), QStringList());

    const Result text = run({u"find"_s, u"home"_s});
    EXPECT_EQ(text.code, 0);
    EXPECT_EQ(text.out,
              u"LAST VISIT           VISITS  DOWNLOADS  URL          TITLE      NOTE\n"
              u"1997-11-03 14:05:10       1          0  http://site  Site home\n"_s);
    EXPECT_EQ(run({u"find"_s, u"nowhere"_s}).out, QString());
}

TEST_F(HistoryCommandTest, BadArgumentsAndMissingFoldersExitWithTwo)
{
    const QList<QStringList> bad = {
        {},
        {u"frobnicate"_s},
        {u"visits"_s},
        {u"find"_s},
        {u"find"_s, QString()},
        {u"sites"_s, u"extra"_s},
        {u"visits"_s, u"http://site"_s, u"http://other"_s},
        {u"sites"_s, u"--colour"_s},
    };
    for (const QStringList &args : bad) {
        const Result result = run(args);
        EXPECT_EQ(result.code, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(result.out, QString()) << args.join(u' ').toStdString();
        EXPECT_TRUE(result.err.startsWith(u"roamlog-history: "_s)) << result.err.toStdString();
    }

    const QString missing = m_dir.filePath(u"NoSuchFolder"_s);
    const Result noFolder = run({u"sites"_s, u"--data-dir"_s, missing}, false);
    EXPECT_EQ(noFolder.code, 2);
    EXPECT_EQ(noFolder.out, QString());
    EXPECT_TRUE(noFolder.err.contains(u"does not exist"_s)) << noFolder.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(missing));

    const QString aFile = QDir(m_data).filePath(u"0001.smf"_s);
    EXPECT_EQ(run({u"sites"_s, u"--data-dir"_s, aFile}, false).code, 2);
    EXPECT_EQ(run({u"sites"_s, u"--data-dir="_s}, false).code, 2);
    EXPECT_EQ(run({u"sites"_s, u"--data-dir"_s}, false).code, 2);
    EXPECT_EQ(run({u"sites"_s, u"--data-dir"_s, m_data, u"--data-dir"_s, m_data}, false).code, 2);

    // The configured data folder is used without --data-dir, and its absence is an error too.
    m_settings->setSetupPath(m_dir.filePath(u"Elsewhere"_s));
    const Result absent = run({u"sites"_s}, false);
    EXPECT_EQ(absent.code, 2);
    EXPECT_TRUE(absent.err.contains(QDir::toNativeSeparators(m_dir.filePath(u"Elsewhere/Data"_s))))
        << absent.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(u"Elsewhere"_s)));
    m_settings->setSetupPath(m_dir.path());
    const Result configured = run({u"find"_s, u"home"_s}, false);
    EXPECT_EQ(configured.code, 0);
    EXPECT_TRUE(configured.out.contains(u"Site home"_s));

    const Result help = run({u"--help"_s}, false);
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(u"Usage: roamlog-history"_s));
    EXPECT_EQ(help.err, QString());
}

TEST_F(HistoryCommandTest, FilesThatAreNotSiteFilesAreReportedAndSkipped)
{
    write(u"broken.smf"_s, "12345\r\nnot a site file\r\n");
    // A second file for a URL already loaded from an earlier name is not shown twice.
    write(u"0004.smf"_s, crlf({R"("HTTP://SITE","Shadow",2)", R"(0,0," ")"}));

    const Result result = run({u"sites"_s, u"--json"_s});
    EXPECT_EQ(result.code, 0);
    const QJsonArray sites = json(result).array();
    ASSERT_EQ(sites.size(), 3);
    EXPECT_EQ(sites.at(1)[u"title"_s].toString(), u"Site home"_s);
    EXPECT_TRUE(result.err.contains(u"broken.smf"_s)) << result.err.toStdString();
    EXPECT_FALSE(result.err.contains(u"0004.smf"_s));
}

TEST_F(HistoryCommandTest, LeavesTheDataFolderAsItWas)
{
    write(u"broken.smf"_s, "\xff\xfe garbage");
    const QMap<QString, QByteArray> before = snapshot(m_dir.path());
    const QList<QStringList> commands = {
        {u"sites"_s},
        {u"sessions"_s},
        {u"visits"_s, u"http://site"_s},
        {u"visits"_s, u"http://none"_s},
        {u"find"_s, u"docs"_s},
    };
    for (const QStringList &args : commands) {
        run(args);
        run(QStringList(args) << u"--json"_s);
    }
    EXPECT_EQ(snapshot(m_dir.path()), before);

    // Also without a sessions file: none is written.
    ASSERT_TRUE(QFile::remove(QDir(m_data).filePath(u"Ses.sms"_s)));
    const QMap<QString, QByteArray> withoutSessions = snapshot(m_dir.path());
    for (const QStringList &args : commands)
        run(args);
    EXPECT_EQ(snapshot(m_dir.path()), withoutSessions);
}

TEST_F(HistoryCommandTest, ExportWritesEveryVisitAndDownloadAsCsvRows)
{
    // A second file for a URL already exported from an earlier name adds no rows.
    write(u"0009.smf"_s,
          crlf({R"("HTTP://SITE","Shadow",2)",
                R"(1,0," ")",
                R"("S",#1998-01-01 10:00:00#,#1998-01-01 10:00:00#,#1998-01-01 10:01:00#,"")"}));
    const Result csv = run({u"export"_s, u"--format"_s, u"csv"_s});
    EXPECT_EQ(csv.code, 0);
    EXPECT_EQ(csv.err, QString());
    EXPECT_EQ(csv.out,
              u"kind,url,title,note,start,end,durationSeconds,query,session,location\r\n"
              u"visit,http://site/docs,Docs,Read the handbook,1997-11-03T14:05:10,"
              u"1997-11-03T14:07:00,110,,1997-11-03T14:00:00,\r\n"
              u"visit,http://site/docs,Docs,Read the handbook,1997-11-04T18:31:00,,,page=2,"
              u"1997-11-04T18:30:00,\r\n"
              u"download,http://site/docs,Docs,Read the handbook,1997-11-03T14:06:00,,,,"
              u"1997-11-03T14:00:00,http://site/docs/guide.pdf\r\n"
              u"visit,http://site,Site home,,1997-11-03T14:05:10,1997-11-03T14:07:00,110,,"
              u"1997-11-03T14:00:00,\r\n"
              u"visit,http://other.example/q,\"Say \"\"shalom\"\" שלום\",\"first line\r\n"
              u"second Handbook line\",1997-11-04T18:40:00,1997-11-04T18:45:30,330,q=x,"
              u"1997-11-04T18:30:00,\r\n"_s);

    const Result since = run({u"export"_s, u"--format=csv"_s, u"--since"_s, u"1997-11-04"_s});
    EXPECT_EQ(since.code, 0);
    EXPECT_EQ(since.out.count(u"\r\n"_s), 1 + 2 + 1); // header, two rows, the note's break
    EXPECT_FALSE(since.out.contains(u"1997-11-03T"_s));
    const Result sinceTime = run(
        {u"export"_s, u"--format"_s, u"csv"_s, u"--since"_s, u"1997-11-04T18:35:00"_s});
    EXPECT_TRUE(sinceTime.out.contains(u"1997-11-04T18:40:00"_s));
    EXPECT_FALSE(sinceTime.out.contains(u"1997-11-04T18:31:00"_s));
}

TEST_F(HistoryCommandTest, ExportAsJsonToStandardOutputOrAFile)
{
    const Result result = run({u"export"_s, u"--format"_s, u"json"_s});
    EXPECT_EQ(result.code, 0);
    const QJsonArray rows = json(result).array();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(rows.at(1).toObject(),
              (QJsonObject {{u"kind"_s, u"visit"_s},
                            {u"url"_s, u"http://site/docs"_s},
                            {u"title"_s, u"Docs"_s},
                            {u"note"_s, u"Read the handbook"_s},
                            {u"start"_s, u"1997-11-04T18:31:00"_s},
                            {u"end"_s, QJsonValue::Null},
                            {u"durationSeconds"_s, QJsonValue::Null},
                            {u"query"_s, u"page=2"_s},
                            {u"session"_s, u"1997-11-04T18:30:00"_s},
                            {u"location"_s, QJsonValue::Null}}));
    EXPECT_EQ(rows.at(2)[u"kind"_s].toString(), u"download"_s);
    EXPECT_EQ(rows.at(2)[u"location"_s].toString(), u"http://site/docs/guide.pdf"_s);
    EXPECT_EQ(rows.at(4)[u"title"_s].toString(), u"Say \"shalom\" שלום"_s);
    // --json stands for --format json.
    EXPECT_EQ(run({u"export"_s, u"--json"_s}).out, result.out);

    const QString outFile = m_dir.filePath(u"export.json"_s);
    const QMap<QString, QByteArray> data = snapshot(m_data);
    const Result toFile = run({u"export"_s, u"--format"_s, u"json"_s, u"--out"_s, outFile});
    EXPECT_EQ(toFile.code, 0);
    EXPECT_EQ(toFile.out, QString());
    QFile file(outFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), result.out);
    EXPECT_EQ(snapshot(m_data), data);

    // Nothing is recorded yet: an empty array, and a CSV of the header alone.
    QTemporaryDir empty;
    QFile sessions(QDir(empty.path()).filePath(u"Ses.sms"_s));
    ASSERT_TRUE(sessions.open(QIODevice::WriteOnly));
    sessions.write("0\r\n");
    sessions.close();
    const Result none = run({u"export"_s, u"--json"_s, u"--data-dir"_s, empty.path()}, false);
    EXPECT_EQ(none.code, 0);
    EXPECT_TRUE(json(none).array().isEmpty());
    EXPECT_EQ(run({u"export"_s, u"--format"_s, u"csv"_s, u"--data-dir"_s, empty.path()}, false).out,
              u"kind,url,title,note,start,end,durationSeconds,query,session,location\r\n"_s);
}

TEST_F(HistoryCommandTest, ExportRefusesBadOptionsAndTheDataFolderAsTarget)
{
    const QList<QStringList> bad = {
        {u"export"_s},
        {u"export"_s, u"--format"_s, u"xml"_s},
        {u"export"_s, u"--format"_s, u"csv"_s, u"--json"_s},
        {u"export"_s, u"--format"_s, u"csv"_s, u"--since"_s, u"yesterday"_s},
        {u"export"_s, u"--format"_s, u"csv"_s, u"--since"_s, u"1997-02-30"_s},
        {u"export"_s, u"--format"_s, u"csv"_s, u"--out="_s},
        {u"export"_s, u"--format"_s, u"csv"_s, u"extra"_s},
        {u"sites"_s, u"--since"_s, u"1997-11-04"_s},
        {u"find"_s, u"docs"_s, u"--format"_s, u"csv"_s},
        {u"export"_s, u"--format"_s, u"csv"_s, u"--out"_s, QDir(m_data).filePath(u"rows.csv"_s)},
    };
    const QMap<QString, QByteArray> before = snapshot(m_dir.path());
    for (const QStringList &args : bad) {
        const Result result = run(args);
        EXPECT_EQ(result.code, 2) << args.join(u' ').toStdString();
        EXPECT_EQ(result.out, QString()) << args.join(u' ').toStdString();
        EXPECT_TRUE(result.err.startsWith(u"roamlog-history: "_s)) << result.err.toStdString();
    }
    EXPECT_EQ(snapshot(m_dir.path()), before);

    const Result unwritable = run({u"export"_s,
                                   u"--format"_s,
                                   u"csv"_s,
                                   u"--out"_s,
                                   m_dir.filePath(u"no/such/folder/rows.csv"_s)});
    EXPECT_EQ(unwritable.code, 1);
    EXPECT_TRUE(unwritable.err.contains(u"cannot write"_s)) << unwritable.err.toStdString();
}

} // namespace

TEST_F(HistoryCommandTest, ChangingCommandsRefuseWhileRoamlogHoldsTheFolder)
{
    // This test stands for the running Roamlog; the tool runs as a process of its own.
    DataFolderLock roamlog(m_data);
    ASSERT_EQ(roamlog.acquire(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    const auto tool = [this](const QStringList &args) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"XDG_CONFIG_HOME"_s, m_dir.filePath(u"config"_s));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ROAMLOG_HISTORY_EXECUTABLE),
                      args + QStringList {u"--data-dir"_s, m_dir.path()});
        EXPECT_TRUE(process.waitForFinished(60000));
        return Result {process.exitCode(),
                       QString::fromUtf8(process.readAllStandardOutput()),
                       QString::fromUtf8(process.readAllStandardError())};
    };
    const QMap<QString, QByteArray> before = snapshot(m_dir.path());

    const struct
    {
        QStringList args;
        int code;
    } rows[] = {
        {{u"forget"_s, u"site"_s}, 3},
        {{u"import-chromium"_s, m_dir.filePath(u"profile"_s)}, 3},
        {{u"forget"_s, u"site"_s, u"--dry-run"_s}, 0},
        {{u"sites"_s}, 0},
        {{u"export"_s, u"--format"_s, u"csv"_s}, 0},
    };
    for (const auto &row : rows) {
        const Result result = tool(row.args);
        EXPECT_EQ(result.code, row.code) << row.args.join(u' ').toStdString();
        if (row.code == 3)
            EXPECT_EQ(result.err,
                      u"roamlog-history: the data folder "_s + m_data
                          + u" is in use by Roamlog, process "_s
                          + QString::number(QCoreApplication::applicationPid())
                          + u"; nothing was changed. Close Roamlog and try again.\n"_s);
        else
            EXPECT_TRUE(result.out.contains(u"http://site/docs"_s)) << result.out.toStdString();
    }
    EXPECT_EQ(snapshot(m_dir.path()), before);

    // Once Roamlog has closed, the same command goes ahead and leaves no lock behind.
    roamlog.release();
    const Result forgot = tool({u"forget"_s, u"site"_s});
    EXPECT_EQ(forgot.code, 0) << forgot.err.toStdString();
    EXPECT_EQ(QDir(m_data).entryList(QDir::Files), (QStringList {u"0003.smf"_s, u"Ses.sms"_s}));
}

TEST_F(HistoryCommandTest, DataDirIsRoamlogsFolderOrTheDataFolderItself)
{
    QTemporaryDir empty;
    QDir().mkpath(empty.filePath(u"Data"_s));
    const struct
    {
        QString dir;
        int code;
        QString message;
    } rows[] = {
        {m_dir.path(), 0, QString()},
        {m_data, 0, QString()},
        {empty.path(), 2, u" holds no Roamlog records"_s},
        {empty.filePath(u"Data"_s), 2, u" holds no Roamlog records"_s},
        {m_dir.filePath(u"Missing"_s), 2, u" does not exist"_s},
    };
    for (const auto &row : rows) {
        const Result result = run({u"sites"_s, u"--json"_s, u"--data-dir"_s, row.dir}, false);
        EXPECT_EQ(result.code, row.code) << row.dir.toStdString();
        if (row.code == 0)
            EXPECT_EQ(json(result).array().size(), 3) << row.dir.toStdString();
        else
            EXPECT_TRUE(result.err.contains(row.message)) << result.err.toStdString();
    }
    EXPECT_TRUE(HistoryCommand::helpText().contains(u"Roamlog's --data-dir takes"_s));
}

TEST_F(HistoryCommandTest, CsvCellsNeverStartAFormulaAndJsonStaysExact)
{
    // Rows: a title some page chose, its CSV cell.
    const struct
    {
        QString title;
        QString cell;
    } rows[] = {
        {u"=HYPERLINK(\"http://evil\",\"x\")"_s,
         u"\"'=HYPERLINK(\"\"http://evil\"\",\"\"x\"\")\""_s},
        {u"+1+2"_s, u"'+1+2"_s},
        {u"-2+3"_s, u"'-2+3"_s},
        {u"@SUM(A1)"_s, u"'@SUM(A1)"_s},
        {u"\tTab"_s, u"'\tTab"_s},
        {u"\rReturn"_s, u"\"'\rReturn\""_s},
        {u"a=b"_s, u"a=b"_s},
        {u" =spaced"_s, u" =spaced"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.title.toStdString());
        QString quoted = row.title;
        quoted.replace(u"\""_s, u"\"\""_s);
        write(u"0001.smf"_s,
              "\"@planted\",\"" + quoted.toUtf8()
                  + "\",0\r\n1,0,\" \"\r\n"
                    "\"S\",#1997-11-03 14:00:00#,#1997-11-03 14:05:10#,#1997-11-03 14:07:00#,"
                    "\"\"\r\n");
        const Result csv = run({u"export"_s, u"--format"_s, u"csv"_s});
        ASSERT_EQ(csv.code, 0);
        EXPECT_TRUE(
            csv.out.contains(u"\r\nvisit,'@planted,"_s + row.cell + u",,1997-11-03T14:05:10"_s))
            << csv.out.toStdString();
        const Result exact = run({u"export"_s, u"--format"_s, u"json"_s});
        const QJsonObject first = json(exact).array().at(0).toObject();
        EXPECT_EQ(first[u"title"_s].toString(), row.title);
        EXPECT_EQ(first[u"url"_s].toString(), u"@planted"_s);
    }

    // An export file is its owner's alone.
    const QString outFile = m_dir.filePath(u"out.csv"_s);
    ASSERT_EQ(run({u"export"_s, u"--format"_s, u"csv"_s, u"--out"_s, outFile}).code, 0);
    EXPECT_EQ(QFileInfo(outFile).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

TEST(PrivateRecord, AnotherLocalUserCannotReadWhatTheStoreWrote)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root; the modes are checked in model_tests";
    // A setup folder open to all, as a home folder often is; the record inside is not.
    QTemporaryDir setup;
    ASSERT_EQ(::chmod(QFile::encodeName(setup.path()).constData(), 0755), 0);
    const QString data = setup.filePath(u"Data"_s);
    {
        RoamStore store(data, Clock::system());
        store.LoadDataFolder();
        auto file = std::make_shared<CFile>();
        file->SetURL(u"private.example/page"_s);
        file->FileName = QDir(data).filePath(u"0001.smf"_s);
        store.Files.Add(file, file->URL());
        ASSERT_TRUE(store.SaveFile(file));
        ASSERT_TRUE(store.SetSession(true));
    }
    const auto runAs = [&data](uid_t user) {
        QProcess process;
        process.setChildProcessModifier([user] {
            if (user != 0 && (::setgid(user) != 0 || ::setuid(user) != 0))
                ::_exit(99);
        });
        process.start(QStringLiteral(ROAMLOG_HISTORY_EXECUTABLE),
                      {u"sites"_s, u"--data-dir"_s, data});
        EXPECT_TRUE(process.waitForFinished(60000));
        return Result {process.exitCode(),
                       QString::fromUtf8(process.readAllStandardOutput()),
                       QString::fromUtf8(process.readAllStandardError())};
    };
    const Result owner = runAs(0);
    EXPECT_EQ(owner.code, 0) << owner.err.toStdString();
    EXPECT_TRUE(owner.out.contains(u"private.example/page"_s));
    const uid_t nobody = 65534;
    const Result other = runAs(nobody);
    EXPECT_EQ(other.code, 2) << other.err.toStdString();
    EXPECT_EQ(other.out, QString());
    EXPECT_TRUE(other.err.contains(u" cannot be read"_s)) << other.err.toStdString();
    EXPECT_FALSE(other.err.contains(u"private.example"_s));
}
