#include "browserbridge.h"
#include "fakebrowser.h"
#include "fakepanel.h"
#include "pagetextindex.h"

#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class BrowserBridgeTest : public ::testing::Test
{
protected:
    FakeBrowser m_browser;
    FakePanel m_panel;
    BrowserBridge m_bridge {m_browser, m_panel};

    QStringList takeLog() { return std::exchange(m_panel.m_log, {}); }
};

TEST(NavigableUrl, GivesRecordedUrlsTheirScheme)
{
    // Rows: what the record keeps, what the browser is asked for (empty: nothing).
    const std::pair<QString, QString> rows[] = {
        {u"example.com/a/b"_s, u"http://example.com/a/b"_s},
        {u"127.0.0.1:8080/x"_s, u"http://127.0.0.1:8080/x"_s},
        {u"localhost:8080/x"_s, u"http://localhost:8080/x"_s},
        {u"/tmp/my%20page.html"_s, u"file:///tmp/my%20page.html"_s},
        {u"ftp://files.example.com/a"_s, u"ftp://files.example.com/a"_s},
        {u"https://example.com"_s, u"https://example.com"_s},
        {u"about:blank"_s, u"about:blank"_s},
        {u"  example.com  "_s, u"http://example.com"_s},
        {u""_s, QString()},
        {u"   "_s, QString()},
        {u"JavaScript:alert(1)"_s, QString()},
    };
    for (const auto &[recorded, navigable] : rows)
        EXPECT_EQ(BrowserBridge::NavigableUrl(recorded), navigable) << recorded.toStdString();
}

TEST_F(BrowserBridgeTest, ReportsEachCommittedPageOnceAndNeverNavigates)
{
    m_browser.browse(u"http://a.test/one.html"_s, u"One"_s);
    // A redirect: the request names one URL, the browser shows another.
    emit m_browser.BeforeNavigate(u"http://a.test/old"_s);
    m_browser.show(u"http://a.test/new.html"_s, u"New"_s);
    emit m_browser.NavigateComplete(u"http://a.test/new.html"_s);
    emit m_browser.TitleChange(u"New"_s);

    EXPECT_EQ(takeLog(),
              (QStringList {u"SetUrl http://a.test/one.html"_s,
                            u"UrlName One"_s,
                            u"SetUrl http://a.test/new.html"_s,
                            u"UrlName New"_s}));
    EXPECT_EQ(m_bridge.LastURL(), u"http://a.test/new.html"_s);
    EXPECT_TRUE(m_browser.m_calls.filter(u"Navigate"_s).isEmpty());
    EXPECT_TRUE(m_bridge.NavReady());

    // The browser's own pages are not the user's web, and their titles belong to no record.
    m_browser.browse(u"chrome://newtab/"_s, u"New Tab"_s);
    m_browser.browse(u"about:blank"_s);
    m_browser.browse(u"data:text/html,<title>Inline</title>"_s, u"Inline"_s);
    m_browser.browse(u"blob:http://a.test/5d1c"_s);
    EXPECT_TRUE(takeLog().isEmpty());
}

TEST_F(BrowserBridgeTest, NavigationsArrivingWhileOneIsHandledWaitTheirTurn)
{
    m_panel.m_duringSetUrl = [this](const QString &) {
        EXPECT_FALSE(m_bridge.NavReady());
        m_browser.browse(u"http://a.test/second.html"_s, u"Second"_s);
        emit m_browser.DownloadStarted(u"http://a.test/f.bin"_s, u"g1"_s, u"f.bin"_s, {});
        m_panel.m_log.append(u"first handled"_s);
    };
    m_browser.browse(u"http://a.test/first.html"_s);

    EXPECT_EQ(takeLog(),
              (QStringList {u"SetUrl http://a.test/first.html"_s,
                            u"first handled"_s,
                            u"SetUrl http://a.test/second.html"_s,
                            u"UrlName Second"_s,
                            u"Activity http://a.test/f.bin"_s}));
    EXPECT_TRUE(m_bridge.NavReady());
    EXPECT_EQ(m_bridge.LastURL(), u"http://a.test/second.html"_s);

    // HandleNavigate itself takes the same turn.
    m_panel.m_duringSetUrl = [this](const QString &) {
        m_bridge.HandleNavigate(u"http://a.test/f.zip"_s);
        m_panel.m_log.append(u"page handled"_s);
    };
    m_bridge.HandleNavigate(u"http://a.test/page.html"_s);
    EXPECT_EQ(takeLog(),
              (QStringList {u"SetUrl http://a.test/page.html"_s,
                            u"page handled"_s,
                            u"SetUrl http://a.test/f.zip"_s}));
}

