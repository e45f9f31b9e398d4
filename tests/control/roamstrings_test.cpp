#include "resources/roamstrings.h"

#include <gtest/gtest.h>

namespace {

QString textOf(int id)
{
    return RoamStrings::text(id).value_or(QStringLiteral("<missing>"));
}

} // namespace

TEST(RoamStrings, EveryTextHasItsTwinAndNoProductName)
{
    const QList<int> ids = RoamStrings::identifiers();
    ASSERT_GT(ids.size(), 100);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    for (const int id : ids) {
        const bool english = id >= 2 && id < RoamStrings::HebrewOffset;
        const bool hebrew = id >= RoamStrings::HebrewOffset + 2;
        EXPECT_TRUE(english || hebrew) << id;
        if (english) {
            EXPECT_TRUE(RoamStrings::contains(id + RoamStrings::HebrewOffset)) << id;
        }
        if (hebrew) {
            EXPECT_TRUE(RoamStrings::contains(id - RoamStrings::HebrewOffset)) << id;
        }
        const QString text = textOf(id);
        EXPECT_FALSE(text.isEmpty()) << id;
        EXPECT_FALSE(text.contains(QStringLiteral("Explorer"))) << id;
        EXPECT_FALSE(text.contains(QStringLiteral("Outlook"))) << id;
    }
}

TEST(RoamStrings, MissingIdentifiersAreReported)
{
    for (const int id : {0, 2, 42, 72, 87, 500, 506, 542, 572, -1, 100000}) {
        QString text = QStringLiteral("unchanged");
        EXPECT_FALSE(RoamStrings::lookup(id, &text)) << id;
        EXPECT_EQ(text, QStringLiteral("unchanged")) << id;
        EXPECT_FALSE(RoamStrings::text(id).has_value()) << id;
    }
    EXPECT_TRUE(RoamStrings::lookup(101, nullptr));
    // In a language: the language's text, else nothing rather than the identifier.
    EXPECT_EQ(RoamStrings::text(100, RoamStrings::HebrewOffset), textOf(600));
    EXPECT_EQ(RoamStrings::text(100, 0), textOf(100));
    EXPECT_TRUE(RoamStrings::text(42, RoamStrings::HebrewOffset).isEmpty());
}
