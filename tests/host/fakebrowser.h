#pragma once

#include "browser.h"

#include <QStringList>

/** A browser layer the test scripts: it records the calls and emits what the test says. */
class FakeBrowser final : public Browser
{
    Q_OBJECT

public:
    using Browser::Browser;

    void start(const Options &options) override;
    bool isRunning() const override { return m_running; }
    void GoHome() override { m_calls.append(QStringLiteral("GoHome")); }
    void Navigate(const QString &url) override;
    bool Visible() const override { return m_visible; }
    void setVisible(bool visible) override;
    QString LocationURL() const override { return m_location; }
    QString LocationName() const override { return m_title; }
    void Quit() override;

    /// What the browser shows now (LocationURL, LocationName).
    void show(const QString &url, const QString &title = {});
    /// A top-level navigation from start to commit, as the browser reports it.
    void browse(const QString &url, const QString &title = {});

    Options options;
    QStringList m_calls;
    QString m_location;
    QString m_title;
    bool m_running = false;
    bool m_visible = false;
    /// Whether Quit() ends the browser at once (OnQuit from inside the call).
    bool m_quitEmitsAtOnce = true;
};
