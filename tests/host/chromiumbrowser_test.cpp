#include "chromiumbrowser.h"
#include "livebrowser.h"

#include <QDir>
#include <QSignalSpy>
#include <QTest>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Everything the layer reports, in order, one line per signal; addresses on the test's server
// are shortened to their path.
class EventLog final
{
public:
    EventLog(Browser &browser, const QString &server)
    {
        auto add = [this, server](const QString &prefix) {
            return [this, server, prefix](const QString &value) {
                m_lines.append(prefix
                               + (value.startsWith(server) ? value.mid(server.size()) : value));
            };
        };
        QObject::connect(&browser, &Browser::BeforeNavigate, &browser, add(u"before "_s));
        QObject::connect(&browser, &Browser::NavigateComplete, &browser, add(u"complete "_s));
        QObject::connect(&browser, &Browser::FrameBeforeNavigate, &browser, add(u"frame "_s));
        QObject::connect(&browser, &Browser::NewWindow, &browser, add(u"window "_s));
        QObject::connect(&browser, &Browser::TitleChange, &browser, add(u"title "_s));
        QObject::connect(&browser, &Browser::failed, &browser, add(u"failed "_s));
        QObject::connect(
            &browser, &Browser::OnQuit, &browser, [this] { m_lines.append(u"quit"_s); });
        QObject::connect(
            &browser, &Browser::started, &browser, [this] { m_lines.append(u"started"_s); });
        QObject::connect(&browser,
                         &Browser::DownloadStarted,
                         &browser,
                         [=, this](const QString &url, const QString &guid) {
                             add(u"download "_s)(url);
                             m_guids.insert(guid);
                         });
    }

    QStringList m_lines;
    QSet<QString> m_guids;

    int count(const QString &line) const { return int(m_lines.count(line)); }
    testing::AssertionResult waitFor(const QString &line, int times = 1) const
    {
        return LiveBrowser::eventually([&] { return count(line) >= times; },
                                       [&] { return dump(); });
    }
    testing::AssertionResult lacks(const QString &line) const
    {
        if (!m_lines.contains(line))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << line.toStdString() << " in\n" << dump();
    }
    /** Whether the lines appear in this order, others possibly between them. */
    testing::AssertionResult inOrder(const QStringList &expected) const
    {
        qsizetype at = 0;
        for (const QString &line : expected) {
            at = m_lines.indexOf(line, at);
            if (at++ < 0)
                return testing::AssertionFailure()
                       << "not in order: " << expected.join(u", "_s).toStdString() << " in\n"
                       << dump();
        }
        return testing::AssertionSuccess();
    }
    testing::AssertionResult noFailure() const
    {
        if (!m_lines.join(u'\n').contains(u"failed "_s))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "a failure in\n" << dump();
    }
    std::string dump() const { return m_lines.join(u'\n').toStdString(); }
};

class ChromiumBrowserTest : public ::testing::Test, protected LiveBrowser
{
protected:
    void SetUp() override { ASSERT_TRUE(ready()); }

    void TearDown() override
    {
        if (m_browser && m_browser->isRunning()) {
            QSignalSpy quit(m_browser.get(), &Browser::OnQuit);
            m_browser->Quit();
            quit.wait(kWaitMs);
        }
        m_browser.reset();
    }

    // A new layer and its log; started, it is waited for and, when wrapped, driven by the user.
    void make(const Browser::Options &start, bool wait = true)
    {
        m_browser = std::make_unique<ChromiumBrowser>();
        m_log = std::make_unique<EventLog>(*m_browser, url({}));
        m_browser->start(start);
        if (!wait)
            return;
        ASSERT_TRUE(m_log->waitFor(u"started"_s));
        ASSERT_TRUE(m_browser->isRunning()) << m_log->dump();
        if (start.executable == m_wrapper) {
            ASSERT_TRUE(attach(start.profileDir));
        }
    }

    std::unique_ptr<ChromiumBrowser> m_browser;
    std::unique_ptr<EventLog> m_log;
};

