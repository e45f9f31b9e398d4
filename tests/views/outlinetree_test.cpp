#include "views/outlinetree.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList childTexts(const OutlineNode *node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << OutlineTree::NodeText(node->child(i));
    return texts;
}

TEST(OutlineTree, NumbersKeysAndRelatives)
{
    OutlineTree tree;
    EXPECT_EQ(tree.Add(0, QString(), u"Sites"_s, 6), 1);
    EXPECT_EQ(tree.Add(1, u"site"_s, u"Site"_s, 10), 2);
    EXPECT_EQ(tree.Add(2, u"site/docs"_s, u"Docs"_s, 11), 3);
    // Keys ignore letter case; an empty key never collides; a missing relative adds nothing.
    EXPECT_EQ(tree.Add(1, u"SITE"_s, u"again"_s, 10), 0);
    EXPECT_EQ(tree.Add(0, QString(), u"second root"_s, 1), 4);
    EXPECT_EQ(tree.Add(9, u"x"_s, u"x"_s, 10), 0);
    EXPECT_EQ(tree.Count(), 4);
    EXPECT_EQ(tree.IndexOf(u"Site/Docs"_s), 3);
    EXPECT_EQ(tree.Node(3)->parent(), tree.Node(2));

    // Removing a node takes its descendants and renumbers the rest.
    tree.Remove(2);
    EXPECT_EQ(tree.IndexOf(u"site/docs"_s), 0);
    EXPECT_EQ(OutlineTree::NodeIndex(tree.Node(2)), 2);
}

TEST(OutlineTree, SortedChildrenReadNumbersByTheirValue)
{
    // Rows: two texts, the sign of their comparison.
    const std::tuple<QString, QString, int> rows[] = {
        {u"site2"_s, u"site10"_s, -1},
        {u"Site10"_s, u"site9"_s, 1},
        {u"10.0.0.2"_s, u"10.0.0.10"_s, -1},
        {u"page007"_s, u"page8"_s, -1},
        {u"a1b2"_s, u"a1b10"_s, -1},
        {u"abc"_s, u"ABD"_s, -1},
        {u"site"_s, u"site1"_s, -1},
        {u"אתר 2"_s, u"אתר 12"_s, -1},
        // Equal as read, yet never equal: sorting stays the same from build to build.
        {u"a01"_s, u"a1"_s, -1},
        {u"Host"_s, u"host"_s, -1},
        {u"same"_s, u"same"_s, 0},
    };
    for (const auto &[a, b, sign] : rows) {
        SCOPED_TRACE(QString(a + u' ' + b).toStdString());
        const int ab = OutlineModel::NaturalCompare(a, b);
        EXPECT_EQ((ab > 0) - (ab < 0), sign);
        const int ba = OutlineModel::NaturalCompare(b, a);
        EXPECT_EQ((ba > 0) - (ba < 0), -sign);
    }

    // Added in any order and sorted afterwards, at the top or below a node, children take that
    // order; an open node stays open, later children land in their place, and indices follow
    // addition, not display order.
    OutlineTree tree;
    tree.SetTopLevelSorting(true);
    const QStringList texts {u"site10"_s, u"site2"_s, u"Site1"_s, u"b"_s, u"site2x"_s};
    for (const QString &text : texts)
        tree.Add(0, text, text, 11);
    const int parent = tree.Add(0, u"z"_s, u"z"_s, 11);
    for (const QString &text : texts)
        tree.Add(parent, u"z/"_s + text, text, 11);
    const int open = tree.IndexOf(u"z/b"_s);
    tree.Add(open, u"z/b/x"_s, u"x"_s, 11);
    tree.Node(open)->setExpanded(true);
    tree.SetChildSorting(tree.Node(parent), true);
    const QStringList expected {u"b"_s, u"Site1"_s, u"site2"_s, u"site2x"_s, u"site10"_s};
    EXPECT_EQ(childTexts(tree.Nodes().TopLevel()).mid(0, 5), expected);
    EXPECT_EQ(childTexts(tree.Node(parent)), expected);
    EXPECT_TRUE(tree.Node(open)->isExpanded());
    tree.Add(parent, u"z/bb"_s, u"bb"_s, 11);
    EXPECT_EQ(childTexts(tree.Node(parent)).mid(0, 3), (QStringList {u"b"_s, u"bb"_s, u"Site1"_s}));
    EXPECT_EQ(OutlineTree::NodeIndex(tree.Node(parent)->child(0)), open);
}

