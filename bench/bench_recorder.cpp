// One accepted page of five path levels into a store of 100,000 site records, against writing the
// same five site files directly. Run: build/bench/bench_recorder
#include "control/navigationrecorder.h"

#include "cfile.h"
#include "clock.h"
#include "csession.h"
#include "roamstore.h"
#include "timekey.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int StoreSize = 100'000;
const QDateTime Start(QDate(2024, 3, 1), QTime(9, 0, 0));

// Records in memory only, with file names in the data folder: the lookups and names are what the
// recorder meets; writing 100,000 files first would only slow the set-up.
void fill(RoamStore &store)
{
    for (int i = 0; i < StoreSize; ++i) {
        auto file = std::make_shared<CFile>();
        const QString url = u"site%1.example/dir/page%2"_s.arg(i % 5000).arg(i);
        file->SetURL(url);
        file->Title = url;
        file->FileName = QDir(store.dataFolder()).filePath(u"f%1.smf"_s.arg(i));
        store.Files.Add(file, url);
    }
}

QString pageUrl(int n)
{
    return u"http://bench%1.example/a/b/c/page.htm"_s.arg(n);
}

void BM_SetUrlFiveLevels(benchmark::State &state)
{
    QTemporaryDir dir;
    ManualClock clock(Start);
    RoamStore store(dir.path(), clock);
    store.LoadDataFolder();
    fill(store);
    NavigationRecorder recorder(store, clock);
    int n = 0;
    for (auto _ : state) {
        recorder.SetUrl(pageUrl(n++));
        clock.advance(1);
    }
    state.counters["records"] = store.Files.Count();
}

void BM_WriteFiveSiteFilesDirectly(benchmark::State &state)
{
    QTemporaryDir dir;
    ManualClock clock(Start);
    RoamStore store(dir.path(), clock);
    store.LoadDataFolder();
    fill(store);
    int n = 0;
    for (auto _ : state) {
        QString url = pageUrl(n).mid(7);
        for (int level = 0; level < 5; ++level) {
            auto file = std::make_shared<CFile>();
            file->SetURL(url);
            file->Title = url;
            file->FileName = QDir(dir.path()).filePath(u"d%1_%2.smf"_s.arg(n).arg(level));
            auto visit = std::make_shared<CSession>();
            visit->sTime = clock.now();
            visit->Session = store.SessionStart;
            file->Sessions.Add(*visit);
            file->Save();
            url = url.left(url.lastIndexOf(u'/'));
        }
        ++n;
        clock.advance(1);
    }
}

} // namespace

BENCHMARK(BM_SetUrlFiveLevels)->Iterations(3000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteFiveSiteFilesDirectly)->Iterations(3000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
