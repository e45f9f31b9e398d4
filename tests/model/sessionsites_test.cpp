#include "cfile.h"
#include "sessionsites.h"
#include "timekey.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QDateTime first(QDate(2024, 1, 1), QTime(8, 0, 0));
const QDateTime second(QDate(2024, 1, 2), QTime(8, 0, 0));

CFilePtr addSite(CFiles &files, const QString &url)
{
    auto file = std::make_shared<CFile>();
    file->SetURL(url);
    files.Add(file, url);
    return file;
}

// A visit of @p file in the session begun at @p session, at @p minutes after its start.
CSession visit(CFile &file, const QDateTime &session, int minutes)
{
    CSession entry;
    entry.Session = session;
    entry.sTime = session.addSecs(minutes * 60);
    file.Sessions.Add(entry);
    return entry;
}

QStringList urlsOf(const SessionSites::SitesPtr &sites)
{
    QStringList urls;
    for (const CFile *file : sites ? *sites : SessionSites::Sites())
        urls.append(file->URL());
    return urls;
}

QStringList urlsOf(const SessionSites &index, const QDateTime &session)
{
    return urlsOf(index.SitesOf(wallClockMs(session)));
}

// Every session with its sites, sessions in time order: all a reader can see of the index.
QStringList contents(const SessionSites &index)
{
    QList<qint64> sessions = index.Sessions();
    std::sort(sessions.begin(), sessions.end());
    QStringList seen {QString::number(index.VisitCount())};
    for (const qint64 session : std::as_const(sessions))
        seen << QString::number(session) << urlsOf(index.SitesOf(session));
    return seen;
}

} // namespace

TEST(SessionSites, ListsEachSessionsSitesByFirstVisitThenKey)
{
    CFiles files;
    const CFilePtr b = addSite(files, u"b.example"_s);
    const CFilePtr a = addSite(files, u"A.example"_s);
    const CFilePtr c = addSite(files, u"c.example"_s);
    visit(*c, first, 1);
    visit(*b, first, 3);
    visit(*a, first, 3);
    visit(*c, first, 5);
    SessionSites index;
    EXPECT_FALSE(index.Matches(files));
    index.Build(files);
    EXPECT_TRUE(index.Matches(files));
    // b and A came at the same minute: key order, letter case ignored.
    EXPECT_EQ(urlsOf(index, first), (QStringList {u"c.example"_s, u"A.example"_s, u"b.example"_s}));
    EXPECT_EQ(index.VisitCount(), 4);
    EXPECT_FALSE(index.SitesOf(wallClockMs(second)));

    // A visit added behind the index's back is noticed, and a new build takes it in.
    visit(*a, second, 0);
    EXPECT_FALSE(index.Matches(files));
    index.Build(files);
    EXPECT_TRUE(index.Matches(files));
    EXPECT_EQ(urlsOf(index, second), QStringList {u"A.example"_s});
    index.Clear();
    EXPECT_FALSE(index.Matches(files));
    EXPECT_TRUE(index.Sessions().isEmpty());
}

TEST(SessionSites, FollowsChangesAsABuildWouldSeeThem)
{
    struct Case
    {
        const char *name;
        std::function<void(CFiles &, SessionSites &)> change;
    };
    // New sites and later visits are followed in the panel's delete tests.
    const std::vector<Case> cases {
        {"a visit before a site's first one there",
         [](CFiles &files, SessionSites &index) {
             const CFilePtr c = files.Item(u"c.example"_s);
             index.AddVisit(c, visit(*c, first, 0));
         }},
        {"sites first visited at one moment",
         [](CFiles &files, SessionSites &index) {
             for (const QString &url : {u"z.example"_s, u"e.example"_s, u"m.example"_s}) {
                 const CFilePtr site = addSite(files, url);
                 index.AddVisit(site, visit(*site, second, 40));
             }
         }},
        // The record leaves the store while a reader holds a list that names it.
        {"a site removed",
         [](CFiles &files, SessionSites &index) {
             const CFilePtr b = files.Item(u"b.example"_s);
             index.RemoveSite(b);
             files.Remove(b->URL());
         }},
        {"a session's visits removed",
         [](CFiles &files, SessionSites &index) {
             qint64 removed = 0;
             for (const CFilePtr &file : files) {
                 for (int pos = file->Sessions.Count(); pos >= 1; --pos) {
                     if (file->Sessions.Rows()[size_t(pos - 1)].session == wallClockMs(first)) {
                         file->Sessions.Remove(pos);
                         ++removed;
                     }
                 }
             }
             index.RemoveSessions({wallClockMs(first)}, removed);
         }},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.name);
        CFiles files;
        std::vector<std::weak_ptr<CFile>> records;
        for (const QString &url : {u"a.example"_s, u"b.example"_s, u"c.example"_s}) {
            const CFilePtr site = addSite(files, url);
            visit(*site, first, 2 * int(records.size()) + 2);
            records.push_back(site);
        }
        visit(*files.Item(u"b.example"_s), second, 1);
        SessionSites index;
        index.Build(files);
        // A reader keeps the list it got, whatever comes after.
        const SessionSites::SitesPtr held = index.SitesOf(wallClockMs(first));
        const SessionSites::Sites before = *held;
        test.change(files, index);

        SessionSites built;
        built.Build(files);
        EXPECT_TRUE(index.Matches(files));
        EXPECT_EQ(contents(index), contents(built));
        EXPECT_EQ(*held, before);
        for (const std::weak_ptr<CFile> &record : records)
            EXPECT_FALSE(record.expired());
        EXPECT_EQ(urlsOf(held), (QStringList {u"a.example"_s, u"b.example"_s, u"c.example"_s}));
    }
}

TEST(SessionSites, ABuildSharedAmongCoresKeepsKeyOrder)
{
    // Enough records for the build to share them out; every site first visited at one moment.
    CFiles files;
    QStringList expected;
    for (int i = 0; i < 6000; ++i) {
        const QString url = u"site%1.example"_s.arg(i, 5, 10, QChar(u'0'));
        visit(*addSite(files, url), first, i % 2);
        if (i % 2 == 0)
            expected.append(url);
    }
    for (int i = 1; i < 6000; i += 2)
        expected.append(u"site%1.example"_s.arg(i, 5, 10, QChar(u'0')));
    SessionSites index;
    index.Build(files);
    EXPECT_EQ(urlsOf(index, first), expected);
    EXPECT_EQ(index.VisitCount(), 6000);
}
