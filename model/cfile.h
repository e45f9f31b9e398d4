#pragma once

#include "cactivities.h"
#include "cfiles.h"
#include "cvisits.h"
#include "sitepath.h"

#include <QByteArray>
#include <QString>

/// The site record: one recorded URL with its title, note, depth, visits and downloads,
/// stored in a site file of its own (".smf").
///
/// Site file: UTF-8 text, CR LF line ends, comma-separated fields; strings in double quotes
/// (a quote inside doubled), integers in decimal, date-times as #yyyy-MM-dd hh:mm:ss#
/// (#yyyy-MM-dd# at midnight, #hh:mm:ss# on the zero date).
///   "URL","Title",Level
///   visits,activities,"Note"
///   "S",#Session#,#sTime#,#eTime#,"Param"      one per visit, in key order
///   "A",#Session#,"Location",#Key#             one per download, in key order
class CFile final
{
public:
    /// `timeKey` of the entry time of the latest visit, its key in `Sessions`; not stored.
    QString LastEntered;
    /// The page title.
    QString Title;
    /// The user's note; one space when there is none.
    QString Note = QStringLiteral(" ");
    /// Full path of the site file; empty means the record has no file.
    SitePath FileName;
    /// The visits, keyed by `timeKey(sTime)`.
    CVisits Sessions;
    /// The downloads, keyed by `timeKey(Key)`.
    CActivities Activities;

    /// The recorded URL; the record's key in `CFiles`.
    const QString &URL() const { return m_url; }
    /// Sets the URL and with it `Level`.
    void SetURL(const QString &url);

    /// The number of "/" in the URL, one trailing "/" not counted.
    int Level() const { return m_level; }

    /// Whether the record was visited while the program has been running.
    bool Visited() const { return m_visited; }
    /// Stores `visited` only while `Visited` is false: once true it stays true.
    void SetVisited(bool visited);

    /// Writes the whole site file to `FileName` through a temporary file that replaces the old
    /// one only once it is complete. Returns false, leaving any old file intact, when the file
    /// could not be written or when `FileName` is empty; `error`, when given, gets the reason.
    bool Save(QString *error = nullptr) const;

    /// Sets `FileName` and fills the record from that file. A file that ends early or holds a
    /// field of the wrong kind leaves the rest unread; what was read stays and `Damaged` tells.
    /// Returns false when the file cannot be opened or does not begin with a URL: such a file
    /// is not a site file.
    bool Read(const QString &fileName);

    /// Whether the last read found the file only partly readable, so that the record lacks
    /// what the file may still hold.
    bool Damaged() const { return m_damaged; }

    /// The site file's bytes for this record.
    QByteArray toBytes() const;
    /// Fills the record from a site file's bytes (UTF-8, or Windows-1252 when they are not
    /// valid UTF-8). Returns false when they do not begin with a URL.
    bool fromBytes(QByteArrayView bytes);

    /// The depth rule of `Level`: trims blanks to see whether the URL ends with "/", drops the
    /// last character of the untrimmed URL if so, and counts the "/" left.
    static int levelOf(const QString &url);

private:
    bool fromText(QStringView text);

    QString m_url;
    int m_level = 0;
    bool m_visited = false;
    bool m_damaged = false;
};
