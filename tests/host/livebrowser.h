#pragma once

#include "browserwrapper.h"
#include "devtoolsclient.h"
#include "testhttpserver.h"

#include "browser.h"

#include <QTemporaryDir>

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
                                               const std::function<std::string()> &state = {});

protected:
    LiveBrowser();

    /** Whether the folder, the server and the wrapper are there. */
    testing::AssertionResult ready() const;
    QString url(const QString &path) const { return m_server.url(path); }
    /** A URL as the record keeps it: without its scheme. */
    QString key(const QString &path) const { return url(path).mid(int(qstrlen("http://"))); }
    /** The wrapped browser, headless, on a profile and downloads in the folder, at /home.html. */
    Browser::Options options() const;
    /** Connects the user's client to the wrapped browser once it runs on @p profileDir. */
    testing::AssertionResult attach(const QString &profileDir);

    QTemporaryDir m_tmp;
    TestHttpServer m_server;
    QString m_wrapper;
    DevToolsClient m_user;
};
