// From the browser's report of a committed navigation to every site file of it written, through
// the host's bridge and the real panel, beside the browser's own time to load the same page.
// Navigations take turns without the pages' text and with it (read by the browser layer and
// kept in the page text index), so that both meet the same load of the machine; the counters
// compare the two.
#include "browserbridge.h"
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
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
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

void BM_NavigationToSiteFiles(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile page(dir.filePath(u"page.html"_s));
    // About 30 KB of text, as an ordinary article.
    QByteArray html = "<!doctype html><title>Bench page</title>";
    for (int i = 0; i < 500; ++i)
        html += "<p>paragraph " + QByteArray::number(i) + " of a local page about nothing</p>";
    if (!page.open(QIODevice::WriteOnly) || page.write(html) < 0) {
        state.SkipWithError("cannot write the page");
        return;
    }
    page.close();
    const QString pageUrl = QUrl::fromLocalFile(page.fileName()).toString();

    RoamSettings settings(dir.filePath(u"settings.ini"_s));
    RoamPane1 panel(settings, Clock::system(), dir.filePath(u"Data"_s), false);
    RoamPaneLink link(&panel);
    ChromiumBrowser browser;

    QElapsedTimer clock;
    clock.start();
    qint64 reportedAt = 0;
    QString reportedUrl;
    // Connected before the bridge, so it runs first; the one after it runs once the bridge is
    // done with the report.
    QObject::connect(&browser, &Browser::NavigateComplete, [&](const QString &) {
        reportedAt = clock.nsecsElapsed();
    });
    BrowserBridge bridge(browser, link);
    qint64 handledAt = 0;
    QObject::connect(&browser, &Browser::NavigateComplete, [&](const QString &url) {
        handledAt = clock.nsecsElapsed();
        reportedUrl = url;
    });

    Browser::Options options;
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
    if (!user.open(browser.webSocketUrl())) {
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
    std::vector<double> withTextMs;
    std::vector<double> withoutTextMs;
    std::vector<double> loadMs;
    int n = 0;
    for (auto _ : state) {
        const QString url = pageUrl + u"?n="_s + QString::number(++n);
        const bool withText = n % 2 == 0;
        browser.setReadsPageText(withText);
        panel.PageText()->keepBox()->setChecked(withText);
        reportedUrl.clear();
        user.call(u"Page.navigate"_s, {{u"url"_s, url}}, session);
        if (!QTest::qWaitFor([&] { return reportedUrl == url; }, 10000)) {
            state.SkipWithError("a navigation was not reported");
            break;
        }
        const double latency = double(handledAt - reportedAt) / 1e6;
        bridgeMs.push_back(latency);
        (withText ? withTextMs : withoutTextMs).push_back(latency);
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

    const QDir data(dir.filePath(u"Data"_s));
    state.counters["site_files"] = double(data.entryList({u"*.smf"_s}, QDir::Files).size());
    state.counters["bridge_median_ms"] = percentile(bridgeMs, 0.5);
    state.counters["bridge_p99_ms"] = percentile(bridgeMs, 0.99);
    state.counters["load_median_ms"] = percentile(loadMs, 0.5);
    state.counters["load_p99_ms"] = percentile(loadMs, 0.99);
    const double without = percentile(withoutTextMs, 0.5);
    state.counters["without_text_median_ms"] = without;
    state.counters["with_text_median_ms"] = percentile(withTextMs, 0.5);
    state.counters["with_text_p90_ms"] = percentile(withTextMs, 0.9);
    state.counters["without_text_p90_ms"] = percentile(withoutTextMs, 0.9);
    if (without > 0)
        state.counters["with_vs_without"] = percentile(withTextMs, 0.5) / without;
    if (panel.PageTexts()) {
        panel.PageTexts()->flush();
        state.counters["pages_with_text"] = double(panel.PageTexts()->count());
    }

    bool ended = false;
    QObject::connect(&browser, &Browser::OnQuit, [&ended] { ended = true; });
    browser.Quit();
    [[maybe_unused]] const bool quit = QTest::qWaitFor([&] { return ended; }, 10000);
}

BENCHMARK(BM_NavigationToSiteFiles)
    ->Iterations(400)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
