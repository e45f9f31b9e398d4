#include "resources/biditext.h"
#include "views/outlinebuilder.h"
#include "views/outlinetab.h"
#include "views/outlinetree.h"
#include "views/parentstack.h"
#include "views/waitcursor.h"

#include "cfile.h"
#include "clock.h"
#include "roamstore.h"
#include "timekey.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QDateTime running(QDate(2024, 3, 4), QTime(9, 5, 0));
const QDateTime older(QDate(1997, 11, 3), QTime(14, 5, 0));
const QDateTime oldest(QDate(1997, 11, 2), QTime(8, 0, 0));

struct Visit
{
    QDateTime session;
    QDateTime start;
};

class OutlineBuilderTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    // Writes a site file the way the recorder leaves it.
    void writeSite(const QString &url,
                   const QString &title,
                   const QList<Visit> &visits = {{running, running}},
                   const QList<QDateTime> &downloads = {})
    {
        CFile file;
        file.SetURL(url);
        file.Title = title;
        for (const Visit &visit : visits) {
            auto entry = std::make_shared<CSession>();
            entry->Session = visit.session;
            entry->sTime = visit.start;
            file.Sessions.Add(*entry);
        }
        for (const QDateTime &time : downloads) {
            auto act = std::make_shared<CActivity>();
            act->Session = running;
            act->Location = url;
            act->Key = time;
            file.Activities.Add(*act);
        }
        file.FileName = m_dir.filePath(u"site%1.smf"_s.arg(++m_fileCount));
        ASSERT_TRUE(file.Save());
    }

    void writeSessions(const QList<QDateTime> &starts)
    {
        CSessions sessions;
        for (const QDateTime &start : starts) {
            auto session = std::make_shared<CSession>();
            session->sTime = start;
            session->eTime = start.addSecs(600);
            sessions.Add(session, timeKey(start));
        }
        QFile file(m_dir.filePath(u"Ses.sms"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RoamStore::sessionsBytes(sessions));
    }

    void load()
    {
        m_store = std::make_unique<RoamStore>(m_dir.path(), m_clock);
        m_store->SessionStart = running;
        m_store->LoadDataFolder();
        m_builder = std::make_unique<OutlineBuilder>(m_tree, *m_store);
    }

    void markVisited(const QStringList &urls)
    {
        for (const QString &url : urls)
            m_store->Files.Item(url)->SetVisited(true);
    }

    // What a tab click does: empty the tree, add the root, build.
    void build(const QString &tag)
    {
        m_tree.Clear();
        m_builder->AddRootNode(tag, outlineTabImage(tag));
        m_builder->BuildOutline(tag);
    }

    // One line per node in display order: index, text, key, Tag, image, "+" when expanded.
    std::string shape() const
    {
        QString out;
        for (int i = 0; i < m_tree.topLevelItemCount(); ++i)
            dump(m_tree.topLevelItem(i), 0, out);
        return out.toStdString();
    }

    static void dump(const OutlineNode *node, int depth, QString &out)
    {
        out += QString(depth * 2, u' ')
               + u"%1 '%2' [%3] %4 %5%6\n"_s.arg(OutlineTree::NodeIndex(node))
                     .arg(OutlineTree::NodeText(node),
                          OutlineTree::NodeKey(node),
                          OutlineTree::NodeTag(node))
                     .arg(OutlineTree::NodeImage(node))
                     .arg(node->isExpanded() ? u" +"_s : QString());
        for (int i = 0; i < node->childCount(); ++i)
            dump(node->child(i), depth + 1, out);
    }

    // Every node but the root has its record under its key, matching the node.
    void expectRecordsMatchTree()
    {
        CTreeNodes &records = m_builder->OutlineNodes();
        EXPECT_EQ(records.Count(), m_tree.Count() - 1);
        for (int i = 2; i <= m_tree.Count(); ++i) {
            const OutlineNode *node = m_tree.Node(i);
            const CTreeNodePtr record = records.Item(OutlineTree::NodeKey(node));
            ASSERT_TRUE(record) << OutlineTree::NodeKey(node).toStdString();
            EXPECT_EQ(record->Index, i);
            EXPECT_EQ(record->Node, OutlineTree::NodeText(node));
            EXPECT_TRUE(record->Key.isEmpty());
        }
    }

    QTemporaryDir m_dir;
    int m_fileCount = 0;
    ManualClock m_clock {running};
    std::unique_ptr<RoamStore> m_store;
    OutlineTree m_tree;
    std::unique_ptr<OutlineBuilder> m_builder;
};