// Every node as "index key <parent index>", in order of numbering.
QStringList numbering(const OutlineTree &tree)
{
    QStringList lines;
    for (int i = 1; i <= tree.Count(); ++i) {
        const OutlineNode *node = tree.Node(i);
        lines << u"%1 %2 <%3>"_s.arg(i)
                     .arg(OutlineTree::NodeKey(node))
                     .arg(OutlineTree::NodeIndex(node ? node->parent() : nullptr));
    }
    return lines;
}

// A session of sites, as the chronological outline adds them: the session node followed by its
// sites, every third nested below the one before it.
void addSession(OutlineTree &tree, const QString &session, int sites, bool defer)
{
    const int index = tree.Add(1, session, session, 3, OutlineTree::SessionTag);
    const auto fill = [&tree, session, sites](int owner) {
        int parent = owner;
        for (int s = 0; s < sites; ++s) {
            const QString key = u"site%1#"_s.arg(s) + session;
            parent = tree.Add(s % 3 == 2 ? parent : owner, key, key, 11);
        }
        // A key the tree holds already adds nothing and takes no number.
        tree.Add(owner, u"site0#"_s + session, u"again"_s, 11);
    };
    if (defer)
        tree.Nodes().Defer(index, sites + 1, session, fill);
    else
        fill(index);
}

TEST(OutlineModel, DeferredNodesTakeTheNumbersTheyWouldHaveHadWhenAddedAtOnce)
{
    using Look = std::function<void(OutlineTree &)>;
    const std::pair<const char *, Look> rows[] = {
        {"by number, from the end", Look([](OutlineTree &t) { t.Node(t.Count()); })},
        {"by key", Look([](OutlineTree &t) { t.NodeByKey(u"site4#s1"_s); })},
        {"by child", Look([](OutlineTree &t) { t.NodeByKey(u"s1"_s)->childCount(); })},
        {"by removal of a session", Look([](OutlineTree &t) { t.Remove(t.IndexOf(u"s1"_s)); })},
        {"by removal of a site", Look([](OutlineTree &t) { t.Remove(t.IndexOf(u"site2#s1"_s)); })},
    };
    for (const auto &[name, look] : rows) {
        SCOPED_TRACE(name);
        OutlineTree eager;
        OutlineTree lazy;
        for (OutlineTree *tree : {&eager, &lazy}) {
            tree->Add(0, QString(), u"Chrono"_s, 3, OutlineTree::RootTag);
            addSession(*tree, u"s2"_s, 5, tree == &lazy);
            addSession(*tree, u"s1"_s, 7, tree == &lazy);
            addSession(*tree, u"s0"_s, 2, tree == &lazy);
        }
        EXPECT_EQ(lazy.Count(), eager.Count() + 3); // the failed adds' numbers, not yet given back
        look(eager);
        look(lazy);
        EXPECT_EQ(numbering(lazy), numbering(eager));
        EXPECT_EQ(lazy.Count(), eager.Count());
        EXPECT_EQ(lazy.NodeByKey(u"site0#s2"_s)->text(), u"site0#s2"_s);
    }
}

