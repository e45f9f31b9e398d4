#pragma once

#include <QObject>
#include <QRect>
#include <QString>

/**
 * The web browser as the host sees it: a few calls and the events of its top-level windows.
 *
 * The tab the user looks at is "the" window: the calls that act on it (LocationURL,
 * LocationName, Navigate) act on the tab shown last, and only its pages are reported as shown
 * (NavigateComplete, TitleChange). A page that loads in a background tab is reported when the
 * user brings that tab to the front, as is the page of any tab the user switches to.
 * Navigations about to start are reported for every tab. Private (incognito) tabs are never
 * reported and never count as the tab shown last.
 *
 * All signals are emitted on the thread that owns the object, from its event loop.
 */
class Browser : public QObject
{
    Q_OBJECT

public:
    /** How to start the browser. */
    struct Options
    {
        /** Program to run; empty means the browser found on PATH. */
        QString executable;
        /** Profile folder the browser keeps its state in; created when missing. */
        QString profileDir;
        /** What GoHome opens; empty means the browser's own start page. */
        QString homeUrl;
        /** Run without any window (tests, machines without a display). */
        bool headless = false;
        /** Where downloads are saved; empty leaves the browser's own choice. */
        QString downloadDir;
    };

    explicit Browser(QObject *parent = nullptr);
    ~Browser() override;

    /**
     * Launches the browser. The outcome arrives later: started() once it can be driven, or
     * failed() when it is missing, cannot be started or cannot be reached.
     */
    virtual void start(const Options &options) = 0;
    /** True between started() and the end of the browser. */
    virtual bool isRunning() const = 0;

    /** Opens the home page in the tab used last. */
    virtual void GoHome() = 0;
    /** Sends the tab used last to the URL; nothing else about the navigation is set. */
    virtual void Navigate(const QString &url) = 0;
    /** Whether the browser's windows are meant to be shown. */
    virtual bool Visible() const = 0;
    /** Shows (restores and raises the tab used last) or minimises the browser's windows. */
    virtual void setVisible(bool visible) = 0;
    /** URL of the page shown in the tab used last; empty when there is none. */
    virtual QString LocationURL() const = 0;
    /** Title of the page shown in the tab used last, or its URL when it has no title. */
    virtual QString LocationName() const = 0;
    /** Asks the browser to close all its windows and end; OnQuit() follows. */
    virtual void Quit() = 0;
    /**
     * Moves the window of the tab used last onto @p frame (screen coordinates, frame
     * included), restored first when it is maximised or minimised. Called before the browser
     * has a window, it applies to the first one. A browser that cannot place its windows
     * leaves them where they are.
     */
    virtual void PlaceWindow(const QRect &frame);
    /**
     * Whether the text of pages is read at all (PageTextCaptured); on at first. A browser
     * that reads none ignores it.
     */
    virtual void setReadsPageText(bool reads);

signals:
    /** The browser is up and can be driven. */
    void started();
    /** A top-level navigation is about to start in a tab; url is the address requested. */
    void BeforeNavigate(const QString &url);
    /**
     * The tab the user looks at now shows this page: committed there (after any redirects, or
     * a change within the document), or the user brought a tab showing it to the front.
     */
    void NavigateComplete(const QString &url);
    /** A navigation is about to start in a frame inside a page. */
    void FrameBeforeNavigate(const QString &url);
    /** A page asked for a new tab or window showing url. */
    void NewWindow(const QString &url);
    /**
     * The title of the page in the tab shown last: it changed, or that page was just reported
     * as shown. Its URL when it has no title; its file name for a file the browser shows
     * itself (a picture, a text file).
     */
    void TitleChange(const QString &title);
    /**
     * The browser began a download of url (after any redirects); reported once per download,
     * guid identifies it. fileName is the name the browser suggests for it, pageUrl the
     * address of the top-level page it came from (empty when unknown).
     */
    void DownloadStarted(const QString &url,
                         const QString &guid,
                         const QString &fileName,
                         const QString &pageUrl);
    /**
     * The visible text of the top-level page at url, titled title, was read: when the page
     * has loaded and once more a few seconds later. Private tabs are never read.
     */
    void PageTextCaptured(const QString &url, const QString &title, const QString &text);
    /**
     * The browser has ended: the user closed its last window, Quit() was called, or it died.
     * An end nobody asked for (a crash, lost contact) is preceded by failed().
     */
    void OnQuit();
    /** Something went wrong that the user must hear about; message says what and what to do. */
    void failed(const QString &message);
};
