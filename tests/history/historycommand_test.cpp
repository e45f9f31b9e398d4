#include "historyfixture.h"

#include "clock.h"
#include "datafolderlock.h"
#include "pagetextindex.h"
#include "roamstore.h"

#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString csvHeader
    = u"kind,url,title,note,start,end,durationSeconds,query,session,location\r\n"_s;

class HistoryCommandTest : public HistoryFixture
{
protected:
    void SetUp() override
    {
        HistoryFixture::SetUp();
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
            crlf({R"("http://other.example/q","Say ""shalom"" שלום",2)",
                  "1,0,\"first line\r\nsecond Handbook line\"",
                  R"("S",#1997-11-04 18:30:00#,#1997-11-04 18:40:00#,#1997-11-04 18:45:30#,"")"}));
        // A second file for a URL already loaded from an earlier name is never shown.
        write(
            u"0004.smf"_s,
            crlf({R"("HTTP://SITE","Shadow",2)",
                  R"(1,0," ")",
                  R"("S",#1998-01-01 10:00:00#,#1998-01-01 10:00:00#,#1998-01-01 10:01:00#,"")"}));
        write(u"Ses.sms"_s,
              crlf({"2",
                    "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#",
                    "#1997-11-04 18:30:00#,#1997-11-04 18:30:00#"}));
        const QDateTime captured(QDate(1997, 11, 4), QTime(18, 45), Qt::LocalTime);
        PageTextIndex index(m_data);
        index.store(u"http://site/docs"_s,
                    u"Docs"_s,
                    u"Slow roasted tomato soup with basil and garlic bread."_s,
                    captured);
        index.store(u"http://other.example/q"_s,
                    u"Say"_s,
                    u"The council voted on tomato prices. מחירי העגבניות עלו היום."_s,
                    captured);
        // Text of a page whose site record is gone still answers, by its key.
        index.store(u"gone.example.net"_s, u"Gone"_s, u"garlic festival"_s, captured);
    }
};

