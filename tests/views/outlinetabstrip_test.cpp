#include "views/outlinetabstrip.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(OutlineTabStrip, TagsFollowTheTabOrderAndAClickOnTheSelectedTabChoosesIt)
{
    const std::pair<int, QString> tags[] = {{0, u"Current"_s},
                                            {3, u"Activities"_s},
                                            {5, u"Options"_s},
                                            {-1, QString()},
                                            {6, QString()}};
    for (const auto &[index, tag] : tags)
        EXPECT_EQ(OutlineTabStrip::Tag(index), tag) << index;

    OutlineTabStrip tabs;
    tabs.resize(600, tabs.sizeHint().height());
    tabs.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tabs));
    QSignalSpy chosen(&tabs, &OutlineTabStrip::chosen);
    tabs.setCurrentIndex(4);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_EQ(tabs.SelectedTag(), u"Query"_s);
    QTest::mouseClick(&tabs, Qt::LeftButton, {}, tabs.tabRect(4).center());
    EXPECT_EQ(chosen.count(), 2);
    EXPECT_EQ(tabs.currentIndex(), 4);
}

TEST(OutlineTabStrip, NarrowWidthsDropThePicturesThenScroll)
{
    OutlineTabStrip tabs;
    tabs.FitWidth(5000);
    EXPECT_EQ(tabs.iconSize(), QSize(16, 16));
    EXPECT_FALSE(tabs.usesScrollButtons());

    // Just wider than the captions with their padding: the pictures go, the captions fit.
    const QFontMetrics metrics(tabs.font());
    int captions = 0;
    for (int i = 0; i < tabs.count(); ++i)
        captions += metrics.horizontalAdvance(tabs.tabText(i)) + 6;
    tabs.FitWidth(captions + 1);
    EXPECT_EQ(tabs.iconSize(), QSize(0, 0));
    EXPECT_FALSE(tabs.usesScrollButtons());
    EXPECT_EQ(tabs.elideMode(), Qt::ElideRight);

    tabs.FitWidth(40);
    EXPECT_EQ(tabs.iconSize(), QSize(0, 0));
    EXPECT_TRUE(tabs.usesScrollButtons());
    EXPECT_EQ(tabs.elideMode(), Qt::ElideNone);
}
