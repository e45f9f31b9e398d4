// roamlog-history at scale: exporting 1,000,000 visits (time, and the peak memory of the
// program doing it, which must stay under 50 MiB), and importing 100,000 browser visits
// against merely reading the same rows from the History database.
#include "cfile.h"
#include "chromiumimport.h"
#include "historyexport.h"
#include "neverrecordrules.h"
#include "timekey.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <memory>

extern char **environ;

using namespace Qt::StringLiterals;

namespace {

const QDateTime base(QDate(2024, 1, 1), QTime(8, 0, 0));
constexpr int exportFiles = 10000;
constexpr int visitsPerFile = 100;
constexpr int importVisits = 100000;

// 10,000 site files of 100 visits each, made once per run.
QString exportFolder()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        for (int i = 0; i < exportFiles; ++i) {
            CFile file;
            file.SetURL(u"site"_s + QString::number(i % 211) + u".example/area"_s
                        + QString::number(i / 211) + u"/page"_s + QString::number(i) + u".html"_s);
            file.Title = u"Page number "_s + QString::number(i) + u", with a title, \"quoted\""_s;
            const QDateTime session = base.addSecs(qint64(i) * 11);
            for (int v = 0; v < visitsPerFile; ++v) {
                auto visit = std::make_shared<CSession>();
                visit->Session = session;
                visit->sTime = session.addSecs(qint64(v) * 86400 + i % 60);
                visit->eTime = visit->sTime.addSecs(45);
                visit->Param = v % 3 == 0 ? u"q=roam&page="_s + QString::number(v) : QString();
                file.Sessions.Add(*visit);
            }
            file.FileName = dir->filePath(QString::number(i) + u".smf"_s);
            file.Save();
        }
    }
    return dir->path();
}

void BM_ExportMillionVisits(benchmark::State &state)
{
    const QString folder = exportFolder();
    for (auto _ : state) {
        QFile sink(u"/dev/null"_s);
        sink.open(QIODevice::WriteOnly);
        QTextStream out(&sink);
        QString errors;
        QTextStream err(&errors);
        HistoryExport exporter(HistoryExport::Format(state.range(0)), out, err);
        const qint64 rows = exporter.run(folder);
        out.flush();
        if (rows != qint64(exportFiles) * visitsPerFile)
            state.SkipWithError("not every visit was exported");
    }
    state.SetItemsProcessed(state.iterations() * exportFiles * visitsPerFile);
}
BENCHMARK(BM_ExportMillionVisits)
    ->Arg(int(HistoryExport::Format::Json))
    ->Arg(int(HistoryExport::Format::Csv))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

// The installed program, run as a child so that its peak resident size is its own.
void BM_ExportPeakMemory(benchmark::State &state)
{
    const QByteArray folder = QFile::encodeName(exportFolder());
    const QByteArray format = state.range(0) == int(HistoryExport::Format::Json) ? "json" : "csv";
    long peakKiB = 0;
    for (auto _ : state) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        const char *argv[] = {ROAMLOG_HISTORY_PROGRAM,
                              "--data-dir",
                              folder.constData(),
                              "export",
                              "--format",
                              format.constData(),
                              nullptr};
        pid_t child = 0;
        const int spawned = posix_spawn(&child,
                                        ROAMLOG_HISTORY_PROGRAM,
                                        &actions,
                                        nullptr,
                                        const_cast<char *const *>(argv),
                                        environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            state.SkipWithError("cannot start roamlog-history");
            return;
        }
        int status = 0;
        rusage usage {};
        wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("roamlog-history export failed");
        peakKiB = std::max(peakKiB, usage.ru_maxrss);
    }
    state.counters["peak_MiB"] = double(peakKiB) / 1024.0;
    if (peakKiB >= 50 * 1024)
        state.SkipWithError("peak memory of the export is 50 MiB or more");
}
BENCHMARK(BM_ExportPeakMemory)
    ->Arg(int(HistoryExport::Format::Json))
    ->Arg(int(HistoryExport::Format::Csv))
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

