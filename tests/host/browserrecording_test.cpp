// What the browser does, as the panel records it: the real browser layer and bridge on a real
// headless Chromium, driving a real panel on a temporary data folder. The user is played
// through a second DevTools client; the clock stands still between the user's steps.
#include "browserbridge.h"
#include "chromiumbrowser.h"
#include "livebrowser.h"
#include "roampanelink.h"

#include "cactivity.h"
#include "control/panelfixture.h"
#include "csession.h"
#include "roamstore.h"
#include "timekey.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

class BrowserRecordingTest : public PanelFixture, protected LiveBrowser
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ready());
        makePanel();
        m_link = std::make_unique<RoamPaneLink>(m_panel.get());
        m_bridge = std::make_unique<BrowserBridge>(m_browser, *m_link);
        Browser::Options start = options();
        start.homeUrl.clear();
        QSignalSpy started(&m_browser, &Browser::started);
        m_browser.start(start);
        ASSERT_TRUE(started.wait(kWaitMs)) << "the browser did not start";
        ASSERT_TRUE(attach(start.profileDir));
    }

    void TearDown() override
    {
        QSignalSpy quit(&m_browser, &Browser::OnQuit);
        if (m_browser.isRunning())
            m_browser.Quit();
        quit.wait(kWaitMs);
    }

    CFilePtr record(const QString &path) { return m_panel->Store().Files.Item(key(path)); }

    // Until the record of the page at @p path is there and @p done with it.
    testing::AssertionResult waitForRecord(const QString &path,
                                           const std::function<bool(const CFile &)> &done)
    {
        return eventually(
            [&] {
                const CFilePtr file = record(path);
                return file && done(*file);
            },
            [this] { return dump(); });
    }

    testing::AssertionResult waitForTitle(const QString &path, const QString &title)
    {
        return waitForRecord(path, [&](const CFile &f) { return f.Title == title; });
    }

    std::string dump()
    {
        QStringList lines;
        for (const CFilePtr &file : m_panel->Store().Files)
            lines.append(u"%1 | %2 | visits %3 | downloads %4"_s.arg(
                file->URL(),
                file->Title,
                QString::number(file->Sessions.Count()),
                QString::number(file->Activities.Count())));
        return lines.join(u'\n').toStdString();
    }

    ChromiumBrowser m_browser;
    std::unique_ptr<RoamPaneLink> m_link;
    std::unique_ptr<BrowserBridge> m_bridge;
};

