#include "resources/roamstrings.h"

#include <gtest/gtest.h>

namespace {

QString textOf(int id)
{
    return RoamStrings::text(id).value_or(QStringLiteral("<missing>"));
}

} // namespace

TEST(RoamStrings, PanelTextsInBothLanguages)
{
    EXPECT_EQ(textOf(51), QStringLiteral("Current"));
    EXPECT_EQ(textOf(56), QStringLiteral("Options"));
    EXPECT_EQ(textOf(553), QStringLiteral("תאריך"));
    EXPECT_EQ(textOf(57), QStringLiteral("Outline of the current session"));
    EXPECT_EQ(textOf(559), QStringLiteral("מתאר לפי תאריכים"));
    EXPECT_EQ(textOf(63), QStringLiteral("All files downloaded from (site):"));
    EXPECT_EQ(textOf(566), QStringLiteral("מצא מילה/מילים"));
    EXPECT_EQ(textOf(68), QStringLiteral("URL's"));
    EXPECT_EQ(textOf(569), QStringLiteral("הערות"));
    EXPECT_EQ(textOf(70), QStringLiteral("All"));
    EXPECT_EQ(textOf(582), QStringLiteral("כותרות"));
    EXPECT_EQ(textOf(81), QStringLiteral("Search"));
    EXPECT_EQ(textOf(100), QStringLiteral("Navigate To.."));
    EXPECT_EQ(textOf(603), QStringLiteral("הערה"));
    EXPECT_EQ(textOf(110), QStringLiteral("Help"));
    EXPECT_EQ(textOf(610), QStringLiteral("עזרה"));
    EXPECT_EQ(textOf(111), QStringLiteral("Never record"));
    EXPECT_EQ(textOf(614), QStringLiteral("הסר"));
    EXPECT_EQ(textOf(117), QStringLiteral("Task saved in "));
}

TEST(RoamStrings, DialogAndHostTexts)
{
    EXPECT_EQ(textOf(20), QStringLiteral("Note"));
    EXPECT_EQ(textOf(22), QStringLiteral("Title"));
    EXPECT_EQ(textOf(32), QStringLiteral("Title:"));
    EXPECT_EQ(textOf(525), QStringLiteral("&עדכן"));
    EXPECT_EQ(textOf(35), QStringLiteral("&Close"));
    EXPECT_EQ(textOf(41),
              QStringLiteral("Select a favorites folder from the directory list below:"));
    EXPECT_EQ(textOf(540), QStringLiteral("כפתור עדכון העדפות"));
    EXPECT_EQ(textOf(44), QStringLiteral("OK"));
    EXPECT_EQ(textOf(28), QStringLiteral("No string to find"));

    EXPECT_EQ(textOf(18), QStringLiteral("Do you want to quit the browser.."));
    EXPECT_EQ(textOf(518), QStringLiteral("רוצה לסגור את הדפדפן"));
    EXPECT_EQ(textOf(85), QStringLiteral("Find .."));
    EXPECT_EQ(textOf(586), QStringLiteral("מילה/מילים לחפש"));
    EXPECT_EQ(textOf(92), QStringLiteral("Find Next"));
    EXPECT_EQ(textOf(593), QStringLiteral("סגור"));
    EXPECT_EQ(textOf(599), QStringLiteral("עזרה"));
}

TEST(RoamStrings, EveryTextHasItsTwinAndNoProductName)
{
    const QList<int> ids = RoamStrings::identifiers();
    ASSERT_GT(ids.size(), 100);
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
    for (const int id : ids) {
        const bool english = id >= 2 && id <= 144;
        const bool hebrew = id >= 502 && id <= 644;
        EXPECT_TRUE(english || hebrew) << id;
        // The query message is the one text that has no Hebrew twin.
        if (english && id != 28) {
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
    for (const int id : {0, 2, 42, 72, 87, 500, 506, 528, 542, 619, -1, 100000}) {
        QString text = QStringLiteral("unchanged");
        EXPECT_FALSE(RoamStrings::lookup(id, &text)) << id;
        EXPECT_EQ(text, QStringLiteral("unchanged")) << id;
        EXPECT_FALSE(RoamStrings::text(id).has_value()) << id;
    }
    EXPECT_TRUE(RoamStrings::lookup(101, nullptr));
}