TEST_F(HistoryCommandTest, PrintsEachAnswerWhole)
{
    const QString docsFirst = u"visit,http://site/docs,Docs,Read the handbook,1997-11-03T14:05:10,"
                              u"1997-11-03T14:07:00,110,,1997-11-03T14:00:00,\r\n"_s;
    const QString docsAgain = u"visit,http://site/docs,Docs,Read the handbook,1997-11-04T18:31:00,"
                              u",,page=2,1997-11-04T18:30:00,\r\n"_s;
    const QString download = u"download,http://site/docs,Docs,Read the handbook,"
                             u"1997-11-03T14:06:00,,,,1997-11-03T14:00:00,"
                             u"http://site/docs/guide.pdf\r\n"_s;
    const QString other
        = u"visit,http://other.example/q,\"Say \"\"shalom\"\" שלום\",\"first line\r\n"
          u"second Handbook line\",1997-11-04T18:40:00,1997-11-04T18:45:30,330,,"
          u"1997-11-04T18:30:00,\r\n"_s;
    // Rows: the command line, all it prints (JSON as one line, keys in order).
    const struct
    {
        const char *line;
        QString out;
    } rows[] = {
        {"sites",
         u"LAST VISIT           VISITS  DOWNLOADS  URL                     TITLE              "
         u"NOTE\n"
         u"1997-11-04 18:40:00       1          0  http://other.example/q  Say \"shalom\" שלום  "
         u"first line  second Handbook line\n"
         u"1997-11-03 14:05:10       1          0  http://site             Site home\n"
         u"1997-11-04 18:31:00       2          1  http://site/docs        Docs               "
         u"Read the handbook\n"_s},
        // The initial note of one blank is no note.
        {"sites --json",
         uR"([{"downloads":0,"file":"0003.smf","firstVisit":"1997-11-04T18:40:00",)"
         uR"("lastVisit":"1997-11-04T18:40:00","level":2,)"
         uR"("note":"first line\r\nsecond Handbook line","title":"Say \"shalom\" שלום",)"
         uR"("url":"http://other.example/q","visits":1},{"downloads":0,"file":"0002.smf",)"
         uR"("firstVisit":"1997-11-03T14:05:10","lastVisit":"1997-11-03T14:05:10","level":2,)"
         uR"("note":"","title":"Site home","url":"http://site","visits":1},{"downloads":1,)"
         uR"("file":"0001.smf","firstVisit":"1997-11-03T14:05:10",)"
         uR"("lastVisit":"1997-11-04T18:31:00","level":3,"note":"Read the handbook",)"
         uR"("title":"Docs","url":"http://site/docs","visits":2}])"_s},
        {"--json sessions",
         uR"([{"durationSeconds":2905,"end":"1997-11-03T10:01:05","sites":0,)"
         uR"("start":"1997-11-03T09:12:40"},{"durationSeconds":0,"end":"1997-11-04T18:30:00",)"
         uR"("sites":2,"start":"1997-11-04T18:30:00"}])"_s},
        // A visit that was never closed has no end and no duration.
        {"visits http://site/docs --json",
         uR"({"downloads":[{"location":"http://site/docs/guide.pdf",)"
         uR"("session":"1997-11-03T14:00:00","time":"1997-11-03T14:06:00"}],"file":"0001.smf",)"
         uR"("firstVisit":"1997-11-03T14:05:10","lastVisit":"1997-11-04T18:31:00","level":3,)"
         uR"("note":"Read the handbook","title":"Docs","url":"http://site/docs",)"
         uR"("visits":[{"durationSeconds":110,"end":"1997-11-03T14:07:00","query":"",)"
         uR"("session":"1997-11-03T14:00:00","start":"1997-11-03T14:05:10"},)"
         uR"({"durationSeconds":null,"end":null,"query":"page=2","session":"1997-11-04T18:30:00",)"
         uR"("start":"1997-11-04T18:31:00"}]})"_s},
        // A page whose record is gone has no last visit.
        {"search garl --json",
         uR"([{"captured":"1997-11-04T18:45:00","lastVisit":null,"snippet":"[garlic] festival",)"
         uR"("title":"Gone","url":"gone.example.net"},{"captured":"1997-11-04T18:45:00",)"
         uR"("lastVisit":"1997-11-04T18:31:00","snippet":"…soup with basil and [garlic] bread.",)"
         uR"("title":"Docs","url":"http://site/docs"}])"_s},
        {"export --format json",
         uR"([{"durationSeconds":110,"end":"1997-11-03T14:07:00","kind":"visit","location":null,)"
         uR"("note":"Read the handbook","query":"","session":"1997-11-03T14:00:00",)"
         uR"("start":"1997-11-03T14:05:10","title":"Docs","url":"http://site/docs"},)"
         uR"({"durationSeconds":null,"end":null,"kind":"visit","location":null,)"
         uR"("note":"Read the handbook","query":"page=2","session":"1997-11-04T18:30:00",)"
         uR"("start":"1997-11-04T18:31:00","title":"Docs","url":"http://site/docs"},)"
         uR"({"durationSeconds":null,"end":null,"kind":"download",)"
         uR"("location":"http://site/docs/guide.pdf","note":"Read the handbook","query":null,)"
         uR"("session":"1997-11-03T14:00:00","start":"1997-11-03T14:06:00","title":"Docs",)"
         uR"("url":"http://site/docs"},{"durationSeconds":110,"end":"1997-11-03T14:07:00",)"
         uR"("kind":"visit","location":null,"note":"","query":"","session":"1997-11-03T14:00:00",)"
         uR"("start":"1997-11-03T14:05:10","title":"Site home","url":"http://site"},)"
         uR"({"durationSeconds":330,"end":"1997-11-04T18:45:30","kind":"visit","location":null,)"
         uR"("note":"first line\r\nsecond Handbook line","query":"",)"
         uR"("session":"1997-11-04T18:30:00","start":"1997-11-04T18:40:00",)"
         uR"("title":"Say \"shalom\" שלום","url":"http://other.example/q"}])"_s},
        {"sessions",
         u"START                END                  DURATION  SITES\n"
         u"1997-11-03 09:12:40  1997-11-03 10:01:05   0:48:25      0\n"
         u"1997-11-04 18:30:00  1997-11-04 18:30:00   0:00:00      2\n"_s},
        {"visits HTTP://SITE/Docs",
         u"URL:    http://site/docs\n"
         u"Title:  Docs\n"
         u"Note:   Read the handbook\n"
         u"\n"
         u"START                END                  DURATION  SESSION              QUERY\n"
         u"1997-11-03 14:05:10  1997-11-03 14:07:00   0:01:50  1997-11-03 14:00:00\n"
         u"1997-11-04 18:31:00  -                           -  1997-11-04 18:30:00  page=2\n"
         u"\n"
         u"DOWNLOADED           SESSION              LOCATION\n"
         u"1997-11-03 14:06:00  1997-11-03 14:00:00  http://site/docs/guide.pdf\n"_s},
        {"find home",
         u"LAST VISIT           VISITS  DOWNLOADS  URL          TITLE      NOTE\n"
         u"1997-11-03 14:05:10       1          0  http://site  Site home\n"_s},
        {"find nowhere", {}},
        {"search soup",
         u"LAST VISIT           URL               TITLE  SNIPPET\n"
         u"1997-11-04 18:31:00  http://site/docs  Docs   "
         u"Slow roasted tomato [soup] with basil and garlic bread.\n"_s},
        {"search zzzz", {}},
        {"export --format csv",
         csvHeader + docsFirst + docsAgain + download
             + u"visit,http://site,Site home,,1997-11-03T14:05:10,1997-11-03T14:07:00,110,,"
               u"1997-11-03T14:00:00,\r\n"_s
             + other},
        {"export --format=csv --since 1997-11-04", csvHeader + docsAgain + other},
        {"export --format csv --since 1997-11-04T18:35:00", csvHeader + other},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.line);
        const Result result = cmd(QString::fromUtf8(row.line));
        EXPECT_EQ(result.code, 0);
        EXPECT_EQ(result.err, QString());
        const bool inJson = QByteArrayView(row.line).contains("json");
        const QString out = inJson ? QString::fromUtf8(json(result).toJson(QJsonDocument::Compact))
                                   : result.out;
        EXPECT_EQ(out, row.out);
    }
    EXPECT_EQ(cmd(u"export --json"_s).out, cmd(u"export --format json"_s).out);
}

