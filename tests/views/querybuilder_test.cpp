#include "views/outlinebuilder.h"
#include "views/outlinetree.h"
#include "views/querybuilder.h"

#include "cfile.h"
#include "clock.h"
#include "roamstore.h"
#include "timekey.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Question = QueryBuilder::Question;
using Field = QueryBuilder::Field;

const QDate sinceDay(2024, 3, 4);

QDateTime at(const QDate &day, int hour = 10)
{
    return QDateTime(day, QTime(hour, 0, 0));
}

class QueryBuilderTest : public ::testing::Test
{
protected:
    QueryBuilderTest()
        : m_clock(at(sinceDay.addDays(10)))
        , m_store(m_dir.path(), m_clock)
        , m_builder(m_tree, m_store)
        , m_query(m_tree, m_builder, m_store)
    { }

    // A site in memory with one visit per session day and one download per download day.
    CFile &addSite(const QString &url,
                   const QString &title,
                   const QList<QDate> &visitDays,
                   const QList<QDate> &downloadDays = {},
                   const QString &note = u" "_s)
    {
        auto file = std::make_shared<CFile>();
        file->SetURL(url);
        file->Title = title;
        file->Note = note;
        int minute = 0;
        for (const QDate &day : visitDays) {
            auto visit = std::make_shared<CSession>();
            visit->Session = at(day, 1);
            visit->sTime = at(day, 2).addSecs(60 * ++minute);
            file->Sessions.Add(*visit);
        }
        for (const QDate &day : downloadDays) {
            auto act = std::make_shared<CActivity>();
            act->Session = at(day, 1);
            act->Key = at(day, 3).addSecs(60 * ++minute);
            act->Location = url;
            file->Activities.Add(*act);
        }
        m_store.Files.Add(file, url);
        return *file;
    }

    // The URLs of the sites listed, in tree order; checks the count the query gives.
    QStringList run(const QueryBuilder::Query &query)
    {
        m_tree.Clear();
        m_builder.AddRootNode(u"Query"_s, 8);
        const int found = m_query.BuildQueryOutline(query);
        QStringList urls;
        for (int i = 2; i <= m_tree.Count(); ++i)
            urls.append(OutlineTree::NodeKey(m_tree.Node(i)));
        EXPECT_EQ(found, urls.size());
        return urls;
    }

    static QueryBuilder::Query findString(const QString &text, Field field)
    {
        QueryBuilder::Query query;
        query.question = Question::FindString;
        query.findText = text;
        query.field = field;
        return query;
    }

    QTemporaryDir m_dir;
    ManualClock m_clock;
    RoamStore m_store;
    OutlineTree m_tree;
    OutlineBuilder m_builder;
    QueryBuilder m_query;
};

TEST_F(QueryBuilderTest, DownloadsSinceADayLeaveThatDayOut)
{
    const QDate before = sinceDay.addDays(-1);
    const QDate after = sinceDay.addDays(1);
    addSite(u"after.example/file"_s, u"After"_s, {after}, {after});
    addSite(u"onthatday.example"_s, u"That day"_s, {sinceDay}, {sinceDay});
    addSite(u"downloadbefore.example"_s, u"Old download"_s, {after}, {before});
    addSite(u"nodownload.example"_s, u"Visited only"_s, {after});
    addSite(u"old.example"_s, u"Ancient"_s, {QDate(1989, 6, 1)}, {QDate(1989, 6, 1)});
    addSite(u"novisit.example"_s, u"Downloads without a visit"_s, {}, {after});

    QueryBuilder::Query query;
    query.question = Question::DownloadsSince;
    query.sinceText = sinceDay.toString(Qt::ISODate);
    EXPECT_EQ(run(query), QStringList {u"after.example/file"_s});

    // An unreadable date stands for 1 January 1990.
    query.sinceText = u"Enter Date"_s;
    EXPECT_EQ(run(query),
              (QStringList {
                  u"after.example/file"_s, u"downloadbefore.example"_s, u"onthatday.example"_s}));

    // Without Since every site with a visit and a download whose fields hold the site text.
    query.question = Question::Downloads;
    query.siteText = u"EXAMPLE/F"_s;
    EXPECT_EQ(run(query), QStringList {u"after.example/file"_s});
    query.siteText = u"ancient"_s;
    EXPECT_EQ(run(query), QStringList {u"old.example"_s});
    query.siteText.clear();
    EXPECT_EQ(run(query).size(), 4);
    EXPECT_EQ(OutlineTree::NodeText(m_tree.Node(1)), u"Query"_s);
    EXPECT_TRUE(m_tree.Node(1)->isExpanded());
}

