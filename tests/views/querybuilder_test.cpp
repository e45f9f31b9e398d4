#include "viewsfixture.h"

#include "views/querybuilder.h"

#include <QLocale>

using namespace viewstest;
using namespace Qt::StringLiterals;

namespace {

using Question = QueryBuilder::Question;
using Field = QueryBuilder::Field;

const QDate sinceDay(2024, 3, 4);

class QueryBuilderTest : public ViewsFixture
{
protected:
    void SetUp() override
    {
        load();
        m_query = std::make_unique<QueryBuilder>(m_tree, *m_builder, *m_store);
    }

    // A site in memory with one visit per session day and one download per download day.
    CFile &addSite(const QString &url,
                   const QString &title,
                   const QList<QDate> &visitDays = {sinceDay},
                   const QList<QDate> &downloadDays = {},
                   const QString &note = u" "_s)
    {
        QList<Visit> visits;
        QList<Visit> downloads;
        int minute = 0;
        for (const QDate &day : visitDays)
            visits.append({QDateTime(day, QTime(1, 0)), QDateTime(day, QTime(2, ++minute))});
        for (const QDate &day : downloadDays)
            downloads.append({QDateTime(day, QTime(1, 0)), QDateTime(day, QTime(3, ++minute))});
        const CFilePtr file = site(url, title, visits, downloads);
        file->Note = note;
        m_store->Files.Add(file, url);
        return *file;
    }

    // The URLs of the sites listed, in tree order; checks the count the query gives.
    QStringList run(const QueryBuilder::Query &query)
    {
        m_tree.Clear();
        m_builder->AddRootNode(u"Query"_s, 8);
        const int found = m_query->BuildQueryOutline(query);
        QStringList urls;
        for (int i = 2; i <= m_tree.Count(); ++i)
            urls.append(OutlineTree::NodeKey(m_tree.Node(i)));
        EXPECT_EQ(found, urls.size());
        return urls;
    }

    QStringList find(const QString &text, Field field)
    {
        QueryBuilder::Query query;
        query.question = Question::FindString;
        query.findText = text;
        query.field = field;
        return run(query);
    }

    std::unique_ptr<QueryBuilder> m_query;
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

    // The date field takes the user's short and long forms, and no day that does not exist.
    const QDate day(2023, 11, 3);
    EXPECT_EQ(QueryBuilder::SinceDate(QLocale::system().toString(day, QLocale::ShortFormat)), day);
    EXPECT_EQ(QueryBuilder::SinceDate(QLocale().toString(day, QLocale::LongFormat)), day);
    EXPECT_EQ(QueryBuilder::SinceDate(QString()), QDate(1990, 1, 1));
    EXPECT_EQ(QueryBuilder::SinceDate(u"2023-02-30"_s), QDate(1990, 1, 1));
}

TEST_F(QueryBuilderTest, FindStringInTheChosenFieldIgnoringCase)
{
    addSite(u"mysite/docs"_s, u"Manual pages"_s, {sinceDay}, {}, u"read later"_s);
    addSite(u"other.org"_s, u""_s, {sinceDay}, {}, u"Docs are elsewhere"_s);
    addSite(u"third.net/page"_s, u"Third Docs"_s);
    addSite(u"unvisited.org/docs"_s, u"Docs"_s, {});

    EXPECT_EQ(find(u"SITE"_s, Field::Url), QStringList {u"mysite/docs"_s});
    EXPECT_EQ(find(u"docs"_s, Field::Title), QStringList {u"third.net/page"_s});
    EXPECT_EQ(find(u"LATER"_s, Field::Note), QStringList {u"mysite/docs"_s});
    EXPECT_EQ(find(u"docs"_s, Field::All),
              (QStringList {u"mysite/docs"_s, u"other.org"_s, u"third.net/page"_s}));
    // An empty string is in every field that is not empty: the empty title is left out.
    EXPECT_EQ(find(QString(), Field::Title), (QStringList {u"mysite/docs"_s, u"third.net/page"_s}));
    EXPECT_TRUE(find(u"docs"_s, Field::None).isEmpty());
    EXPECT_EQ(m_builder->OutlineNodes().Count(), 0);
}

TEST_F(QueryBuilderTest, ResultsNestByFullUrlAndShowTitlesOrUrlsAsChosen)
{
    addSite(u"mysite"_s, u"My site"_s).SetVisited(true);
    addSite(u"mysite/docs"_s, u"Docs"_s);
    addSite(u"mysite/docs/api"_s, u"API"_s);
    addSite(u"mysite2/x"_s, u"Other"_s);
    addSite(u"mysite3"_s, u" "_s);

    // Titles shown: a site without a title shows its URL.
    find(u"mysite"_s, Field::Url);
    EXPECT_EQ(shape(),
              "1 'Query' [] none 8 +\n"
              "  2 'My site' [mysite] Sites 10\n"
              "    3 'Docs' [mysite/docs] Sites 11\n"
              "      4 'API' [mysite/docs/api] Sites 11\n"
              "  5 'Other' [mysite2/x] Sites 11\n"
              "  6 'mysite3' [mysite3] Sites 11\n");
    const CTreeNodePtr record = m_builder->OutlineNodes().Item(u"mysite/docs"_s);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->URL, u"mysite/docs"_s);
    EXPECT_EQ(record->Title, u"Docs"_s);
    EXPECT_EQ(record->Node, u"Docs"_s);
    EXPECT_EQ(record->Index, 3);