TEST_F(HistoryCommandTest, FindAndSearchListMatchingSitesBestFirst)
{
    // Rows: the command line, the URLs it lists in order. Find looks in URL, title and note
    // ignoring case; search looks in the text kept of each page.
    const struct
    {
        QStringList args;
        QStringList urls;
    } rows[] = {
        {words(u"find HANDBOOK"_s), {u"http://other.example/q"_s, u"http://site/docs"_s}},
        {words(u"find site"_s), {u"http://site"_s, u"http://site/docs"_s}},
        {words(u"find \"shalom\""_s), {u"http://other.example/q"_s}},
        {words(u"find שלום"_s), {u"http://other.example/q"_s}},
        {words(u"find nowhere"_s), {}},
        {{u"search"_s, u"TOMATO soup"_s}, {u"http://site/docs"_s}},
        {words(u"search tomato soup"_s), {u"http://site/docs"_s}},
        {words(u"search העגב"_s), {u"http://other.example/q"_s}},
        {words(u"search garl"_s), {u"gone.example.net"_s, u"http://site/docs"_s}},
        {words(u"search garl --limit 1"_s), {u"gone.example.net"_s}},
        {words(u"search nothing-like-it"_s), {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const Result result = run(row.args + QStringList {u"--json"_s});
        EXPECT_EQ(result.code, 0) << result.err.toStdString();
        QStringList urls;
        for (const QJsonValue &site : json(result).array())
            urls << site[u"url"_s].toString();
        EXPECT_EQ(urls, row.urls);
    }
}

TEST_F(HistoryCommandTest, UsageErrorsAndFailuresExitWithTheirCodeAndChangeNothing)
{
    QTemporaryDir empty;
    QDir().mkpath(empty.filePath(u"Data"_s));
    // Rows: the command line (--data-dir is added unless it names one), what the message must
    // hold, the exit code.
    const struct
    {
        QStringList args;
        QString says;
        int code = HistoryCommand::UsageError;
    } rows[] = {
        {{}, {}},
        {words(u"frobnicate"_s), {}},
        {words(u"visits"_s), {}},
        {words(u"find"_s), {}},
        {{u"find"_s, QString()}, {}},
        {words(u"sites extra"_s), {}},
        {words(u"visits http://site http://other"_s), {}},
        {words(u"sites --colour"_s), {}},
        {words(u"export"_s), {}},
        {words(u"export --format xml"_s), {}},
        {words(u"export --format csv --json"_s), {}},
        {words(u"export --format csv --since yesterday"_s), {}},
        {words(u"export --format csv --since 1997-02-30"_s), {}},
        {words(u"export --format csv --out="_s), {}},
        {words(u"export --format csv extra"_s), {}},
        {words(u"sites --since 1997-11-04"_s), {}},
        {words(u"find docs --format csv"_s), {}},
        {words(u"forget"_s), {}},
        {{u"forget"_s, u"  "_s}, {}},
        {words(u"sites --dry-run"_s), {}},
        {words(u"search"_s), {}},
        {words(u"search tomato --limit 0"_s), {}},
        {words(u"search tomato --limit x"_s), {}},
        {words(u"sites --limit 3"_s), {}},
        {words(u"export --format csv --out"_s) << inData(u"rows.csv"_s), {}},
        {words(u"sites --data-dir"_s) << m_dir.filePath(u"Missing"_s), u" does not exist"_s},
        {words(u"sites --data-dir"_s) << inData(u"0001.smf"_s), {}},
        {words(u"sites --data-dir="_s), {}},
        {words(u"sites --data-dir"_s), {}},
        {words(u"sites --data-dir"_s) << m_data << u"--data-dir"_s << m_data, {}},
        {words(u"sites --data-dir"_s) << empty.path(), u" holds no Roamlog records"_s},
        {words(u"sites --data-dir"_s) << empty.filePath(u"Data"_s), u" holds no Roamlog records"_s},
        {words(u"export --format csv --out"_s) << m_dir.filePath(u"no/such/folder/rows.csv"_s),
         u"cannot write"_s,
         HistoryCommand::Failed},
        // A parent path or a prefix of a URL is another site.
        {words(u"visits http://site/do"_s), u"http://site/do"_s, HistoryCommand::Failed},
    };
    const QMap<QString, QByteArray> before = snapshot(m_dir.path());
    for (const auto &row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const Result result = run(row.args, row.args.join(u' ').indexOf(u"--data-dir"_s) < 0);
        EXPECT_EQ(result.code, row.code);
        EXPECT_EQ(result.out, QString());
        EXPECT_TRUE(result.err.startsWith(u"roamlog-history: "_s)) << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(row.says)) << result.err.toStdString();
    }
    EXPECT_EQ(snapshot(m_dir.path()), before);

    const Result help = run({u"--help"_s}, false);
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(u"Usage: roamlog-history"_s));
    EXPECT_TRUE(help.out.contains(u"Roamlog's --data-dir takes"_s));
}

