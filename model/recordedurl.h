#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

/// The recorder's rules for turning a browser URL into the URL of a site record, and for the
/// parent paths recorded along with it. Everything that records visits uses these, so that a
/// page is keyed the same whichever way it was recorded.
class RecordedUrl final
{
public:
    /// The recorded form of a page URL: without a leading "http://" or "https://" (any letter
    /// case), then without "file://", and without one trailing "/". Empty when the URL is not
    /// recorded at all: an empty URL, "http:" URLs of fewer than 11 characters and "https:"
    /// URLs of fewer than 12.
    static QString normalise(const QString &raw);

    /// @p url without a leading "http://" or "https://" (any letter case), then without
    /// "file://": the schemes a recorded URL has lost.
    static QString withoutScheme(const QString &url);

    /// The parent paths recorded with @p recorded, nearest first: each cuts the URL before the
    /// last "/" of its path, up to the host; a "/" after the first "?" or "#" does not count. A
    /// URL that begins with "ftp://" or has no "/" in its path has none.
    static QStringList parents(const QString &recorded);

    /// Length of the path part of @p url: everything before its first "?" or "#".
    static qsizetype pathLength(const QString &url);

    /// The query text of a recorded URL: what follows its first "?", trimmed; empty without one.
    static QString query(const QString &recorded);

    /// The name of a new site file, "ymdhn" + @p count + ".smf", for a record created at
    /// @p time: day of the year, month, day, hour and minute without leading zeros, then the
    /// number of site records once the new one is added.
    static QString fileNameFor(const QDateTime &time, int count);

    /// Length of a leading "scheme://", 0 when there is none.
    static qsizetype schemeLength(const QString &url);
};