TEST(OutlineTab, TableOfTabs)
{
    QStringList tags;
    for (const OutlineTab &tab : OutlineTabs)
        tags << tab.Tag.toString();
    EXPECT_EQ(
        tags,
        (QStringList {
            u"Current"_s, u"Sites"_s, u"Chrono"_s, u"Activities"_s, u"Query"_s, u"Options"_s}));
    EXPECT_EQ(outlineTabImage(u"Current"), 1);
    EXPECT_EQ(outlineTabImage(u"Sites"), 6);
    EXPECT_EQ(outlineTabImage(u"Chrono"), 3);
    EXPECT_EQ(outlineTabImage(u"Activities"), 4);
    EXPECT_EQ(outlineTabImage(u"Query"), 8);
    EXPECT_EQ(outlineTabImage(u"Options"), 7);
    EXPECT_EQ(outlineTabImage(u"sites"), 0);
    EXPECT_EQ(OutlineTabs[4].CaptionId, 55);
}

TEST_F(OutlineBuilderTest, SitesNestByPathInKeyOrder)
{
    writeSite(u"site/x"_s, u"X"_s);
    writeSite(u"site/docs/intro.htm"_s, u"Intro"_s);
    writeSite(u"other"_s, u"Other"_s);
    writeSite(u"site/docs"_s, u"Docs"_s);
    writeSite(u"site"_s, u"Site"_s);
    load();
    markVisited({u"other"_s, u"site"_s, u"site/docs"_s, u"site/docs/intro.htm"_s, u"site/x"_s});

    m_tree.SetLabelEditing(true);
    build(u"Sites"_s);
    EXPECT_EQ(shape(),
              "1 'Sites' [] none 6 +\n"
              "  2 'Other' [other] Sites 10\n"
              "  3 'Site' [site] Sites 10\n"
              "    4 'Docs' [site/docs] Sites 10 +\n"
              "      5 'Intro' [site/docs/intro.htm] Sites 10 +\n"
              "    6 'X' [site/x] Sites 10 +\n");
    EXPECT_TRUE(m_tree.TopLevelSorting());
    EXPECT_FALSE(OutlineTree::ChildSorting(m_tree.Node(1)));
    // Texts come from the records: a built outline cannot be edited in place.
    EXPECT_FALSE(m_tree.LabelEditing());
    expectRecordsMatchTree();
    const CTreeNodePtr intro = m_builder->OutlineNodes().Item(u"site/docs/intro.htm"_s);
    ASSERT_TRUE(intro);
    EXPECT_EQ(intro->URL, u"site/docs/intro.htm"_s);
    EXPECT_EQ(intro->Title, u"Intro"_s);
    EXPECT_EQ(m_builder->CurrentNode(), m_tree.Node(6));

    // A rebuild replaces the records; a removed node is no longer the current one.
    build(u"Sites"_s);
    EXPECT_EQ(m_builder->OutlineNodes().Count(), 5);
    m_tree.Remove(6);
    EXPECT_EQ(m_builder->CurrentNode(), nullptr);
}

