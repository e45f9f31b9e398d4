// The Roamlog program end to end: the real host on the real browser, driven as a user would
// through a second DevTools client, checked by the files it leaves on disk.
#include "datafolderlock.h"
#include "livebrowser.h"

#include "cfile.h"
#include "pagetextindex.h"
#include "timekey.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <map>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

class RoamlogEndToEnd : public ::testing::Test, protected LiveBrowser
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ready());
        QDir().mkpath(m_tmp.filePath(u"home"_s));
    }

    void TearDown() override
    {
        if (m_host.state() != QProcess::NotRunning) {
            m_host.terminate();
            if (!m_host.waitForFinished(5000))
                m_host.kill();
            m_host.waitForFinished(5000);
        }
    }

    // The browser is the tests' wrapper, so that the user's client can drive it, unless extra
    // names another.
    void startHost(const QStringList &extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        // Downloads and anything else the browser keeps per user stay in the test's folder.
        env.insert(u"HOME"_s, m_tmp.filePath(u"home"_s));
        env.remove(u"ROAMLOG_SETTINGS"_s);
        m_host.setProcessEnvironment(env);
        m_host.setProgram(QStringLiteral(ROAMLOG_EXECUTABLE));
        m_host.setArguments(QStringList {u"--headless"_s,
                                         u"--data-dir"_s,
                                         m_tmp.filePath(u"setup"_s),
                                         u"--settings"_s,
                                         m_tmp.filePath(u"settings.ini"_s),
                                         u"--profile"_s,
                                         profileDir(),
                                         u"--home"_s,
                                         url(u"/index.html"_s)}
                            + (extra.contains(u"--browser"_s)
                                   ? extra
                                   : QStringList {u"--browser"_s, m_wrapper} + extra));
        m_host.start();
        ASSERT_TRUE(m_host.waitForStarted(5000)) << m_host.errorString().toStdString();
    }

    testing::AssertionResult waitForStandardError(const QString &text)
    {
        QString said;
        return eventually(
            [&] {
                said += QString::fromUtf8(m_host.readAllStandardError());
                return said.contains(text);
            },
            [&] { return said.toStdString(); });
    }

    QString profileDir() const { return m_tmp.filePath(u"profile"_s); }
    QString dataDir() const { return m_tmp.filePath(u"setup/Data"_s); }

    std::map<QString, CFile> siteFiles() const
    {
        std::map<QString, CFile> files;
        const QDir folder(dataDir());
        for (const QString &name : folder.entryList({u"*.smf"_s}, QDir::Files)) {
            CFile file;
            if (file.Read(folder.filePath(name)))
                files.emplace(file.URL(), std::move(file));
        }
        return files;
    }

    // Until the record of the page at @p path is there and @p done with it.
    testing::AssertionResult waitForRecord(const QString &path,
                                           const std::function<bool(const CFile &)> &done)
    {
        return eventually(
            [&] {
                const auto files = siteFiles();
                const auto it = files.find(key(path));
                return it != files.end() && done(it->second);
            },
            [this] { return dump(siteFiles()); });
    }

    testing::AssertionResult waitForTitle(const QString &path, const QString &title)
    {
        return waitForRecord(path, [&](const CFile &file) { return file.Title == title; });
    }

    static std::string dump(const std::map<QString, CFile> &files)
    {
        QStringList lines;
        for (const auto &[url, file] : files)
            lines.append(u"%1 | %2 | visits %3 | downloads %4"_s.arg(
                url,
                file.Title,
                QString::number(file.Sessions.Count()),
                QString::number(file.Activities.Count())));
        return lines.join(u'\n').toStdString();
    }

    QProcess m_host;
};

