#include "resources/roamstrings.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(RoamStrings, EveryTextHasItsTwinAndNoProductName)
{
    const QList<int> ids = RoamStrings::identifiers();
    ASSERT_GT(ids.size(), 100);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    for (const int id : ids) {
        const bool english = id >= 2 && id < RoamStrings::HebrewOffset;
        const bool hebrew = id >= RoamStrings::HebrewOffset + 2;
        EXPECT_TRUE(english || hebrew) << id;
        const int twin = english ? id + RoamStrings::HebrewOffset : id - RoamStrings::HebrewOffset;
        EXPECT_TRUE(RoamStrings::contains(twin)) << id;
        const QString text = RoamStrings::text(id).value_or(QString());
        EXPECT_FALSE(text.isEmpty()) << id;
        EXPECT_FALSE(text.contains(u"Explorer"_s) || text.contains(u"Outlook"_s)) << id;
    }
}

TEST(RoamStrings, MissingIdentifiersAreReported)
{
    for (const int id : {0, 2, 42, 72, 87, 500, 506, 542, 572, -1, 100000}) {
        QString text = u"unchanged"_s;
        EXPECT_FALSE(RoamStrings::lookup(id, &text)) << id;
        EXPECT_EQ(text, u"unchanged"_s) << id;
        EXPECT_FALSE(RoamStrings::text(id).has_value()) << id;
    }
    EXPECT_TRUE(RoamStrings::lookup(101, nullptr));
    // In a language: the language's text, else nothing rather than the identifier.
    EXPECT_EQ(RoamStrings::text(100, RoamStrings::HebrewOffset), RoamStrings::text(600).value());
    EXPECT_EQ(RoamStrings::text(100, 0), RoamStrings::text(100).value());
    EXPECT_TRUE(RoamStrings::text(42, RoamStrings::HebrewOffset).isEmpty());
}