TEST_F(OutlineBuilderTest, SitesWithUrlsShowTheLastPathStep)
{
    writeSite(u"host"_s, u"Host page"_s);
    writeSite(u"host/dir/"_s, u"Dir"_s);
    writeSite(u"host/dir/page.htm?a=1"_s, u"Page"_s);
    load();
    m_builder->SetUrlOrDescChoice(1);
    build(u"Sites"_s);
    EXPECT_EQ(shape(),
              "1 'Sites' [] none 6 +\n"
              "  2 'host' [host] Sites 11\n"
              "    3 '' [host/dir/] Sites 11 +\n"
              "      4 'page.htm?a=1' [host/dir/page.htm?a=1] Sites 11 +\n");
    expectRecordsMatchTree();
    const CTreeNodePtr dir = m_builder->OutlineNodes().Item(u"host/dir/"_s);
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->Node, QString());
    EXPECT_EQ(dir->Title, u"Dir"_s);
    EXPECT_EQ(dir->URL, u"host/dir/"_s);
}

TEST_F(OutlineBuilderTest, NestingDeepLevelsAndUnrelatedPrefixes)
{
    // 'a/b/c/d' is deeper than the stack reaches: it is nested as if its level were the
    // stack's top, under 'a'. 'ab/x' starts with 'a' but is no path below it, and 'site2/y'
    // has lost its parent record: both hang under the root.
    writeSite(u"a"_s, u"A"_s);
    writeSite(u"a/b/c/d"_s, u"D"_s);
    writeSite(u"a/b/c/d/e"_s, u"E"_s);
    writeSite(u"a/b/x"_s, u"X"_s);
    writeSite(u"ab/x"_s, u"ABX"_s);
    writeSite(u"site"_s, u"Site"_s);
    writeSite(u"site2/y"_s, u"Y"_s);
    load();
    build(u"Sites"_s);
    EXPECT_EQ(shape(),
              "1 'Sites' [] none 6 +\n"
              "  2 'A' [a] Sites 11\n"
              "    3 'D' [a/b/c/d] Sites 11 +\n"
              "      4 'E' [a/b/c/d/e] Sites 11 +\n"
              "    5 'X' [a/b/x] Sites 11 +\n"
              "  6 'ABX' [ab/x] Sites 11 +\n"
              "  7 'Site' [site] Sites 11\n"
              "  8 'Y' [site2/y] Sites 11 +\n");
}

TEST_F(OutlineBuilderTest, ActivitiesShowSitesWithDownloads)
{
    const QDateTime at = running.addSecs(30);
    writeSite(u"other"_s, u"Other"_s, {{running, running}}, {at});
    writeSite(u"site"_s, u"Site"_s);
    writeSite(u"site/file.zip"_s, u"file.zip"_s, {{running, running}}, {at, at.addSecs(60)});
    writeSite(u"sit"_s, u"Sit"_s, {{running, running}}, {at});
    load();
    markVisited({u"other"_s});
    build(u"Activities"_s);
    // Each download by its file's name, under its host even when the host has none.
    EXPECT_EQ(shape(),
              "1 'Activities' [] none 4 +\n"
              "  2 'other' [other] Sites 10\n"
              "  3 'sit' [sit] Sites 11\n"
              "  4 'Site' [site] Sites 11 +\n"
              "    5 'file.zip' [site/file.zip] Sites 11 +\n");
    expectRecordsMatchTree();
    // Beside the name, the time of the last download; the host shows its title alone.
    const auto shown = [this](int index) {
        return m_tree.Nodes().indexOf(m_tree.Node(index)).data(Qt::DisplayRole).toString();
    };
    EXPECT_EQ(shown(5), u"file.zip \u00B7 04 Mar 2024 9:06"_s);
    EXPECT_EQ(shown(4), u"Site"_s);
}