TEST_F(QueryBuilderTest, FindStringInTheChosenFieldIgnoringCase)
{
    const QDate day = sinceDay;
    addSite(u"mysite/docs"_s, u"Manual pages"_s, {day}, {}, u"read later"_s);
    addSite(u"other.org"_s, u""_s, {day}, {}, u"Docs are elsewhere"_s);
    addSite(u"third.net/page"_s, u"Third Docs"_s, {day});
    addSite(u"unvisited.org/docs"_s, u"Docs"_s, {});

    EXPECT_EQ(run(findString(u"SITE"_s, Field::Url)), QStringList {u"mysite/docs"_s});
    EXPECT_EQ(run(findString(u"docs"_s, Field::Title)), QStringList {u"third.net/page"_s});
    EXPECT_EQ(run(findString(u"LATER"_s, Field::Note)), QStringList {u"mysite/docs"_s});
    EXPECT_EQ(run(findString(u"docs"_s, Field::All)),
              (QStringList {u"mysite/docs"_s, u"other.org"_s, u"third.net/page"_s}));
    // An empty string is in every field that is not empty: the empty title is left out.
    EXPECT_EQ(run(findString(QString(), Field::Title)),
              (QStringList {u"mysite/docs"_s, u"third.net/page"_s}));
    EXPECT_TRUE(run(findString(u"docs"_s, Field::None)).isEmpty());
    EXPECT_EQ(m_tree.Count(), 1);
    EXPECT_EQ(m_builder.OutlineNodes().Count(), 0);
}

TEST_F(QueryBuilderTest, ResultsNestByFullUrlAndShowTitlesOrUrlsAsChosen)
{
    const QDate day = sinceDay;
    CFile &top = addSite(u"mysite"_s, u"My site"_s, {day});
    top.SetVisited(true);
    addSite(u"mysite/docs"_s, u"Docs"_s, {day});
    addSite(u"mysite/docs/api"_s, u"API"_s, {day});
    addSite(u"mysite2/x"_s, u"Other"_s, {day});
    addSite(u"mysite3"_s, u" "_s, {day});
    m_builder.SetUrlOrDescChoice(0);

    run(findString(u"mysite"_s, Field::Url));
    ASSERT_EQ(m_tree.Count(), 6);
    OutlineNode *root = m_tree.Node(1);
    ASSERT_EQ(root->childCount(), 3);
    OutlineNode *mysite = m_tree.NodeByKey(u"mysite"_s);
    ASSERT_NE(mysite, nullptr);
    EXPECT_EQ(mysite->parent(), root);
    EXPECT_EQ(OutlineTree::NodeImage(mysite), 10);
    EXPECT_EQ(OutlineTree::NodeTag(mysite), u"Sites"_s);
    EXPECT_FALSE(mysite->isExpanded());
    OutlineNode *docs = m_tree.NodeByKey(u"mysite/docs"_s);
    EXPECT_EQ(docs->parent(), mysite);
    EXPECT_EQ(OutlineTree::NodeImage(docs), 11);
    EXPECT_EQ(m_tree.NodeByKey(u"mysite/docs/api"_s)->parent(), docs);
    EXPECT_EQ(m_tree.NodeByKey(u"mysite2/x"_s)->parent(), root);

    const CTreeNodePtr record = m_builder.OutlineNodes().Item(u"mysite/docs"_s);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->URL, u"mysite/docs"_s);
    EXPECT_EQ(record->Title, u"Docs"_s);
    EXPECT_EQ(record->Node, u"Docs"_s);
    EXPECT_EQ(record->Index, OutlineTree::NodeIndex(docs));
    // Titles shown: a site without a title shows its URL.
    EXPECT_EQ(OutlineTree::NodeText(docs), u"Docs"_s);
    EXPECT_EQ(OutlineTree::NodeText(m_tree.NodeByKey(u"mysite3"_s)), u"mysite3"_s);

    m_builder.SetUrlOrDescChoice(1);
    run(findString(u"mysite"_s, Field::Url));
    EXPECT_EQ(OutlineTree::NodeText(m_tree.NodeByKey(u"mysite/docs"_s)), u"mysite/docs"_s);
    EXPECT_EQ(m_tree.NodeByKey(u"mysite/docs/api"_s)->parent(), m_tree.NodeByKey(u"mysite/docs"_s));
}

