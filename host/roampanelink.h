#pragma once

#include "panellink.h"

#include <QPointer>

class RoamPane1;

/** The host's link to the real panel: forwards its calls and relays its events. */
class RoamPaneLink final : public PanelLink
{
    Q_OBJECT

public:
    explicit RoamPaneLink(RoamPane1 *panel, QObject *parent = nullptr);

    void SetUrl(const QString &url) override;
    void UrlName(const QString &title) override;
    void Activity(const QString &url) override;
    void PageActivity(const QString &pageUrl, const QString &fileName) override;
    QString SiteUrl() const override;
    bool isOnTop() const override;
    qint16 QuitIt() const override;
    void SetSession(bool sEnd) override;
    void ShowStatus(const QString &text) override;
    bool Find(bool Start, bool URL, bool Dir, const QString &txt) override;
    bool KeepsPageText(const QString &url) const override;
    PageTextIndex *PageTexts() const override;

private:
    QPointer<RoamPane1> m_panel;
};