TEST_F(OutlineBuilderTest, CurrentShowsSitesWhoseNewestVisitIsInTheRunningSession)
{
    writeSessions({older});
    writeSite(u"both"_s, u"Both"_s, {{older, older}, {running, running.addSecs(5)}});
    writeSite(u"both/page"_s, u"Page"_s, {{running, running.addSecs(5)}});
    writeSite(u"earlier"_s, u"Earlier"_s, {{older, older}});
    writeSite(u"never"_s, u"Never"_s, {});
    writeSite(u"returned"_s, u"Returned"_s, {{running, running}, {older, running.addSecs(9)}});
    load();
    build(u"Current"_s);
    EXPECT_EQ(shape(),
              "1 'Current' [] none 1 +\n"
              "  2 'Both' [both] Sites 11\n"
              "    3 'Page' [both/page] Sites 11 +\n");
    expectRecordsMatchTree();
}

TEST_F(OutlineBuilderTest, ChronoListsSessionsNewestFirstAndDropsEmptyOnes)
{
    const QDateTime empty = older.addSecs(3600);
    writeSessions({oldest, older, empty});
    writeSite(u"site"_s, u"Site"_s, {{older, older}, {oldest, oldest}});
    writeSite(u"site/a"_s, u"A"_s, {{older, older.addSecs(1)}});
    writeSite(u"site/b"_s, u"B"_s, {{oldest, oldest.addSecs(1)}, {older, older.addSecs(2)}});
    writeSite(u"zz"_s, u"ZZ"_s, {{older, older.addSecs(9)}});
    load();
    markVisited({u"site/a"_s});
    ASSERT_EQ(m_store->AllSessions.Count(), 4);

    build(u"Chrono"_s);
    EXPECT_EQ(shape(),
              "1 'Chrono' [] none 3 +\n"
              "  2 'Monday 04 Mar 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n"
              "  3 'Monday 03 Nov 1997 15:05' [1997-11-03 15:05:00] Sessions 3\n"
              "  4 'Monday 03 Nov 1997 14:05' [1997-11-03 14:05:00] Sessions 3\n"
              "    5 'Site' [site#1997-11-03 14:05:00] Sites 11\n"
              "      6 'A' [site/a#1997-11-03 14:05:00] Sites 10 +\n"
              "      7 'B' [site/b#1997-11-03 14:05:00] Sites 11 +\n"
              "    8 'ZZ' [zz#1997-11-03 14:05:00] Sites 11\n"
              "  9 'Sunday 02 Nov 1997 8:00' [1997-11-02 08:00:00] Sessions 3\n"
              "    10 'Site' [site#1997-11-02 08:00:00] Sites 11\n"
              "      11 'B' [site/b#1997-11-02 08:00:00] Sites 11 +\n");
    EXPECT_FALSE(m_tree.TopLevelSorting());
    expectRecordsMatchTree();
    const CTreeNodePtr session = m_builder->OutlineNodes().Item(u"1997-11-03 14:05:00"_s);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->URL, u"Monday 03 Nov 1997 14:05"_s);
    EXPECT_EQ(session->Title, u"Monday 03 Nov 1997 14:05"_s);
    const CTreeNodePtr site = m_builder->OutlineNodes().Item(u"site/b#1997-11-02 08:00:00"_s);
    ASSERT_TRUE(site);
    EXPECT_EQ(site->URL, u"site/b"_s);

    // The empty old session is gone from memory, the running one stays although nothing has
    // been recorded in it yet.
    ASSERT_EQ(m_store->AllSessions.Count(), 3);
    EXPECT_EQ(m_store->AllSessions.Key(1), timeKey(oldest));
    EXPECT_EQ(m_store->AllSessions.Key(2), timeKey(older));
    EXPECT_EQ(m_store->AllSessions.Key(3), timeKey(running));
}

