#pragma once

#include "browser.h"
#include "devtoolstransport.h"
#include "pagetracker.h"

#include <QTimer>

/**
 * Chromium started with its own profile folder and driven over the DevTools protocol through
 * its pipe (see DevToolsTransport): no port is opened, and the browser ends with this object
 * or with the program. Its tabs are followed by a PageTracker; this class keeps the process,
 * its profile folder and the window state asked for.
 *
 * The browser starts on a blank page; the home page asked for opens once every tab is watched,
 * so that no page goes unrecorded. A browser left running on the profile folder by a Roamlog
 * that has ended is closed first; any other browser there is reported, not touched.
 *
 * The layer only observes navigations: it never re-issues or stops one.
 */
class ChromiumBrowser final : public Browser
{
    Q_OBJECT

public:
    explicit ChromiumBrowser(QObject *parent = nullptr);
    ~ChromiumBrowser() override;

    void start(const Options &options) override;
    bool isRunning() const override;

    void GoHome() override;
    void Navigate(const QString &url) override;
    bool Visible() const override;
    void setVisible(bool visible) override;
    QString LocationURL() const override;
    QString LocationName() const override;
    void Quit() override;
    void PlaceWindow(const QRect &frame) override;
    void setReadsPageText(bool reads) override;

    /** Process id of the program started (the browser, or its wrapper), 0 when not running. */
    qint64 processId() const;
    /** The program that start() runs for a requested one (empty: the one on PATH). */
    static QString resolveExecutable(const QString &requested);

private:
    enum class State { Idle, ClearingProfile, Launching, Running, Closing, Ended };

    void waitForLeftover();
    void launch();
    void attachToBrowser();
    void onStartFailed(const QString &reason);
    void onProcessEnded(int exitCode, bool crashed);
    void onPipeClosed();
    QString lastLogLine() const;
    QString logPath() const;
    void fail(const QString &message);
    void finish(bool abnormal, const QString &message);
    void stopProcess();

    Options m_options;
    QString m_executable;
    State m_state = State::Idle;
    DevToolsTransport m_transport;
    // After the transport: it goes first, and hears nothing while the transport closes.
    PageTracker m_tracker;
    QTimer m_startTimeout;
    QTimer m_closeGrace;
    QTimer m_leftoverPoll;
    qint64 m_leftoverPid = 0;
    int m_leftoverPolls = 0;
    bool m_visible = true;
    bool m_quitRequested = false;
};
