#include "historyfixture.h"

#include "clock.h"
#include "datafolderlock.h"
#include "roamstore.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Readable failure messages for the printed texts.
void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

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
            crlf(
                {R"("http://other.example/q","Say ""shalom"" שלום",2)",
                 "1,0,\"first line\r\nsecond Handbook line\"",
                 R"("S",#1997-11-04 18:30:00#,#1997-11-04 18:40:00#,#1997-11-04 18:45:30#,"q=x")"}));
        write(u"Ses.sms"_s,
              crlf({"2",
                    "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#",
                    "#1997-11-04 18:30:00#,#1997-11-04 18:30:00#"}));
    }
};

TEST_F(HistoryCommandTest, SitesAsAlignedTextAndJson)
{
    const Result text = cmd(u"sites"_s);
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

    const QJsonArray sites = json(cmd(u"sites --json"_s)).array();
    ASSERT_EQ(sites.size(), 3);
    EXPECT_EQ(compact(sites.at(2)),
              uR"({"downloads":1,"file":"0001.smf","firstVisit":"1997-11-03T14:05:10",)"
              uR"("lastVisit":"1997-11-04T18:31:00","level":3,"note":"Read the handbook",)"
              uR"("title":"Docs","url":"http://site/docs","visits":2})"_s);
    EXPECT_EQ(sites.at(0)[u"note"_s].toString(), u"first line\r\nsecond Handbook line"_s);
    // The initial note of one blank is no note.
    EXPECT_EQ(sites.at(1)[u"note"_s].toString(), QString());
}

TEST_F(HistoryCommandTest, SessionsComeFromTheFileAloneWithTheirSites)
{
    EXPECT_EQ(cmd(u"sessions"_s).out,
              u"START                END                  DURATION  SITES\n"
              u"1997-11-03 09:12:40  1997-11-03 10:01:05   0:48:25      0\n"
              u"1997-11-04 18:30:00  1997-11-04 18:30:00   0:00:00      2\n"_s);
    const QJsonArray sessions = json(cmd(u"--json sessions"_s)).array();
    ASSERT_EQ(sessions.size(), 2);
    EXPECT_EQ(compact(sessions.at(0)),
              uR"({"durationSeconds":2905,"end":"1997-11-03T10:01:05","sites":0,)"
              uR"("start":"1997-11-03T09:12:40"})"_s);

    // No sessions file: no session at all, not even one for this run.
    ASSERT_TRUE(QFile::remove(QDir(m_data).filePath(u"Ses.sms"_s)));
    const Result none = cmd(u"sessions --json"_s);
    EXPECT_EQ(none.code, 0);
    EXPECT_TRUE(json(none).array().isEmpty());
    EXPECT_EQ(cmd(u"sessions"_s).out, QString());

    // A count larger than the lines: the sessions read so far are listed.
    write(u"Ses.sms"_s, crlf({"3", "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#"}));
    EXPECT_EQ(json(cmd(u"sessions --json"_s)).array().size(), 1);
}

TEST_F(HistoryCommandTest, VisitsOfOneSite)
{
    const Result text = cmd(u"visits HTTP://SITE/Docs"_s);
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

    const QJsonObject site = json(cmd(u"visits http://site/docs --json"_s)).object();
    EXPECT_EQ(site[u"url"_s].toString(), u"http://site/docs"_s);
    EXPECT_EQ(compact(site[u"visits"_s]),
              uR"([{"durationSeconds":110,"end":"1997-11-03T14:07:00","query":"",)"
              uR"("session":"1997-11-03T14:00:00","start":"1997-11-03T14:05:10"},)"
              // A visit that was never closed has no end and no duration.
              uR"({"durationSeconds":null,"end":null,"query":"page=2",)"
              uR"("session":"1997-11-04T18:30:00","start":"1997-11-04T18:31:00"}])"_s);
    EXPECT_EQ(compact(site[u"downloads"_s]),
              uR"([{"location":"http://site/docs/guide.pdf","session":"1997-11-03T14:00:00",)"
              uR"("time":"1997-11-03T14:06:00"}])"_s);

    // Only the record's own URL names it: a parent path or a prefix is another site.
    const Result missing = cmd(u"visits http://site/do"_s);
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.out, QString());
    EXPECT_TRUE(missing.err.contains(u"http://site/do"_s));
}

