#pragma once

#include "browser.h"

#include <QStringList>

/** A browser layer the test scripts: it records the calls and emits what the test says. */
class FakeBrowser final : public Browser
{
    Q_OBJECT

public:
    using Browser::Browser;

    void start(const Options &startOptions) override
    {
        options = startOptions;
        m_calls.append(QStringLiteral("start"));
        m_running = true;
    }
    bool isRunning() const override { return m_running; }
    void GoHome() override { m_calls.append(QStringLiteral("GoHome")); }
    void Navigate(const QString &url) override
    {
        m_calls.append(QStringLiteral("Navigate ") + url);
    }
    bool Visible() const override { return m_visible; }
    void setVisible(bool visible) override
    {
        m_visible = visible;
        m_calls.append(QStringLiteral("Visible %1").arg(int(visible)));
    }
    QString LocationURL() const override { return m_location; }
    QString LocationName() const override { return m_title; }
    /** Ends the browser at once (OnQuit from inside the call) when it runs. */
    void Quit() override
    {
        m_calls.append(QStringLiteral("Quit"));
        if (std::exchange(m_running, false))
            emit OnQuit();
    }

    /// What the browser shows now (LocationURL, LocationName).
    void show(const QString &url, const QString &title = {})
    {
        m_location = url;
        m_title = title.isEmpty() ? url : title;
    }
    /// A top-level navigation from start to commit, as the browser reports it.
    void browse(const QString &url, const QString &title = {})
    {
        emit BeforeNavigate(url);
        show(url, title);
        emit NavigateComplete(url);
        if (!title.isEmpty())
            emit TitleChange(title);
    }

    Options options;
    QStringList m_calls;
    QString m_location;
    QString m_title;
    bool m_running = false;
    bool m_visible = false;
};