TEST_F(OutlineBuilderTest, ChronoShowsVisitOrderPageCountsAndLengths)
{
    // Two sessions in the same minute, the later one with its pages visited out of URL order.
    const QDateTime sameMinute = older.addSecs(20);
    writeSessions({older, sameMinute});
    writeSite(u"b"_s, u"B"_s, {{sameMinute, sameMinute.addSecs(1)}});
    writeSite(u"a"_s, u"A"_s, {{sameMinute, sameMinute.addSecs(5)}, {older, older}});
    writeSite(u"c"_s, u"C"_s, {{sameMinute, sameMinute}});
    writeSite(u"b/x"_s, u"X"_s, {{sameMinute, sameMinute.addSecs(3)}});
    load();
    build(u"Chrono"_s);
    m_tree.Nodes().FillAll();
    EXPECT_EQ(shape(),
              "1 'Chrono' [] none 3 +\n"
              "  2 'Monday 04 Mar 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n"
              "  3 'Monday 03 Nov 1997 14:05:20' [1997-11-03 14:05:20] Sessions 3\n"
              "    4 'C' [c#1997-11-03 14:05:20] Sites 11\n"
              "    5 'B' [b#1997-11-03 14:05:20] Sites 11\n"
              "      6 'X' [b/x#1997-11-03 14:05:20] Sites 11 +\n"
              "    7 'A' [a#1997-11-03 14:05:20] Sites 11\n"
              "  8 'Monday 03 Nov 1997 14:05:00' [1997-11-03 14:05:00] Sessions 3\n"
              "    9 'A' [a#1997-11-03 14:05:00] Sites 11\n");
    expectRecordsMatchTree();
    // The summary shows, the node's text stays the session's time.
    const auto shown = [this](int index) {
        return m_tree.Nodes().indexOf(m_tree.Node(index)).data(Qt::DisplayRole).toString();
    };
    EXPECT_EQ(shown(3), u"Monday 03 Nov 1997 14:05:20 (4 pages, 0:10:00)"_s);
    EXPECT_EQ(shown(8), u"Monday 03 Nov 1997 14:05:00 (1 page, 0:10:00)"_s);
    // The running session has not ended: no length, and no pages yet.
    EXPECT_EQ(shown(2), u"Monday 04 Mar 2024 9:05"_s);
    // In a Hebrew tree the numbers keep apart from the parentheses and the date; the root
    // shows its tab's caption.
    m_tree.setLayoutDirection(Qt::RightToLeft);
    m_builder->SetLangOffset(500);
    build(u"Chrono"_s);
    const QChar lri = BidiText::LeftToRightIsolate;
    const QChar pdi = BidiText::PopDirectionalIsolate;
    EXPECT_TRUE(
        shown(3).endsWith(u" ("_s + lri + u"4" + pdi + u" דפים, " + lri + u"0:10:00" + pdi + u')'));
    EXPECT_EQ(shown(1), u"תאריך"_s);
    m_tree.setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(m_builder->SessionSummary(3, older, older.addSecs(3725)), u" (3 דפים, 1:02:05)"_s);
    EXPECT_EQ(m_builder->SessionSummary(2, older, zeroDateTime()), u" (2 דפים)"_s);
}

TEST_F(OutlineBuilderTest, ChronoInHebrew)
{
    load();
    m_builder->SetLangOffset(500);
    EXPECT_EQ(m_builder->SessionText(older), u"יום שני 03 נוב׳ 1997 14:05"_s);
    m_builder->SetLangOffset(0);
    EXPECT_EQ(m_builder->SessionText(older), u"Monday 03 Nov 1997 14:05"_s);
}

