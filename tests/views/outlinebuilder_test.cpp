#include "viewsfixture.h"

#include "resources/biditext.h"
#include "views/parentstack.h"
#include "views/waitcursor.h"

#include <QCursor>
#include <QGuiApplication>

using namespace viewstest;
using namespace Qt::StringLiterals;

namespace {

const QDateTime older(QDate(1997, 11, 3), QTime(14, 5, 0));
const QDateTime oldest(QDate(1997, 11, 2), QTime(8, 0, 0));
const QDateTime sameMinute = older.addSecs(20);
const QDateTime download = running.addSecs(30);
const QChar lri = BidiText::LeftToRightIsolate;
const QChar fsi = BidiText::FirstStrongIsolate;
const QChar pdi = BidiText::PopDirectionalIsolate;

using OutlineBuilderTest = ViewsFixture;

struct Site
{
    QString url;
    QString title;
    QList<Visit> visits {{running, running}};
    QList<Visit> downloads {};
};

// One data folder, one outline built from it.
struct Row
{
    const char *name;
    QString tag;
    QList<QDateTime> sessions {};
    QString urls {}; // see writeSites
    QList<Site> sites {};
    std::string shape {}; // not checked when empty
    QStringList visited {};
    int urlsShown = 0;
    QList<std::pair<int, QString>> shown {};
    QStringList sessionsLeft {}; // AllSessions' keys after the build, when given
    QString lookedUpFirst {};
    bool hebrew = false;
};

const Row rows[] = {
    {.name = "sites nest by path in key order",
     .tag = u"Sites"_s,
     .urls = u"site/x site/docs/intro.htm other site/docs site"_s,
     .shape = "1 'Sites' [] none 6 +\n"
              "  2 'OTHER' [other] Sites 10\n"
              "  3 'SITE' [site] Sites 10\n"
              "    4 'SITE/DOCS' [site/docs] Sites 10 +\n"
              "      5 'SITE/DOCS/INTRO.HTM' [site/docs/intro.htm] Sites 10 +\n"
              "    6 'SITE/X' [site/x] Sites 10 +\n",
     .visited = {u"other"_s, u"site"_s, u"site/docs"_s, u"site/docs/intro.htm"_s, u"site/x"_s}},
    {.name = "sites with URLs shown show the last path step",
     .tag = u"Sites"_s,
     .urls = u"host host/dir/ host/dir/page.htm?a=1"_s,
     .shape = "1 'Sites' [] none 6 +\n"
              "  2 'host' [host] Sites 11\n"
              "    3 '' [host/dir/] Sites 11 +\n"
              "      4 'page.htm?a=1' [host/dir/page.htm?a=1] Sites 11 +\n",
     .urlsShown = 1},
    // 'a/b/c/d' is deeper than the stack reaches: it is nested as if its level were the
    // stack's top, under 'a'. 'ab/x' starts with 'a' but is no path below it, and 'site2/y'
    // has lost its parent record: both hang under the root.
    {.name = "deep levels and unrelated prefixes",
     .tag = u"Sites"_s,
     .urls = u"a a/b/c/d a/b/c/d/e a/b/x ab/x site site2/y"_s,
     .shape = "1 'Sites' [] none 6 +\n"
              "  2 'A' [a] Sites 11\n"
              "    3 'A/B/C/D' [a/b/c/d] Sites 11 +\n"
              "      4 'A/B/C/D/E' [a/b/c/d/e] Sites 11 +\n"
              "    5 'A/B/X' [a/b/x] Sites 11 +\n"
              "  6 'AB/X' [ab/x] Sites 11 +\n"
              "  7 'SITE' [site] Sites 11\n"
              "  8 'SITE2/Y' [site2/y] Sites 11 +\n"},
    // Each download by its file's name, under its host even when the host has none; beside
    // the name the time of the last download, the host shows its title alone.
    {.name = "activities show the sites with downloads",
     .tag = u"Activities"_s,
     .sites = {{u"other"_s, u"Other"_s, {{running, running}}, {{running, download}}},
               {u"site"_s, u"Site"_s},
               {u"site/file.zip"_s,
                u"file.zip"_s,
                {{running, running}},
                {{running, download}, {running, download.addSecs(60)}}},
               {u"sit"_s, u"Sit"_s, {{running, running}}, {{running, download}}}},
     .shape = "1 'Activities' [] none 4 +\n"
              "  2 'other' [other] Sites 10\n"
              "  3 'sit' [sit] Sites 11\n"
              "  4 'Site' [site] Sites 11 +\n"
              "    5 'file.zip' [site/file.zip] Sites 11 +\n",
     .visited = {u"other"_s},
     .shown = {{5, u"file.zip \u00B7 04 Mar 2024 9:06"_s}, {4, u"Site"_s}}},
    {.name = "current shows the sites whose newest visit is in the running session",
     .tag = u"Current"_s,
     .sessions = {older},
     .sites = {{u"both"_s, u"Both"_s, {{older, older}, {running, running.addSecs(5)}}},
               {u"both/page"_s, u"Page"_s, {{running, running.addSecs(5)}}},
               {u"earlier"_s, u"Earlier"_s, {{older, older}}},
               {u"never"_s, u"Never"_s, {}},
               {u"returned"_s, u"Returned"_s, {{running, running}, {older, running.addSecs(9)}}}},
     .shape = "1 'Current' [] none 1 +\n"
              "  2 'Both' [both] Sites 11\n"
              "    3 'Page' [both/page] Sites 11 +\n"},
    // The empty old session is gone from memory, the running one stays although nothing has
    // been recorded in it yet.
    {.name = "chrono lists sessions newest first and drops empty ones",
     .tag = u"Chrono"_s,
     .sessions = {oldest, older, older.addSecs(3600)},
     .sites = {{u"site"_s, u"Site"_s, {{older, older}, {oldest, oldest}}},
               {u"site/a"_s, u"A"_s, {{older, older.addSecs(1)}}},
               {u"site/b"_s, u"B"_s, {{oldest, oldest.addSecs(1)}, {older, older.addSecs(2)}}},
               {u"zz"_s, u"ZZ"_s, {{older, older.addSecs(9)}}}},
     .shape = "1 'Chrono' [] none 3 +\n"
              "  2 'Monday 04 Mar 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n"
              "  3 'Monday 03 Nov 1997 15:05' [1997-11-03 15:05:00] Sessions 3\n"
              "  4 'Monday 03 Nov 1997 14:05' [1997-11-03 14:05:00] Sessions 3\n"
              "    5 'Site' [site#1997-11-03 14:05:00] Sites 11\n"
              "      6 'A' [site/a#1997-11-03 14:05:00] Sites 10 +\n"
              "      7 'B' [site/b#1997-11-03 14:05:00] Sites 11 +\n"
              "    8 'ZZ' [zz#1997-11-03 14:05:00] Sites 11\n"
              "  9 'Sunday 02 Nov 1997 8:00' [1997-11-02 08:00:00] Sessions 3\n"
              "    10 'Site' [site#1997-11-02 08:00:00] Sites 11\n"
              "      11 'B' [site/b#1997-11-02 08:00:00] Sites 11 +\n",
     .visited = {u"site/a"_s},
     .sessionsLeft = {timeKey(oldest), timeKey(older), timeKey(running)}},
    // Two sessions in the same minute, the later one with its pages visited out of URL order.
    // The summary shows, the node's text stays the session's time; the running session has
    // not ended: no length, and no pages yet.
    {.name = "chrono shows visit order, page counts and lengths",
     .tag = u"Chrono"_s,
     .sessions = {older, sameMinute},
     .sites = {{u"b"_s, u"B"_s, {{sameMinute, sameMinute.addSecs(1)}}},
               {u"a"_s, u"A"_s, {{sameMinute, sameMinute.addSecs(5)}, {older, older}}},
               {u"c"_s, u"C"_s, {{sameMinute, sameMinute}}},
               {u"b/x"_s, u"X"_s, {{sameMinute, sameMinute.addSecs(3)}}}},
     .shape = "1 'Chrono' [] none 3 +\n"
              "  2 'Monday 04 Mar 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n"
              "  3 'Monday 03 Nov 1997 14:05:20' [1997-11-03 14:05:20] Sessions 3\n"
              "    4 'C' [c#1997-11-03 14:05:20] Sites 11\n"
              "    5 'B' [b#1997-11-03 14:05:20] Sites 11\n"
              "      6 'X' [b/x#1997-11-03 14:05:20] Sites 11 +\n"
              "    7 'A' [a#1997-11-03 14:05:20] Sites 11\n"
              "  8 'Monday 03 Nov 1997 14:05:00' [1997-11-03 14:05:00] Sessions 3\n"
              "    9 'A' [a#1997-11-03 14:05:00] Sites 11\n",
     .shown = {{3, u"Monday 03 Nov 1997 14:05:20 (4 pages, 0:10:00)"_s},
               {8, u"Monday 03 Nov 1997 14:05:00 (1 page, 0:10:00)"_s},
               {2, u"Monday 04 Mar 2024 9:05"_s}}},
    // Sites adds the nodes below each top-level node when first looked at, here by key before
    // anything else: numbered as if built at once.
    {.name = "filled in later, below a site",
     .tag = u"Sites"_s,
     .urls = u"site site/docs site/docs/intro.htm site/x other other/a/ other/a/b"_s,
     .lookedUpFirst = u"site/docs/intro.htm"_s},
    // 'h-x/y/z' hangs under the root between two sites of 'h': built at once.
    {.name = "filled in later, between two sites of a host",
     .tag = u"Sites"_s,
     .urls = u"h h-x/y/z h/z h/z/q"_s,
     .lookedUpFirst = u"h/z/q"_s},
    {.name = "filled in later, a deep first site",
     .tag = u"Sites"_s,
     .urls = u"a/b/c a/b/c/d b b/c"_s,
     .lookedUpFirst = u"b/c"_s},
    // The numbers keep apart from the parentheses and the date; the root shows its tab's
    // caption.
    {.name = "chrono in Hebrew",
     .tag = u"Chrono"_s,
     .sessions = {older},
     .sites = {{u"a"_s, u"A"_s, {{older, older}}}, {u"b"_s, u"B"_s, {{older, older}}}},
     .shape = "1 'Chrono' [] none 3 +\n"
              "  2 'יום שני 04 מרץ 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n"
              "  3 'יום שני 03 נוב׳ 1997 14:05' [1997-11-03 14:05:00] Sessions 3\n"
              "    4 'A' [a#1997-11-03 14:05:00] Sites 11\n"
              "    5 'B' [b#1997-11-03 14:05:00] Sites 11\n",
     .shown = {{1, u"תאריך"_s},
               {3,
                u"יום שני "_s + lri + u"03" + pdi + u" נוב׳ " + lri + u"1997 14:05" + pdi + u" ("
                    + lri + u"2" + pdi + u" דפים, " + lri + u"0:10:00" + pdi + u')'}},
     .hebrew = true},
    // Without sites the outlines show their roots, and Chrono stops after the newest session,
    // dropping nothing.
    {"empty, sites", u"Sites"_s, {older}, {}, {}, "1 'Sites' [] none 6 +\n"},
    {"empty, current", u"Current"_s, {older}, {}, {}, "1 'Current' [] none 1 +\n"},
    {"empty, activities", u"Activities"_s, {older}, {}, {}, "1 'Activities' [] none 4 +\n"},
    {.name = "empty, chrono",
     .tag = u"Chrono"_s,
     .sessions = {older},
     .shape = "1 'Chrono' [] none 3 +\n"
              "  2 'Monday 04 Mar 2024 9:05' [2024-03-04 09:05:00] Sessions 3\n",
     .sessionsLeft = {timeKey(older), timeKey(running)}},
};

TEST_F(OutlineBuilderTest, OutlinesTakeTheirShape)
{
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        emptyDataFolder();
        if (!row.sessions.isEmpty())
            writeSessions(row.sessions);
        writeSites(row.urls);
        for (const Site &s : row.sites)
            writeSite(s.url, s.title, s.visits, s.downloads);
        load();
        for (const QString &url : row.visited)
            m_store->Files.Item(url)->SetVisited(true);
        m_builder->SetUrlOrDescChoice(row.urlsShown);
        m_builder->SetLangOffset(row.hebrew ? 500 : 0);
        m_tree.setLayoutDirection(row.hebrew ? Qt::RightToLeft : Qt::LeftToRight);
        // Texts come from the records: a built outline cannot be edited in place.
        m_tree.SetLabelEditing(true);
        build(row.tag);
        EXPECT_TRUE(row.lookedUpFirst.isEmpty() || m_tree.IndexOf(row.lookedUpFirst) > 0);
        const std::string built = shape();
        EXPECT_TRUE(row.shape.empty() || built == row.shape) << built;
        EXPECT_FALSE(m_tree.LabelEditing());
        EXPECT_EQ(m_tree.TopLevelSorting(), row.tag != u"Chrono"_s);
        EXPECT_FALSE(OutlineTree::ChildSorting(m_tree.Node(1)));
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        for (const auto &[index, text] : row.shown)
            EXPECT_EQ(shown(index), text) << index;
        if (!row.sessionsLeft.isEmpty()) {
            QStringList keys;
            for (int i = 1; i <= m_store->AllSessions.Count(); ++i)
                keys << m_store->AllSessions.Key(i);
            EXPECT_EQ(keys, row.sessionsLeft);
        }
        // Every node but the root has its record under its key, matching the node: a site's
        // record holds its URL and title, a session's its text.
        CTreeNodes &records = m_builder->OutlineNodes();
        EXPECT_EQ(records.Count(), m_tree.Count() - 1);
        for (int i = 2; i <= m_tree.Count(); ++i) {
            const OutlineNode *node = m_tree.Node(i);
            const QString key = OutlineTree::NodeKey(node);
            SCOPED_TRACE(key.toStdString());
            const CTreeNodePtr record = records.Item(key);
            ASSERT_TRUE(record);
            EXPECT_EQ(record->Index, i);
            EXPECT_EQ(record->Node, OutlineTree::NodeText(node));
            EXPECT_TRUE(record->Key.isEmpty());
            const bool session = OutlineTree::NodeTag(node) == u"Sessions"_s;
            const QString url = session ? record->Node : key.section(u'#', 0, 0);
            EXPECT_EQ(record->URL, url);
            const CFilePtr file = session ? nullptr : m_store->Files.Item(url);
            ASSERT_TRUE(session || file);
            EXPECT_EQ(record->Title, session ? url : file->Title);
        }
        // Current, which the recorder grows, adds every node at once. With every site in the
        // running session it holds what Sites holds.
        if (row.tag == u"Sites"_s) {
            build(u"Current"_s);
            EXPECT_EQ(m_builder->OutlineNodes().Count(), m_tree.Count() - 1);
            EXPECT_EQ(shape().substr(shape().find('\n')), built.substr(built.find('\n')));
        }
    }
    m_builder->SetLangOffset(500);
    EXPECT_EQ(m_builder->SessionSummary(3, older, older.addSecs(3725)), u" (3 דפים, 1:02:05)"_s);
    EXPECT_EQ(m_builder->SessionSummary(2, older, zeroDateTime()), u" (2 דפים)"_s);
}

