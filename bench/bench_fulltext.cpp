// Search in the page text index: 100,000 generated pages of about 5 KB of text each.
//
// The pages are built once into a folder that later runs reuse (ROAMLOG_BENCH_FULLTEXT_DIR, or
// the system's temporary folder); ROAMLOG_BENCH_PAGES changes their number. The words follow a
// Zipf law over a generated vocabulary, so that a query's cost depends on how common its words
// are: the benchmarks name the ranks of their two words.

#include "pagetextindex.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <random>

using namespace Qt::StringLiterals;

namespace {

constexpr int kVocabulary = 30000;
constexpr int kPageBytes = 5000;

int pageCount()
{
    const int wanted = qEnvironmentVariableIntValue("ROAMLOG_BENCH_PAGES");
    return wanted > 0 ? wanted : 100000;
}

// Words of two to four syllables, the same in every run.
const QStringList &vocabulary()
{
    static const QStringList words = [] {
        static const char *const syllables[] = {
            "ka",  "lo",  "mi",  "ne",  "ru",  "sa",  "ti",  "vo",  "ber", "dan",
            "fel", "gor", "hul", "jin", "kem", "lar", "mos", "nif", "pra", "quo",
            "rin", "sel", "tor", "ul",  "ves", "wa",  "xi",  "yor", "zen", "ob"};
        constexpr int count = int(std::size(syllables));
        QStringList list;
        QSet<QString> seen;
        std::mt19937 random(7);
        while (list.size() < kVocabulary) {
            const int length = 2 + int(random() % 3);
            QString word;
            for (int i = 0; i < length; ++i)
                word += QLatin1StringView(syllables[random() % count]);
            if (!seen.contains(word)) {
                seen.insert(word);
                list.append(word);
            }
        }
        return list;
    }();
    return words;
}

class ZipfWords
{
public:
    ZipfWords()
    {
        m_cumulative.reserve(kVocabulary);
        double sum = 0;
        for (int rank = 1; rank <= kVocabulary; ++rank) {
            sum += 1.0 / rank;
            m_cumulative.push_back(sum);
        }
    }
    const QString &next(std::mt19937 &random)
    {
        std::uniform_real_distribution<double> pick(0, m_cumulative.back());
        const auto at = std::lower_bound(m_cumulative.begin(), m_cumulative.end(), pick(random));
        return vocabulary().at(int(at - m_cumulative.begin()));
    }

private:
    std::vector<double> m_cumulative;
};

qint64 folderBytes(const QString &folder)
{
    qint64 bytes = 0;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext())
        bytes += QFileInfo(it.next()).size();
    return bytes;
}

struct Corpus
{
    QString folder;
    qint64 textBytes = 0;
    std::unique_ptr<PageTextIndex> index;
};