TEST_F(QueryBuilderTest, FindNextStepsThroughMatches)
{
    const QDate day = sinceDay;
    m_builder.SetUrlOrDescChoice(1);
    addSite(u"alpha.org"_s, u"Query tools"_s, {day});
    addSite(u"beta.org"_s, u"Nothing"_s, {day});
    addSite(u"gamma.org/query"_s, u"Search"_s, {day});
    addSite(u"delta.org"_s, u"More query"_s, {day});
    run(findString(QString(), Field::Url));
    CTreeNodes &nodes = m_builder.OutlineNodes();
    const auto index = [this](const QString &key) {
        return m_tree.IndexOf(key);
    };

    // Titles shown: the records are searched, by title for titles and by URL for URLs.
    int found = QueryBuilder::FindNext(m_tree, nodes, 0, true, false, false, u"QUERY"_s);
    EXPECT_EQ(found, index(u"alpha.org"_s));
    found = QueryBuilder::FindNext(m_tree, nodes, found, false, false, false, u"query"_s);
    EXPECT_EQ(found, index(u"delta.org"_s));
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, found, false, false, false, u"query"_s), 0);
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, 0, true, true, false, u"query"_s),
              index(u"gamma.org/query"_s));
    // From the root onwards, and nowhere to start from without a selection.
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, 1, false, false, false, u"search"_s),
              index(u"gamma.org/query"_s));
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, 0, false, false, false, u"query"_s), 0);

    // URLs shown and searched: the node texts, the root's among them.
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, 0, true, true, true, u"QUE"_s), 1);
    found = QueryBuilder::FindNext(m_tree, nodes, 1, false, true, true, u"org"_s);
    EXPECT_EQ(found, 2);
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, found, false, true, true, u"org"_s), 3);
    EXPECT_EQ(QueryBuilder::FindNext(m_tree, nodes, 5, false, true, true, u"org"_s), 0);
}

TEST(QueryBuilder, SinceDatesAndOccurrence)
{
    const QDate day(2023, 11, 3);
    EXPECT_EQ(QueryBuilder::SinceDate(u"2023-11-03"_s), day);
    EXPECT_EQ(QueryBuilder::SinceDate(QLocale::system().toString(day, QLocale::ShortFormat)), day);
    EXPECT_EQ(QueryBuilder::SinceDate(QLocale().toString(day, QLocale::LongFormat)), day);
    EXPECT_EQ(QueryBuilder::SinceDate(u"Enter Date"_s), QDate(1990, 1, 1));
    EXPECT_EQ(QueryBuilder::SinceDate(QString()), QDate(1990, 1, 1));
    EXPECT_EQ(QueryBuilder::SinceDate(u"2023-02-30"_s), QDate(1990, 1, 1));

    EXPECT_TRUE(QueryBuilder::OccursIn(u"SITE"_s, u"mysite/docs"_s));
    EXPECT_TRUE(QueryBuilder::OccursIn(QString(), u" "_s));
    EXPECT_FALSE(QueryBuilder::OccursIn(QString(), QString()));
    EXPECT_FALSE(QueryBuilder::OccursIn(u"x"_s, QString()));
}

} // namespace
