#include "chromiumimport.h"

#include "cfile.h"
#include "clock.h"
#include "recordedurl.h"
#include "roamstore.h"
#include "safewrite.h"
#include "timekey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString programName = u"roamlog-history"_s;

// Seconds from 1601-01-01 to 1970-01-01, both UTC.
constexpr qint64 chromiumEpochOffset = 11644473600;

// The core of a Chromium page transition; frames are not pages of their own.
constexpr qint64 transitionCoreMask = 0xFF;
constexpr qint64 autoSubframe = 3;
constexpr qint64 manualSubframe = 4;

struct DatabaseCloser
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinaliser
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, DatabaseCloser>;
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinaliser>;

Statement prepare(sqlite3 *db, const char *sql)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return {};
    }
    return Statement(statement);
}

QString columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

struct Candidate
{
    QDateTime time;
    QString recorded;
    QString title;
};

// The browsing sessions of the sessions file, by start, with the latest end so far, to find
// the session that covers a moment without scanning all of them.
class SessionSpans final
{
public:
    explicit SessionSpans(const CSessions &sessions)
    {
        for (const CSessionPtr &session : sessions) {
            const QDateTime end = session->eTime > session->sTime ? session->eTime : session->sTime;
            m_spans.push_back({session->sTime, end, end});
            if (m_spans.size() > 1)
                m_spans.back().latestEnd = std::max(m_spans.back().latestEnd,
                                                    m_spans[m_spans.size() - 2].latestEnd);
        }
    }

    // The start of the latest-starting session that covers @p time; invalid when none does.
    QDateTime covering(const QDateTime &time) const
    {
        auto it = std::upper_bound(
            m_spans.begin(), m_spans.end(), time, [](const QDateTime &t, const Span &span) {
                return t < span.start;
            });
        while (it != m_spans.begin()) {
            --it;
            if (it->latestEnd < time)
                break;
            if (it->end >= time)
                return it->start;
        }
        return {};
    }

private:
    struct Span
    {
        QDateTime start;
        QDateTime end;
        QDateTime latestEnd;
    };
    std::vector<Span> m_spans;
};

} // namespace

ChromiumImport::ChromiumImport(const QString &dataFolder,
                               const NeverRecordRules &rules,
                               QTextStream &err)
    : m_dataFolder(dataFolder)
    , m_rules(rules)
    , m_err(err)
{ }

QDateTime ChromiumImport::fromChromiumTime(qint64 microseconds)
{
    if (microseconds <= 0)
        return {};
    return QDateTime::fromSecsSinceEpoch(microseconds / 1000000 - chromiumEpochOffset);
}

void ChromiumImport::showProgress(const char *phase, qint64 done, qint64 total, bool force)
{
    if (!m_progress)
        return;
    if (!m_timer.isValid())
        m_timer.start();
    const qint64 now = m_timer.elapsed();
    // At most ten updates a second.
    if (!force && m_lastProgress >= 0 && now - m_lastProgress < 100)
        return;
    m_lastProgress = now;
    const int percent = total > 0 ? int(done * 100 / total) : 100;
    m_err << "\r" << programName << ": " << phase << ' ' << done << '/' << total << " (" << percent
          << "%)\x1b[K";
    m_err.flush();
}

