#pragma once

#include <QString>

class QTextStream;

/// What `roamlog-history` does with the page text index of a data folder: searches it, and
/// forgets the text of pages that "forget" removes.
class HistoryPageText final
{
public:
    /// Results go to @p out, messages to @p err.
    HistoryPageText(const QString &dataFolder, QTextStream &out, QTextStream &err);

    /// Prints the pages whose text or title hold every word of @p words (each also as a
    /// prefix), best first, at most @p limit: last visit (from the site records), URL, title
    /// and a snippet with the matched words in brackets; as JSON with @p json. Nothing is
    /// printed in text form when nothing matches. A folder without an index has no matches.
    void search(const QString &words, int limit, bool json);

    /// Forgets the text of every page whose URL matches @p pattern (see `NeverRecordRules`);
    /// with @p dryRun only counts them. Returns the number of pages, -1 when the folder
    /// has no index.
    int forget(const QString &pattern, bool dryRun);

private:
    QString m_dataFolder;
    QTextStream &m_out;
    QTextStream &m_err;
};