    // URLs shown: nested by the whole URL of the node above.
    m_builder->SetUrlOrDescChoice(1);
    find(u"mysite"_s, Field::Url);
    EXPECT_EQ(shape(),
              "1 'Query' [] none 8 +\n"
              "  2 'mysite' [mysite] Sites 10\n"
              "    3 'mysite/docs' [mysite/docs] Sites 11\n"
              "      4 'mysite/docs/api' [mysite/docs/api] Sites 11\n"
              "  5 'mysite2/x' [mysite2/x] Sites 11\n"
              "  6 'mysite3' [mysite3] Sites 11\n");
}

TEST_F(QueryBuilderTest, FindNextStepsThroughMatches)
{
    m_builder->SetUrlOrDescChoice(1);
    addSite(u"alpha.org"_s, u"Query tools"_s);
    addSite(u"beta.org"_s, u"Nothing"_s);
    addSite(u"gamma.org/query"_s, u"Search"_s);
    addSite(u"delta.org"_s, u"More query"_s);
    ASSERT_EQ(find(QString(), Field::Url),
              (QStringList {u"alpha.org"_s, u"beta.org"_s, u"delta.org"_s, u"gamma.org/query"_s}));
    const auto next = [this](int from, bool fromStart, bool urls, bool urlsShown, const char *t) {
        CTreeNodes &nodes = m_builder->OutlineNodes();
        return QueryBuilder::FindNext(
            m_tree, nodes, from, fromStart, urls, urlsShown, QString::fromLatin1(t));
    };
    // Titles shown: the records are searched, by title for titles and by URL for URLs.
    EXPECT_EQ(next(0, true, false, false, "QUERY"), 2);
    EXPECT_EQ(next(2, false, false, false, "query"), 4);
    EXPECT_EQ(next(4, false, false, false, "query"), 0);
    EXPECT_EQ(next(0, true, true, false, "query"), 5);
    // From the root onwards, and nowhere to start from without a selection.
    EXPECT_EQ(next(1, false, false, false, "search"), 5);
    EXPECT_EQ(next(0, false, false, false, "query"), 0);
    // URLs shown and searched: the node texts, the root's among them.
    EXPECT_EQ(next(0, true, true, true, "QUE"), 1);
    EXPECT_EQ(next(1, false, true, true, "org"), 2);
    EXPECT_EQ(next(2, false, true, true, "org"), 3);
    EXPECT_EQ(next(5, false, true, true, "org"), 0);
}

} // namespace
