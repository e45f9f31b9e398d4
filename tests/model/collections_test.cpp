#include "modelfixture.h"

#include "cactivities.h"
#include "ccollection.h"
#include "cfiles.h"
#include "csessions.h"
#include "ctreenodes.h"
#include "cvisits.h"

#include <QRandomGenerator>

#include <algorithm>

using namespace modeltest;
using namespace Qt::StringLiterals;

namespace {

CSessionPtr session()
{
    return std::make_shared<CSession>();
}

const QDateTime morning = at(2024, 3, 1, 8);

} // namespace

TEST(Collections, SortedAddKeepsOneKeyOrderAndFindsIgnoringCase)
{
    CSessions sessions;
    const auto b = sessions.Add(session(), u"b"_s);
    ASSERT_TRUE(b);
    const auto a = sessions.Add(session(), u"a"_s);
    const auto c = sessions.Add(session(), u"c"_s);
    EXPECT_EQ(sessions.Item(1), a);
    EXPECT_EQ(sessions.Item(u"C"_s), c);
    EXPECT_EQ(sessions.Index(u"B"_s), 2);
    EXPECT_EQ(sessions.FindPosition(u"bb"_s), 3);
    EXPECT_EQ(sessions.FindPosition(u"z"_s), 4);
    EXPECT_EQ(sessions.FindPosition(u"0"_s), 1);
    EXPECT_EQ(std::vector<CSessionPtr>(sessions.begin(), sessions.end()),
              (std::vector<CSessionPtr> {a, b, c}));
    EXPECT_FALSE(sessions.Add(session(), u"B"_s));
    EXPECT_EQ(sessions.Err, CollectionError::DuplicateKey);
    EXPECT_EQ(sessions.Item(u"b"_s), b);
    // Before and after are ignored where key order is kept whatever Sorted says.
    CSessions unsorted;
    EXPECT_TRUE(unsorted.SetSorted(false));
    unsorted.Add(session(), u"b"_s);
    unsorted.Add(session(), u"a"_s, 2);
    EXPECT_EQ(keysOf(unsorted), (QStringList {u"a"_s, u"b"_s}));

    // Keys that differ between ordinal and case-blind order must still land in one order.
    CFiles files;
    for (const QString &key : {u"a"_s, u"b"_s, u"C"_s, u"B2"_s, u"A1"_s, u"c0"_s})
        ASSERT_TRUE(files.Add(std::make_shared<CFile>(), key)) << qPrintable(key);
    EXPECT_EQ(keysOf(files), (QStringList {u"a"_s, u"A1"_s, u"b"_s, u"B2"_s, u"C"_s, u"c0"_s}));
    for (int i = 1; i <= files.Count(); ++i)
        EXPECT_EQ(files.Index(files.Key(i).toUpper()), i);

    // Missing keys and positions fail quietly, and the next success clears the failure.
    EXPECT_EQ(files.Index(u"missing"_s), 0);
    EXPECT_FALSE(files.Item(u"missing"_s));
    EXPECT_FALSE(files.Item(0));
    EXPECT_FALSE(files.Item(7));
    EXPECT_EQ(files.Key(7), QString());
    EXPECT_NE(files.Err, 0);
    EXPECT_FALSE(files.Remove(u"missing"_s));
    EXPECT_FALSE(files.Remove(7));
    EXPECT_FALSE(files.SetSorted(false));
    EXPECT_EQ(files.Err, CollectionError::SortedReadOnly);
    EXPECT_EQ(files.Count(), 6);
    EXPECT_EQ(files.Key(1), u"a"_s);
    EXPECT_EQ(files.Err, 0);
}

