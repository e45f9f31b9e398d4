#pragma once

#include "panellink.h"

#include <QStringList>

#include <functional>

/** The panel as the bridge and the find window see it: every call it gets is logged. */
class FakePanel final : public PanelLink
{
    Q_OBJECT

public:
    using PanelLink::PanelLink;

    void SetUrl(const QString &url) override
    {
        m_log.append(QStringLiteral("SetUrl ") + url);
        if (const auto during = std::exchange(m_duringSetUrl, nullptr))
            during(url);
    }
    void UrlName(const QString &title) override
    {
        m_log.append(QStringLiteral("UrlName ") + title);
    }
    void Activity(const QString &url) override { m_log.append(QStringLiteral("Activity ") + url); }
    void PageActivity(const QString &pageUrl, const QString &fileName) override
    {
        m_log.append(QStringLiteral("PageActivity %1 %2").arg(pageUrl, fileName));
    }
    QString SiteUrl() const override { return m_siteUrl; }
    bool isOnTop() const override { return false; }
    qint16 QuitIt() const override { return m_quitIt; }
    void SetSession(bool sEnd) override
    {
        m_log.append(QStringLiteral("SetSession %1").arg(int(sEnd)));
    }
    void ShowStatus(const QString &) override { }
    bool Find(bool start, bool url, bool down, const QString &text) override
    {
        m_log.append(
            QStringLiteral("%1 %2 %3 [%4]").arg(int(start)).arg(int(url)).arg(int(down)).arg(text));
        return m_found;
    }
    bool KeepsPageText(const QString &url) const override
    {
        return m_keepsPageText && !url.contains(QStringLiteral("nokeep"));
    }
    PageTextIndex *PageTexts() const override { return m_pageTexts; }

    QStringList m_log;
    QString m_siteUrl;
    qint16 m_quitIt = 2;
    bool m_found = true;
    /// What KeepsPageText says (never for a URL holding "nokeep"), and where text goes.
    bool m_keepsPageText = true;
    PageTextIndex *m_pageTexts = nullptr;
    /// Runs inside SetUrl, before it returns (events arriving while the panel records).
    std::function<void(const QString &url)> m_duringSetUrl;
};