TEST_F(OutlineBuilderTest, EmptyStoreShowsRootsAndRestoresTheCursor)
{
    writeSessions({older});
    load();
    for (const QString &tag : {u"Sites"_s, u"Current"_s, u"Activities"_s}) {
        build(tag);
        EXPECT_EQ(m_tree.Count(), 1) << tag.toStdString();
        EXPECT_TRUE(m_tree.Node(1)->isExpanded());
        EXPECT_EQ(m_builder->OutlineNodes().Count(), 0);
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    }
    // Chrono stops after the newest session; nothing is dropped.
    build(u"Chrono"_s);
    EXPECT_EQ(shape(),
              "1 'Chrono' [] none 3 +\n"
              "  2 'Monday 04 Mar 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n");
    EXPECT_EQ(m_store->AllSessions.Count(), 2);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OutlineBuilderTest, BuildsRunUnderTheHourglass)
{
    writeSite(u"site"_s, u"Site"_s);
    load();
    // Icons are asked for as nodes are added: note the pointer at each request.
    QList<std::pair<int, bool>> requests;
    m_tree.SetImageProvider([&requests](int image) {
        const QCursor *cursor = QGuiApplication::overrideCursor();
        requests.append({image, cursor && cursor->shape() == Qt::WaitCursor});
        return QIcon();
    });
    build(u"Chrono"_s);
    EXPECT_EQ(requests, (QList<std::pair<int, bool>> {{3, false}, {11, true}}));
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(OutlineBuilderTest, OtherTagsOnlyFinish)
{
    writeSite(u"site"_s, u"Site"_s);
    load();
    build(u"Sites"_s);
    m_tree.Node(1)->setExpanded(false);
    m_builder->BuildOutline(u"Query"_s);
    EXPECT_EQ(m_tree.Count(), 2);
    EXPECT_EQ(m_builder->OutlineNodes().Count(), 1);
    EXPECT_TRUE(m_tree.Node(1)->isExpanded());
}

// Sites adds the nodes below each top-level node when first looked at; Current, which the
// recorder grows, adds them at once. With every site in the running session both hold the
// same sites, so they must come out the same, also when a lookup by key comes first.
TEST_F(OutlineBuilderTest, SitesFilledInLaterMatchTheOutlineBuiltAtOnce)
{
    struct Row
    {
        QStringList urls;
        QString lookedUpFirst;
    };
    const QList<Row> rows {
        {{u"site"_s,
          u"site/docs"_s,
          u"site/docs/intro.htm"_s,
          u"site/x"_s,
          u"other"_s,
          u"other/a/"_s,
          u"other/a/b"_s},
         u"site/docs/intro.htm"_s},
        // 'h-x/y/z' hangs under the root between two sites of 'h': built at once.
        {{u"h"_s, u"h-x/y/z"_s, u"h/z"_s, u"h/z/q"_s}, u"h/z/q"_s},
        {{u"a/b/c"_s, u"a/b/c/d"_s, u"b"_s, u"b/c"_s}, u"b/c"_s},
    };
    const auto outline = [this](const QString &tag, const QString &first) {
        build(tag);
        const int found = m_tree.IndexOf(first);
        QStringList lines {QString::number(found)};
        for (int i = 2; i <= m_tree.Count(); ++i) {
            const OutlineNode *node = m_tree.Node(i);
            lines << u"%1 %2 <%3> %4%5"_s.arg(i)
                         .arg(OutlineTree::NodeKey(node))
                         .arg(OutlineTree::NodeIndex(node->parent()))
                         .arg(OutlineTree::NodeText(node))
                         .arg(node->isExpanded() ? u" +"_s : QString());
        }
        return lines;
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.urls.join(u' ').toStdString());
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        for (const QString &url : row.urls)
            writeSite(url, url.toUpper());
        load();
        const QStringList sites = outline(u"Sites"_s, row.lookedUpFirst);
        EXPECT_NE(sites.first(), u"0"_s);
        EXPECT_EQ(sites, outline(u"Current"_s, row.lookedUpFirst));
        EXPECT_EQ(m_builder->OutlineNodes().Count(), int(row.urls.size()));
    }
}