TEST_F(BrowserBridgeTest, TitleGoesToThePageShownNow)
{
    m_browser.browse(u"http://a.test/p.html"_s);
    takeLog();
    emit m_browser.TitleChange(u"Script title"_s);
    EXPECT_EQ(takeLog(), QStringList {u"UrlName Script title"_s});

    // A frame navigated after its page: the title is the page's.
    emit m_browser.FrameBeforeNavigate(u"http://a.test/inner.html"_s);
    EXPECT_EQ(m_bridge.LastURL(), u"http://a.test/inner.html"_s);
    emit m_browser.TitleChange(u"Framed"_s);
    EXPECT_EQ(takeLog(), (QStringList {u"SetUrl http://a.test/p.html"_s, u"UrlName Framed"_s}));

    // A file the browser shows is a page of its own, with the name the browser gives it.
    emit m_browser.FrameBeforeNavigate(u"http://a.test/frame2.html"_s);
    m_browser.show(u"http://a.test/notes.txt"_s);
    emit m_browser.TitleChange(u"notes.txt"_s);
    EXPECT_EQ(takeLog(),
              (QStringList {u"SetUrl http://a.test/notes.txt"_s, u"UrlName notes.txt"_s}));

    m_browser.show(QString());
    emit m_browser.TitleChange(u"nothing"_s);
    EXPECT_TRUE(takeLog().isEmpty());
}

TEST_F(BrowserBridgeTest, DownloadsAreWhatTheBrowserSavesReportedOnce)
{
    m_browser.browse(u"http://a.test/files.html"_s, u"Files"_s);
    takeLog();
    // Rows: what the browser reports, and what the panel is told: an activity of the URL, an
    // activity of the page under the file's name, or nothing.
    enum Told { Nothing, Activity, PageActivity };
    const QString files = u"http://a.test/files.html"_s;
    const struct
    {
        QString url;
        QString guid;
        QString name;
        QString page;
        Told told;
    } rows[] = {
        // The URL the browser fetched, after a redirect from the link's own.
        {u"http://a.test/real/f.zip"_s, u"g1"_s, u"f.zip"_s, files, Activity},
        // The same download reported again, and the same file again: another download.
        {u"http://a.test/real/f.zip"_s, u"g1"_s, u"f.zip"_s, files, Nothing},
        {u"http://a.test/real/f.zip"_s, u"g2"_s, u"f.zip"_s, files, Activity},
        {u"https://a.test/get?id=7"_s, u"g3"_s, u"report.pdf"_s, files, Activity},
        {u"ftp://ftp.a.test/pub/x.tar"_s, u"g4"_s, u"x.tar"_s, {}, Activity},
        // Made by the page itself: an activity of that page under the suggested name.
        {u"blob:http://a.test/5d1c-77"_s, u"g5"_s, u"made.csv"_s, files, PageActivity},
        {u"data:text/plain;base64,aGk="_s, u"g6"_s, u"hi.txt"_s, files, PageActivity},
        // From a page that is none of the user's web: nothing to hang it on.
        {u"blob:null/1"_s, u"g7"_s, u"x.bin"_s, u"about:blank"_s, Nothing},
        {u"data:,x"_s, u"g8"_s, u"x.txt"_s, {}, Nothing},
    };
    for (const auto &row : rows) {
        emit m_browser.DownloadStarted(row.url, row.guid, row.name, row.page);
        const QStringList told[] = {
            {}, {u"Activity "_s + row.url}, {u"PageActivity "_s + files + u' ' + row.name}};
        EXPECT_EQ(takeLog(), told[row.told])
            << row.url.toStdString() << " " << row.guid.toStdString();
    }

    // A navigation is never taken for a download, whatever its URL ends in.
    emit m_browser.BeforeNavigate(u"http://a.test/pack.zip"_s);
    emit m_browser.FrameBeforeNavigate(u"http://a.test/inframe.exe"_s);
    emit m_browser.NewWindow(u"http://a.test/popup.wav"_s);
    EXPECT_TRUE(takeLog().isEmpty());
    EXPECT_EQ(m_bridge.LastURL(), u"http://a.test/popup.wav"_s);
    m_browser.browse(u"http://a.test/photo.jpg"_s, u"photo.jpg"_s);
    EXPECT_EQ(takeLog(),
              (QStringList {u"SetUrl http://a.test/photo.jpg"_s, u"UrlName photo.jpg"_s}));
}

