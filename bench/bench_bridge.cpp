// From the browser's commit of a navigation to every site file of it written, through the
// DevTools pipe, the host's bridge and the real panel, beside the browser's own time to load the
// same page. The commit's moment is the browser's own (its "commit" lifecycle event, on the
// system's monotonic clock), seen through a second client on the port that the tests' wrapper
// adds; that client's own delay for the same event is the WebSocket's, for comparison.
#include "browserbridge.h"
#include "browserwrapper.h"
#include "chromiumbrowser.h"
#include "devtoolsclient.h"
#include "roampanelink.h"

#include "control/roampane1.h"
#include "model/clock.h"
#include "model/roamsettings.h"

#include <QDir>
#include <QElapsedTimer>
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

void BM_NavigationToSiteFiles(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile page(dir.filePath(u"page.html"_s));
    if (!page.open(QIODevice::WriteOnly)
        || page.write("<!doctype html><title>Bench page</title><p>a local page</p>") < 0) {
        state.SkipWithError("cannot write the page");
        return;
    }
    page.close();
    const QString pageUrl = QUrl::fromLocalFile(page.fileName()).toString();

    RoamSettings settings(dir.filePath(u"settings.ini"_s));
    RoamPane1 panel(settings, Clock::system(), dir.filePath(u"Data"_s), false);
    RoamPaneLink link(&panel);
    ChromiumBrowser browser;

    qint64 reportedAt = 0;
    QString reportedUrl;
    // Connected before the bridge, so it runs first; the one after it runs once the bridge is
    // done with the report.
    QObject::connect(
        &browser, &Browser::NavigateComplete, [&](const QString &) { reportedAt = monotonicNs(); });
    BrowserBridge bridge(browser, link);
    qint64 handledAt = 0;
    QObject::connect(&browser, &Browser::NavigateComplete, [&](const QString &url) {
        handledAt = monotonicNs();
        reportedUrl = url;
    });

    Browser::Options options;
    options.executable = BrowserWrapper::create(dir.path());
    options.profileDir = dir.filePath(u"profile"_s);
    options.headless = true;
    options.homeUrl = u"about:blank"_s;
    bool started = false;
    QObject::connect(&browser, &Browser::started, [&started] { started = true; });
    browser.start(options);
    if (!QTest::qWaitFor([&] { return started; }, 20000)) {
        state.SkipWithError("the browser did not start");
        return;
    }
    DevToolsClient user;
    if (!user.open(BrowserWrapper::endpoint(options.profileDir, 10000))) {
        state.SkipWithError("no second DevTools client");
        return;
    }
    QString tab;
    if (!QTest::qWaitFor([&] { return !(tab = user.pageWithUrl(u"about:blank"_s)).isEmpty(); },
                         10000)) {
        state.SkipWithError("no tab");
        return;
    }
    const QString session = user.session(tab);
    qint64 committedAt = 0;
    qint64 socketSawAt = 0;
    QObject::connect(&user,
                     &DevToolsClient::eventReceived,
                     [&](const QString &method, const QJsonObject &params, const QString &from) {
                         if (from != session)
                             return;
                         if (method == "Page.lifecycleEvent"_L1
                             && params.value(u"name"_s).toString() == "commit"_L1)
                             committedAt = qint64(params.value(u"timestamp"_s).toDouble() * 1e9);
                         else if (method == "Page.frameNavigated"_L1)
                             socketSawAt = monotonicNs();
                     });
    user.call(u"Page.enable"_s, {}, session);
    user.call(u"Page.setLifecycleEventsEnabled"_s, {{u"enabled"_s, true}}, session);
    // The layer switches the tab's events on shortly after the browser is up.
    const QString warmUp = pageUrl + u"?n=0"_s;
    if (!QTest::qWaitFor(
            [&] {
                user.call(u"Page.navigate"_s, {{u"url"_s, warmUp}}, session);
                return QTest::qWaitFor([&] { return reportedUrl == warmUp; }, 500);
            },
            10000)) {
        state.SkipWithError("the tab reports no navigation");
        return;
    }

    std::vector<double> bridgeMs;
    std::vector<double> pipeMs;
    std::vector<double> socketMs;
    std::vector<double> commitToFilesMs;
    std::vector<double> loadMs;
    int n = 0;
    for (auto _ : state) {
        const QString url = pageUrl + u"?n="_s + QString::number(++n);
        reportedUrl.clear();
        committedAt = 0;
        socketSawAt = 0;
        user.call(u"Page.navigate"_s, {{u"url"_s, url}}, session);
        if (!QTest::qWaitFor(
                [&] { return reportedUrl == url && committedAt != 0 && socketSawAt != 0; },
                10000)) {
            state.SkipWithError("a navigation was not reported");
            break;
        }
        bridgeMs.push_back(double(handledAt - reportedAt) / 1e6);
        pipeMs.push_back(double(reportedAt - committedAt) / 1e6);
        socketMs.push_back(double(socketSawAt - committedAt) / 1e6);
        const double latency = double(handledAt - committedAt) / 1e6;
        commitToFilesMs.push_back(latency);
        state.SetIterationTime(latency / 1e3);

        QJsonValue duration;
        [[maybe_unused]] const bool loaded = QTest::qWaitFor(
            [&] {
                duration = user.evaluate(
                    tab,
                    u"(() => { const e = performance.getEntriesByType('navigation')[0];"
                    " return e && e.loadEventEnd > 0 ? e.duration : null; })()"_s);
                return duration.isDouble();
            },
            10000);
        loadMs.push_back(duration.toDouble());
    }

    const QDir data(dir.filePath(u"Data"_s));
    state.counters["site_files"] = double(data.entryList({u"*.smf"_s}, QDir::Files).size());
    state.counters["commit_to_files_median_ms"] = percentile(commitToFilesMs, 0.5);
    state.counters["commit_to_files_p99_ms"] = percentile(commitToFilesMs, 0.99);
    state.counters["pipe_event_median_ms"] = percentile(pipeMs, 0.5);
    state.counters["socket_event_median_ms"] = percentile(socketMs, 0.5);
    state.counters["bridge_median_ms"] = percentile(bridgeMs, 0.5);
    state.counters["bridge_p99_ms"] = percentile(bridgeMs, 0.99);
    state.counters["load_median_ms"] = percentile(loadMs, 0.5);
    state.counters["load_p99_ms"] = percentile(loadMs, 0.99);

    bool ended = false;
    QObject::connect(&browser, &Browser::OnQuit, [&ended] { ended = true; });
    browser.Quit();
    [[maybe_unused]] const bool quit = QTest::qWaitFor([&] { return ended; }, 10000);
}

BENCHMARK(BM_NavigationToSiteFiles)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
