#include "views/outlinetree.h"

#include <QLineEdit>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList childTexts(const OutlineNode *node)
{
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts << node->child(i)->text(0);
    return texts;
}

TEST(OutlineTree, NumbersKeysAndRelatives)
{
    OutlineTree tree;
    EXPECT_EQ(tree.Add(0, QString(), QStringLiteral("Sites"), 6), 1);
    EXPECT_EQ(tree.Add(1, QStringLiteral("site"), QStringLiteral("Site"), 10), 2);
    EXPECT_EQ(tree.Add(2, QStringLiteral("site/docs"), QStringLiteral("Docs"), 11), 3);
    // Keys ignore letter case; an empty key never collides.
    EXPECT_EQ(tree.Add(1, QStringLiteral("SITE"), QStringLiteral("again"), 10), 0);
    EXPECT_EQ(tree.Add(0, QString(), QStringLiteral("second root"), 1), 4);
    // A relative that does not exist adds nothing.
    EXPECT_EQ(tree.Add(9, QStringLiteral("x"), QStringLiteral("x"), 10), 0);
    EXPECT_EQ(tree.Count(), 4);

    EXPECT_EQ(tree.IndexOf(QStringLiteral("Site/Docs")), 3);
    EXPECT_EQ(tree.Node(3)->parent(), tree.Node(2));
    EXPECT_EQ(OutlineTree::NodeImage(tree.Node(3)), 11);
    EXPECT_EQ(OutlineTree::NodeKey(tree.Node(2)), QStringLiteral("site"));

    // Removing a node takes its descendants and renumbers the rest.
    tree.Remove(2);
    EXPECT_EQ(tree.Count(), 2);
    EXPECT_EQ(tree.IndexOf(QStringLiteral("site/docs")), 0);
    EXPECT_EQ(tree.Node(2)->text(0), QStringLiteral("second root"));
    EXPECT_EQ(OutlineTree::NodeIndex(tree.Node(2)), 2);
    EXPECT_EQ(tree.Add(1, QStringLiteral("site"), QStringLiteral("Site"), 10), 3);

    tree.Clear();
    EXPECT_EQ(tree.Count(), 0);
    EXPECT_EQ(tree.NodeByKey(QStringLiteral("site")), nullptr);
}

TEST(OutlineTree, ChildSortingKeepsOrderAndOpenNodes)
{
    OutlineTree tree;
    tree.Add(0, QString(), QStringLiteral("root"), 1);
    tree.Add(1, QStringLiteral("c"), QStringLiteral("c"), 10);
    tree.Add(1, QStringLiteral("A"), QStringLiteral("A"), 10);
    const int b = tree.Add(1, QStringLiteral("b"), QStringLiteral("b"), 10);
    tree.Add(b, QStringLiteral("b/x"), QStringLiteral("x"), 10);
    tree.Node(b)->setExpanded(true);
    EXPECT_EQ(childTexts(tree.Node(1)), (QStringList {u"c"_qs, u"A"_qs, u"b"_qs}));

    tree.SetChildSorting(tree.Node(1), true);
    EXPECT_EQ(childTexts(tree.Node(1)), (QStringList {u"A"_qs, u"b"_qs, u"c"_qs}));
    EXPECT_TRUE(tree.Node(b)->isExpanded());
    // Children added to a sorted node land in their place.
    tree.Add(1, QStringLiteral("bb"), QStringLiteral("bb"), 10);
    EXPECT_EQ(childTexts(tree.Node(1)), (QStringList {u"A"_qs, u"b"_qs, u"bb"_qs, u"c"_qs}));
    // Indices follow addition, not display order.
    EXPECT_EQ(OutlineTree::NodeIndex(tree.Node(1)->child(0)), 3);
}

TEST(OutlineTree, TagsIconsAndLabelEditing)
{
    OutlineTree tree;
    int asked = 0;
    tree.SetImageProvider([&asked](int image) {
        ++asked;
        QPixmap picture(4, 4);
        picture.fill(image == 10 ? Qt::red : Qt::blue);
        return QIcon(picture);
    });
    tree.Add(0, QString(), QStringLiteral("root"), 6, QStringLiteral("none"));
    const int a = tree.Add(
        1, QStringLiteral("a"), QStringLiteral("a"), 10, QStringLiteral("Sites"));
    const int b = tree.Add(1, QStringLiteral("b"), QStringLiteral("b"), 10);
    EXPECT_EQ(OutlineTree::NodeTag(tree.Node(1)), QStringLiteral("none"));
    EXPECT_EQ(OutlineTree::NodeTag(tree.Node(a)), QStringLiteral("Sites"));
    EXPECT_EQ(OutlineTree::NodeTag(tree.Node(b)), QString());
    // One request per image number; nodes with the same number share the icon.
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(tree.Node(a)->icon(0).cacheKey(), tree.Node(b)->icon(0).cacheKey());
    EXPECT_NE(tree.Node(a)->icon(0).cacheKey(), tree.Node(1)->icon(0).cacheKey());

    // The edit key opens an editor on the current node only with label editing on.
    tree.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tree));
    tree.setCurrentItem(tree.Node(a));
    EXPECT_FALSE(tree.LabelEditing());
    QTest::keyClick(tree.viewport(), Qt::Key_F2);
    EXPECT_EQ(tree.findChild<QLineEdit *>(), nullptr);
    tree.SetLabelEditing(true);
    EXPECT_TRUE(tree.LabelEditing());
    QTest::keyClick(tree.viewport(), Qt::Key_F2);
    auto *editor = tree.findChild<QLineEdit *>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("a"));
}

} // namespace