TEST_F(RoamlogEndToEnd, RecordsWhatTheUserDoesInTheBrowser)
{
    m_server.addPage(u"/index.html"_s,
                     "<title>Index</title>"
                     "<a id=one href=/a/one.html>one</a>"
                     "<iframe src=/frame/inner.html></iframe>"
                     "<a id=blank target=_blank href=/b/blank.html>blank</a>"
                     "<button id=open onclick=\"window.open('/c/opened.html')\">open</button>"
                     "<a id=zip href=/files/pack.zip>zip</a>"
                     "<a id=dl download href=/files/data.bin>data</a>"
                     "<form id=form method=post action=/submit>"
                     "<input name=q value=hello><button id=send>send</button></form>");
    m_server.addPage(u"/a/one.html"_s,
                     "<title>One</title><script>setTimeout(() => "
                     "{ document.title = 'One changed'; }, 100);</script>");
    m_server.addPage(u"/frame/inner.html"_s, "<title>Inner</title><p>inside</p>");
    m_server.addPage(u"/b/blank.html"_s, "<title>Blank</title>");
    m_server.addPage(u"/c/opened.html"_s, "<title>Opened</title>");
    m_server.addPage(u"/submit"_s, "<title>Submitted</title>");
    m_server.addPage(u"/secret.html"_s, "<title>Secret</title>");
    m_server.addFile(u"/files/pack.zip"_s, "application/zip", QByteArray(512, 'z'));
    m_server.addFile(u"/files/data.bin"_s, "application/octet-stream", QByteArray(256, 'd'));

    startHost();
    ASSERT_TRUE(attach(profileDir()));
    const QString index = url(u"/index.html"_s);
    ASSERT_TRUE(waitForTitle(u"/index.html"_s, u"Index"_s));
    QElapsedTimer sinceIndex;
    sinceIndex.start();

    // A link, and a title the page's script changes.
    ASSERT_TRUE(m_user.click(index, u"#one"_s));
    ASSERT_TRUE(waitForTitle(u"/a/one.html"_s, u"One changed"_s));

    // Typed back to the start page: the visit of the page left ends, and the start page gets a
    // second visit.
    QTest::qWait(qMax<qint64>(0, 1100 - sinceIndex.elapsed()));
    const QString tab = m_user.pageWithUrl(url(u"/a/one.html"_s));
    m_user.call(u"Page.navigate"_s, {{u"url"_s, index}}, m_user.session(tab));
    ASSERT_TRUE(waitForRecord(u"/a/one.html"_s, [](const CFile &file) {
        return file.Sessions.Count() == 1 && (*file.Sessions.begin()).eTime != zeroDateTime();
    }));

    // New tabs: a target=_blank link and window.open.
    ASSERT_TRUE(m_user.click(index, u"#blank"_s));
    ASSERT_TRUE(waitForTitle(u"/b/blank.html"_s, u"Blank"_s));
    ASSERT_TRUE(m_user.click(index, u"#open"_s));
    ASSERT_TRUE(waitForTitle(u"/c/opened.html"_s, u"Opened"_s));

    // The user goes back to the first tab: its page is shown, and visited, again.
    QTest::qWait(1100);
    ASSERT_TRUE(m_user.bringToFront(index));
    ASSERT_TRUE(waitForRecord(u"/index.html"_s,
                              [](const CFile &file) { return file.Sessions.Count() == 3; }));

    // Downloads: a link to a .zip, and an <a download> link the URL does not give away. Each
    // nests under its site like the pages.
    ASSERT_TRUE(m_user.click(index, u"#zip"_s));
    ASSERT_TRUE(waitForRecord(u"/files/pack.zip"_s,
                              [](const CFile &file) { return file.Activities.Count() == 1; }));
    QTest::qWait(1100);
    ASSERT_TRUE(m_user.click(index, u"#dl"_s));
    ASSERT_TRUE(waitForRecord(u"/files/data.bin"_s,
                              [](const CFile &file) { return file.Activities.Count() == 1; }));

    // A form sent once, never again by the host.
    ASSERT_TRUE(m_user.click(index, u"#send"_s));
    ASSERT_TRUE(waitForTitle(u"/submit"_s, u"Submitted"_s));

    // A private window.
    m_user.openPrivate(url(u"/secret.html"_s));
    ASSERT_TRUE(eventually([&] { return m_server.requestCount("GET", u"/secret.html"_s) == 1; }));
    QTest::qWait(500);

    // The user closes the browser: the host ends and stamps the session's end.
    const QDateTime closing = QDateTime::currentDateTime().addSecs(-1);
    m_user.post(u"Browser.close"_s);
    // The event loop carries the command out.
    ASSERT_TRUE(eventually([&] { return m_host.state() == QProcess::NotRunning; }))
        << "the host did not end with the browser";
    EXPECT_EQ(m_host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_host.exitCode(), 0);

    const auto files = siteFiles();
    const std::string all = dump(files);
    auto visits = [&](const QString &path) {
        const auto it = files.find(key(path));
        return it == files.end() ? -1 : it->second.Sessions.Count();
    };
    for (const auto &[path, count] : {std::pair {u"/index.html"_s, 3},
                                      {u"/a/one.html"_s, 1},
                                      {u"/b/blank.html"_s, 1},
                                      {u"/c/opened.html"_s, 1},
                                      {u"/submit"_s, 1}})
        EXPECT_EQ(visits(path), count) << path.toStdString() << '\n' << all;
    // Parents: the folder of a page and the host itself.
    EXPECT_GE(visits(u"/a"_s), 1) << all;
    EXPECT_TRUE(files.count(key(u"/index.html"_s).section(u'/', 0, 0)) == 1) << all;
    // The frame's page and the private window's page leave nothing; no record keeps a scheme.
    for (const auto &[recordUrl, file] : files) {
        EXPECT_FALSE(recordUrl.contains(u"inner"_s)) << all;
        EXPECT_FALSE(recordUrl.contains(u"secret"_s)) << all;
        EXPECT_FALSE(recordUrl.startsWith(u"http"_s)) << all;
    }
    // The session's last visit ended with it.
    const auto submitted = files.find(key(u"/submit"_s));
    ASSERT_NE(submitted, files.end()) << all;
    EXPECT_GE((*submitted->second.Sessions.begin()).eTime, closing.addMSecs(-closing.time().msec()))
        << all;
    // Each download once.
    QStringList downloads;
    for (const auto &[recordUrl, file] : files)
        for (const auto &act : file.Activities)
            downloads.append(act.Location);
    downloads.sort();
    EXPECT_EQ(downloads, (QStringList {url(u"/files/data.bin"_s), url(u"/files/pack.zip"_s)}))
        << all;
    EXPECT_EQ(m_server.requestCount("POST", u"/submit"_s), 1);
    EXPECT_EQ(m_server.requestCount("GET", u"/submit"_s), 0);
    EXPECT_EQ(m_server.requestCount("GET", u"/a/one.html"_s), 1);

    QFile sessions(QDir(dataDir()).filePath(u"Ses.sms"_s));
    ASSERT_TRUE(sessions.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(sessions.readAll());
    static const QRegularExpression times(u"#([0-9-]+ [0-9:]+)#,#([0-9-]+ [0-9:]+)#"_s);
    const QRegularExpressionMatch match = times.match(text);
    ASSERT_TRUE(match.hasMatch()) << text.toStdString();
    const QDateTime end = QDateTime::fromString(match.captured(2), u"yyyy-MM-dd HH:mm:ss"_s);
    EXPECT_GE(end, closing.addMSecs(-closing.time().msec())) << text.toStdString();
}

TEST_F(RoamlogEndToEnd, TheBrowserIsPrivateToRoamlogAndEndsWithIt)
{
    m_server.addPage(u"/index.html"_s, "<title>Index</title>");
    // Chromium itself, as a user runs Roamlog.
    startHost({u"--browser"_s, u"chromium"_s});
    // The first page after the start is recorded.
    ASSERT_TRUE(waitForRecord(
        u"/index.html"_s,
        [](const CFile &file) { return file.Title == "Index"_L1 && file.Sessions.Count() == 1; }))
        << dump(siteFiles()) << m_host.readAllStandardError().toStdString();
    const qint64 browser = BrowserWrapper::lockedPid(profileDir());
    ASSERT_TRUE(BrowserWrapper::isAlive(browser));
    EXPECT_TRUE(BrowserWrapper::processTree(m_host.processId()).contains(browser));
    EXPECT_TRUE(BrowserWrapper::listeningPorts(browser).isEmpty())
        << "the browser listens on TCP port " << BrowserWrapper::listeningPorts(browser).value(0);

    // Roamlog dies without a chance to clean up: its browser goes too.
    ::kill(pid_t(m_host.processId()), SIGKILL);
    ASSERT_TRUE(m_host.waitForFinished(kWaitMs));
    EXPECT_TRUE(eventually([&] { return !BrowserWrapper::isAlive(browser); }))
        << "the browser outlived Roamlog";
}

TEST_F(RoamlogEndToEnd, WithoutABrowserOrTheFolderTheHostStillShowsTheHistory)
{
    // Ended from outside (a logout), the host closes the session it could not browse in.
    const QString missing = m_tmp.filePath(u"no-chromium-here"_s);
    startHost({u"--browser"_s, missing});
    ASSERT_TRUE(waitForStandardError(u"apt-get install chromium"_s));
    QTest::qWait(300);
    EXPECT_EQ(m_host.state(), QProcess::Running);
    m_host.terminate();
    ASSERT_TRUE(m_host.waitForFinished(kWaitMs));
    EXPECT_EQ(m_host.exitStatus(), QProcess::NormalExit);
    EXPECT_TRUE(QFile::exists(QDir(dataDir()).filePath(u"Ses.sms"_s)));

    // A second Roamlog on a folder another one records into (this test holds its lock) says so,
    // and ends without writing its records. (The page text index it opens to search is left
    // out here: opening it makes its shared-memory file.)
    for (const QString &suffix : {u""_s, u"-wal"_s, u"-shm"_s})
        QFile::remove(PageTextIndex::fileName(dataDir()) + suffix);
    DataFolderLock first(dataDir());
    ASSERT_EQ(first.acquire(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    const auto folder = [this] {
        QMap<QString, QByteArray> files;
        for (QDirIterator it(dataDir(), QDir::Files | QDir::Hidden); it.hasNext();) {
            QFile file(it.next());
            files.insert(file.fileName(), file.open(QIODevice::ReadOnly) ? file.readAll() : "");
        }
        return files;
    };
    const auto before = folder();
    startHost({u"--browser"_s, missing});
    ASSERT_TRUE(waitForStandardError(
        u"Roamlog: The data folder "_s + dataDir() + u" is in use by Roamlog, process "_s
        + QString::number(QCoreApplication::applicationPid())
        + u": the history is only shown, browsing is not recorded\n"_s));
    m_host.terminate();
    ASSERT_TRUE(m_host.waitForFinished(kWaitMs));
    EXPECT_EQ(m_host.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_host.exitCode(), 0);
    EXPECT_EQ(folder(), before);
}

// The text of the pages the user visits: kept and found, except where it must not be.
TEST_F(RoamlogEndToEnd, KeepsTheTextOfVisitedPagesToSearch)
{
    m_server.addPage(u"/index.html"_s, "<title>Index</title><p>Welcome home</p>");
    m_server.addPage(u"/text/body.html"_s,
                     "<title>Body</title><p>The marmalade recipe uses bitter oranges</p>");
    m_server.addPage(u"/text/hebrew.html"_s,
                     "<title>\xd7\xa2\xd7\x91\xd7\xa8\xd7\x99\xd7\xaa</title>"
                     "<p>\xd7\x99\xd7\xa8\xd7\x95\xd7\xa9\xd7\x9c\xd7\x99\xd7\x9d "
                     "\xd7\xa9\xd7\x9c \xd7\x96\xd7\x94\xd7\x91</p>");
    m_server.addPage(u"/text/late.html"_s,
                     "<title>Late</title><p>early words</p><script>setTimeout(() => "
                     "document.body.insertAdjacentHTML('beforeend', "
                     "'<p>xylophone arrives</p>'), 700);</script>");
    m_server.addPage(u"/text/app.html"_s,
                     "<title>App</title><p>start</p><script>setTimeout(() => {"
                     "history.pushState({}, '', '/text/app/second');"
                     "document.body.innerHTML = '<p>quetzal view</p>'; }, 600);</script>");
    m_server.addPage(u"/private/never.html"_s, "<title>Never</title><p>zeppelin</p>");
    m_server.addPage(u"/secret.html"_s, "<title>Secret</title><p>walrus</p>");
    QSettings(m_tmp.filePath(u"settings.ini"_s), QSettings::IniFormat)
        .setValue(u"Options/NeverRecord"_s, QStringList {key(u"/private"_s)});

    const auto found = [this](const QString &words) {
        QStringList keys;
        if (!QFile::exists(PageTextIndex::fileName(dataDir())))
            return keys;
        const PageTextIndex index(dataDir(), PageTextIndex::Access::ReadOnly);
        for (const PageTextIndex::Hit &hit : index.search(words, 10))
            keys.append(hit.key);
        return keys;
    };
    QString tab;
    const auto visit = [this, &tab](const QString &path) {
        m_user.call(u"Page.navigate"_s, {{u"url"_s, url(path)}}, m_user.session(tab));
    };
    const auto startAtHome = [&] {
        startHost();
        ASSERT_TRUE(attach(profileDir()));
        ASSERT_TRUE(eventually([&] {
            tab = m_user.pageWithUrl(url(u"/index.html"_s));
            return !tab.isEmpty();
        }));
    };

    startAtHome();
    // The home page, loaded while the host attached to the browser.
    EXPECT_TRUE(
        eventually([&] { return found(u"welcome"_s) == QStringList {key(u"/index.html"_s)}; }));
    // A page under a never-record rule and one in a private window.
    visit(u"/private/never.html"_s);
    ASSERT_TRUE(
        eventually([&] { return m_server.requestCount("GET", u"/private/never.html"_s) == 1; }));
    m_user.openPrivate(url(u"/secret.html"_s));
    ASSERT_TRUE(eventually([&] { return m_server.requestCount("GET", u"/secret.html"_s) == 1; }));

    struct Row
    {
        const char *what;
        QString path;
        QString words;
        // Where the text is kept, when not under the page visited.
        QString keptAs;
    };
    const Row rows[] = {
        {"a word in its body", u"/text/body.html"_s, u"MARMALADE bitter"_s, {}},
        {"a Hebrew word", u"/text/hebrew.html"_s, u"\u05d6\u05d4\u05d1"_s, {}},
        {"text a script added after the load", u"/text/late.html"_s, u"xylophone"_s, {}},
        {"a page a script moved to", u"/text/app.html"_s, u"quetzal"_s, u"/text/app/second"_s},
    };
    for (const Row &row : rows) {
        visit(row.path);
        const QString kept = key(row.keptAs.isEmpty() ? row.path : row.keptAs);
        EXPECT_TRUE(eventually([&] { return found(row.words) == QStringList {kept}; }))
            << row.what << ": " << found(row.words).join(u' ').toStdString();
    }
    // Both pages before were read twice by now, had they been read at all.
    EXPECT_TRUE(found(u"zeppelin"_s).isEmpty());
    EXPECT_TRUE(found(u"walrus"_s).isEmpty());

    m_user.post(u"Browser.close"_s);
    ASSERT_TRUE(eventually([&] { return m_host.state() == QProcess::NotRunning; }));

    // Forgetting a page forgets its text; the others stay.
    QProcess forget;
    forget.start(QStringLiteral(ROAMLOG_HISTORY_PROGRAM),
                 {u"--data-dir"_s, dataDir(), u"forget"_s, key(u"/text/body.html"_s)});
    ASSERT_TRUE(forget.waitForFinished(kWaitMs));
    EXPECT_EQ(forget.exitCode(), 0) << forget.readAllStandardError().toStdString();
    EXPECT_TRUE(found(u"marmalade"_s).isEmpty());
    EXPECT_EQ(found(u"xylophone"_s), QStringList {key(u"/text/late.html"_s)});

    // A damaged index file is replaced by an empty one at the next start, which then fills.
    {
        QFile index(PageTextIndex::fileName(dataDir()));
        ASSERT_TRUE(index.open(QIODevice::WriteOnly));
        index.write(QByteArray("not an index ").repeated(400));
    }
    QFile::remove(PageTextIndex::fileName(dataDir()) + u"-wal"_s);
    QFile::remove(PageTextIndex::fileName(dataDir()) + u"-shm"_s);
    QFile::remove(QDir(profileDir()).filePath(u"DevToolsActivePort"_s));
    startAtHome();
    visit(u"/text/body.html"_s);
    EXPECT_TRUE(eventually(
        [&] { return found(u"marmalade"_s) == QStringList {key(u"/text/body.html"_s)}; }));
    EXPECT_TRUE(found(u"xylophone"_s).isEmpty());
}

} // namespace
