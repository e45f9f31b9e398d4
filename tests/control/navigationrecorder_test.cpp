#include "panelfixture.h"

#include "control/navigationrecorder.h"

#include "csession.h"
#include "ctreenodes.h"
#include "recordedurl.h"
#include "roamstore.h"
#include "timekey.h"
#include "views/outlinebuilder.h"

#include <QAbstractItemModel>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace {

class RecorderTest : public PanelFixture
{
protected:
    RoamPane1 &panelOnSites()
    {
        RoamPane1 &panel = makePanel();
        panel.TabStrip1()->setCurrentIndex(1);
        return panel;
    }

    CFilePtr record(const QString &url) { return m_panel->Store().Files.Item(url); }

    QStringList urls()
    {
        QStringList list;
        for (const CFilePtr &file : m_panel->Store().Files)
            list.append(file->URL());
        return list;
    }
};

// A page's record and those of its parent paths, keyed as RecordedUrl says, on disk at once.
TEST_F(RecorderTest, UrlsBecomeTheRecordsOfThePageAndItsParents)
{
    struct Row
    {
        const char *name;
        QStringList visited;
        QStringList keys;
    };
    const Row rows[] = {
        {"too short or no host",
         {u"http://abc"_s, u"HTTP:x"_s, u"https://abc"_s, u"https://"_s},
         {}},
        {"ftp keeps its scheme and no parents",
         {u"ftp://ftphost/pub/f.zip"_s},
         {u"ftp://ftphost/pub/f.zip"_s}},
        {"slashes in a query or a fragment make no parent",
         {u"http://site/s?u=b/c"_s, u"http://site/app/frag.html#/route/x"_s},
         {u"site"_s, u"site/app"_s, u"site/app/frag.html#/route/x"_s, u"site/s?u=b/c"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        emptyDataFolder();
        RoamPane1 &panel = panelOnSites();
        for (const QString &url : row.visited) {
            m_clock.advance(1);
            panel.SetUrl(url);
        }
        EXPECT_EQ(urls(), row.keys);
        EXPECT_EQ(QStringList(filesOnDisk().keys()), row.keys);
        for (const CFilePtr &file : panel.Store().Files) {
            EXPECT_EQ(file->Sessions.Item(1)->Session, panel.Store().SessionStart);
            EXPECT_EQ(file->Title, file->URL());
        }
        if (row.keys.isEmpty()) {
            EXPECT_TRUE(panel.Recorder().CurrentUrl().isEmpty());
        }
    }
    // The rest of a URL after "?" is the visit's query text; its parents have none.
    const auto disk = filesOnDisk();
    EXPECT_EQ(disk.value(u"site/s?u=b/c"_s)->Sessions.Item(1)->Param, u"u=b/c"_s);
    EXPECT_EQ(disk.value(u"site"_s)->Sessions.Item(1)->Param, QString());
}

TEST_F(RecorderTest, OpenVisitComparesCaseButRecordsIgnoreItAndTitlesOnlyChanges)
{
    RoamPane1 &panel = panelOnSites();
    panel.UrlName(u"Nothing open"_s);
    EXPECT_TRUE(panel.Recorder().CurrentTitle().isEmpty());
    panel.SetUrl(u"HTTP://host/"_s);
    m_clock.advance(5);
    panel.SetUrl(u"http://host"_s);
    EXPECT_EQ(record(u"host"_s)->Sessions.Count(), 1);
    m_clock.advance(5);
    const QDateTime second = m_clock.now();
    panel.SetUrl(u"http://HOST"_s);
    EXPECT_EQ(urls(), QStringList {u"host"_s});
    EXPECT_EQ(panel.Recorder().CurrentUrl(), u"HOST"_s);
    const CFilePtr onDisk = filesOnDisk().value(u"host"_s);
    ASSERT_EQ(onDisk->Sessions.Count(), 2);
    EXPECT_EQ(onDisk->Sessions.Item(1)->eTime, second);
    EXPECT_EQ(onDisk->Sessions.Item(2)->sTime, second);
    EXPECT_TRUE(isZeroDateTime(onDisk->Sessions.Item(2)->eTime));

    // Two visits of one site within a second keep the first entry.
    m_clock.advance(1);
    panel.SetUrl(u"http://site/s?u=b/c"_s);
    m_clock.advance(1);
    panel.SetUrl(u"http://site/app/frag.html#/route/x"_s);
    panel.SetUrl(u"http://site/other"_s);
    EXPECT_EQ(record(u"site"_s)->Sessions.Count(), 2);
    EXPECT_EQ(record(u"site"_s)->Sessions.Item(1)->Param, QString());
    m_clock.advance(1);
    panel.SetUrl(u"http://site/third"_s);
    EXPECT_EQ(filesOnDisk().value(u"site"_s)->Sessions.Count(), 3);

    // A title is saved only when it changes.
    panel.SetUrl(u"http://titled.example"_s);
    panel.UrlName(u"A \"quoted\" title"_s);
    const QString fileName = record(u"titled.example"_s)->FileName;
    EXPECT_EQ(filesOnDisk().value(u"titled.example"_s)->Title, u"A \"quoted\" title"_s);

    ASSERT_TRUE(QFile::remove(fileName));
    panel.UrlName(u"A \"quoted\" title"_s);
    EXPECT_FALSE(QFileInfo::exists(fileName));
    panel.UrlName(u"New"_s);
    EXPECT_TRUE(QFileInfo::exists(fileName));
}

TEST_F(RecorderTest, DownloadsNestUnderTheirSiteLikePages)
{
    RoamPane1 &panel = panelOnSites();
    panel.SetUrl(u"https://h/d/page.html"_s);
    m_clock.advance(1);
    panel.Activity(u"https://h/d/f.zip"_s);
    panel.Activity(u"https://h/d/f.zip"_s);
    EXPECT_EQ(urls(), (QStringList {u"h"_s, u"h/d"_s, u"h/d/f.zip"_s, u"h/d/page.html"_s}));
    const CFilePtr onDisk = filesOnDisk().value(u"h/d/f.zip"_s);
    ASSERT_EQ(onDisk->Activities.Count(), 1);
    const auto act = onDisk->Activities.Item(1);
    EXPECT_EQ(record(u"h/d/f.zip"_s)->Activities.Item(1)->Activity, u"Download f.zip"_s);
    EXPECT_EQ(act->Location, u"https://h/d/f.zip"_s);
    EXPECT_EQ(act->Key, m_clock.now());
    EXPECT_EQ(act->Session, panel.Store().SessionStart);
    // A download is not a page: the open page stays open, with its one visit.
    EXPECT_EQ(panel.Recorder().CurrentUrl(), u"h/d/page.html"_s);
    ASSERT_EQ(record(u"h/d/page.html"_s)->Sessions.Count(), 1);
    EXPECT_TRUE(isZeroDateTime(record(u"h/d/page.html"_s)->Sessions.Item(1)->eTime));

    m_clock.advance(1);
    panel.Activity(u"ftp://host/pub/g.zip"_s);
    EXPECT_TRUE(record(u"ftp://host/pub/g.zip"_s));
    EXPECT_FALSE(record(u"ftp://host/pub"_s));

    // A file the page made itself (blob:, data:) is an activity of that page, never a site.
    m_clock.advance(1);
    panel.PageActivity(u"https://h/d/page.html"_s, u"made.csv"_s);
    const CFilePtr page = filesOnDisk().value(u"h/d/page.html"_s);
    ASSERT_EQ(page->Activities.Count(), 1);
    EXPECT_EQ(record(u"h/d/page.html"_s)->Activities.Item(1)->Activity, u"Download made.csv"_s);
    EXPECT_EQ(page->Activities.Item(1)->Location, u"https://h/d/page.html"_s);
    EXPECT_EQ(page->Sessions.Count(), 1);
    // From a page not recorded yet (a tab in the background): the page gets its record.
    panel.PageActivity(u"http://other.example/gen"_s, QString());
    ASSERT_TRUE(record(u"other.example/gen"_s));
    EXPECT_EQ(record(u"other.example/gen"_s)->Activities.Item(1)->Activity, u"Download download"_s);

    // A download recorded with its scheme by an earlier version still loads and shows, beside
    // the new ones nested under their site.
    QFile old(QDir(dataFolder()).filePath(u"old.smf"_s));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("\"http://h/d/old.zip\",\"http://h/d/old.zip\",4\r\n0,1,\" \"\r\n"
              "\"A\",#2023-12-31 00:00:00#,\"http://h/d/old.zip\",#2023-12-31 00:00:05#\r\n");
    old.close();
    RoamPane1 &again = makePanel();
    for (const int tab : {3, 1}) {
        again.TabStrip1()->setCurrentIndex(tab);
        EXPECT_TRUE(node(u"http://h/d/old.zip"_s)) << tab;
        ASSERT_TRUE(node(u"h/d/f.zip"_s)) << tab;
    }
    EXPECT_EQ(OutlineTree::NodeKey(node(u"h/d/f.zip"_s)->parent()), u"h/d"_s);
}

TEST_F(RecorderTest, PauseFreezesEverythingUntilRecordResumes)
{
    RoamPane1 &panel = panelOnSites();
    panel.SetUrl(u"http://first.example"_s);
    panel.UrlName(u"First"_s);

    m_clock.advance(30);
    const QDateTime paused = m_clock.now();
    clickToolbarButton(1);
    EXPECT_FALSE(panel.ToolbarButton(1)->isEnabled());
    EXPECT_TRUE(panel.ToolbarButton(2)->isEnabled());
    // The open visit ends when the recording pauses.
    EXPECT_EQ(filesOnDisk().value(u"first.example"_s)->Sessions.Item(1)->eTime, paused);

    m_clock.advance(60);
    panel.SetUrl(u"http://second.example"_s);
    panel.UrlName(u"Second"_s);
    panel.Activity(u"http://h/d/f.zip"_s);
    EXPECT_EQ(urls(), QStringList {u"first.example"_s});
    EXPECT_EQ(panel.Recorder().CurrentUrl(), u"first.example"_s);
    EXPECT_EQ(panel.Recorder().CurrentTitle(), u"First"_s);

    // Resuming asks the host for the page shown, which starts a visit from now.
    QObject::connect(
        &panel, &RoamPane1::GetURL, &panel, [&] { panel.SetUrl(u"http://first.example"_s); });
    m_clock.advance(60);
    clickToolbarButton(2);
    EXPECT_TRUE(panel.ToolbarButton(1)->isEnabled());
    EXPECT_FALSE(panel.ToolbarButton(2)->isEnabled());
    const QDateTime resumed = m_clock.now();
    m_clock.advance(60);
    panel.SetUrl(u"http://second.example"_s);
    const CFilePtr first = filesOnDisk().value(u"first.example"_s);
    EXPECT_EQ(first->Title, u"First"_s);
    ASSERT_EQ(first->Sessions.Count(), 2);
    EXPECT_EQ(first->Sessions.Item(1)->eTime, paused);
    EXPECT_EQ(first->Sessions.Item(2)->sTime, resumed);
    EXPECT_EQ(first->Sessions.Item(2)->eTime, m_clock.now());
}

TEST_F(RecorderTest, FileNamesFollowTheClockAndNeverCollide)
{
    EXPECT_EQ(RecordedUrl::fileNameFor(QDateTime(QDate(1997, 11, 3), QTime(14, 5)), 12),
              u"30711314512.smf"_s);

    RoamPane1 &panel = panelOnSites();
    panel.SetUrl(u"http://xxxxx"_s);
    EXPECT_EQ(QFileInfo(record(u"xxxxx"_s)->FileName).fileName(), u"111001.smf"_s);
    m_clock.advance(1);
    panel.SetUrl(u"http://yyyyy"_s);
    const QString yName = record(u"yyyyy"_s)->FileName;
    EXPECT_EQ(QFileInfo(yName).fileName(), u"111002.smf"_s);

    // As a deletion leaves it: one record and its file gone, so the count repeats.
    ASSERT_TRUE(QFile::remove(record(u"xxxxx"_s)->FileName));
    ASSERT_TRUE(panel.Store().Files.Remove(u"xxxxx"_s));
    m_clock.advance(1);
    panel.SetUrl(u"http://zzzzz"_s);
    const QString zName = record(u"zzzzz"_s)->FileName;
    EXPECT_NE(zName, yName);
    const auto disk = filesOnDisk();
    EXPECT_EQ(QStringList(disk.keys()), (QStringList {u"yyyyy"_s, u"zzzzz"_s}));
    EXPECT_EQ(disk.value(u"yyyyy"_s)->FileName, yName);

    // A name given to a record whose file could not be written yet is not handed out again.
    ASSERT_TRUE(QFile::remove(zName));
    ASSERT_TRUE(panel.Store().Files.Remove(u"yyyyy"_s));
    m_clock.advance(1);
    panel.SetUrl(u"http://wwwww"_s);
    EXPECT_NE(record(u"wwwww"_s)->FileName, zName);
}

// What a crash leaves is read back as the next start would.
TEST_F(RecorderTest, FirstVisitWritesTheSessionsFile)
{
    RoamPane1 &panel = panelOnSites();
    RoamStore &store = panel.Store();
    EXPECT_FALSE(QFileInfo::exists(store.sessionsFileName()));
    m_clock.advance(30);
    panel.SetUrl(u"http://crash.example"_s);
    RoamStore reread(dataFolder(), m_clock);
    m_clock.advance(100);
    reread.LoadDataFolder();
    EXPECT_TRUE(reread.AllSessions.Item(timeKey(store.SessionStart)));
    EXPECT_EQ(reread.AllSessions.Count(), 2);

    m_clock.advance(10);
    panel.SetSession(true);
    RoamStore closed(dataFolder(), m_clock);
    closed.LoadDataFolder();
    EXPECT_EQ(closed.AllSessions.Item(timeKey(store.SessionStart))->eTime, m_clock.now());
}

TEST_F(RecorderTest, GrowsTheCurrentOutlineWhileItShows)
{
    RoamPane1 &panel = makePanel();
    for (const QString &url : {u"http://site/docs/intro.htm?lang=en"_s,
                               u"http://site/s?u=b/c"_s,
                               u"http://site/f.html#/route"_s,
                               u"ftp://ftphost/pub/f.zip"_s,
                               u"https://secure.example/x"_s,
                               u"http://site/docs/intro.htm?lang=en"_s}) {
        m_clock.advance(1);
        panel.SetUrl(url);
    }
    // Query and fragment slashes make no level; ftp keeps one node below the root, https
    // gets no scheme node; a page seen before keeps its one node.
    const QString root = OutlineTree::NodeKey(tree()->Node(1));
    const struct
    {
        QString key;
        QString parent;
        QString text;
    } nodes[] = {
        {u"site"_s, root, u"site"_s},
        {u"site/docs"_s, u"site"_s, u"docs"_s},
        {u"site/docs/intro.htm?lang=en"_s, u"site/docs"_s, u"intro.htm?lang=en"_s},
        {u"site/s?u=b/c"_s, u"site"_s, u"c"_s},
        {u"site/f.html#/route"_s, u"site"_s, u"route"_s},
        {u"ftp://ftphost/pub/f.zip"_s, root, u"f.zip"_s},
        {u"secure.example"_s, root, u"secure.example"_s},
        {u"secure.example/x"_s, u"secure.example"_s, u"x"_s},
    };
    EXPECT_EQ(tree()->Count(), 1 + int(std::size(nodes)));
    for (const auto &row : nodes) {
        SCOPED_TRACE(row.key.toStdString());
        OutlineNode *grown = node(row.key);
        ASSERT_NE(grown, nullptr);
        EXPECT_EQ(OutlineTree::NodeKey(grown->parent()), row.parent);
        EXPECT_EQ(OutlineTree::NodeText(grown), row.text);
        EXPECT_EQ(OutlineTree::NodeTag(grown), u"Sites"_s);
        EXPECT_EQ(OutlineTree::NodeImage(grown), 10);
        EXPECT_TRUE(grown->isExpanded());
    }
    CTreeNodes &records = panel.Builder().OutlineNodes();
    ASSERT_TRUE(records.Item(u"site/docs"_s));
    EXPECT_EQ(records.Item(u"site/docs"_s)->Index, tree()->IndexOf(u"site/docs"_s));
    EXPECT_EQ(records.Item(u"site/docs"_s)->Node, u"docs"_s);
    EXPECT_EQ(records.Item(u"site/s?u=b/c"_s)->URL, u"site/s?u=b/c"_s);

    // Another tab: no nodes.
    panel.TabStrip1()->setCurrentIndex(1);
    const int count = tree()->Count();
    m_clock.advance(1);
    panel.SetUrl(u"http://site/docs/intro.htm"_s);
    EXPECT_EQ(tree()->Count(), count);
    EXPECT_TRUE(record(u"site/docs/intro.htm"_s));
}

// The same browsing gives the same history whichever tab shows.
TEST_F(RecorderTest, EveryVisitIsRecordedWhicheverTabShows)
{
    for (const int tab : {0, 1}) {
        SCOPED_TRACE(tab);
        emptyDataFolder();
        RoamPane1 &panel = makePanel();
        panel.TabStrip1()->setCurrentIndex(tab);
        const QString steps[] = {
            u"http://site/a/page.html"_s,
            u"http://site/other.html"_s,
            u"http://site/a/page.html"_s, // back to a page seen before
            u"http://site/a/page.html"_s, // a reload adds nothing
            u"http://site/a"_s, // a folder page after one of its pages
            u"http://site/a/page.html"_s,
        };
        for (const QString &step : steps) {
            m_clock.advance(2);
            panel.SetUrl(step);
        }
        m_clock.advance(2);
        panel.SetSession(true);
        const QDateTime end = m_clock.now();

        const auto disk = filesOnDisk();
        const CFilePtr page = disk.value(u"site/a/page.html"_s);
        ASSERT_EQ(page->Sessions.Count(), 3);
        // Each visit ends when the next page starts; the last one when the session ends.
        std::vector<QDateTime> starts;
        for (const CSession &visit : page->Sessions) {
            starts.push_back(visit.sTime);
            EXPECT_GT(visit.eTime, visit.sTime);
        }
        std::sort(starts.begin(), starts.end());
        EXPECT_EQ(page->Sessions.Item(timeKey(starts.back()))->eTime, end);
        EXPECT_EQ(page->Sessions.Item(timeKey(starts.front()))->eTime, starts.front().addSecs(2));
        EXPECT_EQ(disk.value(u"site/other.html"_s)->Sessions.Count(), 1);
        // The folder page: its own visit besides those as a parent, ended by the next page.
        const CFilePtr folder = disk.value(u"site/a"_s);
        EXPECT_EQ(folder->Sessions.Count(), 4);
        EXPECT_EQ(folder->Sessions.Item(timeKey(starts.back().addSecs(-2)))->eTime, starts.back());

        // The Current outline grew without a second node for any key.
        if (tab == 0) {
            const QStringList keys = keysBelow();
            EXPECT_EQ(tree()->Count(), 5) << keys.join(u' ').toStdString();
            EXPECT_EQ(QSet<QString>(keys.cbegin(), keys.cend()).size(), keys.size());
        }
    }
}

TEST_F(RecorderTest, ReportsArrivingDuringAReportWaitForIt)
{
    RoamPane1 &panel = makePanel();
    bool sent = false;
    QObject::connect(panel.TreeView1()->model(), &QAbstractItemModel::rowsInserted, &panel, [&] {
        if (sent)
            return;
        sent = true;
        panel.SetUrl(u"http://second.example/page"_s);
        // Not handled yet: the first report is still being handled.
        EXPECT_EQ(panel.Recorder().CurrentUrl(), u"first.example/a/b"_s);
    });
    panel.SetUrl(u"http://first.example/a/b"_s);
    ASSERT_TRUE(sent);
    EXPECT_EQ(panel.Recorder().CurrentUrl(), u"second.example/page"_s);
    // The first page's nodes all came first, in one piece.
    QStringList added;
    for (int index = 2; index <= 5; ++index)
        added.append(OutlineTree::NodeKey(tree()->Node(index)));
    EXPECT_EQ(added.join(u' '),
              u"first.example first.example/a first.example/a/b second.example"_s);
    EXPECT_TRUE(record(u"first.example/a/b"_s));
    EXPECT_TRUE(record(u"second.example/page"_s));
}

} // namespace
