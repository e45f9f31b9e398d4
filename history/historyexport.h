#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>

class CFile;
class QTextStream;

/// Writes every visit and every download of a data folder as rows, JSON or CSV, one site
/// file at a time: a row is written as soon as it is read, so memory does not grow with the
/// number of visits. Rows follow the site files' name order, then each site's key order.
///
/// Every row has the fields kind ("visit" or "download"), url, title, note, start, end,
/// durationSeconds, query, session and location; times are local "yyyy-MM-ddTHH:mm:ss".
/// A download's start is its time and its location the downloaded URL; a field that does not
/// apply is null (JSON) or empty (CSV). In CSV a text field (url, title, note, query,
/// location) that begins with "=", "+", "-", "@", a tab or a carriage return gets a leading
/// "'", so that a spreadsheet does not run it as a formula; JSON keeps every text exact.
class HistoryExport final
{
public:
    enum class Format { Json, Csv };

    /// Rows go to `out`; the names of files that are not site files go to `err`.
    HistoryExport(Format format, QTextStream &out, QTextStream &err);

    /// Only visits that began, and downloads that happened, at or after `since` are written.
    void setSince(const QDateTime &since) { m_since = since; }

    /// Exports the data folder `dataFolder`, which is only read. Of two files with one URL
    /// (letter case ignored) the first by name is exported. Returns the number of rows.
    qint64 run(const QString &dataFolder);

    /// A local time as "yyyy-MM-ddTHH:mm:ss"; empty for the zero date-time.
    static QString isoTime(const QDateTime &time);

    /// The header of the CSV form.
    static QString csvHeader();

private:
    struct Row
    {
        QString kind;
        QDateTime start;
        QDateTime end;
        QDateTime session;
        QString query;
        QString location;
    };

    void writeRow(const CFile &file, const Row &row);
    bool wanted(const QDateTime &time) const;

    Format m_format;
    QTextStream &m_out;
    QTextStream &m_err;
    QDateTime m_since;
    QSet<QString> m_seenUrls;
    qint64 m_rows = 0;
};