TEST_F(BrowserBridgeTest, PanelRequests)
{
    m_browser.show(u"http://a.test/now.html"_s, u"Now"_s);
    emit m_panel.GetTitle();
    emit m_panel.GetURL();
    EXPECT_EQ(takeLog(), (QStringList {u"UrlName Now"_s, u"SetUrl http://a.test/now.html"_s}));
    // The browser's own page is nothing to record, nor its title.
    m_browser.show(u"chrome://newtab/"_s, u"New Tab"_s);
    emit m_panel.GetTitle();
    emit m_panel.GetURL();
    EXPECT_TRUE(takeLog().isEmpty());

    m_panel.m_siteUrl = u"a.test/back.html"_s;
    emit m_panel.NavTo();
    m_panel.m_siteUrl = u"/home/u/page.html"_s;
    emit m_panel.NavTo();
    m_panel.m_siteUrl.clear();
    emit m_panel.NavTo();
    EXPECT_EQ(m_browser.m_calls,
              (QStringList {u"Navigate http://a.test/back.html"_s,
                            u"Navigate file:///home/u/page.html"_s}));
    EXPECT_TRUE(takeLog().isEmpty());
}

TEST_F(BrowserBridgeTest, QuitOptionAtClose)
{
    struct Case
    {
        qint16 quitIt;
        bool answer;
        bool asked;
        bool quits;
    };
    for (const Case &c : {Case {0, true, false, false},
                          Case {1, false, false, true},
                          Case {2, true, true, true},
                          Case {2, false, true, false},
                          Case {7, true, false, false}}) {
        FakeBrowser browser;
        FakePanel panel;
        BrowserBridge bridge(browser, panel);
        QSignalSpy ended(&bridge, &BrowserBridge::browserEnded);
        browser.start({});
        panel.m_quitIt = c.quitIt;
        bool asked = false;
        bridge.EndSession([&] {
            asked = true;
            return c.answer;
        });
        SCOPED_TRACE(c.quitIt);
        EXPECT_EQ(panel.m_log, QStringList {u"SetSession 1"_s});
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(browser.m_calls.contains(u"Quit"_s), c.quits);
        // The browser's end that follows the host's own quit closes nothing more.
        EXPECT_EQ(ended.count(), 0);
        bridge.EndSession([] { return true; });
        EXPECT_EQ(panel.m_log.size(), 1);
    }
}

TEST_F(BrowserBridgeTest, TheBrowsersEndIsReportedOnce)
{
    // What follows it (no question, no call to the browser, the window kept after a crash) is
    // checked through the main window.
    QSignalSpy ended(&m_bridge, &BrowserBridge::browserEnded);
    emit m_browser.OnQuit();
    emit m_browser.OnQuit();
    EXPECT_EQ(ended.count(), 1);
}

} // namespace

TEST_F(BrowserBridgeTest, PageTextGoesToTheIndexOnlyForPagesTheRecordKeeps)
{
    QTemporaryDir dir;
    PageTextIndex index(dir.path());
    m_panel.m_pageTexts = &index;
    struct Row
    {
        QString url;
        QString storedAs; // empty: nothing kept
    };
    const Row rows[] = {
        {u"https://site.example/a/"_s, u"site.example/a"_s},
        {u"http://site.example/nokeep"_s, {}},
        {u"chrome://newtab/"_s, {}},
        {u"about:blank"_s, {}},
        {u"data:text/html,<p>x</p>"_s, {}},
        {u"http://a.b"_s, {}},
        {u"file:///home/u/notes.html"_s, u"/home/u/notes.html"_s},
    };
    for (const Row &row : rows) {
        index.clear();
        emit m_browser.PageTextCaptured(row.url, u"Title"_s, u"some words"_s);
        index.flush();
        EXPECT_EQ(index.keys(), row.storedAs.isEmpty() ? QStringList() : QStringList {row.storedAs})
            << row.url.toStdString();
    }
    // Nothing at all is kept while the panel keeps no text.
    m_panel.m_keepsPageText = false;
    index.clear();
    emit m_browser.PageTextCaptured(u"https://site.example/c"_s, u"T"_s, u"words"_s);
    index.flush();
    EXPECT_TRUE(index.keys().isEmpty());
    EXPECT_TRUE(takeLog().isEmpty());
}
