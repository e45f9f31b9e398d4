#pragma once

#include "cfile.h"
#include "csessions.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QTextStream;
class RoamSettings;
class RoamStore;

/// The `roamlog-history` program: reads a data folder without registering a session and
/// without writing anything, and prints its sites, sessions, the visits of one site, or the
/// sites whose URL, title or note hold a text, as aligned columns or as JSON. Two commands
/// change the folder: "forget" removes records, "import-chromium" adds the browser's history.
///
/// Commands: "sites", "sessions", "visits URL", "find TEXT", "search WORDS [--limit N]" (the
/// pages found by their text, see `HistoryPageText`), "export --format json|csv
/// [--since DATE] [--out FILE]" (see `HistoryExport`), "forget PATTERN [--dry-run]" (see
/// `HistoryForget`; their pages' text goes too) and "import-chromium PROFILE_DIR" (see
/// `ChromiumImport`). Options: "--json", "--data-dir DIR" (otherwise the data folder of
/// `settings`), "--help". DIR is the folder Roamlog's own "--data-dir" takes, with the records
/// in DIR/Data, or the data folder itself; a DIR with records in neither is a usage error. The
/// commands that change the folder take its one-writer lock and refuse (`Busy`) while Roamlog
/// holds it.
class HistoryCommand final
{
public:
    /// Exit codes of `run`.
    enum ExitCode {
        Success = 0,
        /// "visits" of a URL that no site record holds; an export file that cannot be written.
        Failed = 1,
        /// Bad arguments, or a data folder that does not exist or holds no records.
        UsageError = 2,
        /// "forget" or "import-chromium" while Roamlog holds the data folder's lock.
        Busy = 3,
    };

    /// `settings` gives the data folder when "--data-dir" is absent; results go to `out`,
    /// messages to `err`.
    HistoryCommand(const RoamSettings &settings, QTextStream &out, QTextStream &err);
    ~HistoryCommand();

    /// Runs the command line `arguments` (the program name first) and returns the exit code.
    int run(const QStringList &arguments);

    /// Shows a progress line on `err` during long imports; for a terminal only.
    void setProgressShown(bool shown) { m_progressShown = shown; }

    /// The text of "--help".
    static QString helpText();

private:
    void load(const QString &dataFolder);
    static QString resolveDataDir(const QString &dir, bool mayBegin, QString *problem);

    int exportRows(const QString &dataFolder,
                   const QString &formatName,
                   const std::optional<QString> &sinceText,
                   const QString &outFile);
    static QDateTime parseSince(const QString &text);
    int forget(const QString &dataFolder, const QString &pattern, bool dryRun);
    int importChromium(const QString &dataFolder, const QString &profileDir);

    int usageError(const QString &message);
    int failure(const QString &message);

    const RoamSettings &m_settings;
    QTextStream &m_out;
    QTextStream &m_err;
    bool m_json = false;
    bool m_progressShown = false;
    std::unique_ptr<RoamStore> m_store;
    CSessions m_sessions;
};
