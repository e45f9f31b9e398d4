#pragma once

#include "browser.h"
#include "browserwrapper.h"
#include "devtoolsclient.h"
#include "testhttpserver.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

/**
 * What tests on the real browser share, as a base of their fixture: a temporary folder, a page
 * server, a wrapper script to give as the browser (Chromium with the arguments it is given and
 * a DevTools port) and the user's own DevTools client on that port.
 */
class LiveBrowser
{
public:
    static constexpr int kWaitMs = 15000;

    /** Waits until @p done holds; a failure shows what @p state tells then. */
    static testing::AssertionResult eventually(const std::function<bool()> &done,
                                               const std::function<std::string()> &state = {})
    {
        if (QTest::qWaitFor(done, kWaitMs))
            return testing::AssertionSuccess();
        return testing::AssertionFailure()
               << "not within " << kWaitMs << " ms" << (state ? ":\n" + state() : std::string());
    }

protected:
    LiveBrowser()
    {
        if (m_server.listen())
            m_wrapper = BrowserWrapper::create(m_tmp.path());
    }

    /** Whether the folder, the server and the wrapper are there. */
    testing::AssertionResult ready() const
    {
        if (m_tmp.isValid() && !m_wrapper.isEmpty())
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "no folder, server or Chromium to wrap";
    }
    QString url(const QString &path) const { return m_server.url(path); }
    /** A URL as the record keeps it: without its scheme. */
    QString key(const QString &path) const { return url(path).mid(int(qstrlen("http://"))); }
    /** The wrapped browser, headless, on a profile and downloads in the folder, at /home.html. */
    Browser::Options options() const
    {
        Browser::Options result;
        result.executable = m_wrapper;
        result.profileDir = m_tmp.filePath(QStringLiteral("profile"));
        result.downloadDir = m_tmp.filePath(QStringLiteral("downloads"));
        result.homeUrl = url(QStringLiteral("/home.html"));
        result.headless = true;
        return result;
    }
    /** Connects the user's client to the wrapped browser once it runs on @p profileDir. */
    testing::AssertionResult attach(const QString &profileDir)
    {
        const QUrl endpoint = BrowserWrapper::endpoint(profileDir, kWaitMs);
        if (endpoint.isEmpty())
            return testing::AssertionFailure() << "the wrapped browser opened no DevTools port";
        if (!m_user.open(endpoint))
            return testing::AssertionFailure()
                   << "no connection to " << endpoint.toString().toStdString();
        return testing::AssertionSuccess();
    }

    QTemporaryDir m_tmp;
    TestHttpServer m_server;
    QString m_wrapper;
    DevToolsClient m_user;
};
