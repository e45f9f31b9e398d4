// Costs of the model: loading a data folder against merely reading its files, saving one
// site record, and the sorted keyed collection at growing sizes.
#include "cfile.h"
#include "cfiles.h"
#include "clock.h"
#include "generatedstore.h"
#include "roamstore.h"
#include "timekey.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QDateTime base(QDate(2024, 1, 1), QTime(8, 0, 0));

CFile makeRecord(QRandomGenerator &random, int index, int visits)
{
    CFile file;
    file.SetURL(u"site"_s + QString::number(index % 997) + u".example/section"_s
                + QString::number(index / 997) + u"/page"_s + QString::number(index) + u".html"_s);
    file.Title = GeneratedStore::title(random);
    const QDateTime session = base.addSecs(qint64(index) * 7);
    for (int v = 0; v < visits; ++v) {
        auto visit = std::make_shared<CSession>();
        visit->Session = session;
        visit->sTime = session.addSecs(v * 90);
        visit->eTime = v + 1 == visits ? zeroDateTime() : visit->sTime.addSecs(60);
        visit->Param = v % 4 == 0 ? u"q=roam&page="_s + QString::number(v) : QString();
        file.Sessions.Add(*visit);
    }
    return file;
}

// One generated data folder per size, kept for the whole run.
const QString &dataFolder(int count)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    static std::map<int, QString> paths;
    auto &dir = folders[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        QRandomGenerator random(count);
        for (int i = 0; i < count; ++i) {
            CFile file = makeRecord(random, i, 1 + int(random.bounded(20)));
            if (random.bounded(5) == 0) {
                auto act = std::make_shared<CActivity>();
                act->Session = base;
                act->Location = u"http://"_s + file.URL() + u"/file.zip"_s;
                act->Key = base.addSecs(i);
                file.Activities.Add(*act);
            }
            QFile out(dir->filePath(QString::number(i) + u".smf"_s));
            if (out.open(QIODevice::WriteOnly))
                out.write(file.toBytes());
        }
        paths[count] = dir->path();
    }
    return paths[count];
}

void rawRead(benchmark::State &state)
{
    const QString &folder = dataFolder(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(GeneratedStore::rawRead(folder));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void loadDataFolder(benchmark::State &state)
{
    const QString &folder = dataFolder(int(state.range(0)));
    ManualClock clock(base.addYears(1));
    for (auto _ : state) {
        auto store = std::make_unique<RoamStore>(folder, clock);
        store->LoadDataFolder();
        if (store->Files.Count() != state.range(0))
            state.SkipWithError("not every site file was loaded");
        benchmark::DoNotOptimize(store->Files.Count());
        // Freeing the records is not part of loading them.
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void saveRecord(benchmark::State &state)
{
    QTemporaryDir dir;
    QRandomGenerator random(1);
    CFile file = makeRecord(random, 1, int(state.range(0)));
    file.FileName = dir.filePath(u"1.smf"_s);
    for (auto _ : state) {
        if (!file.Save())
            state.SkipWithError("save failed");
    }
}

QStringList randomKeys(int count)
{
    QRandomGenerator random(count);
    QStringList keys;
    keys.reserve(count);
    for (int i = 0; i < count; ++i)
        keys << u"site"_s + QString::number(random.generate()) + u".example/page"_s
                    + QString::number(i);
    return keys;
}

void filesInsert(benchmark::State &state)
{
    const QStringList keys = randomKeys(int(state.range(0)));
    const auto record = std::make_shared<CFile>();
    for (auto _ : state) {
        CFiles files;
        for (const QString &key : keys)
            files.Add(record, key);
        benchmark::DoNotOptimize(files.Count());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void filesLookup(benchmark::State &state)
{
    const QStringList keys = randomKeys(int(state.range(0)));
    const auto record = std::make_shared<CFile>();
    CFiles files;
    for (const QString &key : keys)
        files.Add(record, key);
    QStringList probes;
    for (const QString &key : keys)
        probes << key.toUpper();
    for (auto _ : state) {
        qint64 found = 0;
        for (const QString &key : probes)
            found += files.Index(key);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(rawRead)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(loadDataFolder)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(saveRecord)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(filesInsert)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(filesLookup)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
