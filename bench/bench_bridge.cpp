// From the browser's commit of a navigation to every site file of it written, through the
// DevTools pipe, the host's bridge and the real panel, beside the browser's own time to load the
// same page. The commit's moment is the browser's own: the "init" lifecycle event of the new
// document, stamped on the system's monotonic clock, seen by a second client on the port that the
// tests' wrapper adds. A second benchmark sets the pipe's delay for that event beside the same
// client's WebSocket, the transport Roamlog used before.
#include "browserbridge.h"
#include "browserwrapper.h"
#include "chromiumbrowser.h"
#include "devtoolsclient.h"
#include "roampanelink.h"

#include "control/pagetextpanel.h"
#include "control/roampane1.h"
#include "model/clock.h"
#include "model/pagetextindex.h"
#include "model/roamsettings.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto at = std::min(values.size() - 1, size_t(fraction * double(values.size() - 1) + 0.5));
    return values[at];
}

qint64 monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// A browser started by the layer through the tests' wrapper, a local page, and the user's
// client on the tab, which learns the moment of every commit there.
class BenchBrowser final
{
public:
    BenchBrowser()
    {
        QFile page(m_dir.filePath(u"page.html"_s));
        // About 30 KB of text, as an ordinary article.
        QByteArray html = "<!doctype html><title>Bench page</title>";
        for (int i = 0; i < 500; ++i)
            html += "<p>paragraph " + QByteArray::number(i) + " of a local page about nothing</p>";
        if (page.open(QIODevice::WriteOnly))
            page.write(html);
        m_pageUrl = QUrl::fromLocalFile(page.fileName()).toString();
        QObject::connect(&browser, &Browser::NavigateComplete, [this](const QString &url) {
            reportedAt = monotonicNs();
            reportedUrl = url;
        });
        QObject::connect(&user,
                         &DevToolsClient::eventReceived,
                         [this](const QString &method, const QJsonObject &params, const QString &) {
                             if (method == "Page.lifecycleEvent"_L1
                                 && params.value(u"name"_s).toString() == "init"_L1)
                                 committedAt = qint64(params.value(u"timestamp"_s).toDouble()
                                                      * 1e9);
                             else if (method == "Page.frameNavigated"_L1)
                                 socketSawAt = monotonicNs();
                         });
    }

    QString dataFolder() const { return m_dir.filePath(u"Data"_s); }
    QString settingsFile() const { return m_dir.filePath(u"settings.ini"_s); }

    // Starts the browser and attaches the user; empty, or what went wrong.
    const char *start()
    {
        Browser::Options options;
        options.executable = BrowserWrapper::create(m_dir.path());
        options.profileDir = m_dir.filePath(u"profile"_s);
        options.headless = true;
        options.homeUrl = u"about:blank"_s;
        bool started = false;
        QObject::connect(&browser, &Browser::started, [&started] { started = true; });
        browser.start(options);
        if (!QTest::qWaitFor([&] { return started; }, 20000))
            return "the browser did not start";
        if (!user.open(BrowserWrapper::endpoint(options.profileDir, 10000)))
            return "no second DevTools client";
        if (!QTest::qWaitFor(
                [&] { return !(m_tab = user.pageWithUrl(u"about:blank"_s)).isEmpty(); }, 10000))
            return "no tab";
        m_session = user.session(m_tab);
        user.call(u"Page.enable"_s, {}, m_session);
        user.call(u"Page.setLifecycleEventsEnabled"_s, {{u"enabled"_s, true}}, m_session);
        // The layer switches the tab's events on shortly after the browser is up.
        const QString warmUp = m_pageUrl + u"?n=0"_s;
        if (!QTest::qWaitFor(
                [&] {
                    user.call(u"Page.navigate"_s, {{u"url"_s, warmUp}}, m_session);
                    return QTest::qWaitFor([&] { return reportedUrl == warmUp; }, 500);
                },
                10000))
            return "the tab reports no navigation";
        return nullptr;
    }

    // Opens the next page and waits until the layer and the user's client have both seen it.
    bool next()
    {
        const QString url = m_pageUrl + u"?n="_s + QString::number(++m_count);
        reportedUrl.clear();
        committedAt = 0;
        socketSawAt = 0;
        user.call(u"Page.navigate"_s, {{u"url"_s, url}}, m_session);
        return QTest::qWaitFor(
            [&] { return reportedUrl == url && committedAt != 0 && socketSawAt != 0; }, 10000);
    }

    // The page's own time from the start of its navigation to the end of its load event.
    double loadMs()
    {
        QJsonValue duration;
        [[maybe_unused]] const bool loaded = QTest::qWaitFor(
            [&] {
                duration = user.evaluate(
                    m_tab,
                    u"(() => { const e = performance.getEntriesByType('navigation')[0];"
                    " return e && e.loadEventEnd > 0 ? e.duration : null; })()"_s);
                return duration.isDouble();
            },
            10000);
        return duration.toDouble();
    }