TEST_F(ChromiumBrowserTest, ReportsTopLevelNavigationsFramesTitlesRedirectsFormsAndDownloads)
{
    m_server.addPage(u"/home.html"_s,
                     "<title>Home</title><a id=next href=/second.html>next</a>"
                     "<a id=moved href=/moved>moved</a>");
    m_server.addPage(u"/second.html"_s,
                     "<title>Second</title><p>two</p><iframe src=/inner.html></iframe>");
    m_server.addPage(u"/inner.html"_s, "<title>Inner</title><p>inside</p>");
    m_server.addRedirect(u"/moved"_s, u"/landing.html"_s);
    m_server.addPage(u"/landing.html"_s, "<title>Landing</title>");
    m_server.addPage(u"/retitled.html"_s,
                     "<title>Before</title><script>setTimeout(() => "
                     "{ document.title = 'After'; }, 50);</script>");
    m_server.addPage(u"/untitled.html"_s, "<p>no title here</p><a id=down href=#part>down</a>");
    // The same server under another name is another site: its frame runs in a process of its own.
    const QString crossSite = url(u"/inner.html"_s).replace(u"127.0.0.1"_s, u"localhost"_s);
    m_server.addPage(u"/cross.html"_s,
                     "<title>Cross</title><iframe src=\"" + crossSite.toUtf8() + "\"></iframe>");
    m_server.addPage(u"/form.html"_s,
                     "<title>Form</title><form method=post action=/submit>"
                     "<input name=q value=roam><button id=go>go</button></form>");
    m_server.addPage(u"/submit"_s, "<title>Thanks</title>");
    m_server.addPage(u"/files.html"_s,
                     "<title>Files</title><a id=zip href=/files/archive.zip>zip</a>"
                     "<a id=save href=/data.bin download>save</a>"
                     "<iframe src=/frame.html></iframe>");
    m_server.addPage(u"/frame.html"_s, "<a id=inner href=/files/inner.zip>inner</a>");
    m_server.addFile(u"/files/archive.zip"_s, "application/zip", QByteArray(2000, 'z'));
    m_server.addFile(u"/files/inner.zip"_s, "application/zip", QByteArray(100, 'i'));
    m_server.addFile(u"/data.bin"_s, "application/octet-stream", QByteArray(3000, 'd'));

    // Asked for before the browser is up, the home page still opens.
    make(options(), false);
    m_browser->GoHome();
    ASSERT_TRUE(m_log->waitFor(u"started"_s));
    ASSERT_TRUE(attach(options().profileDir));
    ASSERT_TRUE(m_log->waitFor(u"title Home"_s));
    EXPECT_TRUE(
        m_log->inOrder({u"before /home.html"_s, u"complete /home.html"_s, u"title Home"_s}));
    EXPECT_EQ(m_browser->LocationURL(), url(u"/home.html"_s));
    EXPECT_EQ(m_browser->LocationName(), u"Home"_s);

    ASSERT_TRUE(m_user.click(url(u"/home.html"_s), u"#next"_s));
    ASSERT_TRUE(m_log->waitFor(u"frame /inner.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title Second"_s));
    EXPECT_TRUE(m_log->inOrder(
        {u"before /second.html"_s, u"complete /second.html"_s, u"frame /inner.html"_s}));
    // The frame is not a page of its own: no top-level report and its title is not the tab's.
    EXPECT_TRUE(m_log->lacks(u"before /inner.html"_s));
    EXPECT_TRUE(m_log->lacks(u"complete /inner.html"_s));
    EXPECT_TRUE(m_log->lacks(u"title Inner"_s));
    EXPECT_EQ(m_browser->LocationName(), u"Second"_s);

    m_browser->Navigate(url(u"/home.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"complete /home.html"_s, 2));
    ASSERT_TRUE(eventually([&] { return !m_user.pageWithUrl(url(u"/home.html"_s)).isEmpty(); }));
    ASSERT_TRUE(m_user.click(url(u"/home.html"_s), u"#moved"_s));
    ASSERT_TRUE(m_log->waitFor(u"title Landing"_s));
    EXPECT_TRUE(m_log->inOrder({u"before /moved"_s, u"complete /landing.html"_s}));
    EXPECT_TRUE(m_log->lacks(u"complete /moved"_s));
    EXPECT_EQ(m_browser->LocationURL(), url(u"/landing.html"_s));

    m_browser->Navigate(url(u"/retitled.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title After"_s));
    EXPECT_TRUE(m_log->inOrder({u"title Before"_s, u"title After"_s}));
    EXPECT_EQ(m_browser->LocationName(), u"After"_s);

    // A page without a title is named by its address.
    m_browser->Navigate(url(u"/untitled.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title /untitled.html"_s));
    EXPECT_EQ(m_browser->LocationName(), url(u"/untitled.html"_s));

    // A jump within the page is a navigation of the tab, without loading anything.
    ASSERT_TRUE(m_user.click(url(u"/untitled.html"_s), u"#down"_s));
    ASSERT_TRUE(m_log->waitFor(u"complete /untitled.html#part"_s));
    EXPECT_TRUE(
        m_log->inOrder({u"before /untitled.html#part"_s, u"complete /untitled.html#part"_s}));
    EXPECT_EQ(m_log->count(u"before /untitled.html#part"_s), 1) << m_log->dump();
    EXPECT_EQ(m_browser->LocationURL(), url(u"/untitled.html#part"_s));
    EXPECT_EQ(m_server.requestCount("GET", u"/untitled.html"_s), 1);

    m_browser->Navigate(url(u"/cross.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"frame "_s + crossSite));
    ASSERT_TRUE(eventually([&] { return m_server.requestCount("GET", u"/inner.html"_s) == 2; }));
    EXPECT_TRUE(m_log->lacks(u"before "_s + crossSite));
    EXPECT_TRUE(m_log->lacks(u"complete "_s + crossSite));
    EXPECT_EQ(m_browser->LocationURL(), url(u"/cross.html"_s));

    // A form sent by the user is observed, never sent again.
    m_browser->Navigate(url(u"/form.html"_s));
    ASSERT_TRUE(m_user.click(url(u"/form.html"_s), u"#go"_s));
    ASSERT_TRUE(m_log->waitFor(u"title Thanks"_s));
    EXPECT_TRUE(m_log->inOrder({u"before /submit"_s, u"complete /submit"_s}));
    EXPECT_EQ(m_server.requestCount("POST", u"/submit"_s), 1);
    EXPECT_EQ(m_server.requestCount("GET", u"/submit"_s), 0);
    for (const TestHttpServer::Request &request : m_server.requests())
        EXPECT_TRUE(request.method != "POST" || request.body == "q=roam") << request.body.data();

    // One report of each kind per navigation.
    for (const QString &path : {u"/second.html"_s, u"/moved"_s, u"/retitled.html"_s}) {
        EXPECT_EQ(m_log->count(u"before "_s + path), 1) << m_log->dump();
        EXPECT_EQ(m_log->count(u"frame "_s + path), 0) << m_log->dump();
    }
    EXPECT_EQ(m_log->count(u"frame /inner.html"_s), 1) << m_log->dump();
    EXPECT_EQ(m_log->count(u"frame "_s + crossSite), 1) << m_log->dump();
    EXPECT_EQ(m_log->count(u"before /home.html"_s), 2) << m_log->dump();
    EXPECT_TRUE(m_log->noFailure());

    // Every download once: a link, an <a download> and a link in a frame.
    m_browser->Navigate(url(u"/files.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title Files"_s));
    ASSERT_TRUE(m_user.click(url(u"/files.html"_s), u"#zip"_s));
    ASSERT_TRUE(m_log->waitFor(u"download /files/archive.zip"_s));
    EXPECT_TRUE(m_log->inOrder({u"before /files/archive.zip"_s, u"download /files/archive.zip"_s}));
    ASSERT_TRUE(m_user.click(url(u"/files.html"_s), u"#save"_s));
    ASSERT_TRUE(m_log->waitFor(u"download /data.bin"_s));
    m_user.evaluate(m_user.pageWithUrl(url(u"/files.html"_s)),
                    u"document.querySelector('iframe').contentDocument"
                    ".querySelector('#inner').click(); true"_s);
    ASSERT_TRUE(m_log->waitFor(u"download /files/inner.zip"_s));
    EXPECT_GE(m_log->count(u"frame /files/inner.zip"_s), 1) << m_log->dump();

    // Once all files are saved, no late second report may come.
    const QDir downloads(options().downloadDir);
    const QStringList files {u"/files/archive.zip"_s, u"/data.bin"_s, u"/files/inner.zip"_s};
    ASSERT_TRUE(eventually(
        [&] {
            return std::all_of(files.cbegin(), files.cend(), [&](const QString &path) {
                return downloads.exists(path.section(u'/', -1));
            });
        },
        [&] { return downloads.entryList().join(u' ').toStdString(); }));
    m_user.call(u"Target.getTargets"_s);
    for (const QString &path : files)
        EXPECT_EQ(m_log->count(u"download "_s + path), 1) << m_log->dump();
    EXPECT_EQ(m_log->m_guids.size(), 3);
    // A download is not a page shown.
    EXPECT_TRUE(m_log->lacks(u"complete /files/archive.zip"_s));
    EXPECT_TRUE(m_log->lacks(u"before /data.bin"_s));
    EXPECT_EQ(m_browser->LocationURL(), url(u"/files.html"_s));
}

TEST_F(ChromiumBrowserTest, FollowsTheTabUsedLastNeverPrivateWindowsAndShowsItsWindow)
{
    m_server.addPage(u"/home.html"_s,
                     "<title>Home</title><a id=blank target=_blank href=/tab.html>tab</a>"
                     "<button id=open onclick=\"window.open('/popup.html')\">open</button>"
                     "<a id=next href=/second.html>next</a>");
    for (const char *name : {"tab", "popup", "second", "third"})
        m_server.addPage(u"/%1.html"_s.arg(QLatin1StringView(name)),
                         "<title>" + QByteArray(name) + "</title>");
    m_server.addPage(u"/secret.html"_s, "<title>Secret</title><a id=more href=/more.html>more</a>");
    m_server.addPage(u"/more.html"_s, "<title>More</title>");
    make(options());
    m_browser->GoHome();
    ASSERT_TRUE(m_log->waitFor(u"title Home"_s));
    const QString homeTab = m_user.pageWithUrl(url(u"/home.html"_s));

    // A private window, browsed in: nothing of it is reported, nor does it take the calls.
    m_user.openPrivate(url(u"/secret.html"_s));
    ASSERT_TRUE(m_user.click(url(u"/secret.html"_s), u"#more"_s));
    ASSERT_TRUE(eventually([&] { return m_server.requestCount("GET", u"/more.html"_s) == 1; }));
    m_browser->Navigate(url(u"/home.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title Home"_s, 2));
    for (const QString &line : m_log->m_lines)
        EXPECT_FALSE(line.contains(u"secret"_s) || line.contains(u"more"_s)) << m_log->dump();
    EXPECT_EQ(m_browser->LocationURL(), url(u"/home.html"_s));
    EXPECT_EQ(m_user.pageWithUrl(url(u"/home.html"_s)), homeTab);

    // New windows: a target=_blank link and window.open, each the tab used last once shown.
    for (const auto &[button, path, title] :
         {std::tuple {u"#blank"_s, u"/tab.html"_s, u"tab"_s},
          std::tuple {u"#open"_s, u"/popup.html"_s, u"popup"_s}}) {
        ASSERT_TRUE(m_user.click(url(u"/home.html"_s), button));
        ASSERT_TRUE(m_log->waitFor(u"title "_s + title));
        EXPECT_TRUE(
            m_log->inOrder({u"window "_s + path, u"before "_s + path, u"complete "_s + path}));
        EXPECT_EQ(m_log->count(u"window "_s + path), 1) << m_log->dump();
        EXPECT_EQ(m_browser->LocationURL(), url(path));
        EXPECT_EQ(m_browser->LocationName(), title);
    }

    // The user goes back to the first tab and follows a link there: it is the tab used last.
    m_log->m_lines.clear();
    ASSERT_TRUE(m_user.bringToFront(url(u"/home.html"_s)));
    ASSERT_TRUE(m_log->waitFor(u"complete /home.html"_s));
    EXPECT_EQ(m_browser->LocationURL(), url(u"/home.html"_s));
    ASSERT_TRUE(m_user.click(url(u"/home.html"_s), u"#next"_s));
    ASSERT_TRUE(m_log->waitFor(u"title second"_s));
    EXPECT_EQ(m_browser->LocationURL(), url(u"/second.html"_s));
    m_browser->Navigate(url(u"/third.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title third"_s));
    EXPECT_EQ(m_user.pageWithUrl(url(u"/third.html"_s)), homeTab);
    EXPECT_FALSE(m_user.pageWithUrl(url(u"/popup.html"_s)).isEmpty());

    // Hiding and showing act on the window of that tab.
    const auto windowState = [&] {
        const int window = m_user.call(u"Browser.getWindowForTarget"_s, {{u"targetId"_s, homeTab}})
                               .value(u"result"_s)[u"windowId"_s]
                               .toInt();
        return m_user.call(u"Browser.getWindowBounds"_s, {{u"windowId"_s, window}})
            .value(u"result"_s)[u"bounds"_s][u"windowState"_s]
            .toString();
    };
    EXPECT_TRUE(m_browser->Visible());
    for (const bool visible : {false, true}) {
        m_browser->setVisible(visible);
        EXPECT_EQ(m_browser->Visible(), visible);
        const QString state = visible ? u"normal"_s : u"minimized"_s;
        EXPECT_TRUE(eventually([&] { return windowState() == state; },
                               [&] { return windowState().toStdString(); }));
    }

    // Closing the tab used last hands that role to another tab.
    m_user.call(u"Target.closeTarget"_s, {{u"targetId"_s, homeTab}});
    ASSERT_TRUE(eventually([&] { return m_browser->LocationURL() != url(u"/third.html"_s); }));
    EXPECT_TRUE(m_browser->LocationURL() == url(u"/tab.html"_s)
                || m_browser->LocationURL() == url(u"/popup.html"_s))
        << m_browser->LocationURL().toStdString();
}

TEST_F(ChromiumBrowserTest, StartsOnlyWhereItCanTalksOverThePipeAloneAndReportsItsEnd)
{
    m_server.addPage(u"/home.html"_s, "<title>Home</title>");
    m_server.addPage(u"/long.html"_s, "<title>Long</title>");
    // Chromium itself, as Roamlog starts it.
    Browser::Options direct = options();
    direct.executable.clear();
    make(direct, false);
    m_browser->GoHome();
    ASSERT_TRUE(m_log->waitFor(u"title Home"_s));
    // The first page after the start is seen from its very beginning.
    EXPECT_TRUE(m_log->inOrder(
        {u"started"_s, u"before /home.html"_s, u"complete /home.html"_s, u"title Home"_s}));
    const qint64 pid = m_browser->processId();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(QFile::permissions(direct.profileDir),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                  | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
    EXPECT_TRUE(BrowserWrapper::listeningPorts(pid).isEmpty())
        << "the browser listens on TCP port " << BrowserWrapper::listeningPorts(pid).value(0);

    // More than the pipe holds at once, both ways: the command, and the events naming its URL.
    const QString longUrl = url(u"/long.html#"_s) + QString(300000, u'x');
    m_browser->Navigate(longUrl);
    ASSERT_TRUE(m_log->waitFor(u"title Long"_s)) << m_log->m_lines.size();
    EXPECT_EQ(m_log->count(u"complete "_s + longUrl.mid(url({}).size())), 1);
    EXPECT_EQ(m_browser->LocationURL(), longUrl);
    m_browser->Navigate(url(u"/home.html"_s));
    ASSERT_TRUE(m_log->waitFor(u"title Home"_s, 2));

    // Quit through the layer.
    m_browser->Quit();
    ASSERT_TRUE(m_log->waitFor(u"quit"_s));
    EXPECT_TRUE(m_log->noFailure());
    ASSERT_TRUE(eventually([&] { return m_browser->processId() == 0; }));

    // Closed by the user (another client asks, as the last window closing does). The same look
    // finds the port the tests' wrapper adds; a second browser on the profile in use gives up
    // and says why.
    make(options());
    EXPECT_FALSE(BrowserWrapper::listeningPorts(m_browser->processId()).isEmpty());
    ChromiumBrowser second;
    QSignalSpy secondFailed(&second, &Browser::failed);
    QSignalSpy secondStarted(&second, &Browser::started);
    second.start(options());
    ASSERT_TRUE(secondFailed.wait(kWaitMs));
    EXPECT_TRUE(secondFailed.at(0).at(0).toString().contains(u"already running"_s))
        << secondFailed.at(0).at(0).toString().toStdString();
    EXPECT_EQ(secondStarted.count(), 0);
    EXPECT_EQ(second.processId(), 0) << "a second browser was started on the profile";
    EXPECT_TRUE(m_browser->isRunning());
    m_browser->GoHome();
    ASSERT_TRUE(m_log->waitFor(u"title Home"_s));
    m_user.post(u"Browser.close"_s);
    ASSERT_TRUE(m_log->waitFor(u"quit"_s));
    EXPECT_EQ(m_log->count(u"quit"_s), 1);
    EXPECT_TRUE(m_log->noFailure());
    EXPECT_FALSE(m_browser->isRunning());
    ASSERT_TRUE(eventually([&] { return m_browser->processId() == 0; }));

    // Left behind: the browser ends with the layer, by itself (not killed), and frees the
    // profile for the next one.
    make(options());
    const qint64 leftPid = m_browser->processId();
    m_browser.reset();
    EXPECT_FALSE(BrowserWrapper::isAlive(leftPid));
    EXPECT_EQ(BrowserWrapper::lockedPid(options().profileDir), 0);

    // Killed: a failure, then the end.
    make(options());
    ASSERT_GT(m_browser->processId(), 0);
    ::kill(pid_t(m_browser->processId()), SIGKILL);
    ASSERT_TRUE(m_log->waitFor(u"quit"_s));
    ASSERT_EQ(m_log->m_lines.size(), 3) << m_log->dump();
    EXPECT_TRUE(m_log->m_lines.at(1).startsWith(u"failed "_s)) << m_log->dump();
    EXPECT_EQ(m_log->count(u"quit"_s), 1);
}

TEST_F(ChromiumBrowserTest, ABrowserLeftOnTheProfileIsClosedOnlyWhenRoamlogsOwn)
{
    m_server.addPage(u"/home.html"_s, "<title>Home</title>");
    const QString profile = options().profileDir;
    // The process id of a Roamlog that has ended.
    QProcess endedHost;
    endedHost.start(u"/bin/true"_s);
    ASSERT_TRUE(endedHost.waitForStarted());
    const qint64 endedHostPid = endedHost.processId();
    ASSERT_TRUE(endedHost.waitForFinished());

    for (const bool roamlogs : {true, false}) {
        SCOPED_TRACE(roamlogs ? "left by a Roamlog that has ended" : "started by someone else");
        // Chromium on the profile, with a DevTools pipe nobody writes to but that stays open.
        int quiet[2] = {-1, -1};
        ASSERT_EQ(::pipe2(quiet, O_CLOEXEC), 0);
        QProcess leftover;
        leftover.setChildProcessModifier([quiet] {
            const int in = ::fcntl(quiet[0], F_DUPFD, 10);
            const int out = ::open("/dev/null", O_WRONLY);
            if (in < 0 || out < 0 || ::dup2(in, 3) < 0 || ::dup2(out, 4) < 0)
                ::_exit(127);
        });
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (roamlogs)
            environment.insert(u"ROAMLOG_HOST_PID"_s, QString::number(endedHostPid));
        leftover.setProcessEnvironment(environment);
        leftover.setStandardErrorFile(QProcess::nullDevice());
        QStringList arguments {u"--remote-debugging-pipe"_s,
                               u"--user-data-dir="_s + profile,
                               u"--headless=new"_s,
                               u"--disable-gpu"_s,
                               u"--no-first-run"_s};
        if (::geteuid() == 0)
            arguments << u"--no-sandbox"_s;
        leftover.start(ChromiumBrowser::resolveExecutable({}), arguments << u"about:blank"_s);
        ::close(quiet[0]);
        ASSERT_TRUE(leftover.waitForStarted());
        ASSERT_TRUE(
            eventually([&] { return BrowserWrapper::lockedPid(profile) == leftover.processId(); }));

        make(options(), false);
        m_browser->GoHome();
        if (roamlogs) {
            ASSERT_TRUE(m_log->waitFor(u"title Home"_s));
            EXPECT_EQ(leftover.state(), QProcess::NotRunning);
            EXPECT_TRUE(m_log->noFailure());
        } else {
            ASSERT_TRUE(eventually([&] { return !m_log->m_lines.isEmpty(); }));
            const QString said = m_log->m_lines.at(0);
            ASSERT_TRUE(said.startsWith(u"failed "_s)) << m_log->dump();
            // Plainly: which process, and what to do.
            EXPECT_TRUE(said.contains(u"already running"_s)) << m_log->dump();
            EXPECT_TRUE(said.contains(u"kill "_s + QString::number(leftover.processId())));
            EXPECT_EQ(m_log->count(u"started"_s), 0);
            EXPECT_EQ(m_browser->processId(), 0);
            EXPECT_EQ(leftover.state(), QProcess::Running);
        }
        TearDown();
        ::close(quiet[1]);
        leftover.kill();
        leftover.waitForFinished();
    }
}

TEST_F(ChromiumBrowserTest, StartFailuresAreReported)
{
    // Missing (the message names the package), and there but ending at once with an error.
    const std::pair<QString, QStringList> rows[] = {
        {m_tmp.filePath(u"no-such-browser"_s), {u"no-such-browser"_s, u"chromium"_s}},
        {u"/bin/false"_s, {u"exit code 1"_s}},
    };
    for (const auto &[program, said] : rows) {
        SCOPED_TRACE(program.toStdString());
        Browser::Options start = options();
        start.executable = program;
        make(start, false);
        ASSERT_TRUE(eventually([&] { return !m_log->m_lines.isEmpty(); }));
        EXPECT_TRUE(m_log->m_lines.at(0).startsWith(u"failed "_s)) << m_log->dump();
        for (const QString &words : said)
            EXPECT_TRUE(m_log->m_lines.at(0).contains(words)) << m_log->dump();
        EXPECT_EQ(m_log->count(u"started"_s), 0);
        EXPECT_FALSE(m_browser->isRunning());
    }

    // Debian's launcher script is skipped for the program it starts.
    EXPECT_EQ(ChromiumBrowser::resolveExecutable({}), u"/usr/lib/chromium/chromium"_s);
    EXPECT_EQ(ChromiumBrowser::resolveExecutable(u"/usr/bin/chromium"_s),
              u"/usr/lib/chromium/chromium"_s);
    EXPECT_EQ(ChromiumBrowser::resolveExecutable(u"false"_s), u"/usr/bin/false"_s);
    EXPECT_TRUE(ChromiumBrowser::resolveExecutable(m_tmp.path()).isEmpty());
}

} // namespace