TEST_F(HistoryCommandTest, WithoutDataDirTheConfiguredFolderIsRead)
{
    // Its absence is an error as that of a folder named, and nothing is made there.
    m_settings->setSetupPath(m_dir.filePath(u"Elsewhere"_s));
    const Result absent = run({u"sites"_s}, false);
    EXPECT_EQ(absent.code, HistoryCommand::UsageError);
    EXPECT_TRUE(absent.err.contains(QDir::toNativeSeparators(m_dir.filePath(u"Elsewhere/Data"_s))))
        << absent.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_dir.filePath(u"Elsewhere"_s)));
    m_settings->setSetupPath(m_dir.path());
    const Result configured = run({u"find"_s, u"home"_s}, false);
    EXPECT_EQ(configured.code, 0);
    EXPECT_TRUE(configured.out.contains(u"Site home"_s));
}

TEST_F(HistoryCommandTest, ReadingCommandsSkipDamagedFilesAndWriteNothingButAnExport)
{
    write(u"broken.smf"_s, "\xff\xfe garbage\r\nnot a site file\r\n");
    const Result sites = cmd(u"sites --json"_s);
    EXPECT_EQ(sites.code, 0);
    EXPECT_EQ(json(sites).array().size(), 3);
    EXPECT_TRUE(sites.err.contains(u"broken.smf"_s)) << sites.err.toStdString();
    EXPECT_FALSE(sites.err.contains(u"0004.smf"_s));
    // With the sessions file, and without it: none is written.
    for (const bool withSessions : {true, false}) {
        if (!withSessions) {
            ASSERT_TRUE(QFile::remove(inData(u"Ses.sms"_s)));
        }
        const QMap<QString, QByteArray> before = snapshot(m_dir.path());
        for (const char *line : {"sites",
                                 "sessions",
                                 "visits http://site",
                                 "visits http://none",
                                 "find docs",
                                 "search tomato",
                                 "export --format csv",
                                 "forget site --dry-run"}) {
            cmd(QString::fromUtf8(line));
            cmd(QString::fromUtf8(line) + u" --json"_s);
        }
        EXPECT_EQ(snapshot(m_dir.path()), before) << withSessions;
    }

    // An export to a file writes that file alone, which only its owner may read.
    const QString outFile = m_dir.filePath(u"export.json"_s);
    const QMap<QString, QByteArray> data = snapshot(m_data);
    const Result toFile = run(words(u"export --format json --out"_s) << outFile);
    EXPECT_EQ(toFile.code, 0);
    EXPECT_EQ(toFile.out, QString());
    QFile file(outFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), cmd(u"export --json"_s).out);
    EXPECT_EQ(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(snapshot(m_data), data);
}

