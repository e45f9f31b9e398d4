#include "livebrowser.h"

#include <QTest>

using namespace Qt::StringLiterals;

LiveBrowser::LiveBrowser()
{
    if (m_server.listen())
        m_wrapper = BrowserWrapper::create(m_tmp.path());
}

testing::AssertionResult LiveBrowser::ready() const
{
    if (m_tmp.isValid() && !m_wrapper.isEmpty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no folder, server or Chromium to wrap";
}

Browser::Options LiveBrowser::options() const
{
    Browser::Options result;
    result.executable = m_wrapper;
    result.profileDir = m_tmp.filePath(u"profile"_s);
    result.downloadDir = m_tmp.filePath(u"downloads"_s);
    result.homeUrl = url(u"/home.html"_s);
    result.headless = true;
    return result;
}

testing::AssertionResult LiveBrowser::eventually(const std::function<bool()> &done,
                                                 const std::function<std::string()> &state)
{
    if (QTest::qWaitFor(done, kWaitMs))
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << "not within " << kWaitMs << " ms" << (state ? ":\n" + state() : std::string());
}

testing::AssertionResult LiveBrowser::attach(const QString &profileDir)
{
    const QUrl endpoint = BrowserWrapper::endpoint(profileDir, kWaitMs);
    if (endpoint.isEmpty())
        return testing::AssertionFailure() << "the wrapped browser opened no DevTools port";
    if (!m_user.open(endpoint))
        return testing::AssertionFailure()
               << "cannot connect to " << endpoint.toString().toStdString();
    return testing::AssertionSuccess();
}
