#pragma once

#include "cfile.h"
#include "cfiles.h"
#include "csessions.h"
#include "datafolderlock.h"
#include "sessionsites.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class Clock;
struct SafeWrite;

/// The records in memory and their data folder: loads every site file and the sessions file
/// "Ses.sms", registers the running browsing session and writes it back when it ends, and
/// lends one site record to the note and properties dialogs through the exchange fields.
///
/// Every write goes through the store, which keeps what could not be written: a record whose
/// save failed stays unsaved in memory and is written again at the next save of any record and
/// by `RetryUnsaved`. A file that was only partly readable is copied aside ("name.damaged")
/// before its first rewrite, so that what could not be read is never lost by that rewrite.
class RoamStore final
{
public:
    /// `dataFolder`: the folder of the site files and "Ses.sms"; `clock` gives the times.
    RoamStore(const QString &dataFolder, Clock &clock);
    /// Releases the data folder's lock at once; the records are freed on a thread of their own
    /// (see `BackgroundRelease`), which would take a while with years of history.
    ~RoamStore();

    RoamStore(const RoamStore &) = delete;
    RoamStore &operator=(const RoamStore &) = delete;

    /// Every site record, keyed by URL.
    CFiles Files;
    /// Every browsing session, keyed by `timeKey(sTime)`, which is time order.
    CSessions AllSessions;
    /// Start of the running browsing session. `LoadDataFolder` takes it from the clock when
    /// it was not set before.
    QDateTime SessionStart;

    /// Exchange fields of the note and properties dialogs, filled by `GetCFile`.
    QString NoteURL;
    QString NoteTitle;
    QString NoteText;
    bool NoteVisited = false;
    CFilePtr NoteFile;

    /// The data folder given at construction.
    QString dataFolder() const { return m_dataFolder; }
    /// Full path of the sessions file.
    QString sessionsFileName() const;

    /// Creates the data folder when missing (open to its owner only), loads every "*.smf" in it (by
    /// name order; of two files with one URL the first stays), reads "Ses.sms" into a new
    /// `AllSessions` and registers the running session under `SessionStart`. Files that are not
    /// site files are left on disk, not loaded, and listed in `unreadableFiles`.
    void LoadDataFolder();

    /// Loads the site files and "Ses.sms" like `LoadDataFolder`, but creates nothing and
    /// registers no running session: for tools that only look at a data folder.
    void ReadDataFolder();

    /// Site files the last load could not read (full paths).
    const QStringList &unreadableFiles() const { return m_unreadable; }
    /// Files the last load read only in part (site files, and "Ses.sms" when one of its lines
    /// could not be read): they are copied aside before their first rewrite.
    const QStringList &damagedFiles() const { return m_damaged; }

    /// Takes the data folder's one-writer lock for the store's lifetime. When another process
    /// holds it the store turns read-only; when the lock file cannot be made the reason is in
    /// `WriteError`. `program` names this holder in the lock file.
    DataFolderLock::Result LockDataFolder(const QString &program);
    /// The holder named by the lock file after `LockDataFolder` found the folder taken.
    QString LockHolder() const;

    /// A read-only store writes and removes nothing: every save returns false at once.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }

    /// Writes `file`'s site file; on failure the record stays unsaved and is retried later.
    /// After a successful write the other unsaved records are written again too.
    bool SaveFile(const CFilePtr &file);
    /// Writes the site files of `files` like `SaveFile` each, with the same keeping and
    /// retrying, but waiting for the disk once for all of them; true when every one was written.
    /// `write` does the writing (`writeFilesSafely` by default); it may hand it to another
    /// thread and wait, as long as nothing else writes these files meanwhile.
    using BatchWriter = std::function<void(std::vector<SafeWrite> &)>;
    bool SaveFiles(const std::vector<CFilePtr> &files, const BatchWriter &write = {});
    /// Writes "Ses.sms" from `AllSessions`, with the same keeping and retrying as `SaveFile`.
    bool SaveSessions();
    /// Removes `file`'s site file and its record; false (the record stays) when the file is
    /// there and cannot be removed, or the store is read-only.
    bool RemoveFile(const CFilePtr &file);

    /// Which sites each browsing session visited, built by `LoadDataFolder`. Whoever adds or
    /// removes visits tells it (`RemoveFile` does); see `SessionSites` for changes it missed.
    SessionSites &SessionIndex() { return *m_sessionSites; }
    /// Writes every unsaved record again; true when nothing is left unsaved.
    bool RetryUnsaved();
    /// How many records (site files, and the sessions file) are not on disk as they are in memory.
    int UnsavedCount() const { return int(m_unsaved.size()) + (m_sessionsUnsaved ? 1 : 0); }
    /// The reason of the latest failed write, empty once everything is saved.
    QString WriteError() const { return m_writeError; }

    /// Called after every change of `UnsavedCount` or `WriteError`.
    void SetSaveStateListener(std::function<void()> listener) { m_listener = std::move(listener); }
    /// Gets each failure and recovery as one line of text; by default they go to the standard
    /// error, prefixed "Roamlog: ".
    void SetLogger(std::function<void(const QString &)> logger) { m_logger = std::move(logger); }

    /// With `sEnd` true: stamps the end of the running session with the current time, rewrites
    /// "Ses.sms" from `AllSessions` and tries every unsaved record again. Returns false when the
    /// sessions file could not be written (the old one stays); with `sEnd` false does nothing
    /// and returns true.
    bool SetSession(bool sEnd);

    /// Copies the record keyed `selectedUrl` into the exchange fields; false when there is
    /// no such record (the fields are then left as they were).
    bool GetCFile(const QString &selectedUrl);

    /// Copies `NoteText` (trimmed) and `NoteVisited` back into the record keyed `selectedUrl`
    /// and saves it; false when there is no such record, the store is read-only (nothing is
    /// copied back) or its file could not be written.
    bool SetCFile(const QString &selectedUrl);

    /// The bytes of a sessions file for `sessions`.
    static QByteArray sessionsBytes(const CSessions &sessions);
    /// Adds the sessions of a sessions file's text to `sessions`, one per line after the
    /// count; a line that cannot be read is passed over. Returns false when anything could not
    /// be read or the count does not match the lines.
    static bool parseSessions(QStringView text, CSessions &sessions);

private:
    void readSiteFiles();
    void readSessionsFile();
    void registerRunningSession();
    bool writeSite(const CFilePtr &file, QString &error);
    bool writeSessions(QString &error);
    bool keepAside(const QString &path, QString &error);
    void noteFailure(const QString &path, const QString &error, bool first);
    void noteProgress(int unsavedBefore, const QString &errorBefore, bool wrote);
    bool retryAll();
    void log(const QString &line) const;

    QString m_dataFolder;
    Clock &m_clock;
    QStringList m_unreadable;
    QStringList m_damaged;
    QSet<QString> m_toKeepAside;
    std::vector<CFilePtr> m_unsaved;
    bool m_sessionsUnsaved = false;
    QString m_writeError;
    bool m_readOnly = false;
    std::unique_ptr<DataFolderLock> m_lock;
    std::unique_ptr<SessionSites> m_sessionSites = std::make_unique<SessionSites>();
    std::function<void()> m_listener;
    std::function<void(const QString &)> m_logger;
};