bool ChromiumImport::run(const QString &profileDir)
{
    m_summary = Summary();
    m_error.clear();

    const QString source = QDir(profileDir).filePath(u"History"_s);
    if (!QFileInfo(source).isFile()) {
        m_error = u"there is no History database in "_s + QDir::toNativeSeparators(profileDir);
        return false;
    }
    // The browser keeps its database locked and changing while it runs: read a copy, with
    // its write-ahead log when there is one.
    QTemporaryDir temp;
    const QString copy = temp.filePath(u"History"_s);
    if (!temp.isValid() || !QFile::copy(source, copy)) {
        m_error = u"cannot copy "_s + QDir::toNativeSeparators(source);
        return false;
    }
    if (QFileInfo::exists(source + u"-wal"_s)
        && !QFile::copy(source + u"-wal"_s, copy + u"-wal"_s)) {
        m_error = u"cannot copy "_s + QDir::toNativeSeparators(source + u"-wal"_s);
        return false;
    }

    sqlite3 *rawDb = nullptr;
    const int opened = sqlite3_open_v2(
        copy.toUtf8().constData(), &rawDb, SQLITE_OPEN_READONLY, nullptr);
    const Database db(rawDb);
    if (opened != SQLITE_OK) {
        m_error = u"cannot open "_s + QDir::toNativeSeparators(source) + u": "_s
                  + QString::fromUtf8(sqlite3_errmsg(db.get()));
        return false;
    }
    const Statement count = prepare(db.get(), "SELECT count(*) FROM visits");
    const Statement rows = prepare(db.get(),
                                   "SELECT visits.visit_time, visits.transition, urls.url, "
                                   "urls.title FROM visits JOIN urls ON urls.id = visits.url "
                                   "ORDER BY visits.visit_time, visits.id");
    if (!count || !rows || sqlite3_step(count.get()) != SQLITE_ROW) {
        m_error = QDir::toNativeSeparators(source) + u" is not a Chromium history database: "_s
                  + QString::fromUtf8(sqlite3_errmsg(db.get()));
        return false;
    }
    const qint64 total = sqlite3_column_int64(count.get(), 0);

    std::vector<Candidate> candidates;
    candidates.reserve(size_t(std::max<qint64>(total, 0)));
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(rows.get())) == SQLITE_ROW) {
        ++m_summary.rowsRead;
        showProgress("reading visits", m_summary.rowsRead, total);
        const qint64 core = sqlite3_column_int64(rows.get(), 1) & transitionCoreMask;
        const QDateTime time = fromChromiumTime(sqlite3_column_int64(rows.get(), 0));
        const QString url = columnText(rows.get(), 2);
        const QString recorded = RecordedUrl::normalise(url);
        if (core == autoSubframe || core == manualSubframe || !time.isValid()
            || recorded.isEmpty()) {
            ++m_summary.notRecorded;
            continue;
        }
        if (m_rules.matches(url) || m_rules.matches(recorded)) {
            ++m_summary.neverRecord;
            continue;
        }
        candidates.push_back({time, recorded, columnText(rows.get(), 3)});
    }
    showProgress("reading visits", m_summary.rowsRead, total, true);
    if (m_progress)
        m_err << '\n';
    if (step != SQLITE_DONE) {
        m_error = u"cannot read "_s + QDir::toNativeSeparators(source) + u": "_s
                  + QString::fromUtf8(sqlite3_errmsg(db.get()));
        return false;
    }

    RoamStore store(m_dataFolder, Clock::system());
    store.ReadDataFolder();

    // Each visit's browsing session: one already stored that covers it, or its day's new one.
    const SessionSpans stored(store.AllSessions);
    std::vector<QDateTime> sessionOf(candidates.size());
    QHash<QDate, CSessionPtr> days;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const QDateTime &time = candidates[i].time;
        sessionOf[i] = stored.covering(time);
        if (sessionOf[i].isValid())
            continue;
        CSessionPtr &day = days[time.date()];
        if (!day) {
            day = std::make_shared<CSession>();
            day->sTime = time;
        }
        day->eTime = time;
        sessionOf[i] = day->sTime;
    }

    QSet<QString> givenNames;
    const QDir folder(m_dataFolder);
    const auto newFileName = [&](const QDateTime &time) {
        const QString base = RecordedUrl::fileNameFor(time, store.Files.Count());
        const QString stem = base.chopped(4);
        QString name = base;
        for (int suffix = 1;
             givenNames.contains(name.toCaseFolded()) || QFileInfo::exists(folder.filePath(name));
             ++suffix)
            name = stem + u'_' + QString::number(suffix) + u".smf"_s;
        givenNames.insert(name.toCaseFolded());
        return folder.filePath(name);
    };

    std::vector<CFilePtr> dirty;
    QSet<const CFile *> dirtySet;
    QSet<const CFile *> created;
    const auto markDirty = [&](const CFilePtr &file) {
        if (!dirtySet.contains(file.get())) {
            dirtySet.insert(file.get());
            dirty.push_back(file);
            if (!created.contains(file.get()))
                ++m_summary.updatedRecords;
        }
    };
    const auto recordOne = [&](const QString &url,
                               const QDateTime &time,
                               const QDateTime &session,
                               const QString *title) -> CFilePtr {
        CFilePtr file = store.Files.Item(url);
        if (!file) {
            file = std::make_shared<CFile>();
            file->SetURL(url);
            file->Title = url;
            if (!store.Files.Add(file, url))
                return {};
            file->FileName = newFileName(time);
            created.insert(file.get());
            ++m_summary.newRecords;
            markDirty(file);
        }
        if (title && !title->isEmpty() && created.contains(file.get()) && file->Title != *title)
            file->Title = *title;
        const QString key = timeKey(time);
        if (file->Sessions.Item(key)) {
            if (title)
                ++m_summary.alreadyRecorded;
            return {};
        }
        CSession visit;
        visit.sTime = time;
        visit.Param = RecordedUrl::query(url);
        visit.Session = session;
        file->Sessions.Add(visit);
        ++m_summary.visitsAdded;
        markDirty(file);
        return file;
    };

    QDateTime openSession;
    QString openUrl;
    // The file of the open page's visit, keyed by its start.
    CFilePtr openFile;
    QString openKey;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const Candidate &visit = candidates[i];
        const QDateTime &session = sessionOf[i];
        if (session == openSession && visit.recorded == openUrl) {
            // Still the open page: the recorder sees no new visit, only perhaps a new title.
            const CFilePtr file = store.Files.Item(visit.recorded);
            if (file && created.contains(file.get()) && !visit.title.isEmpty())
                file->Title = visit.title;
            ++m_summary.samePage;
            continue;
        }
        if (openFile && session == openSession)
            openFile->Sessions.SetEnd(openKey, visit.time);
        openSession = session;
        openUrl = visit.recorded;
        openFile = recordOne(visit.recorded, visit.time, session, &visit.title);
        openKey = timeKey(visit.time);
        const QStringList parents = RecordedUrl::parents(visit.recorded);
        for (const QString &parent : parents)
            recordOne(parent, visit.time, session, nullptr);
    }

    // Sessions first: a site file whose visits name a session the sessions file lacks is
    // worse after a crash than a session without visits, which the outlines pass over.
    QList<CSessionPtr> newSessions = days.values();
    for (const CSessionPtr &session : std::as_const(newSessions)) {
        if (store.AllSessions.Add(session, timeKey(session->sTime)))
            ++m_summary.newSessions;
    }
    // The store copies a partly readable file aside before rewriting it and says what it
    // could not write; its messages are this program's.
    store.SetLogger([this](const QString &line) {
        m_err << (m_progress ? "\r" : "") << programName << ": " << line << '\n';
    });
    if (m_summary.newSessions > 0)
        store.SaveSessions();

    m_lastProgress = -1;
    qint64 written = 0;
    for (const CFilePtr &file : dirty) {
        store.SaveFile(file);
        showProgress("writing site files", ++written, qint64(dirty.size()));
    }
    // A write that failed is tried once more after the others, as Roamlog does.
    store.RetryUnsaved();
    m_summary.failedFiles = store.UnsavedCount();
    if (m_progress && !dirty.empty()) {
        showProgress("writing site files", written, qint64(dirty.size()), true);
        m_err << '\n';
    }
    m_err.flush();
    return true;
}
