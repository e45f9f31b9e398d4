#include "browserbridge.h"

#include "browser.h"
#include "pagetextindex.h"
#include "panellink.h"
#include "recordedurl.h"

#include <QDateTime>

#include <QRegularExpression>
#include <QScopeGuard>

#include <array>

using namespace Qt::StringLiterals;

namespace {

// Schemes whose URLs have no "//" after the colon; "host:port/path" must not pass for one.
constexpr std::array<QLatin1StringView, 5> kOpaqueSchemes {
    "about"_L1, "data"_L1, "mailto"_L1, "blob"_L1, "view-source"_L1};

// The browser's own pages (new tab, error pages, settings) are not part of the user's web, nor
// are documents carried inside their own URL (data:, blob:), which can be megabytes long.
constexpr std::array<QLatin1StringView, 10> kBrowserSchemes {"about:"_L1,
                                                             "chrome:"_L1,
                                                             "chrome-error:"_L1,
                                                             "chrome-untrusted:"_L1,
                                                             "chrome-search:"_L1,
                                                             "chrome-extension:"_L1,
                                                             "devtools:"_L1,
                                                             "data:"_L1,
                                                             "blob:"_L1,
                                                             "javascript:"_L1};

bool isBrowserPage(const QString &URL)
{
    for (const QLatin1StringView scheme : kBrowserSchemes) {
        if (URL.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Downloads from these have a location of their own; any other (blob:, data:) is made by the
// page and lives only as long as it.
constexpr std::array<QLatin1StringView, 4> kLocatedSchemes {
    "http:"_L1, "https:"_L1, "ftp:"_L1, "file:"_L1};

bool hasLocation(const QString &URL)
{
    for (const QLatin1StringView scheme : kLocatedSchemes) {
        if (URL.startsWith(scheme, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

BrowserBridge::BrowserBridge(Browser &browser, PanelLink &panel, QObject *parent)
    : QObject(parent)
    , m_browser(browser)
    , m_panel(panel)
{
    connect(&browser, &Browser::BeforeNavigate, this, &BrowserBridge::onBeforeNavigate);
    connect(&browser, &Browser::NavigateComplete, this, &BrowserBridge::onNavigateComplete);
    connect(&browser, &Browser::FrameBeforeNavigate, this, &BrowserBridge::onFrameOrWindow);
    connect(&browser, &Browser::NewWindow, this, &BrowserBridge::onFrameOrWindow);
    connect(&browser, &Browser::TitleChange, this, &BrowserBridge::onTitleChange);
    connect(&browser, &Browser::DownloadStarted, this, &BrowserBridge::onDownloadStarted);
    connect(&browser, &Browser::PageTextCaptured, this, &BrowserBridge::onPageText);
    connect(&browser, &Browser::failed, this, &BrowserBridge::onFailed);
    connect(&browser, &Browser::OnQuit, this, &BrowserBridge::onQuit);

    connect(&panel, &PanelLink::NavTo, this, &BrowserBridge::NavTo);
    connect(&panel, &PanelLink::GetURL, this, &BrowserBridge::GetURL);
    connect(&panel, &PanelLink::GetTitle, this, &BrowserBridge::GetTitle);
}

BrowserBridge::~BrowserBridge() = default;

QString BrowserBridge::NavigableUrl(const QString &recorded)
{
    const QString url = recorded.trimmed();
    if (url.isEmpty())
        return {};
    if (url.startsWith(u'/'))
        return u"file://"_s + url;
    static const QRegularExpression scheme(u"^([A-Za-z][A-Za-z0-9+.\\-]*):(//)?"_s);
    const QRegularExpressionMatch match = scheme.match(url);
    if (match.hasMatch()) {
        if (match.capturedLength(2) > 0)
            return url;
        const QString name = match.captured(1).toLower();
        // A stored script would run in whatever page the browser shows.
        if (name == "javascript"_L1)
            return {};
        for (const QLatin1StringView opaque : kOpaqueSchemes) {
            if (name == opaque)
                return url;
        }
    }
    return u"http://"_s + url;
}

void BrowserBridge::run(std::function<void()> step)
{
    if (!m_navReady) {
        m_waiting.push_back(std::move(step));
        return;
    }
    m_navReady = false;
    const auto ready = qScopeGuard([this] { m_navReady = true; });
    step();
    while (!m_waiting.empty()) {
        const std::function<void()> next = std::move(m_waiting.front());
        m_waiting.pop_front();
        next();
    }
}

void BrowserBridge::HandleNavigate(const QString &URL)
{
    run([this, URL] { handleNavigate(URL); });
}

void BrowserBridge::handleNavigate(const QString &URL)
{
    m_panel.SetUrl(URL);
}

void BrowserBridge::onBeforeNavigate(const QString &URL)
{
    // Pages are reported when they are committed; what turns out to be a download is reported
    // by the browser, under the URL it really fetched (after redirects).
    run([this, URL] { m_lastUrl = URL; });
}

void BrowserBridge::onNavigateComplete(const QString &URL)
{
    run([this, URL] {
        if (!isBrowserPage(URL))
            handleNavigate(URL);
        m_lastUrl = URL;
    });
}

void BrowserBridge::onFrameOrWindow(const QString &URL)
{
    run([this, URL] { m_lastUrl = URL; });
}

void BrowserBridge::onTitleChange(const QString &Text)
{
    run([this, Text] {
        const QString location = m_browser.LocationURL();
        if (location.isEmpty() || isBrowserPage(location))
            return;
        // The title is that of the page shown now; a frame or another tab navigated since.
        if (location != m_lastUrl)
            handleNavigate(location);
        m_panel.UrlName(Text);
    });
}

void BrowserBridge::onDownloadStarted(const QString &URL,
                                      const QString &guid,
                                      const QString &fileName,
                                      const QString &pageUrl)
{
    run([this, URL, guid, fileName, pageUrl] {
        if (m_downloadGuids.contains(guid))
            return;
        m_downloadGuids.insert(guid);
        if (hasLocation(URL))
            m_panel.Activity(URL);
        else if (!pageUrl.isEmpty() && !isBrowserPage(pageUrl))
            m_panel.PageActivity(pageUrl, fileName);
    });
}

void BrowserBridge::onPageText(const QString &URL, const QString &title, const QString &text)
{
    run([this, URL, title, text] {
        if (isBrowserPage(URL) || !m_panel.KeepsPageText(URL))
            return;
        PageTextIndex *index = m_panel.PageTexts();
        const QString key = RecordedUrl::normalise(URL);
        if (index && !key.isEmpty())
            index->store(key, title, text, QDateTime::currentDateTimeUtc());
    });
}

void BrowserBridge::onFailed(const QString &message)
{
    m_failed = true;
    m_explorerAlive = false;
    emit browserFailed(message);
}

void BrowserBridge::onQuit()
{
    const bool wasAlive = m_explorerAlive;
    m_explorerAlive = false;
    if (wasAlive && !m_failed && !m_ending)
        emit browserEnded();
}

void BrowserBridge::EndSession(const std::function<bool()> &askToQuit)
{
    if (m_ending)
        return;
    m_ending = true;
    m_panel.SetSession(true);
    if (!m_explorerAlive)
        return;
    switch (m_panel.QuitIt()) {
    case 1:
        m_browser.Quit();
        break;
    case 2:
        if (askToQuit && askToQuit())
            m_browser.Quit();
        break;
    default:
        break;
    }
}

void BrowserBridge::NavTo()
{
    const QString url = NavigableUrl(m_panel.SiteUrl());
    if (!url.isEmpty() && m_explorerAlive)
        m_browser.Navigate(url);
}

void BrowserBridge::GetURL()
{
    // The browser's own pages are never recorded, whoever asks.
    const QString location = m_browser.LocationURL();
    if (!isBrowserPage(location))
        m_panel.SetUrl(location);
}

void BrowserBridge::GetTitle()
{
    // A browser page's title would land on the page recorded last.
    if (!isBrowserPage(m_browser.LocationURL()))
        m_panel.UrlName(m_browser.LocationName());
}