TEST(Collections, UnsortedHonoursBeforeAndAfterAndMatchesKeysExactly)
{
    CCollection list;
    list.Add(1, u"one"_s);
    list.Add(3, u"three"_s);
    EXPECT_TRUE(list.Add(2, u"two"_s, 2).isValid());
    EXPECT_TRUE(list.Add(0, u"zero"_s, u"ONE"_s).isValid());
    EXPECT_TRUE(list.Add(4, u"four"_s, {}, 4).isValid());
    EXPECT_EQ(keysOf(list), (QStringList {u"zero"_s, u"one"_s, u"two"_s, u"three"_s, u"four"_s}));
    // Before a position or key that does not exist: nothing is inserted.
    EXPECT_FALSE(list.Add(9, u"nine"_s, 6).isValid());
    EXPECT_FALSE(list.Add(9, u"nine"_s, u"nowhere"_s).isValid());
    EXPECT_EQ(list.Count(), 5);

    EXPECT_EQ(list.Item(u"TWO"_s).toInt(), 2);
    EXPECT_EQ(list.Index(u"two"_s), 3);
    EXPECT_EQ(list.Index(u"TWO"_s), 0);
    EXPECT_TRUE(list.SetItem(u"Two"_s, u"deux"_s));
    EXPECT_EQ(list.Item(3).toString(), u"deux"_s);
    EXPECT_FALSE(list.SetItem(u"absent"_s, 7));
    EXPECT_TRUE(list.Remove(u"ZERO"_s));
    EXPECT_TRUE(list.Remove(4));
    EXPECT_EQ(keysOf(list), (QStringList {u"one"_s, u"two"_s, u"three"_s}));

    CTreeNodes nodes;
    const auto node = nodes.Add(u"Site/Docs"_s);
    ASSERT_TRUE(node);
    EXPECT_FALSE(nodes.Add(u"site/docs"_s));
    EXPECT_EQ(nodes.Err, CollectionError::DuplicateKey);
    EXPECT_EQ(nodes.Index(u"site/docs"_s), 0);
    EXPECT_EQ(nodes.Index(u"Site/Docs"_s), 1);
    EXPECT_EQ(nodes.Item(u"site/docs"_s), node);
}

