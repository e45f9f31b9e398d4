#pragma once

#include "cfile.h"
#include "cfiles.h"
#include "csessions.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

class Clock;

/// The records in memory and their data folder: loads every site file and the sessions file
/// "Ses.sms", registers the running browsing session and writes it back when it ends, and
/// lends one site record to the note and properties dialogs through the exchange fields.
class RoamStore final
{
public:
    /// `dataFolder`: the folder of the site files and "Ses.sms"; `clock` gives the times.
    RoamStore(const QString &dataFolder, Clock &clock);

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

    /// Creates the data folder when missing, loads every "*.smf" in it (by name order; of two
    /// files with one URL the first stays), reads "Ses.sms" into a new `AllSessions` and
    /// registers the running session under `SessionStart`. Files that are not site files are
    /// left on disk, not loaded, and listed in `unreadableFiles`.
    void LoadDataFolder();

    /// Loads the site files and "Ses.sms" like `LoadDataFolder`, but creates nothing and
    /// registers no running session: for tools that only look at a data folder.
    void ReadDataFolder();

    /// Site files the last load could not read (full paths).
    const QStringList &unreadableFiles() const { return m_unreadable; }

    /// With `sEnd` true: stamps the end of the running session with the current time and
    /// rewrites "Ses.sms" from `AllSessions`. Returns false when the file could not be written
    /// (the old one stays); with `sEnd` false does nothing and returns true.
    bool SetSession(bool sEnd);

    /// Copies the record keyed `selectedUrl` into the exchange fields; false when there is
    /// no such record (the fields are then left as they were).
    bool GetCFile(const QString &selectedUrl);

    /// Copies `NoteText` (trimmed) and `NoteVisited` back into the record keyed `selectedUrl`
    /// and saves it; false when there is no such record or its file could not be written.
    bool SetCFile(const QString &selectedUrl);

    /// The bytes of a sessions file for `sessions`.
    static QByteArray sessionsBytes(const CSessions &sessions);

private:
    void readSiteFiles();
    void readSessionsFile();
    void registerRunningSession();

    QString m_dataFolder;
    Clock &m_clock;
    QStringList m_unreadable;
};