TEST_F(HistoryCommandTest, MissingOrShortFilesGiveWhatTheyHold)
{
    // A count larger than the lines: the sessions read so far are listed.
    write(u"Ses.sms"_s, crlf({"3", "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#"}));
    EXPECT_EQ(json(cmd(u"sessions --json"_s)).array().size(), 1);

    // No sessions file: no session at all, not even one for this run.
    ASSERT_TRUE(QFile::remove(inData(u"Ses.sms"_s)));
    const Result none = cmd(u"sessions --json"_s);
    EXPECT_EQ(none.code, 0);
    EXPECT_TRUE(json(none).array().isEmpty());
    EXPECT_EQ(cmd(u"sessions"_s).out, QString());

    // Nothing is recorded yet: an empty array, and a CSV of the header alone.
    for (const QString &name : QDir(m_data).entryList({u"*.smf"_s}))
        QFile::remove(inData(name));
    write(u"Ses.sms"_s, "0\r\n");
    const Result nothing = cmd(u"export --json"_s);
    EXPECT_EQ(nothing.code, 0);
    EXPECT_TRUE(json(nothing).array().isEmpty());
    EXPECT_EQ(cmd(u"export --format csv"_s).out, csvHeader);
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
        const Result csv = cmd(u"export --format csv"_s);
        ASSERT_EQ(csv.code, 0);
        EXPECT_TRUE(
            csv.out.contains(u"\r\nvisit,'@planted,"_s + row.cell + u",,1997-11-03T14:05:10"_s))
            << csv.out.toStdString();
        const QJsonObject first = json(cmd(u"export --format json"_s)).array().at(0).toObject();
        EXPECT_EQ(first[u"title"_s].toString(), row.title);
        EXPECT_EQ(first[u"url"_s].toString(), u"@planted"_s);
    }
}