TEST(Collections, LargeRandomInsertAndRemoveStayConsistent)
{
    // Many blocks: every position and every key must still agree after inserts and removals.
    CFiles files;
    QStringList keys;
    QRandomGenerator random(7);
    for (int i = 0; i < 5000; ++i) {
        const QString key = u"k"_s + QString::number(random.bounded(1000000));
        if (files.Add(std::make_shared<CFile>(), key))
            keys << key;
    }
    for (int i = 0; i < 1500; ++i) {
        const int pos = 1 + int(random.bounded(files.Count()));
        keys.removeOne(files.Key(pos));
        ASSERT_TRUE(files.Remove(pos));
    }
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(files.Remove(keys.takeLast()));
    std::sort(keys.begin(), keys.end(), [](const QString &a, const QString &b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    EXPECT_EQ(keysOf(files), keys);
    for (int i = 0; i < keys.size(); i += 37)
        EXPECT_EQ(files.Index(keys.at(i)), i + 1);
    EXPECT_EQ(std::count_if(files.begin(), files.end(), [](const CFilePtr &f) { return !!f; }),
              keys.size());
}

TEST(Collections, VisitsAndDownloadsKeepOnePerSecondInTimeOrder)
{
    const auto day = [](int d, int h, int mi, int s, int ms = 0) {
        return at(2024, 3, d, h, mi, s, ms);
    };
    CVisits visits;
    // Added out of order, with milliseconds, which the key leaves out but the visit keeps.
    for (const QDateTime &start : {day(3, 9, 0, 0), day(1, 23, 59, 59, 250), day(2, 0, 0, 0)})
        ASSERT_TRUE(
            visits.Add(visit(morning, start, zeroDateTime(), start.toString(u"d hh:mm:ss.zzz"_s))));
    EXPECT_FALSE(visits.Add(visit(morning, day(1, 23, 59, 59, 900))));
    EXPECT_EQ(keysOf(visits),
              (QStringList {
                  u"2024-03-01 23:59:59"_s, u"2024-03-02 00:00:00"_s, u"2024-03-03 09:00:00"_s}));
    QList<QDateTime> walked;
    for (const CSession &visit : visits) {
        EXPECT_EQ(visit.Param, visit.sTime.toString(u"d hh:mm:ss.zzz"_s));
        EXPECT_EQ(visit.Session, morning);
        EXPECT_TRUE(isZeroDateTime(visit.eTime));
        walked << visit.sTime;
    }
    EXPECT_EQ(walked,
              (QList<QDateTime> {day(1, 23, 59, 59, 250), day(2, 0, 0, 0), day(3, 9, 0, 0)}));

    // Found by key text or position; anything else finds nothing and changes nothing.
    EXPECT_EQ(visits.Item(u"2024-03-02 00:00:00"_s)->sTime, day(2, 0, 0, 0));
    for (const QString &missing :
         {u"2024-03-02 00:00:01"_s, u"2024-03-02"_s, u"2024-13-02 00:00:00"_s, u"x"_s, QString()}) {
        EXPECT_FALSE(visits.Item(missing)) << qPrintable(missing);
        EXPECT_FALSE(visits.SetEnd(missing, day(9, 0, 0, 0))) << qPrintable(missing);
        EXPECT_FALSE(visits.Remove(missing)) << qPrintable(missing);
    }
    for (const int position : {0, 4, -1}) {
        EXPECT_FALSE(visits.Item(position));
        EXPECT_FALSE(visits.Remove(position));
    }
    EXPECT_TRUE(visits.SetEnd(u"2024-03-02 00:00:00"_s, day(2, 0, 5, 0, 10)));
    EXPECT_EQ(visits.Item(2)->eTime, day(2, 0, 5, 0, 10));
    EXPECT_TRUE(visits.Remove(u"2024-03-01 23:59:59"_s));
    EXPECT_TRUE(visits.Remove(2));
    EXPECT_EQ(keysOf(visits), QStringList {u"2024-03-02 00:00:00"_s});

    CActivities downloads;
    for (const int minute : {30, 10, 20, 20}) {
        CActivity act;
        act.Key = day(5, 9, minute, 0);
        act.Location = QString::number(minute);
        const bool fresh = downloads.Count() < 3;
        EXPECT_EQ(downloads.Add(act), fresh) << minute;
    }
    QStringList locations;
    for (const CActivity &act : downloads)
        locations << act.Location;
    EXPECT_EQ(locations, (QStringList {u"10"_s, u"20"_s, u"30"_s}));
    EXPECT_EQ(downloads.Item(u"2024-03-05 09:30:00"_s)->Location, u"30"_s);
}

TEST(Collections, VisitsKeepTheirQueryTextsWhateverTheyHold)
{
    // Repeated, empty, with the characters the texts' own bookkeeping uses, and long enough to
    // need more than 16 bits for its length.
    const QString longText(70'000, u'q');
    const QString lengthLike = QString(QChar(u'\0')) + QChar(char16_t(3)) + QChar(u'\0');
    const QStringList texts = QStringList {u"a=1"_s, u"a=1"_s, QString(), u"b"_s, u"a=1"_s}
                              + QStringList {longText, longText, lengthLike, u"שלום"_s, {}, u"b"_s};
    CVisits visits;
    for (qsizetype i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(
            visits.Add(visit(morning, at(2024, 3, 1, 9, 0, int(i)), zeroDateTime(), texts.at(i))));
    QStringList back;
    for (const CSession &visit : visits)
        back << visit.Param;
    EXPECT_EQ(back, texts);

    // Ending a visit or dropping one leaves the others' texts as they were.
    EXPECT_TRUE(visits.SetEnd(visits.Key(6), at(2024, 3, 1, 10)));
    EXPECT_TRUE(visits.Remove(1));
    EXPECT_EQ(visits.Item(5)->Param, longText);
    EXPECT_EQ(visits.Item(7)->Param, lengthLike);
    EXPECT_EQ(visits.Item(1)->Param, u"a=1"_s);
}