    void quit()
    {
        bool ended = false;
        QObject::connect(&browser, &Browser::OnQuit, [&ended] { ended = true; });
        browser.Quit();
        [[maybe_unused]] const bool quit = QTest::qWaitFor([&] { return ended; }, 10000);
    }

    ChromiumBrowser browser;
    DevToolsClient user;
    QString reportedUrl;
    qint64 reportedAt = 0;
    qint64 committedAt = 0;
    qint64 socketSawAt = 0;

private:
    QTemporaryDir m_dir;
    QString m_pageUrl;
    QString m_tab;
    QString m_session;
    int m_count = 0;
};

void BM_NavigationToSiteFiles(benchmark::State &state)
{
    BenchBrowser bench;
    RoamSettings settings(bench.settingsFile());
    RoamPane1 panel(settings, Clock::system(), bench.dataFolder(), false);
    RoamPaneLink link(&panel);
    BrowserBridge bridge(bench.browser, link);
    // Connected after the bridge: runs once the bridge is done with the report.
    qint64 handledAt = 0;
    QObject::connect(&bench.browser, &Browser::NavigateComplete, [&handledAt](const QString &) {
        handledAt = monotonicNs();
    });
    if (const char *error = bench.start()) {
        state.SkipWithError(error);
        return;
    }

    std::vector<double> commitToFilesMs;
    std::vector<double> bridgeMs;
    std::vector<double> withTextMs;
    std::vector<double> withoutTextMs;
    std::vector<double> loadMs;
    // Navigations take turns without the pages' text and with it (read by the browser layer
    // and kept in the page text index), so that both meet the same load of the machine.
    int n = 0;
    for (auto _ : state) {
        const bool withText = ++n % 2 == 0;
        bench.browser.setReadsPageText(withText);
        panel.PageText()->keepBox()->setChecked(withText);
        if (!bench.next()) {
            state.SkipWithError("a navigation was not reported");
            break;
        }
        const double latency = double(handledAt - bench.committedAt) / 1e6;
        commitToFilesMs.push_back(latency);
        (withText ? withTextMs : withoutTextMs).push_back(latency);
        bridgeMs.push_back(double(handledAt - bench.reportedAt) / 1e6);
        state.SetIterationTime(latency / 1e3);
        loadMs.push_back(bench.loadMs());
        // The text of every page is kept, as for a reader who stays a moment on each.
        if (withText && panel.PageTexts()) {
            [[maybe_unused]] const bool kept = QTest::qWaitFor(
                [&] {
                    panel.PageTexts()->flush();
                    return panel.PageTexts()->count() >= n / 2;
                },
                2000);
        }
    }

    const QDir data(bench.dataFolder());
    state.counters["site_files"] = double(data.entryList({u"*.smf"_s}, QDir::Files).size());
    state.counters["commit_to_files_median_ms"] = percentile(commitToFilesMs, 0.5);
    state.counters["commit_to_files_p99_ms"] = percentile(commitToFilesMs, 0.99);
    state.counters["bridge_median_ms"] = percentile(bridgeMs, 0.5);
    state.counters["bridge_p99_ms"] = percentile(bridgeMs, 0.99);
    state.counters["load_median_ms"] = percentile(loadMs, 0.5);
    state.counters["load_p99_ms"] = percentile(loadMs, 0.99);
    const double without = percentile(withoutTextMs, 0.5);
    state.counters["without_text_median_ms"] = without;
    state.counters["with_text_median_ms"] = percentile(withTextMs, 0.5);
    if (without > 0)
        state.counters["with_vs_without"] = percentile(withTextMs, 0.5) / without;
    bench.quit();
}

// Commit to the event's arrival, for the layer on the pipe and for the user's client on the
// WebSocket, without the bridge, so that neither waits long behind the other.
void BM_CommitToEvent(benchmark::State &state)
{
    BenchBrowser bench;
    if (const char *error = bench.start()) {
        state.SkipWithError(error);
        return;
    }
    std::vector<double> pipeMs;
    std::vector<double> socketMs;
    for (auto _ : state) {
        if (!bench.next()) {
            state.SkipWithError("a navigation was not reported");
            break;
        }
        pipeMs.push_back(double(bench.reportedAt - bench.committedAt) / 1e6);
        socketMs.push_back(double(bench.socketSawAt - bench.committedAt) / 1e6);
        state.SetIterationTime(pipeMs.back() / 1e3);
    }
    state.counters["pipe_median_ms"] = percentile(pipeMs, 0.5);
    state.counters["pipe_p99_ms"] = percentile(pipeMs, 0.99);
    state.counters["socket_median_ms"] = percentile(socketMs, 0.5);
    state.counters["socket_p99_ms"] = percentile(socketMs, 0.99);
    bench.quit();
}

BENCHMARK(BM_NavigationToSiteFiles)
    ->Iterations(400)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CommitToEvent)->Iterations(200)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
