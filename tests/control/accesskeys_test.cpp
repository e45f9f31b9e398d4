#include "control/accesskeys.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(AccessKeys, EveryItemGetsAFreeLetterOfItsOwnCaption)
{
    const std::pair<QStringList, QStringList> rows[] = {
        {{u"Navigate To.."_s,
          u"Find"_s,
          u"Delete"_s,
          u"Note"_s,
          u"Properties"_s,
          u"Add to tasks"_s,
          u"Help"_s,
          u"About"_s},
         {u"&Navigate To.."_s,
          u"&Find"_s,
          u"&Delete"_s,
          u"N&ote"_s,
          u"&Properties"_s,
          u"&Add to tasks"_s,
          u"&Help"_s,
          u"A&bout"_s}},
        // Hebrew letters serve as well; an item that has a key keeps it and reserves it.
        {{u"לך אל"_s, u"&מחק"_s, u"מצא"_s}, {u"&לך אל"_s, u"&מחק"_s, u"מ&צא"_s}},
        // "&&" is a literal ampersand, not a key; an item with no free letter stays bare.
        {{u"A&&B"_s, u"a"_s, u"b"_s}, {u"&A&&B"_s, u"a"_s, u"&b"_s}},
    };
    for (const auto &[captions, keyed] : rows)
        EXPECT_EQ(AccessKeys::assigned(captions), keyed) << captions.join(u'|').toStdString();
    EXPECT_EQ(AccessKeys::keyOf(u"N&ote"_s), QChar(u'o'));
    EXPECT_TRUE(AccessKeys::keyOf(u"A&&B"_s).isNull());
}
