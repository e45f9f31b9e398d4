// What the user waits for in the panel with years of history: start-up with the load, each
// tab click until its tree is painted, opening a node with 1,000 children, deleting a session
// of 800 sites and closing, each against merely reading the same site files (rawRead), and
// the resident memory after start-up and of `roamlog-history sites`, measured in children of
// their own so that the figures are theirs alone.
//
// The store is GeneratedStore's: N site files, 2,000 hosts, 500 sessions, 1-20 visits each,
// a fifth with a download. Run with a size filter (e.g. --benchmark_filter=/100000) to keep
// the run short; deleteSession and closing change the store and run last.

#include "generatedstore.h"

#include "control/roampane1.h"
#include "model/roamstore.h"
#include "views/outlinetree.h"
#include "views/searchbox.h"

#include "clock.h"
#include "roamsettings.h"

#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

#include <map>
#include <memory>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char **environ;

using namespace Qt::StringLiterals;

namespace {

QString settingsFile()
{
    static QTemporaryDir dir;
    return dir.filePath(u"settings.ini"_s);
}

/// A panel on a generated store, shown offscreen like the program's window.
struct ShownPanel
{
    explicit ShownPanel(const QString &folder)
        : clock(GeneratedStore::runningSession())
        , settings(settingsFile())
    {
        panel = std::make_unique<RoamPane1>(settings, clock, folder, false);
        panel->SetMessageHandler(
            [](QMessageBox::Icon, const QString &) { return QMessageBox::Yes; });
        panel->resize(350, 800);
        panel->show();
        settle();
    }

    /// Lets the panel lay out and paint what it shows, as the event loop would.
    void settle()
    {
        QCoreApplication::processEvents();
        panel->repaint();
    }

    void clickTab(int index)
    {
        panel->TabStrip1()->setCurrentIndex(index);
        settle();
    }

