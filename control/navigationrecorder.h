#pragma once

#include "neverrecordrules.h"

#include <QSet>
#include <QString>

#include <deque>
#include <functional>

class Clock;
class OutlineBuilder;
class OutlineTree;
class RoamStore;

/// Turns what the browser reports (pages, titles, downloads) into visits, site records and site
/// files of the store, and grows the Current outline while it is showing.
///
/// URLs are recorded in a normalised form: without a leading "http://" or "https://" (any
/// letter case), then without "file://", and without one trailing "/". Every accepted page is
/// recorded together with each parent path up to its host; each touched site file is written at
/// once. Reports are handled one at a time in the order they arrive: a report that comes in
/// while another is being handled waits for it to finish.
class NavigationRecorder final
{
public:
    /// @p store and @p clock must outlive the recorder.
    NavigationRecorder(RoamStore &store, Clock &clock);

    /// The Current outline: @p tree and @p builder's `OutlineNodes` are grown while @p showing
    /// returns true. Without it every accepted page is recorded and no node is added.
    void SetCurrentOutline(OutlineTree *tree,
                           OutlineBuilder *builder,
                           std::function<bool()> showing);

    /// The never-record rules. A page under a rule is ignored as if it had never been reported:
    /// its visit, the titles reported while it shows and downloads from URLs under a rule
    /// leave nothing in the store or on disk.
    void SetNeverRecordRules(const NeverRecordRules &rules) { m_neverRecord = rules; }
    const NeverRecordRules &NeverRecord() const { return m_neverRecord; }

    /// False while paused: `SetUrl`, `UrlName` and `Activity` are then ignored. Pausing ends the
    /// open visit at that moment; the page stays `CurrentUrl`, and once recording resumes it
    /// starts a new visit when it is reported again.
    bool Recording() const { return m_recording; }
    void SetRecording(bool recording);

    /// A top-level page was reached: when its normalised URL differs from the open page (letter
    /// case counts), or no visit is open, the open visit is closed and a new one recorded,
    /// whichever outline shows.
    void SetUrl(const QString &URL);
    /// The title of the open page; stored in its site record when it differs.
    void UrlName(const QString &UrlName);
    /// A download of @p URL: recorded, with its parents, under the normalised URL like a page;
    /// the activity's location is @p URL as given.
    void Activity(const QString &URL);
    /// A download made by the page @p pageUrl itself (a blob: or data: URL, which is no site):
    /// an activity "Download " + @p fileName of that page's record.
    void PageActivity(const QString &pageUrl, const QString &fileName);
    /// Ends the open visit now (the browsing session ends); the next page starts a new one.
    void EndVisit();
    /// Closes the open visit of the site keyed @p MySite; an unknown site changes nothing.
    /// Works also while paused.
    void SetEndURL(const QString &MySite);

    /// The open page in its normalised form; empty until a page was accepted.
    const QString &CurrentUrl() const { return m_currentUrl; }
    /// The title last reported for the open page.
    const QString &CurrentTitle() const { return m_currentTitle; }
    /// The open page's URL as the browser reported it last (scheme and trailing "/" kept).
    const QString &CurrentRawUrl() const { return m_currentRawUrl; }

    /// True while the browser shows a page under a never-record rule (since the last page
    /// reported while recording).
    bool OffRecord() const { return m_offRecord; }
    /// That page's URL as reported, and the title reported for it since.
    const QString &OffRecordUrl() const { return m_offRecordUrl; }
    const QString &OffRecordTitle() const { return m_offRecordTitle; }

    /// The number of "/" in @p URL after trimming blanks and dropping one trailing "/".
    static int UrlLevel(const QString &URL);

private:
    void dispatch(std::function<void()> report);
    void setUrl(const QString &URL);
    void urlName(const QString &name);
    void activity(const QString &URL);
    void pageActivity(const QString &pageUrl, const QString &fileName);
    void closeOpenVisit();
    void setEndUrl(const QString &MySite);
    void growCurrentOutline(const QString &U);
    bool recordVisit(const QString &URL);
    bool recordOneVisit(const QString &URL);
    void recordDownload(const QString &key, const QString &name, const QString &location);
    QString newFileName();
    void noteSessionInUse();

    RoamStore &m_store;
    Clock &m_clock;
    OutlineTree *m_tree = nullptr;
    OutlineBuilder *m_builder = nullptr;
    std::function<bool()> m_currentShowing;
    bool m_recording = true;
    QString m_currentUrl;
    // Whether the visit of m_currentUrl is still running (not ended by a pause or the end).
    bool m_visitOpen = false;
    QString m_currentTitle;
    QString m_currentRawUrl;
    NeverRecordRules m_neverRecord;
    bool m_offRecord = false;
    QString m_offRecordUrl;
    QString m_offRecordTitle;
    QSet<QString> m_givenNames;
    bool m_sessionsWritten = false;
    bool m_busy = false;
    std::deque<std::function<void()>> m_pending;
};
