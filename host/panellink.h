#pragma once

#include <QObject>
#include <QString>

class PageTextIndex;

/**
 * What the host exchanges with the panel: the values it writes and reads, and the panel's
 * argument-less events. The panel's events carry no values, so a property written before an
 * event is part of the contract.
 */
class PanelLink : public QObject
{
    Q_OBJECT

public:
    explicit PanelLink(QObject *parent = nullptr);
    ~PanelLink() override;

    /** A top-level page the browser shows, or its current URL on request. */
    virtual void SetUrl(const QString &url) = 0;
    /** The title of the current page. */
    virtual void UrlName(const QString &title) = 0;
    /** The URL of a download. */
    virtual void Activity(const QString &url) = 0;
    /** A download the page @p pageUrl made itself (blob: or data:), saved as @p fileName. A
        link to nothing that records ignores it. */
    virtual void PageActivity(const QString &pageUrl, const QString &fileName);
    /** The URL the panel wants the browser to show. */
    virtual QString SiteUrl() const = 0;
    /** Whether the panel's "Stay on top" option is on now (the property OnTop; the name is
        taken by the event). */
    virtual bool isOnTop() const = 0;
    /** The quit option: 0 never quit the browser, 1 always quit it, 2 ask. */
    virtual qint16 QuitIt() const = 0;
    /** With sEnd true the running browsing session ends and the sessions file is written. */
    virtual void SetSession(bool sEnd) = 0;
    /** Shows a line in the panel's status bar. */
    virtual void ShowStatus(const QString &text) = 0;
    /** Selects the next node of the outline showing whose URL (@p URL true) or title holds
        @p txt, from the top when @p Start, downwards when @p Dir; returns whether one was
        found. A link to nothing searchable finds nothing. */
    virtual bool Find(bool Start, bool URL, bool Dir, const QString &txt);
    /** Whether the text of the page at @p url is to be kept now (the option is on, the
        recording runs, no never-record rule covers it). A link that keeps none says no. */
    virtual bool KeepsPageText(const QString &url) const;
    /** Where page text is kept; nullptr when nowhere. */
    virtual PageTextIndex *PageTexts() const;

signals:
    void AboutBox();
    void NotOnTop();
    void OnTop();
    void NavTo();
    void GetTitle();
    void GetURL();
    void FindIt();
    void GetHelp();
};
