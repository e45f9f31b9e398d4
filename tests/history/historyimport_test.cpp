#include "historyfixture.h"

#include "cfile.h"
#include "clock.h"
#include "roamstore.h"

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

    std::unique_ptr<RoamStore> load()
    {
        auto store = std::make_unique<RoamStore>(m_data, Clock::system());
        store->ReadDataFolder();
        return store;
    }

    QString historyFile() const { return QDir(m_profile).filePath(u"History"_s); }
    QString inData(const QString &name) const { return QDir(m_data).filePath(name); }

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

    const auto store = load();
    ASSERT_EQ(store->Files.Count(), 5);
    QStringList urls;
    for (const CFilePtr &file : store->Files)
        urls << file->URL();
    EXPECT_EQ(urls,
              QStringList({u"news.example"_s,
                           u"news.example/today"_s,
                           u"www.site.example"_s,
                           u"www.site.example/docs"_s,
                           u"www.site.example/docs/intro.html?lang=en"_s}));

    const CFilePtr home = store->Files.Item(u"www.site.example"_s);
    EXPECT_EQ(home->Title, u"Site"_s);
    EXPECT_EQ(QFileInfo(home->FileName).fileName(), u"6434901.smf"_s);
    ASSERT_EQ(home->Sessions.Count(), 3);
    const auto opened = home->Sessions.Item(u"2024-03-04 09:00:00"_s);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->eTime, at(4, 9, 5));
    EXPECT_EQ(opened->Session, at(4, 9, 0));
    // The parent's visit made by the walk stays open.
    EXPECT_TRUE(isZeroDateTime(home->Sessions.Item(u"2024-03-04 09:05:00"_s)->eTime));
    const auto nextDay = home->Sessions.Item(u"2024-03-05 20:00:00"_s);
    ASSERT_TRUE(nextDay);
    EXPECT_EQ(nextDay->Session, at(5, 20, 0));

    const CFilePtr page = store->Files.Item(u"www.site.example/docs/intro.html?lang=en"_s);
    EXPECT_EQ(page->Title, u"Intro"_s);
    ASSERT_EQ(page->Sessions.Count(), 1);
    EXPECT_EQ((*page->Sessions.begin()).Param, u"lang=en"_s);
    EXPECT_EQ((*page->Sessions.begin()).eTime, at(4, 9, 10));
    const CFilePtr docs = store->Files.Item(u"www.site.example/docs"_s);
    EXPECT_EQ(docs->Title, u"www.site.example/docs"_s);
    EXPECT_EQ(docs->Level(), 1);
    // A page without a title keeps its URL as title, as the recorder leaves it.
    EXPECT_EQ(store->Files.Item(u"news.example/today"_s)->Title, u"news.example/today"_s);

    ASSERT_EQ(store->AllSessions.Count(), 2);
    EXPECT_EQ(store->AllSessions.Item(u"2024-03-04 09:00:00"_s)->eTime, at(4, 9, 10));
    EXPECT_EQ(store->AllSessions.Item(u"2024-03-05 20:00:00"_s)->eTime, at(5, 20, 30));

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

    const auto store = load();
    const CFilePtr home = store->Files.Item(u"www.site.example"_s);
    EXPECT_EQ(home->Title, u"My site"_s);
    EXPECT_EQ(home->Note, u"my note"_s);
    ASSERT_EQ(home->Sessions.Count(), 3);
    const auto own = home->Sessions.Item(u"2024-03-04 09:00:00"_s);
    EXPECT_EQ(own->eTime, at(4, 9, 2));
    EXPECT_EQ(own->Session, at(4, 8, 0));
    // Within the stored session: it belongs to it. After its end: a new one for the day.
    EXPECT_EQ(home->Sessions.Item(u"2024-03-04 09:30:00"_s)->Session, at(4, 8, 0));
    EXPECT_EQ(home->Sessions.Item(u"2024-03-04 23:00:00"_s)->Session, at(4, 23, 0));
    EXPECT_EQ(store->Files.Item(u"www.site.example/a"_s)->FileName,
              QDir(m_data).filePath(u"64349303_1.smf"_s));
    EXPECT_EQ(QFileInfo(store->Files.Item(u"www.site.example/b"_s)->FileName).fileName(),
              u"64342304.smf"_s);
    EXPECT_EQ(store->Files.Item(u"elsewhere.example"_s)->Title, u"Elsewhere"_s);

    ASSERT_EQ(store->AllSessions.Count(), 2);
    EXPECT_EQ(store->AllSessions.Item(u"2024-03-04 08:00:00"_s)->eTime, at(4, 10, 0));
    EXPECT_EQ(store->AllSessions.Item(u"2024-03-04 23:00:00"_s)->eTime, at(4, 23, 0));
    EXPECT_TRUE(snapshot(m_data)
                    .value(inData(u"Ses.sms"_s))
                    .startsWith("2\r\n#2024-03-04 08:00:00#,#2024-03-04 10:00:00#\r\n"));
}