TEST_F(HistoryCommandTest, FindSearchesUrlTitleAndNoteIgnoringCase)
{
    const struct
    {
        QString text;
        QStringList urls;
    } rows[] = {
        {u"HANDBOOK"_s, {u"http://other.example/q"_s, u"http://site/docs"_s}},
        {u"site"_s, {u"http://site"_s, u"http://site/docs"_s}},
        {u"\"shalom\""_s, {u"http://other.example/q"_s}},
        {u"שלום"_s, {u"http://other.example/q"_s}},
        {u"nowhere"_s, {}},
    };
    for (const auto &row : rows) {
        const Result result = run({u"find"_s, row.text, u"--json"_s});
        EXPECT_EQ(result.code, 0);
        QStringList found;
        for (const QJsonValue &site : json(result).array())
            found << site[u"url"_s].toString();
        EXPECT_EQ(found, row.urls) << row.text.toStdString();
    }
    EXPECT_EQ(cmd(u"find home"_s).out,
              u"LAST VISIT           VISITS  DOWNLOADS  URL          TITLE      NOTE\n"
              u"1997-11-03 14:05:10       1          0  http://site  Site home\n"_s);
    EXPECT_EQ(cmd(u"find nowhere"_s).out, QString());
}

TEST_F(HistoryCommandTest, UsageErrorsExitWithTwoAndChangeNothing)
{
    const QString file = QDir(m_data).filePath(u"0001.smf"_s);
    const QString inData = QDir(m_data).filePath(u"rows.csv"_s);
    QTemporaryDir empty;
    QDir().mkpath(empty.filePath(u"Data"_s));
    // Rows: the whole command line (no --data-dir is added), what the message must hold.
    const struct
    {
        QStringList args;
        QString says;
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
        {words(u"export --format csv --out"_s) << inData, {}},
        {words(u"sites --data-dir"_s) << m_dir.filePath(u"Missing"_s), u" does not exist"_s},
        {words(u"sites --data-dir"_s) << file, {}},
        {words(u"sites --data-dir="_s), {}},
        {words(u"sites --data-dir"_s), {}},
        {words(u"sites --data-dir"_s) << m_data << u"--data-dir"_s << m_data, {}},
        {words(u"sites --data-dir"_s) << empty.path(), u" holds no Roamlog records"_s},
        {words(u"sites --data-dir"_s) << empty.filePath(u"Data"_s), u" holds no Roamlog records"_s},
    };
    const QMap<QString, QByteArray> before = snapshot(m_dir.path());
    for (const auto &row : rows) {
        const std::string line = row.args.join(u' ').toStdString();
        // Each usage error is also one with the data folder given.
        const Result result = run(row.args, row.args.join(u' ').indexOf(u"--data-dir"_s) < 0);
        EXPECT_EQ(result.code, HistoryCommand::UsageError) << line;
        EXPECT_EQ(result.out, QString()) << line;
        EXPECT_TRUE(result.err.startsWith(u"roamlog-history: "_s))
            << line << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(row.says)) << line << result.err.toStdString();
    }
    EXPECT_EQ(snapshot(m_dir.path()), before);

    const Result unwritable = run(words(u"export --format csv --out"_s)
                                  << m_dir.filePath(u"no/such/folder/rows.csv"_s));
    EXPECT_EQ(unwritable.code, HistoryCommand::Failed);
    EXPECT_TRUE(unwritable.err.contains(u"cannot write"_s)) << unwritable.err.toStdString();

    const Result help = run({u"--help"_s}, false);
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(u"Usage: roamlog-history"_s));
    EXPECT_TRUE(help.out.contains(u"Roamlog's --data-dir takes"_s));
}