TEST_F(BrowserRecordingTest, OnlyTheTabShownIsTheCurrentPageAndOnlyWhatTheBrowserSavesADownload)
{
    m_server.addPage(u"/home.html"_s,
                     "<title>Home</title><a id=bg href=/bg.html>in the background</a>"
                     "<button id=retitle onclick=\"document.title = 'Home later'\">x</button>");
    m_server.addPage(
        u"/bg.html"_s,
        "<title>Background</title><a id=route href=#/route/x>route</a>"
        "<button id=push onclick=\"history.pushState({}, '', '/bg/state')\">p</button>");

    m_browser.Navigate(url(u"/home.html"_s));
    ASSERT_TRUE(waitForTitle(u"/home.html"_s, u"Home"_s));
    const QDateTime homeStart = m_clock.now();

    // A link opened in a background tab leaves the page the user stays on open, titles and all.
    m_clock.advance(10);
    ASSERT_TRUE(m_user.ctrlClick(url(u"/home.html"_s), u"#bg"_s));
    ASSERT_TRUE(eventually([&] { return m_server.requestCount("GET", u"/bg.html"_s) == 1; }));
    ASSERT_FALSE(m_user.tabWith(url(u"/bg.html"_s), u"#route"_s).isEmpty());
    ASSERT_TRUE(m_user.click(url(u"/home.html"_s), u"#retitle"_s));
    ASSERT_TRUE(waitForTitle(u"/home.html"_s, u"Home later"_s));
    EXPECT_FALSE(record(u"/bg.html"_s));
    EXPECT_EQ(m_panel->CurrentUrl(), key(u"/home.html"_s));
    ASSERT_EQ(record(u"/home.html"_s)->Sessions.Count(), 1);
    EXPECT_TRUE(isZeroDateTime(record(u"/home.html"_s)->Sessions.Item(1)->eTime));

    // The user looks at it: now it is a visit, and the page left ends there.
    m_clock.advance(10);
    const QDateTime switched = m_clock.now();
    ASSERT_TRUE(m_user.bringToFront(url(u"/bg.html"_s)));
    ASSERT_TRUE(waitForTitle(u"/bg.html"_s, u"Background"_s));
    EXPECT_EQ(record(u"/home.html"_s)->Sessions.Item(timeKey(homeStart))->eTime, switched);
    EXPECT_EQ(record(u"/bg.html"_s)->Sessions.Count(), 1);

    // Changes within the document keep its title; a fragment's slashes make no parent.
    m_clock.advance(10);
    ASSERT_TRUE(m_user.click(url(u"/bg.html"_s), u"#route"_s));
    ASSERT_TRUE(waitForTitle(u"/bg.html#/route/x"_s, u"Background"_s));
    m_clock.advance(10);
    ASSERT_TRUE(m_user.click(url(u"/bg.html#/route/x"_s), u"#push"_s));
    ASSERT_TRUE(waitForTitle(u"/bg/state"_s, u"Background"_s));
    for (const CFilePtr &file : m_panel->Store().Files) {
        EXPECT_FALSE(file->URL().endsWith(u'#'));
        EXPECT_FALSE(file->URL().contains(u"#/route"_s)
                     && file->URL() != key(u"/bg.html#/route/x"_s))
            << dump();
    }

    // Back to the first tab: a visit of its page again.
    m_clock.advance(10);
    ASSERT_TRUE(m_user.bringToFront(url(u"/home.html"_s)));
    ASSERT_TRUE(
        waitForRecord(u"/home.html"_s, [](const CFile &f) { return f.Sessions.Count() == 2; }));
    EXPECT_EQ(record(u"/home.html"_s)->Title, u"Home later"_s);
    EXPECT_EQ(record(u"/bg/state"_s)->Sessions.Item(1)->eTime, m_clock.now());

    // Only what the browser saves is a download. The smallest GIF picture there is:
    const QByteArray gif = QByteArray::fromBase64(
        "R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");
    m_server.addPage(u"/files.html"_s,
                     "<title>Files</title>"
                     "<a id=redir href=\"/redir?to=/files/x.zip\">moved</a>"
                     "<a id=blob>made here</a>"
                     "<a id=data download=hello.txt href=\"data:text/plain,hello\">data</a>"
                     "<a id=txt href=/docs/notes.txt>notes</a>"
                     "<a id=gif href=/pics/dot.gif>picture</a>"
                     "<script>const a = document.getElementById('blob');"
                     "a.href = URL.createObjectURL(new Blob(['x'])); a.download = 'made.csv';"
                     "</script>");
    m_server.addRedirect(u"/redir"_s, u"/files/x.zip"_s);
    m_server.addFile(u"/files/x.zip"_s, "application/zip", QByteArray(300, 'z'));
    m_server.addFile(u"/docs/notes.txt"_s, "text/plain", "plain notes");
    m_server.addFile(u"/pics/dot.gif"_s, "image/gif", gif);

    m_clock.advance(10);
    m_browser.Navigate(url(u"/files.html"_s));
    ASSERT_TRUE(waitForTitle(u"/files.html"_s, u"Files"_s));

    // Redirected: one activity, under the URL fetched, nested in its site.
    m_clock.advance(10);
    ASSERT_TRUE(m_user.click(url(u"/files.html"_s), u"#redir"_s));
    ASSERT_TRUE(
        waitForRecord(u"/files/x.zip"_s, [](const CFile &f) { return f.Activities.Count() == 1; }));
    EXPECT_EQ(record(u"/files/x.zip"_s)->Activities.Item(1)->Location, url(u"/files/x.zip"_s));
    EXPECT_EQ(record(u"/files/x.zip"_s)->Activities.Item(1)->Activity, u"Download x.zip"_s);
    EXPECT_TRUE(record(u"/files"_s));

    // Made by the page (blob:, data:): activities of the page, under the names given.
    m_clock.advance(10);
    ASSERT_TRUE(m_user.click(url(u"/files.html"_s), u"#blob"_s));
    ASSERT_TRUE(
        waitForRecord(u"/files.html"_s, [](const CFile &f) { return f.Activities.Count() == 1; }));
    m_clock.advance(10);
    ASSERT_TRUE(m_user.click(url(u"/files.html"_s), u"#data"_s));
    ASSERT_TRUE(
        waitForRecord(u"/files.html"_s, [](const CFile &f) { return f.Activities.Count() == 2; }));
    QStringList made;
    for (const CActivity &act : record(u"/files.html"_s)->Activities)
        made.append(act.Activity);
    made.sort();
    EXPECT_EQ(made, (QStringList {u"Download hello.txt"_s, u"Download made.csv"_s}));
    // Still the one open visit of the page.
    EXPECT_EQ(record(u"/files.html"_s)->Sessions.Count(), 1);
    EXPECT_EQ(m_panel->CurrentUrl(), key(u"/files.html"_s));

    // Files the browser shows are pages, named by their file name.
    for (const auto &[selector, path, name] :
         {std::tuple {u"#txt"_s, u"/docs/notes.txt"_s, u"notes.txt"_s},
          std::tuple {u"#gif"_s, u"/pics/dot.gif"_s, u"dot.gif"_s}}) {
        SCOPED_TRACE(path.toStdString());
        m_clock.advance(10);
        const int visits = record(u"/files.html"_s)->Sessions.Count();
        if (m_panel->CurrentUrl() != key(u"/files.html"_s)) {
            // Back from the file shown: a visit of the page again.
            const QString tab = m_user.pageWithUrl(url(u"/docs/notes.txt"_s));
            ASSERT_FALSE(tab.isEmpty());
            m_user.evaluate(tab, u"history.back(); true"_s);
            ASSERT_TRUE(waitForRecord(u"/files.html"_s, [&](const CFile &f) {
                return f.Sessions.Count() == visits + 1;
            }));
            m_clock.advance(10);
        }
        const QDateTime leaving = m_clock.now();
        ASSERT_TRUE(m_user.click(url(u"/files.html"_s), selector));
        ASSERT_TRUE(waitForRecord(path, [&](const CFile &f) { return f.Title == name; }));
        EXPECT_EQ(record(path)->Sessions.Count(), 1);
        EXPECT_EQ(record(path)->Activities.Count(), 0);
        const CFilePtr page = record(u"/files.html"_s);
        EXPECT_EQ(page->Title, u"Files"_s);
        EXPECT_EQ(page->Sessions.Item(page->LastEntered)->eTime, leaving);
    }

    // Nothing else: no record for the link that redirected, nor for blob: or data:.
    for (const CFilePtr &file : m_panel->Store().Files) {
        EXPECT_FALSE(file->URL().contains(u"redir"_s)) << dump();
        EXPECT_FALSE(file->URL().contains(u"blob:"_s));
        EXPECT_FALSE(file->URL().contains(u"data:"_s));
        EXPECT_FALSE(file->URL().startsWith(u"http"_s));
    }
    const auto disk = filesOnDisk();
    EXPECT_EQ(disk.size(), m_panel->Store().Files.Count());
}

} // namespace