TEST_F(HistoryCommandTest, ChangingCommandsRefuseWhileRoamlogHoldsTheFolder)
{
    write(u"broken.smf"_s, "not a site file\r\n");
    // This test stands for the running Roamlog; the tool runs as a process of its own.
    DataFolderLock roamlog(m_data);
    ASSERT_EQ(roamlog.acquire(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    // Roamlog's own folder names its data folder as well as the data folder itself does.
    const QStringList dataDir {u"--data-dir"_s, m_dir.path()};
    const QMap<QString, QByteArray> before = snapshot(m_dir.path());
    // Rows: the command line, its exit code, what it prints.
    const struct
    {
        QStringList args;
        int code;
        QString out;
    } rows[] = {
        {words(u"forget site"_s), 3, {}},
        {{u"import-chromium"_s, m_dir.filePath(u"profile"_s)}, 3, {}},
        {words(u"forget site --dry-run"_s),
         0,
         u"would remove http://site/docs  0001.smf\n"
         u"would remove http://site  0002.smf\n"
         u"would remove HTTP://SITE  0004.smf\n"
         u"3 site records would be removed\n"
         u"1 page text would be removed\n"_s},
        {words(u"sites"_s), 0, u"http://site/docs"_s},
        {words(u"export --format csv"_s), 0, u"http://site/docs"_s},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.args.join(u' ').toStdString());
        const Result result = spawn(row.args + dataDir);
        EXPECT_EQ(result.code, row.code);
        EXPECT_TRUE(result.out.contains(row.out)) << result.out.toStdString();
        if (row.code == 3) {
            EXPECT_EQ(result.err,
                      u"roamlog-history: the data folder "_s + m_data
                          + u" is in use by Roamlog, process "_s
                          + QString::number(QCoreApplication::applicationPid())
                          + u"; nothing was changed. Close Roamlog and try again.\n"_s);
        }
    }
    EXPECT_EQ(snapshot(m_dir.path()), before);

    // Once Roamlog has closed, the same commands go ahead, pass over the damaged file and leave
    // no lock behind. The text kept of a forgotten page goes too, from the file's freed pages and
    // not only from the answers.
    roamlog.release();
    for (const auto &[line, out] :
         {std::pair {"forget https://SITE/Docs",
                     u"removed http://site/docs  0001.smf\n1 site record removed\n"
                     u"1 page text removed\n"_s},
          {"forget site",
           u"removed http://site  0002.smf\nremoved HTTP://SITE  0004.smf\n"
           u"2 site records removed\n0 page texts removed\n"_s}}) {
        const Result forgot = spawn(words(QString::fromUtf8(line)) + dataDir);
        EXPECT_EQ(forgot.code, 0) << forgot.err.toStdString();
        EXPECT_EQ(forgot.out, out);
    }
    QMap<QString, QByteArray> expected = before;
    for (const char *name : {"0001.smf", "0002.smf", "0004.smf", "roamlog.lock"})
        expected.remove(inData(QString::fromUtf8(name)));
    const auto notIndex = [](QMap<QString, QByteArray> files) {
        files.removeIf([](auto it) { return it.key().contains(u"PageText.db"_s); });
        return files;
    };
    EXPECT_EQ(notIndex(snapshot(m_dir.path())), notIndex(expected));
    EXPECT_EQ(json(cmd(u"search soup --json"_s)).array().size(), 0);
    EXPECT_EQ(json(cmd(u"search tomato --json"_s)).array().size(), 1);
    QFile file(PageTextIndex::fileName(m_data));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("roasted tomato soup"));
}

} // namespace

using PrivateRecord = HistoryFixture;

TEST_F(PrivateRecord, AnotherLocalUserCannotReadWhatTheStoreWrote)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "acting as another user needs root; the modes are checked in model_tests";
    // A setup folder open to all, as a home folder often is; the record inside is not.
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0755), 0);
    const QString data = m_dir.filePath(u"Private"_s);
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
    const QStringList args {u"sites"_s, u"--data-dir"_s, data};
    const Result owner = spawn(args);
    EXPECT_EQ(owner.code, 0) << owner.err.toStdString();
    EXPECT_TRUE(owner.out.contains(u"private.example/page"_s));
    const Result other = spawn(args, [] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) // nobody
            ::_exit(99);
    });
    EXPECT_EQ(other.code, 2) << other.err.toStdString();
    EXPECT_EQ(other.out, QString());
    EXPECT_TRUE(other.err.contains(u" cannot be read"_s)) << other.err.toStdString();
    EXPECT_FALSE(other.err.contains(u"private.example"_s));
}
