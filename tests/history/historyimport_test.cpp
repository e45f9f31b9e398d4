#include "historyfixture.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace {

// Microseconds since 1601-01-01 UTC, as the browser stores its times.
qint64 chromiumTime(const QDateTime &time, int extraMicros = 0)
{
    return (time.toSecsSinceEpoch() + 11644473600LL) * 1000000LL + extraMicros;
}

QDateTime at(int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute, second));
}

// A profile's "History" with the columns of the browser's tables that an import reads.
class HistoryDatabase final
{
public:
    explicit HistoryDatabase(const QString &fileName)
    {
        EXPECT_EQ(sqlite3_open(fileName.toUtf8().constData(), &m_db), SQLITE_OK);
        exec(u"CREATE TABLE urls(id INTEGER PRIMARY KEY, url LONGVARCHAR, title LONGVARCHAR, "
             u"last_visit_time INTEGER NOT NULL);"
             u"CREATE TABLE visits(id INTEGER PRIMARY KEY, url INTEGER NOT NULL, "
             u"visit_time INTEGER NOT NULL, from_visit INTEGER, transition INTEGER NOT NULL);"_s);
    }
    ~HistoryDatabase() { sqlite3_close(m_db); }

    /// Adds a visit of @p url, and its row in urls on first use.
    void visit(const QString &url, const QString &title, qint64 time, qint64 transition = 1)
    {
        if (!m_ids.contains(url)) {
            m_ids.insert(url, m_ids.size() + 1);
            exec(u"INSERT INTO urls VALUES(%1, '%2', '%3', %4)"_s.arg(m_ids.value(url))
                     .arg(url, title)
                     .arg(time));
        }
        exec(u"INSERT INTO visits(url, visit_time, from_visit, transition) VALUES(%1, %2, 0, %3)"_s
                 .arg(m_ids.value(url))
                 .arg(time)
                 .arg(transition));
    }

private:
    void exec(const QString &sql)
    {
        char *message = nullptr;
        EXPECT_EQ(sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message),
                  SQLITE_OK)
            << message;
        sqlite3_free(message);
    }

    sqlite3 *m_db = nullptr;
    QHash<QString, qint64> m_ids;
};

class HistoryImportTest : public HistoryFixture
{
protected:
    void SetUp() override
    {
        HistoryFixture::SetUp();
        ASSERT_TRUE(QDir().mkpath(m_profile));
    }

    QString historyFile() const { return QDir(m_profile).filePath(u"History"_s); }

    const QString m_profile = m_dir.filePath(u"Profile"_s);
};

} // namespace

TEST_F(HistoryImportTest, ImportRecordsAsTheRecorderWouldAndTwiceAddsNothing)
{
    m_settings->setNeverRecord({u"bank.example"_s, u"news.example/private"_s});
    {
        HistoryDatabase db(historyFile());
        db.visit(u"https://www.site.example/"_s, u"Site"_s, chromiumTime(at(4, 9, 0), 250));
        db.visit(u"https://www.site.example/docs/intro.html?lang=en"_s,
                 u"Intro"_s,
                 chromiumTime(at(4, 9, 5)));
        // A frame of that page, and the same page again: no visits of their own.
        db.visit(u"https://ads.example/frame"_s, u"ad"_s, chromiumTime(at(4, 9, 5, 1)), 3);
        db.visit(u"http://www.site.example/docs/intro.html?lang=en/"_s,
                 u"Intro"_s,
                 chromiumTime(at(4, 9, 6)),
                 0x30000000);
        db.visit(u"https://login.bank.example/account"_s, u"Bank"_s, chromiumTime(at(4, 9, 7)));
        db.visit(u"https://news.example/Private/x"_s, u"Secret"_s, chromiumTime(at(4, 9, 8)));
        db.visit(u"https://news.example/today"_s, u""_s, chromiumTime(at(4, 9, 10)));
        db.visit(u"http://abc"_s, u"too short"_s, chromiumTime(at(4, 9, 11)));
        // The next day: a session of its own.
        db.visit(u"https://www.site.example/"_s, u"Site"_s, chromiumTime(at(5, 20, 0)));
        db.visit(u"https://www.site.example/"_s, u"Site"_s, chromiumTime(at(5, 20, 30)), 8);
    }
    // A new data folder is made for the first import.
    m_data = m_dir.filePath(u"Fresh/Data"_s);
    const Result first = run({u"import-chromium"_s, m_profile});
    ASSERT_EQ(first.code, 0) << first.err.toStdString();
    EXPECT_EQ(first.out,
              u"imported 7 visits (5 new and 0 existing site records, 2 new browsing sessions) "
              u"from 10 browser visits; skipped 0 already recorded, 2 of the open page, 2 under "
              u"never-record rules, 2 frames and unrecorded URLs\n"_s);

    // The walk up from each page opens a visit of each parent, which stays open.
    EXPECT_EQ(
        snapshot(m_data),
        (QMap<QString, QByteArray> {
            {inData(u"6434901.smf"_s),
             crlf({R"("www.site.example","Site",0)",
                   R"(3,0," ")",
                   R"("S",#2024-03-04 09:00:00#,#2024-03-04 09:00:00#,#2024-03-04 09:05:00#,"")",
                   R"("S",#2024-03-04 09:00:00#,#2024-03-04 09:05:00#,#00:00:00#,"")",
                   R"("S",#2024-03-05 20:00:00#,#2024-03-05 20:00:00#,#00:00:00#,"")"})},
            // A page without a title keeps its URL as title, as the recorder leaves it.
            {inData(u"64349104.smf"_s),
             crlf({R"("news.example/today","news.example/today",1)",
                   R"(1,0," ")",
                   R"("S",#2024-03-04 09:00:00#,#2024-03-04 09:10:00#,#00:00:00#,"")"})},
            {inData(u"64349105.smf"_s),
             crlf({R"("news.example","news.example",0)",
                   R"(1,0," ")",
                   R"("S",#2024-03-04 09:00:00#,#2024-03-04 09:10:00#,#00:00:00#,"")"})},
            {inData(u"6434952.smf"_s),
             crlf({R"("www.site.example/docs/intro.html?lang=en","Intro",2)",
                   R"(1,0," ")",
                   R"("S",#2024-03-04 09:00:00#,#2024-03-04 09:05:00#,#2024-03-04 09:10:00#,)"
                   R"("lang=en")"})},
            {inData(u"6434953.smf"_s),
             crlf({R"("www.site.example/docs","www.site.example/docs",1)",
                   R"(1,0," ")",
                   R"("S",#2024-03-04 09:00:00#,#2024-03-04 09:05:00#,#00:00:00#,"")"})},
            {inData(u"Ses.sms"_s),
             crlf({"2",
                   "#2024-03-04 09:00:00#,#2024-03-04 09:10:00#",
                   "#2024-03-05 20:00:00#,#2024-03-05 20:30:00#"})},
        }));

    const auto after = snapshot(m_data);
    const Result second = run({u"import-chromium"_s, m_profile});
    EXPECT_EQ(second.code, 0);
    EXPECT_TRUE(second.out.startsWith(u"imported 0 visits (0 new and 0 existing"_s))
        << second.out.toStdString();
    EXPECT_EQ(snapshot(m_data), after);
}

