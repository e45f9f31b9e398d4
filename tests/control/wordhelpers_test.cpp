#include "control/navigationrecorder.h"
#include "control/roampane1.h"
#include "recordedurl.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(WordHelpers, CutAndCountAsTheRecorderUsesThem)
{
    QString rest = u"stale"_s;
    EXPECT_EQ(RoamPane1::CutLastWord(u"a/b/c"_s, rest, u"/"_s), u"c"_s);
    EXPECT_EQ(rest, u"a/b/"_s);
    EXPECT_EQ(RoamPane1::CutLastWord(u"abc"_s, rest, u"/"_s), u"abc"_s);
    EXPECT_TRUE(rest.isEmpty());
    EXPECT_EQ(RoamPane1::CutLastWord(u"/abc"_s, rest, u"/"_s), u"abc"_s);
    EXPECT_EQ(rest, u"/"_s);
    EXPECT_EQ(RoamPane1::CutLastWord(u" dir/ "_s, rest, u"/"_s), QString());
    EXPECT_EQ(rest, u"dir/"_s);
    EXPECT_EQ(RoamPane1::CutLastWord(u"C:\\Fav\\News"_s, rest, u"\\"_s), u"News"_s);

    EXPECT_EQ(RoamPane1::CutFirstWord(u" a?b=1 "_s, rest, u"?"_s), u"a"_s);
    EXPECT_EQ(rest, u"b=1"_s);
    EXPECT_EQ(RoamPane1::CutFirstWord(u"x ? y"_s, rest, u"?"_s), u"x "_s);
    EXPECT_EQ(rest, u"y"_s);
    EXPECT_EQ(RoamPane1::CutFirstWord(u" plain "_s, rest, u"?"_s), u"plain"_s);
    EXPECT_TRUE(rest.isEmpty());
    EXPECT_EQ(RoamPane1::CutFirstWord(u"C:\\Fav\\News,Add to News"_s, rest, u","_s),
              u"C:\\Fav\\News"_s);
    EXPECT_EQ(rest, u"Add to News"_s);
    // The text may be its own remainder.
    QString same = u"k?v"_s;
    EXPECT_EQ(RoamPane1::CutFirstWord(same, same, u"?"_s), u"k"_s);
    EXPECT_EQ(same, u"v"_s);

    EXPECT_EQ(RoamPane1::CountCSVWords(u"a,b,,c"_s, u","_s), 4);
    EXPECT_EQ(RoamPane1::CountCSVWords(QString(), u","_s), 0);
    EXPECT_EQ(RoamPane1::CountCSVWords(QVariant(), u","_s), 0);
    EXPECT_EQ(RoamPane1::CountCSVWords(QVariant(42), u","_s), 0);
    EXPECT_EQ(RoamPane1::CountCSVWords(u"aaaa"_s, u"aa"_s), 3);
    EXPECT_EQ(RoamPane1::CountCSVWords(u"abc"_s, QString()), 1);

    EXPECT_EQ(NavigationRecorder::UrlLevel(u" a/b/ "_s), 1);
    EXPECT_EQ(NavigationRecorder::UrlLevel(u"host"_s), 0);
    EXPECT_EQ(RecordedUrl::normalise(u"HTTPS://Host/Path/"_s), u"Host/Path"_s);
    EXPECT_EQ(RecordedUrl::normalise(u"http://file://x/y"_s), u"x/y"_s);
    EXPECT_EQ(RecordedUrl::normalise(u"chrome://newtab/"_s), u"chrome://newtab"_s);
}