TEST(OutlineModel, RowsReachTheViewWhenShownAndKeepTheirOpenState)
{
    OutlineTree tree;
    tree.resize(300, 400);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    QSignalSpy userOpened(&tree, &OutlineTree::itemExpanded);

    const int root = tree.Add(0, QString(), u"Sites"_s, 6, OutlineTree::RootTag);
    for (int i = 0; i < 1000; ++i)
        tree.Add(root, u"host%1"_s.arg(i, 4, 10, QChar(u'0')), u"Host %1"_s.arg(i), 11);
    const int deep = tree.Add(tree.IndexOf(u"host0003"_s), u"host0003/a"_s, u"A"_s, 11);
    tree.Add(deep, u"host0003/a/b"_s, u"B"_s, 11);
    // Opened before anything above it shows: kept in the table for the view to find.
    tree.Node(deep)->setExpanded(true);
    tree.NodeByKey(u"host0003"_s)->setExpanded(true);
    tree.NodeByKey(u"host0005"_s)->setExpanded(true);

    OutlineModel &model = tree.Nodes();
    const QModelIndex rootIndex = model.index(0, 0);
    EXPECT_EQ(model.rowCount(rootIndex), 0);
    EXPECT_TRUE(model.hasChildren(rootIndex));
    tree.Node(root)->setExpanded(true);
    QCoreApplication::processEvents();
    EXPECT_EQ(model.rowCount(rootIndex), 1000);
    OutlineNode *b = tree.NodeByKey(u"host0003/a/b"_s);
    EXPECT_TRUE(tree.visualItemRect(b).isValid());
    EXPECT_TRUE(tree.isExpanded(model.indexOf(tree.Node(deep))));
    EXPECT_TRUE(userOpened.isEmpty());
    // Held open while it had no children: the view opens it with its first child.
    const int late = tree.Add(tree.IndexOf(u"host0005"_s), u"host0005/c"_s, u"C"_s, 11);
    QCoreApplication::processEvents();
    EXPECT_TRUE(tree.isExpanded(model.indexOf(tree.NodeByKey(u"host0005"_s))));
    EXPECT_TRUE(tree.visualItemRect(tree.Node(late)).isValid());

    // Sorting the open node keeps what the view shows open, and the selection, on their nodes.
    OutlineNode *host = tree.NodeByKey(u"host0003"_s);
    tree.setCurrentItem(b);
    tree.Add(host->index(), u"host0003/0"_s, u"0 first"_s, 11);
    tree.SetChildSorting(host, true);
    EXPECT_EQ(host->child(0)->text(), u"0 first"_s);
    EXPECT_TRUE(tree.isExpanded(model.indexOf(tree.Node(deep))));
    EXPECT_EQ(tree.SelectedNode(), b);

    // The edit key opens an editor only with label editing on.
    QTest::keyClick(tree.viewport(), Qt::Key_F2);
    EXPECT_EQ(tree.findChild<QLineEdit *>(), nullptr);
    tree.SetLabelEditing(true);
    QTest::keyClick(tree.viewport(), Qt::Key_F2);
    auto *editor = tree.findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), u"B"_s);
    QTest::keyClick(editor, Qt::Key_Escape);
    tree.SetLabelEditing(false);

    // The user's opening is remembered and signalled; closing and removing follow the table.
    OutlineNode *h9 = tree.NodeByKey(u"host0009"_s);
    tree.Add(h9->index(), u"host0009/x"_s, u"X"_s, 11);
    tree.setCurrentItem(h9);
    QTest::keyClick(tree.viewport(), Qt::Key_Right);
    EXPECT_TRUE(h9->isExpanded());
    ASSERT_EQ(userOpened.size(), 1);
    EXPECT_EQ(userOpened.first().first().value<OutlineNode *>(), h9);
    QTest::keyClick(tree.viewport(), Qt::Key_Left);
    EXPECT_FALSE(h9->isExpanded());

    tree.Remove(host->index());
    EXPECT_EQ(model.rowCount(rootIndex), 999);
    EXPECT_EQ(tree.NodeByKey(u"host0003/a/b"_s), nullptr);
    EXPECT_EQ(tree.Count(), 1 + 1000 + 2 - 1); // root, hosts, host0005/c, host0009/x, less host0003
    EXPECT_EQ(OutlineTree::NodeIndex(tree.NodeByKey(u"host0009/x"_s)), tree.Count());
}

TEST(OutlineTree, TheStarKeyOpensEverythingBelowTheCurrentNode)
{
    OutlineTree tree;
    tree.resize(300, 400);
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    const int root = tree.Add(0, QString(), u"Sites"_s, 6, OutlineTree::RootTag);
    tree.Node(root)->setExpanded(true);
    tree.Add(tree.Add(root, u"a"_s, u"A"_s, 11), u"a/x"_s, u"X"_s, 11);
    // The second host's pages are still to come.
    const int b = tree.Add(root, u"b"_s, u"B"_s, 11);
    tree.Nodes().Defer(b, 2, QString(), [&tree](int owner) {
        tree.Add(tree.Add(owner, u"b/d"_s, u"D"_s, 11), u"b/d/e"_s, u"E"_s, 11);
    });
    QCoreApplication::processEvents();
    QSignalSpy opened(&tree, &OutlineTree::itemExpanded);
    tree.setCurrentIndex(tree.Nodes().indexOf(tree.Node(root)));
    QTest::keyClick(&tree, Qt::Key_Asterisk);
    QCoreApplication::processEvents();

    for (const QString &key : {u"a"_s, u"a/x"_s, u"b"_s, u"b/d"_s, u"b/d/e"_s}) {
        OutlineNode *node = tree.NodeByKey(key);
        ASSERT_NE(node, nullptr) << key.toStdString();
        EXPECT_TRUE(node->isExpanded()) << key.toStdString();
        if (node->childCount() > 0) {
            EXPECT_TRUE(tree.isExpanded(tree.Nodes().indexOf(node))) << key.toStdString();
        }
    }
    EXPECT_TRUE(tree.visualItemRect(tree.NodeByKey(u"b/d/e"_s)).isValid());
    EXPECT_EQ(opened.size(), 5); // each node below the root, as the user's opening
}

} // namespace