TEST_F(OutlineBuilderTest, RebuildsReplaceTheRecordsAndOtherTagsOnlyFinish)
{
    writeSites(u"site site/x"_s);
    load();
    build(u"Sites"_s);
    build(u"Sites"_s);
    EXPECT_EQ(m_builder->OutlineNodes().Count(), 2);
    m_tree.Node(1)->setExpanded(false);
    m_builder->BuildOutline(u"Query"_s);
    EXPECT_EQ(m_tree.Count(), 3);
    EXPECT_EQ(m_builder->OutlineNodes().Count(), 2);
    EXPECT_TRUE(m_tree.Node(1)->isExpanded());

    // The node added last is the current one until it is removed.
    EXPECT_EQ(m_builder->CurrentNode(), m_tree.Node(3));
    m_tree.Remove(3);
    EXPECT_EQ(m_builder->CurrentNode(), nullptr);
}

TEST_F(OutlineBuilderTest, BuildsRunUnderTheHourglass)
{
    writeSites(u"site"_s);
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
    {
        const WaitCursor outer;
        {
            const WaitCursor inner;
        }
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

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
    const QString escaped = u"%D7%A9%D7%9C%D7%95%D7%9D"_s;
    writeSite(url, u"Blog 2024"_s);
    load();
    // Rows: the direction, whether URLs show, the node's text, the text shown.
    const std::tuple<Qt::LayoutDirection, int, QString, QString> cases[] = {
        {Qt::RightToLeft, 1, escaped, lri + u"שלום"_s + pdi},
        {Qt::RightToLeft, 0, u"Blog 2024"_s, fsi + u"Blog 2024"_s + pdi},
        {Qt::LeftToRight, 1, escaped, u"שלום"_s},
        {Qt::LeftToRight, 0, u"Blog 2024"_s, u"Blog 2024"_s},
    };
    for (const auto &[direction, urlsShown, stored, text] : cases) {
        SCOPED_TRACE(stored.toStdString());
        m_tree.setLayoutDirection(direction);
        m_builder->SetLangOffset(direction == Qt::RightToLeft ? 500 : 0);
        m_builder->SetUrlOrDescChoice(urlsShown);
        build(u"Sites"_s);
        OutlineNode *node = m_tree.NodeByKey(url);
        ASSERT_TRUE(node);
        const QModelIndex index = m_tree.Nodes().indexOf(node);
        EXPECT_EQ(index.data(Qt::DisplayRole).toString(), text);
        // Only the display changes: the node keeps the recorded text and key.
        EXPECT_EQ(OutlineTree::NodeText(node), stored);
        EXPECT_EQ(OutlineTree::NodeKey(node), url);
        // Typing in the tree finds the node by its text, isolates or not.
        const auto flags = Qt::MatchStartsWith | Qt::MatchRecursive;
        const QModelIndex top = m_tree.Nodes().index(0, 0);
        EXPECT_EQ(m_tree.Nodes().match(top, Qt::DisplayRole, stored.left(4), 1, flags),
                  QModelIndexList {index});
        const QStringList tip = index.data(Qt::ToolTipRole).toString().split(u'\n');
        ASSERT_EQ(tip.size(), 2);
        EXPECT_EQ(tip.at(0), BidiText::displayUrl(url, direction));
        EXPECT_TRUE(tip.at(0).contains(u"127.0.0.1:8377/blog/2024/שלום"_s));
        EXPECT_EQ(tip.at(1).startsWith(lri), direction == Qt::RightToLeft);
        EXPECT_TRUE(tip.at(1).contains(u"2024 9:05"_s));
    }
}

} // namespace