TEST_F(HistoryCommandTest, DataDirIsRoamlogsFolderOrTheDataFolderOrTheConfiguredOne)
{
    for (const QString &dir : {m_dir.path(), m_data}) {
        const Result result = run({u"sites"_s, u"--json"_s, u"--data-dir"_s, dir}, false);
        EXPECT_EQ(result.code, 0) << dir.toStdString();
        EXPECT_EQ(json(result).array().size(), 3) << dir.toStdString();
    }
    // Without --data-dir the configured folder is used, and its absence is an error too.
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

TEST_F(HistoryCommandTest, FilesThatAreNotSiteFilesAreReportedAndSkipped)
{
    write(u"broken.smf"_s, "12345\r\nnot a site file\r\n");
    // A second file for a URL already loaded from an earlier name is not shown twice.
    write(u"0004.smf"_s, crlf({R"("HTTP://SITE","Shadow",2)", R"(0,0," ")"}));
    const Result result = cmd(u"sites --json"_s);
    EXPECT_EQ(result.code, 0);
    const QJsonArray sites = json(result).array();
    ASSERT_EQ(sites.size(), 3);
    EXPECT_EQ(sites.at(1)[u"title"_s].toString(), u"Site home"_s);
    EXPECT_TRUE(result.err.contains(u"broken.smf"_s)) << result.err.toStdString();
    EXPECT_FALSE(result.err.contains(u"0004.smf"_s));
}

TEST_F(HistoryCommandTest, ReadingCommandsLeaveTheDataFolderAsItWas)
{
    write(u"broken.smf"_s, "\xff\xfe garbage");
    // With the sessions file, and without it: none is written.
    for (const bool withSessions : {true, false}) {
        if (!withSessions) {
            ASSERT_TRUE(QFile::remove(QDir(m_data).filePath(u"Ses.sms"_s)));
        }
        const QMap<QString, QByteArray> before = snapshot(m_dir.path());
        for (const char *line : {"sites",
                                 "sessions",
                                 "visits http://site",
                                 "visits http://none",
                                 "find docs",
                                 "export --format csv",
                                 "forget site --dry-run"}) {
            cmd(QString::fromUtf8(line));
            cmd(QString::fromUtf8(line) + u" --json"_s);
        }
        EXPECT_EQ(snapshot(m_dir.path()), before) << withSessions;
    }
}

TEST_F(HistoryCommandTest, ExportWritesEveryVisitAndDownloadAsCsvRows)
{
    // A second file for a URL already exported from an earlier name adds no rows.
    write(u"0009.smf"_s,
          crlf({R"("HTTP://SITE","Shadow",2)",
                R"(1,0," ")",
                R"("S",#1998-01-01 10:00:00#,#1998-01-01 10:00:00#,#1998-01-01 10:01:00#,"")"}));
    const Result csv = cmd(u"export --format csv"_s);
    EXPECT_EQ(csv.code, 0);
    EXPECT_EQ(csv.err, QString());
    EXPECT_EQ(csv.out,
              csvHeader
                  + u"visit,http://site/docs,Docs,Read the handbook,1997-11-03T14:05:10,"
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

    const Result since = cmd(u"export --format=csv --since 1997-11-04"_s);
    EXPECT_EQ(since.code, 0);
    EXPECT_EQ(since.out.count(u"\r\n"_s), 1 + 2 + 1); // header, two rows, the note's break
    EXPECT_FALSE(since.out.contains(u"1997-11-03T"_s));
    const Result sinceTime = cmd(u"export --format csv --since 1997-11-04T18:35:00"_s);
    EXPECT_TRUE(sinceTime.out.contains(u"1997-11-04T18:40:00"_s));
    EXPECT_FALSE(sinceTime.out.contains(u"1997-11-04T18:31:00"_s));
}

TEST_F(HistoryCommandTest, ExportAsJsonToStandardOutputOrAFile)
{
    const Result result = cmd(u"export --format json"_s);
    EXPECT_EQ(result.code, 0);
    const QJsonArray rows = json(result).array();
    ASSERT_EQ(rows.size(), 5);
    EXPECT_EQ(compact(rows.at(1)),
              uR"({"durationSeconds":null,"end":null,"kind":"visit","location":null,)"
              uR"("note":"Read the handbook","query":"page=2","session":"1997-11-04T18:30:00",)"
              uR"("start":"1997-11-04T18:31:00","title":"Docs","url":"http://site/docs"})"_s);
    EXPECT_EQ(rows.at(2)[u"location"_s].toString(), u"http://site/docs/guide.pdf"_s);
    EXPECT_EQ(rows.at(4)[u"title"_s].toString(), u"Say \"shalom\" שלום"_s);
    // --json stands for --format json.
    EXPECT_EQ(cmd(u"export --json"_s).out, result.out);

    // To a file, which is its owner's alone; the data folder stays as it was.
    const QString outFile = m_dir.filePath(u"export.json"_s);
    const QMap<QString, QByteArray> data = snapshot(m_data);
    const Result toFile = run(words(u"export --format json --out"_s) << outFile);
    EXPECT_EQ(toFile.code, 0);
    EXPECT_EQ(toFile.out, QString());
    QFile file(outFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), result.out);
    EXPECT_EQ(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(snapshot(m_data), data);

    // Nothing is recorded yet: an empty array, and a CSV of the header alone.
    for (const QString &name : QDir(m_data).entryList({u"*.smf"_s}))
        QFile::remove(QDir(m_data).filePath(name));
    write(u"Ses.sms"_s, "0\r\n");
    const Result none = cmd(u"export --json"_s);
    EXPECT_EQ(none.code, 0);
    EXPECT_TRUE(json(none).array().isEmpty());
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
        {words(u"forget site"_s), 3},
        {{u"import-chromium"_s, m_dir.filePath(u"profile"_s)}, 3},
        {words(u"forget site --dry-run"_s), 0},
        {words(u"sites"_s), 0},
        {words(u"export --format csv"_s), 0},
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
    const Result forgot = tool(words(u"forget site"_s));
    EXPECT_EQ(forgot.code, 0) << forgot.err.toStdString();
    EXPECT_EQ(QDir(m_data).entryList(QDir::Files), (QStringList {u"0003.smf"_s, u"Ses.sms"_s}));
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
    const Result other = runAs(65534); // nobody
    EXPECT_EQ(other.code, 2) << other.err.toStdString();
    EXPECT_EQ(other.out, QString());
    EXPECT_TRUE(other.err.contains(u" cannot be read"_s)) << other.err.toStdString();
    EXPECT_FALSE(other.err.contains(u"private.example"_s));
}
