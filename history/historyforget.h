#pragma once

#include <QString>

class QTextStream;

/// Removes from a data folder every site record whose URL falls under one never-record rule,
/// with its site file. Each file is removed whole or not at all; files that are not site files
/// and records that do not match are never touched, and "Ses.sms" stays as it is.
class HistoryForget final
{
public:
    /// What one run found and did.
    struct Summary
    {
        /// Site files whose URL matches.
        int matched = 0;
        /// Of these, the files removed (none in a dry run).
        int removed = 0;
        /// Of these, the files that could not be removed.
        int failed = 0;
    };

    /// Lists each matching record on @p out ("URL  file"), failures on @p err.
    HistoryForget(const QString &dataFolder, QTextStream &out, QTextStream &err);

    /// Removes the records matching @p pattern (a host name or a URL prefix, see
    /// `NeverRecordRules`); with @p dryRun only lists them.
    Summary run(const QString &pattern, bool dryRun);

private:
    QString m_dataFolder;
    QTextStream &m_out;
    QTextStream &m_err;
};
