#pragma once

#include "neverrecordrules.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QString>

class QTextStream;

/// Brings the browser's own history into a data folder: reads the Chromium profile's
/// "History" database (a private copy of it, opened read-only, so that a running browser is
/// not disturbed) and turns every top-level visit into the site records, parent records and
/// visits the recorder would have made of it.
///
/// - Visits are taken in time order; frame navigations are skipped, as are URLs the recorder
///   does not record and URLs under a never-record rule. A visit of the same recorded URL as
///   the visit before it in the same browsing session is no new visit, as in the recorder;
///   each page visit ends when the next page is reached in that session.
/// - A visit that falls within a browsing session already in "Ses.sms" belongs to that
///   session; the others of one day form one new browsing session from the first to the last
///   of them.
/// - Existing records only gain visits (a visit whose start second is already present is
///   skipped); new records take the page title and a site-file name as the recorder gives
///   them. Running the import again therefore adds nothing.
/// - "Ses.sms" is written before the site files, every file through a temporary file.
class ChromiumImport final
{
public:
    /// What one run did.
    struct Summary
    {
        /// Rows of the visits table read.
        qint64 rowsRead = 0;
        /// Visits added to site records, parents' visits included.
        qint64 visitsAdded = 0;
        /// Page visits that were already recorded (same site, same second).
        qint64 alreadyRecorded = 0;
        /// Frame navigations, URLs that are never recorded and rows without a valid time.
        qint64 notRecorded = 0;
        /// Visits left out by the never-record rules.
        qint64 neverRecord = 0;
        /// Visits of the page that was already open, which make no new visit.
        qint64 samePage = 0;
        int newRecords = 0;
        int updatedRecords = 0;
        int newSessions = 0;
        /// Site files or the sessions file that could not be written.
        int failedFiles = 0;
    };

    /// Imports into the data folder @p dataFolder, which must exist; @p rules are the
    /// never-record rules; progress goes to @p err.
    ChromiumImport(const QString &dataFolder, const NeverRecordRules &rules, QTextStream &err);

    /// Shows a progress line on @p err while importing (only for a terminal).
    void setProgressShown(bool shown) { m_progress = shown; }

    /// Imports the profile folder @p profileDir. Returns false when its history database
    /// cannot be read (see `errorString`); files that fail to be written are counted in
    /// `summary` instead.
    bool run(const QString &profileDir);

    const Summary &summary() const { return m_summary; }
    QString errorString() const { return m_error; }

    /// The local time, to the second, of a Chromium time: microseconds since 1601-01-01 UTC.
    static QDateTime fromChromiumTime(qint64 microseconds);

private:
    void showProgress(const char *phase, qint64 done, qint64 total, bool force = false);

    QString m_dataFolder;
    NeverRecordRules m_rules;
    QTextStream &m_err;
    bool m_progress = false;
    QElapsedTimer m_timer;
    qint64 m_lastProgress = -1;
    Summary m_summary;
    QString m_error;
};