TEST(WaitCursor, ShowsTheHourglassWhileItLives)
{
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        const WaitCursor outer;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        {
            const WaitCursor inner;
        }
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace

namespace {

TEST(ParentStack, PrefixRules)
{
    OutlineTree tree;
    tree.Add(0, QString(), u"root"_s, 8);
    const int byKey = tree.Add(1, u"site#2024-03-04 09:05:00"_s, u"site"_s, 10);
    const int blank = tree.Add(1, u" other #x"_s, u"other"_s, 10);

    // The outlines read a parent's URL from its key up to "#"; a blank before the "#" stays
    // part of it, so nothing matches it.
    ParentStack outline(tree);
    outline.Reset(1);
    outline.Place(0, byKey);
    EXPECT_EQ(outline.ParentFor(u"site/a"_s, 1), byKey);
    outline.Place(0, blank);
    EXPECT_EQ(outline.ParentFor(u"other/a"_s, 1), 1);
    EXPECT_EQ(outline.Entries(), (std::vector<int> {1, blank}));

    // The query reads it from the node's text as it stands.
    const int byText = tree.Add(1, u"k"_s, u"host/dir"_s, 10);
    ParentStack query(tree, ParentStack::Prefix::NodeText);
    query.Reset(1);
    query.Place(1, byText);
    EXPECT_EQ(query.ParentFor(u"host/dir/page"_s, 2), byText);
    EXPECT_EQ(query.ParentFor(u"host/dirt/page"_s, 2), 1);
}

TEST_F(OutlineBuilderTest, NodesShowTheirTextsWholeInEitherDirection)
{
    // A path ending in a Hebrew word, percent-escaped as the browser sends it.
    const QString url = u"127.0.0.1:8377/blog/2024/%D7%A9%D7%9C%D7%95%D7%9D"_s;
    writeSite(url, u"Blog 2024"_s);
    load();
    const QChar lri = BidiText::LeftToRightIsolate;
    const QChar fsi = BidiText::FirstStrongIsolate;
    const QChar pdi = BidiText::PopDirectionalIsolate;
    struct Row
    {
        Qt::LayoutDirection direction;
        int urlsShown;
        QString stored;
        QString shown;
    };
    const Row rows[] = {
        {Qt::RightToLeft, 1, u"%D7%A9%D7%9C%D7%95%D7%9D"_s, lri + u"שלום"_s + pdi},
        {Qt::RightToLeft, 0, u"Blog 2024"_s, fsi + u"Blog 2024"_s + pdi},
        {Qt::LeftToRight, 1, u"%D7%A9%D7%9C%D7%95%D7%9D"_s, u"שלום"_s},
        {Qt::LeftToRight, 0, u"Blog 2024"_s, u"Blog 2024"_s},
    };
    for (const Row &row : rows) {
        m_tree.setLayoutDirection(row.direction);
        m_builder->SetLangOffset(row.direction == Qt::RightToLeft ? 500 : 0);
        m_builder->SetUrlOrDescChoice(row.urlsShown);
        build(u"Sites"_s);
        OutlineNode *node = m_tree.NodeByKey(url);
        ASSERT_TRUE(node);
        const QModelIndex index = m_tree.Nodes().indexOf(node);
        SCOPED_TRACE(row.stored.toStdString());
        EXPECT_EQ(index.data(Qt::DisplayRole).toString(), row.shown);
        // Only the display changes: the node keeps the recorded text and key.
        EXPECT_EQ(OutlineTree::NodeText(node), row.stored);
        EXPECT_EQ(OutlineTree::NodeKey(node), url);
        // Typing in the tree finds the node by its text, isolates or not.
        const QModelIndexList typed = m_tree.Nodes().match(m_tree.Nodes().index(0, 0),
                                                           Qt::DisplayRole,
                                                           row.stored.left(4),
                                                           1,
                                                           Qt::MatchStartsWith
                                                               | Qt::MatchRecursive);
        EXPECT_EQ(typed, QModelIndexList {index});
        const QStringList tip = index.data(Qt::ToolTipRole).toString().split(u'\n');
        ASSERT_EQ(tip.size(), 2);
        EXPECT_EQ(tip.at(0), BidiText::displayUrl(url, row.direction));
        EXPECT_TRUE(tip.at(0).contains(u"127.0.0.1:8377/blog/2024/שלום"_s));
        EXPECT_EQ(tip.at(1).startsWith(lri), row.direction == Qt::RightToLeft);
        EXPECT_TRUE(tip.at(1).contains(u"2024 9:05"_s));
    }
}

} // namespace