// Builds the pages once; a folder left by an earlier run with as many pages is used as it is.
Corpus &corpus()
{
    static Corpus built = [] {
        Corpus c;
        const int pages = pageCount();
        QString root = qEnvironmentVariable("ROAMLOG_BENCH_FULLTEXT_DIR");
        if (root.isEmpty())
            root = QDir::temp().filePath(u"roamlog-bench-fulltext"_s);
        c.folder = QDir(root).filePath(QString::number(pages));
        QDir().mkpath(c.folder);
        c.index = std::make_unique<PageTextIndex>(c.folder);

        ZipfWords zipf;
        std::mt19937 random(11);
        const bool reuse = c.index->count() == pages;
        if (!reuse)
            c.index->clear();
        const QDateTime time(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        for (int page = 0; page < pages; ++page) {
            QString text;
            text.reserve(kPageBytes + 32);
            while (text.size() < kPageBytes) {
                text += zipf.next(random);
                text += (random() % 12 == 0) ? u". "_s : u" "_s;
            }
            c.textBytes += text.toUtf8().size();
            if (!reuse) {
                c.index->store(u"site"_s + QString::number(page % 997) + u".example/page/"_s
                                   + QString::number(page),
                               zipf.next(random) + u' ' + zipf.next(random),
                               text,
                               time.addSecs(page));
                // The queue holds a few pages at a time, not the whole corpus.
                if (page % 500 == 499)
                    c.index->flush();
            }
        }
        c.index->flush();
        return c;
    }();
    return built;
}

void searchWords(benchmark::State &state)
{
    Corpus &c = corpus();
    const QString words = vocabulary().at(int(state.range(0)) - 1) + u' '
                          + vocabulary().at(int(state.range(1)) - 1);
    qsizetype found = 0;
    for (auto _ : state) {
        const auto hits = c.index->search(words, 20);
        found = hits.size();
        benchmark::DoNotOptimize(hits);
    }
    const qint64 onDisk = folderBytes(c.folder);
    state.counters["pages"] = double(c.index->count());
    state.counters["shown"] = double(found);
    state.counters["text_MB"] = double(c.textBytes) / 1e6;
    state.counters["index_MB"] = double(onDisk) / 1e6;
    state.counters["index_per_text"] = double(onDisk) / double(std::max<qint64>(1, c.textBytes));
}

// Two rare words, two of middling frequency (each in about half and a fifth of the pages),
// and two of the most common (in nearly every page).
BENCHMARK(searchWords)->Args({2000, 5000})->Unit(benchmark::kMillisecond)->Name("rare_pair");
BENCHMARK(searchWords)->Args({100, 300})->Unit(benchmark::kMillisecond)->Name("middling_pair");
BENCHMARK(searchWords)->Args({5, 10})->Unit(benchmark::kMillisecond)->Name("common_pair");

void searchPrefix(benchmark::State &state)
{
    Corpus &c = corpus();
    // The first three letters of a middling word and a whole one.
    const QString words = vocabulary().at(99).left(3) + u' ' + vocabulary().at(299);
    for (auto _ : state)
        benchmark::DoNotOptimize(c.index->search(words, 20));
}
BENCHMARK(searchPrefix)->Unit(benchmark::kMillisecond)->Name("prefix_and_word");

// Writing one page into the full index and forgetting one: a capture only adds the page's
// words, while a forget merges the whole index so that the old words leave the file. A text
// replaced by a newer capture is not merged out, so a replacement costs about a capture. The
// capture is the baseline of the other two.
QString pageOfWords(int seed)
{
    ZipfWords zipf;
    std::mt19937 random(seed);
    QString text;
    while (text.size() < kPageBytes)
        text += zipf.next(random) + u' ';
    return text;
}

const QDateTime kWriteTime(QDate(2026, 6, 1), QTime(0, 0), Qt::UTC);

void captureNewPage(benchmark::State &state)
{
    Corpus &c = corpus();
    QStringList written;
    for (auto _ : state) {
        written.append(u"bench.example/new/"_s + QString::number(written.size()));
        c.index->store(written.last(), u"New"_s, pageOfWords(int(written.size())), kWriteTime);
        c.index->flush();
    }
    c.index->remove(written);
    c.index->flush();
}
BENCHMARK(captureNewPage)->Iterations(10)->Unit(benchmark::kMillisecond)->Name("capture_new_page");

void forgetOnePage(benchmark::State &state)
{
    Corpus &c = corpus();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString key = u"bench.example/gone/"_s + QString::number(++round);
        c.index->store(key, u"Gone"_s, pageOfWords(round), kWriteTime);
        c.index->flush();
        state.ResumeTiming();
        c.index->remove({key});
        c.index->flush();
    }
}
BENCHMARK(forgetOnePage)->Iterations(5)->Unit(benchmark::kMillisecond)->Name("forget_one_page");

void replaceOnePage(benchmark::State &state)
{
    Corpus &c = corpus();
    const QString key = u"bench.example/changing"_s;
    int round = 0;
    for (auto _ : state) {
        c.index->store(key, u"Changing"_s, pageOfWords(++round), kWriteTime);
        c.index->flush();
    }
    c.index->remove({key});
    c.index->flush();
}
BENCHMARK(replaceOnePage)->Iterations(5)->Unit(benchmark::kMillisecond)->Name("replace_one_page");

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