    ManualClock clock;
    RoamSettings settings;
    std::unique_ptr<RoamPane1> panel;
};

// The panels the read-only benchmarks share. Each holds its data folder's lock, so the
// benchmarks that change a store drop them first: a second panel on a held folder is
// read-only and would delete nothing.
std::map<int, std::unique_ptr<ShownPanel>> &cachedPanels()
{
    static std::map<int, std::unique_ptr<ShownPanel>> panels;
    return panels;
}

ShownPanel &panelOf(int count)
{
    std::unique_ptr<ShownPanel> &slot = cachedPanels()[count];
    if (!slot)
        slot = std::make_unique<ShownPanel>(GeneratedStore::folder(count));
    return *slot;
}

constexpr int optionsTab = 5;

void rawRead(benchmark::State &state)
{
    const QString folder = GeneratedStore::folder(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(GeneratedStore::rawRead(folder));
}

/// Runs @p argv to its end with standard output thrown away; its peak resident size in KiB,
/// or -1 when it failed.
long runChild(const std::vector<QByteArray> &args, QByteArray *output = nullptr)
{
    QTemporaryDir dir;
    const QByteArray outName = QFile::encodeName(dir.filePath(u"out"_s));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(
        &actions, 1, outName.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // GNU time measures a child of its own: the peak our own child reports would start from
    // this process's size, which it shares until it replaces its image.
    const QByteArray peakName = QFile::encodeName(dir.filePath(u"peak"_s));
    std::vector<QByteArray> timed {"/usr/bin/time", "-f", "%M", "-o", peakName};
    for (const QByteArray &arg : args) {
        if (!arg.isNull())
            timed.push_back(arg);
    }
    std::vector<char *> argv;
    for (const QByteArray &arg : timed)
        argv.push_back(const_cast<char *>(arg.constData()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(child, &status, 0);
    if (output) {
        QFile out(dir.filePath(u"out"_s));
        if (out.open(QIODevice::ReadOnly))
            *output = out.readAll();
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    QFile peak(dir.filePath(u"peak"_s));
    if (!peak.open(QIODevice::ReadOnly))
        return -1;
    return peak.readAll().trimmed().toLong();
}

void startup(benchmark::State &state)
{
    const QString folder = GeneratedStore::folder(int(state.range(0)));
    for (auto _ : state) {
        auto shown = std::make_unique<ShownPanel>(folder);
        benchmark::DoNotOptimize(shown->panel->TreeView1()->Count());
        state.PauseTiming();
        shown.reset();
        state.ResumeTiming();
    }
    // The resident size of a panel of its own once it has started, as the program holds it.
    QByteArray output;
    const long peak = runChild({QFile::encodeName(QCoreApplication::applicationFilePath()),
                                "--startup-rss",
                                QFile::encodeName(folder)},
                               &output);
    if (peak < 0)
        state.SkipWithError("the start-up child failed");
    state.counters["rss_MiB"] = output.trimmed().toDouble() / 1024.0;
    state.counters["peak_MiB"] = double(peak) / 1024.0;
}

void tab(benchmark::State &state, int index)
{
    ShownPanel &shown = panelOf(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        // Another page first, so that the click builds its outline anew.
        shown.clickTab(optionsTab);
        state.ResumeTiming();
        shown.clickTab(index);
        benchmark::DoNotOptimize(shown.panel->TreeView1()->Count());
    }
}

void queryResults(benchmark::State &state)
{
    ShownPanel &shown = panelOf(int(state.range(0)));
    RoamPane1 &panel = *shown.panel;
    shown.clickTab(4);
    panel.findChild<QRadioButton *>(u"qryOpt1"_s)->setChecked(true);
    // In URL, title and note alike.
    panel.findChild<QRadioButton *>(u"qryOpt1_3"_s)->setChecked(true);
    panel.findChild<QLineEdit *>(u"qryString"_s)->setText(u"page12"_s);
    auto *results = panel.findChild<QPushButton *>(u"qryResults"_s);
    for (auto _ : state) {
        results->click();
        shown.settle();
        benchmark::DoNotOptimize(panel.TreeView1()->Count());
    }
    state.counters["nodes"] = panel.TreeView1()->Count();
}

// Typing a word into the search box, key by key, until the tree shows the result. The pause
// the box waits for after the last key is not counted: only the work the user waits on.
void searchTyping(benchmark::State &state, const char *word)
{
    ShownPanel &shown = panelOf(int(state.range(0)));
    RoamPane1 &panel = *shown.panel;
    shown.clickTab(1);
    auto *box = panel.findChild<SearchBox *>(u"SearchBox"_s);
    const QString typed = QString::fromUtf8(word);
    int found = 0;
    for (auto _ : state) {
        for (const QChar letter : typed) {
            box->insert(QString(letter));
            QCoreApplication::processEvents();
        }
        found = box->Search(box->text());
        shown.settle();
        state.PauseTiming();
        box->Drop();
        state.ResumeTiming();
    }
    state.counters["hits"] = found;
    state.counters["nodes"] = panel.TreeView1()->Count();
}

void expandNode(benchmark::State &state)
{
    ShownPanel &shown = panelOf(int(state.range(0)));
    shown.clickTab(1);
    OutlineTree *tree = shown.panel->TreeView1();
    OutlineNode *host = tree->NodeByKey(GeneratedStore::hostOf1000());
    if (!host || host->childCount() != 1000) {
        state.SkipWithError("no node with 1,000 children");
        return;
    }
    for (auto _ : state) {
        // As the user opens it: through the view, which then paints the opened rows.
        tree->expand(tree->Nodes().indexOf(host));
        shown.settle();
        state.PauseTiming();
        tree->collapse(tree->Nodes().indexOf(host));
        shown.settle();
        state.ResumeTiming();
    }
}

// The "*" key on the Sites root: every node below it opened, as far as the view goes.
void expandAll(benchmark::State &state)
{
    ShownPanel &shown = panelOf(int(state.range(0)));
    OutlineTree *tree = shown.panel->TreeView1();
    for (auto _ : state) {
        state.PauseTiming();
        shown.clickTab(optionsTab);
        shown.clickTab(1);
        tree->setCurrentIndex(tree->Nodes().index(0, 0));
        state.ResumeTiming();
        QTest::keyClick(tree, Qt::Key_Asterisk);
        shown.settle();
    }
    // Every node with children is to be open in the view.
    int parents = 0;
    int open = 0;
    for (int i = 1; i <= tree->Count(); ++i) {
        OutlineNode *node = tree->Node(i);
        if (node->childCount() > 0) {
            ++parents;
            open += tree->isExpanded(tree->Nodes().indexOf(node)) ? 1 : 0;
        }
    }
    state.counters["nodes"] = tree->Count();
    state.counters["parents"] = parents;
    state.counters["open"] = open;
}

void deleteSession(benchmark::State &state)
{
    cachedPanels().clear();
    for (auto _ : state) {
        state.PauseTiming();
        ShownPanel shown(GeneratedStore::folder(int(state.range(0))));
        if (shown.panel->Store().ReadOnly()) {
            state.SkipWithError("the data folder is held by another panel");
            return;
        }
        shown.clickTab(2);
        OutlineTree *tree = shown.panel->TreeView1();
        OutlineNode *session = tree->NodeByKey(GeneratedStore::sessionOf800Key());
        if (!session) {
            state.SkipWithError("no session of 800 sites");
            return;
        }
        state.counters["sites"] = session->childCount();
        tree->setCurrentItem(session);
        state.ResumeTiming();
        shown.panel->findChild<QAction *>(u"mnuDelete"_s)->trigger();
        shown.settle();
        state.PauseTiming();
        state.counters["left"] = tree->NodeByKey(GeneratedStore::sessionOf800Key()) ? 1 : 0;
        shown.panel.reset();
        state.ResumeTiming();
    }
}

void closing(benchmark::State &state)
{
    cachedPanels().clear();
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownPanel>(GeneratedStore::folder(int(state.range(0))));
        shown->clickTab(1);
        state.ResumeTiming();
        // What the program's window does as it closes: end the session, drop the panel.
        shown->panel->SetSession(true);
        shown.reset();
    }
}

void historyCommand(benchmark::State &state, const char *command, const char *format)
{
    const QByteArray folder = QFile::encodeName(GeneratedStore::folder(int(state.range(0))));
    long peak = 0;
    for (auto _ : state) {
        peak = runChild({ROAMLOG_HISTORY_PROGRAM, "--data-dir", folder, command, format});
        if (peak < 0)
            state.SkipWithError("roamlog-history failed");
    }
    state.counters["peak_MiB"] = double(peak) / 1024.0;
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(rawRead)->Apply(sizes);
BENCHMARK(startup)->Apply(sizes)->Iterations(2);
BENCHMARK_CAPTURE(tab, Current, 0)->Apply(sizes);
BENCHMARK_CAPTURE(tab, Sites, 1)->Apply(sizes);
BENCHMARK_CAPTURE(tab, Chrono, 2)->Apply(sizes);
BENCHMARK_CAPTURE(tab, Activities, 3)->Apply(sizes);
BENCHMARK(queryResults)->Apply(sizes);
BENCHMARK_CAPTURE(searchTyping, narrow, "page12")->Apply(sizes);
BENCHMARK_CAPTURE(searchTyping, broad, "page")->Apply(sizes);
BENCHMARK(expandNode)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(expandAll)->Apply(sizes)->Iterations(1);
BENCHMARK_CAPTURE(historyCommand, sites, "sites", nullptr)->Apply(sizes)->Iterations(2);
BENCHMARK_CAPTURE(historyCommand, export, "export", "--format=csv")->Apply(sizes)->Iterations(2);
BENCHMARK(deleteSession)->Arg(100'000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(closing)->Apply(sizes)->Iterations(1);

/// The child of `startup`: a panel on the folder @p folder, started and settled; prints its
/// resident size in KiB.
int reportStartupRss(const QString &folder)
{
    {
        ShownPanel shown(folder);
        QFile status(u"/proc/self/status"_s);
        if (!status.open(QIODevice::ReadOnly))
            return 1;
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmRSS:")) {
                const QByteArray kib = line.mid(6).trimmed().split(' ').value(0);
                QFile out;
                if (!out.open(stdout, QIODevice::WriteOnly))
                    return 1;
                out.write(kib + '\n');
                out.close();
            }
        }
        // The window is not closed: nothing is written back into the shared store.
        std::quick_exit(0);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--startup-rss") == 0)
        return reportStartupRss(QFile::decodeName(argv[2]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    // Panels kept from one benchmark to the next go while the application stands: among the
    // static objects after it, their views and timers crash the program on its way out.
    cachedPanels().clear();
    benchmark::Shutdown();
    return 0;
}
