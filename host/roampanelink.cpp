#include "roampanelink.h"

#include "control/roampane1.h"

RoamPaneLink::RoamPaneLink(RoamPane1 *panel, QObject *parent)
    : PanelLink(parent)
    , m_panel(panel)
{
    connect(panel, &RoamPane1::AboutBox, this, &PanelLink::AboutBox);
    connect(panel, &RoamPane1::NotOnTop, this, &PanelLink::NotOnTop);
    connect(panel, &RoamPane1::OnTop, this, &PanelLink::OnTop);
    connect(panel, &RoamPane1::NavTo, this, &PanelLink::NavTo);
    connect(panel, &RoamPane1::GetTitle, this, &PanelLink::GetTitle);
    connect(panel, &RoamPane1::GetURL, this, &PanelLink::GetURL);
    connect(panel, &RoamPane1::FindIt, this, &PanelLink::FindIt);
    connect(panel, &RoamPane1::GetHelp, this, &PanelLink::GetHelp);
}

void RoamPaneLink::SetUrl(const QString &url)
{
    if (m_panel)
        m_panel->SetUrl(url);
}

void RoamPaneLink::UrlName(const QString &title)
{
    if (m_panel)
        m_panel->UrlName(title);
}

void RoamPaneLink::Activity(const QString &url)
{
    if (m_panel)
        m_panel->Activity(url);
}

void RoamPaneLink::PageActivity(const QString &pageUrl, const QString &fileName)
{
    if (m_panel)
        m_panel->PageActivity(pageUrl, fileName);
}

QString RoamPaneLink::SiteUrl() const
{
    return m_panel ? m_panel->SiteUrl() : QString();
}

bool RoamPaneLink::isOnTop() const
{
    return m_panel && m_panel->isOnTop();
}

qint16 RoamPaneLink::QuitIt() const
{
    return m_panel ? m_panel->QuitIt() : qint16(0);
}

void RoamPaneLink::SetSession(bool sEnd)
{
    if (m_panel)
        m_panel->SetSession(sEnd);
}

void RoamPaneLink::ShowStatus(const QString &text)
{
    if (m_panel)
        m_panel->SetStatusText(text);
}

bool RoamPaneLink::Find(bool Start, bool URL, bool Dir, const QString &txt)
{
    return m_panel && m_panel->Find(Start, URL, Dir, txt);
}

bool RoamPaneLink::KeepsPageText(const QString &url) const
{
    return m_panel && m_panel->KeepsPageText(url);
}

PageTextIndex *RoamPaneLink::PageTexts() const
{
    return m_panel ? m_panel->PageTexts() : nullptr;
}
