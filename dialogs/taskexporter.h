#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

class Clock;

/// Turns a recorded site into a task: one iCalendar file holding one VTODO, written into a
/// task folder of the layout that todoman, khal and vdirsyncer read (one ".ics" file per task,
/// named after its UID).
///
/// The task's SUMMARY is "Roamlog: " + today's short date + two blanks + the site's title, its
/// DESCRIPTION the site's URL with a scheme, X-ROAMLOG-ORDINAL its ordinal 1; UID, DTSTAMP
/// and STATUS:NEEDS-ACTION complete it.
class TaskExporter final
{
public:
    /// Tasks go into `taskFolder` (created when missing); `clock` gives today and DTSTAMP.
    TaskExporter(const QString &taskFolder, Clock &clock);

    /// Writes the task for the site recorded as `recordedUrl` with `title`. Returns the path of
    /// the written file; on failure an empty text, with the reason in `error` (when not null).
    QString exportSite(const QString &recordedUrl,
                       const QString &title,
                       QString *error = nullptr) const;

    /// The folder given at construction.
    QString taskFolder() const { return m_folder; }

    /// "Roamlog: " + `today` in the locale's short date form + "  " + `title`.
    static QString subject(const QDate &today, const QString &title);
    /// `recordedUrl` with exactly one scheme: kept when it has one, "file://" before a local
    /// path, "http://" before anything else.
    static QString body(const QString &recordedUrl);
    /// The iCalendar text of one task.
    static QByteArray calendarBytes(const QString &uid,
                                    const QDateTime &stamp,
                                    const QString &summary,
                                    const QString &description);

private:
    QString m_folder;
    Clock &m_clock;
};
