// Building the outlines behind the tabs for large generated stores.
//
// A store of N site records: hosts with 3 folders of 5 pages each (19 records a host, parents
// included, as the recorder leaves them). Every page is visited in one browsing session, a
// quarter of them in a second one, each time together with its folder and host; the sessions
// of a host's pages come from 3 of the 500 stored sessions. One host in fifty was visited in
// the running session, one page in twenty has a download.
//
// Each iteration is what a tab click costs: empty the tree, add the root, build, and let the
// shown tree lay itself out.

#include "views/outlinebuilder.h"
#include "views/outlinetab.h"
#include "views/outlinetree.h"

#include "resources/roamicons.h"

#include "cfile.h"
#include "clock.h"
#include "roamstore.h"
#include "timekey.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int sessionCount = 500;
const QDateTime firstSession(QDate(2020, 1, 1), QTime(8, 0, 0));

void addVisit(CFile &file, const QDateTime &session, const QDateTime &start)
{
    auto visit = std::make_shared<CSession>();
    visit->Session = session;
    visit->sTime = start;
    visit->eTime = start.addSecs(20);
    file.Sessions.Add(*visit);
}

CFilePtr newRecord(const QString &url)
{
    auto file = std::make_shared<CFile>();
    file->SetURL(url);
    file->Title = url;
    return file;
}

RoamStore &storeOf(int siteCount)
{
    static ManualClock clock(firstSession);
    static std::map<int, std::unique_ptr<RoamStore>> stores;
    std::unique_ptr<RoamStore> &slot = stores[siteCount];
    if (slot)
        return *slot;

    slot = std::make_unique<RoamStore>(QString(), clock);
    RoamStore &store = *slot;
    QRandomGenerator random(siteCount);
    std::vector<QDateTime> sessions;
    for (int i = 0; i < sessionCount; ++i) {
        const QDateTime start = firstSession.addDays(i);
        sessions.push_back(start);
        auto session = std::make_shared<CSession>();
        session->sTime = start;
        session->eTime = start.addSecs(3600);
        store.AllSessions.Add(session, timeKey(start));
    }
    store.SessionStart = firstSession.addDays(sessionCount);
    auto runningSession = std::make_shared<CSession>();
    runningSession->Session = store.SessionStart;
    runningSession->sTime = store.SessionStart;
    runningSession->eTime = store.SessionStart;
    store.AllSessions.Add(runningSession, timeKey(store.SessionStart));

    std::vector<int> secondsIntoSession(sessions.size() + 1, 0);
    const auto visitAll = [&](const std::vector<CFile *> &path, size_t sessionIndex) {
        const QDateTime session = sessionIndex < sessions.size() ? sessions[sessionIndex]
                                                                 : store.SessionStart;
        const QDateTime start = session.addSecs(++secondsIntoSession[sessionIndex]);
        for (CFile *file : path)
            addVisit(*file, session, start);
    };

    for (int host = 0; store.Files.Count() < siteCount; ++host) {
        const QString hostUrl = u"host%1.example"_s.arg(host);
        const CFilePtr hostRecord = newRecord(hostUrl);
        store.Files.Add(hostRecord, hostUrl);
        size_t hostSessions[3];
        for (size_t &s : hostSessions)
            s = random.bounded(sessionCount);
        const bool runningHost = host % 50 == 0;
        for (int dir = 0; dir < 3 && store.Files.Count() < siteCount; ++dir) {
            const QString dirUrl = hostUrl + u"/folder%1"_s.arg(dir);
            const CFilePtr dirRecord = newRecord(dirUrl);
            store.Files.Add(dirRecord, dirUrl);
            for (int page = 0; page < 5 && store.Files.Count() < siteCount; ++page) {
                const QString pageUrl = dirUrl + u"/page%1.htm"_s.arg(page);
                const CFilePtr pageRecord = newRecord(pageUrl);
                store.Files.Add(pageRecord, pageUrl);
                const std::vector<CFile *> path {
                    pageRecord.get(), dirRecord.get(), hostRecord.get()};
                visitAll(path, hostSessions[random.bounded(3)]);
                if (random.bounded(4) == 0)
                    visitAll(path, hostSessions[random.bounded(3)]);
                if (runningHost) {
                    visitAll(path, sessions.size());
                    pageRecord->SetVisited(true);
                }
                if (random.bounded(20) == 0) {
                    auto act = std::make_shared<CActivity>();
                    act->Session = pageRecord->Sessions.Item(1)->Session;
                    act->Key = pageRecord->Sessions.Item(1)->sTime;
                    act->Location = pageUrl;
                    pageRecord->Activities.Add(*act);
                }
            }
        }
    }
    return store;
}

void buildOutline(benchmark::State &state, const QString &tag)
{
    RoamStore &store = storeOf(int(state.range(0)));
    OutlineTree tree;
    tree.SetImageProvider(&RoamIcons::image);
    tree.resize(300, 700);
    tree.show();
    OutlineBuilder builder(tree, store);
    for (auto _ : state) {
        tree.Clear();
        builder.AddRootNode(tag, outlineTabImage(tag));
        builder.BuildOutline(tag);
        QCoreApplication::processEvents();
    }
    state.counters["nodes"] = tree.Count();
    state.counters["visits"] = [&store] {
        double visits = 0;
        for (const CFilePtr &file : store.Files)
            visits += file->Sessions.Count();
        return visits;
    }();
}

void BM_Current(benchmark::State &state)
{
    buildOutline(state, u"Current"_s);
}
void BM_Sites(benchmark::State &state)
{
    buildOutline(state, u"Sites"_s);
}
void BM_Chrono(benchmark::State &state)
{
    buildOutline(state, u"Chrono"_s);
}
void BM_Activities(benchmark::State &state)
{
    buildOutline(state, u"Activities"_s);
}

BENCHMARK(BM_Current)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sites)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Chrono)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Activities)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