// A profile whose History holds 100,000 visits of 5,000 pages on 200 hosts over 60 days.
QString importProfile()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(dir->filePath(u"History"_s)).constData(), &db);
        sqlite3_exec(db,
                     "CREATE TABLE urls(id INTEGER PRIMARY KEY AUTOINCREMENT, url LONGVARCHAR, "
                     "title LONGVARCHAR, visit_count INTEGER DEFAULT 0 NOT NULL, typed_count "
                     "INTEGER DEFAULT 0 NOT NULL, last_visit_time INTEGER NOT NULL, hidden "
                     "INTEGER DEFAULT 0 NOT NULL);"
                     "CREATE TABLE visits(id INTEGER PRIMARY KEY, url INTEGER NOT NULL, "
                     "visit_time INTEGER NOT NULL, from_visit INTEGER, transition INTEGER "
                     "DEFAULT 0 NOT NULL, segment_id INTEGER, visit_duration INTEGER DEFAULT 0 "
                     "NOT NULL, incremented_omnibox_typed_score BOOLEAN DEFAULT FALSE NOT NULL);"
                     "CREATE INDEX visits_time_index ON visits (visit_time);"
                     "BEGIN;",
                     nullptr,
                     nullptr,
                     nullptr);
        sqlite3_stmt *url = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO urls VALUES(?, ?, ?, 1, 0, 0, 0)", -1, &url, nullptr);
        constexpr int pages = 5000;
        for (int i = 1; i <= pages; ++i) {
            const QByteArray text = "https://www.host" + QByteArray::number(i % 200)
                                    + ".example/section" + QByteArray::number(i % 7) + "/page"
                                    + QByteArray::number(i) + (i % 5 == 0 ? "?q=x" : "");
            const QByteArray title = "Title of page " + QByteArray::number(i);
            sqlite3_bind_int(url, 1, i);
            sqlite3_bind_text(url, 2, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(url, 3, title.constData(), int(title.size()), SQLITE_TRANSIENT);
            sqlite3_step(url);
            sqlite3_reset(url);
        }
        sqlite3_finalize(url);
        sqlite3_stmt *visit = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO visits(id, url, visit_time, transition) VALUES(?, ?, ?, ?)",
                           -1,
                           &visit,
                           nullptr);
        const qint64 start = (base.toSecsSinceEpoch() + 11644473600LL) * 1000000LL;
        for (int i = 1; i <= importVisits; ++i) {
            sqlite3_bind_int(visit, 1, i);
            sqlite3_bind_int(visit, 2, 1 + (i * 7919) % pages);
            // About 1,700 visits a day, 50 seconds apart.
            sqlite3_bind_int64(visit, 3, start + qint64(i) * 50 * 1000000LL + i % 1000);
            sqlite3_bind_int(visit, 4, i % 10 == 0 ? 3 : 1);
            sqlite3_step(visit);
            sqlite3_reset(visit);
        }
        sqlite3_finalize(visit);
        sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    return dir->path();
}

void BM_ImportHundredThousandVisits(benchmark::State &state)
{
    const QString profile = importProfile();
    for (auto _ : state) {
        state.PauseTiming();
        auto data = std::make_unique<QTemporaryDir>();
        QString errors;
        QTextStream err(&errors);
        state.ResumeTiming();
        ChromiumImport import(data->path(), NeverRecordRules(), err);
        if (!import.run(profile) || import.summary().rowsRead != importVisits)
            state.SkipWithError("the import failed");
        state.PauseTiming();
        data.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * importVisits);
}
BENCHMARK(BM_ImportHundredThousandVisits)->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: the same query over the same rows, each column fetched, nothing done with them.
void BM_ReadVisitRowsFromSqlite(benchmark::State &state)
{
    const QByteArray file = QFile::encodeName(QDir(importProfile()).filePath(u"History"_s));
    for (auto _ : state) {
        sqlite3 *db = nullptr;
        sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt *rows = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT visits.visit_time, visits.transition, urls.url, urls.title "
                           "FROM visits JOIN urls ON urls.id = visits.url "
                           "ORDER BY visits.visit_time, visits.id",
                           -1,
                           &rows,
                           nullptr);
        qint64 count = 0;
        while (sqlite3_step(rows) == SQLITE_ROW) {
            benchmark::DoNotOptimize(sqlite3_column_int64(rows, 0));
            benchmark::DoNotOptimize(sqlite3_column_int64(rows, 1));
            benchmark::DoNotOptimize(sqlite3_column_text(rows, 2));
            benchmark::DoNotOptimize(sqlite3_column_text(rows, 3));
            ++count;
        }
        sqlite3_finalize(rows);
        sqlite3_close(db);
        if (count != importVisits)
            state.SkipWithError("not every row was read");
    }
    state.SetItemsProcessed(state.iterations() * importVisits);
}
BENCHMARK(BM_ReadVisitRowsFromSqlite)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