TEST_F(HistoryImportTest, ImportMergesIntoExistingRecordsAndSessions)
{
    write(u"1.smf"_s,
          crlf({R"("www.site.example","My site",0)",
                R"(1,0,"my note")",
                R"("S",#2024-03-04 08:00:00#,#2024-03-04 09:00:00#,#2024-03-04 09:02:00#,"")"}));
    // Takes the name the first new record would get, which must then take a suffix.
    write(u"64349303.smf"_s, crlf({R"("elsewhere.example","Elsewhere",0)", R"(0,0," ")"}));
    write(u"Ses.sms"_s, crlf({"1", "#2024-03-04 08:00:00#,#2024-03-04 10:00:00#"}));
    // A profile with no History database, or one that is no database, changes nothing.
    const auto before = snapshot(m_data);
    const Result missing = run({u"import-chromium"_s, m_profile});
    EXPECT_EQ(missing.code, HistoryCommand::Failed);
    EXPECT_TRUE(missing.err.contains(u"no History database"_s)) << missing.err.toStdString();
    QFile junk(historyFile());
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("this is not a database at all, just some bytes of text");
    junk.close();
    EXPECT_EQ(run({u"import-chromium"_s, m_profile}).code, HistoryCommand::Failed);
    EXPECT_EQ(snapshot(m_data), before);
    ASSERT_TRUE(junk.remove());
    {
        HistoryDatabase db(historyFile());
        // Already recorded by the panel, within the same second.
        db.visit(u"https://www.site.example/"_s, u"Theirs"_s, chromiumTime(at(4, 9, 0), 400000));
        db.visit(u"https://www.site.example/a"_s, u"A"_s, chromiumTime(at(4, 9, 30)));
        db.visit(u"https://www.site.example/b"_s, u"B"_s, chromiumTime(at(4, 23, 0)));
    }
    const Result result = run({u"import-chromium"_s, m_profile});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();

    // Within the stored session a visit belongs to it; after its end it opens one for the day.
    // The record's own title and note stay; a taken name is not overwritten but suffixed.
    EXPECT_EQ(
        snapshot(m_data),
        (QMap<QString, QByteArray> {
            {inData(u"1.smf"_s),
             crlf({R"("www.site.example","My site",0)",
                   R"(3,0,"my note")",
                   R"("S",#2024-03-04 08:00:00#,#2024-03-04 09:00:00#,#2024-03-04 09:02:00#,"")",
                   R"("S",#2024-03-04 08:00:00#,#2024-03-04 09:30:00#,#00:00:00#,"")",
                   R"("S",#2024-03-04 23:00:00#,#2024-03-04 23:00:00#,#00:00:00#,"")"})},
            {inData(u"64342304.smf"_s),
             crlf({R"("www.site.example/b","B",1)",
                   R"(1,0," ")",
                   R"("S",#2024-03-04 23:00:00#,#2024-03-04 23:00:00#,#00:00:00#,"")"})},
            {inData(u"64349303.smf"_s),
             crlf({R"("elsewhere.example","Elsewhere",0)", R"(0,0," ")"})},
            {inData(u"64349303_1.smf"_s),
             crlf({R"("www.site.example/a","A",1)",
                   R"(1,0," ")",
                   R"("S",#2024-03-04 08:00:00#,#2024-03-04 09:30:00#,#00:00:00#,"")"})},
            {inData(u"Ses.sms"_s),
             crlf({"2",
                   "#2024-03-04 08:00:00#,#2024-03-04 10:00:00#",
                   "#2024-03-04 23:00:00#,#2024-03-04 23:00:00#"})},
        }));
}
