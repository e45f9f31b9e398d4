#include "pagetextworker.h"

#include "sqlitestatement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

// The text lives once, in `pages`; the FTS5 table indexes it and reads snippets from it.
// Triggers keep the two in step. `stems` holds the Hebrew words of the page without the
// letters for "and", "the", "in" and the like that Hebrew writes in front of a word.
constexpr const char *kSchema = R"SQL(
CREATE TABLE IF NOT EXISTS pages(
    id INTEGER PRIMARY KEY,
    key TEXT NOT NULL UNIQUE COLLATE NOCASE,
    title TEXT NOT NULL,
    body TEXT NOT NULL,
    stems TEXT NOT NULL,
    captured INTEGER NOT NULL);
CREATE VIRTUAL TABLE IF NOT EXISTS pages_fts USING fts5(
    title, body, stems, content='pages', content_rowid='id',
    tokenize='unicode61 remove_diacritics 2', prefix='2 3');
CREATE TRIGGER IF NOT EXISTS pages_ai AFTER INSERT ON pages BEGIN
    INSERT INTO pages_fts(rowid, title, body, stems)
        VALUES (new.id, new.title, new.body, new.stems);
END;
CREATE TRIGGER IF NOT EXISTS pages_ad AFTER DELETE ON pages BEGIN
    INSERT INTO pages_fts(pages_fts, rowid, title, body, stems)
        VALUES ('delete', old.id, old.title, old.body, old.stems);
END;
CREATE TRIGGER IF NOT EXISTS pages_au AFTER UPDATE ON pages BEGIN
    INSERT INTO pages_fts(pages_fts, rowid, title, body, stems)
        VALUES ('delete', old.id, old.title, old.body, old.stems);
    INSERT INTO pages_fts(rowid, title, body, stems)
        VALUES (new.id, new.title, new.body, new.stems);
END;
)SQL";
// Written into the file's user_version; a file of another version is emptied and rebuilt.
constexpr int kSchemaVersion = 2;

constexpr const char *kDropSchema = R"SQL(
DROP TRIGGER IF EXISTS pages_ai;
DROP TRIGGER IF EXISTS pages_ad;
DROP TRIGGER IF EXISTS pages_au;
DROP TABLE IF EXISTS pages_fts;
DROP TABLE IF EXISTS pages;
)SQL";

// A word in the title counts four times one in the text, a Hebrew word found without its
// leading letters half.
constexpr const char *kRank = "bm25(4.0, 1.0, 0.5)";
constexpr int kBusyTimeoutMs = 5000;

// The file and the files SQLite keeps beside it.
void removeIndexFiles(const QString &path)
{
    for (const QString &suffix : {QString(), u"-wal"_s, u"-shm"_s, u"-journal"_s})
        QFile::remove(path + suffix);
}

void makePrivate(const QString &path)
{
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.close();
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

} // namespace

PageTextWorker::PageTextWorker(const QString &path, bool readOnly, ProblemReport report)
    : m_path(path)
    , m_report(std::move(report))
    , m_readOnly(readOnly)
{
    if (m_readOnly)
        openToRead();
    else
        open();
    m_thread = std::thread([this] { run(); });
}

PageTextWorker::~PageTextWorker()
{
    {
        const std::lock_guard lock(m_queueMutex);
        m_stop = true;
    }
    m_wake.notify_all();
    m_thread.join();
    sqlite3_close(m_db);
}

void PageTextWorker::post(Task task, bool scrub)
{
    if (m_readOnly)
        return;
    {
        const std::lock_guard lock(m_queueMutex);
        m_tasks.push_back(std::move(task));
        m_scrub = m_scrub || scrub;
        ++m_posted;
    }
    m_wake.notify_one();
}

void PageTextWorker::flush()
{
    std::unique_lock lock(m_queueMutex);
    const quint64 target = m_posted;
    m_done.wait(lock, [this, target] { return m_finished >= target; });
}

QString PageTextWorker::problem() const
{
    const std::lock_guard lock(m_dbMutex);
    return m_problem;
}

void PageTextWorker::replaceDamaged()
{
    post([](sqlite3 *) { return SQLITE_CORRUPT; });
}

// Opens the file only to search it: nothing is created, changed or repaired.
void PageTextWorker::openToRead()
{
    const std::lock_guard lock(m_dbMutex);
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(
        m_path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        rc = SqliteStatement::exec(
            db, "SELECT max(id) FROM pages; SELECT count(*) FROM pages_fts_data");
    }
    if (rc == SQLITE_OK) {
        m_db = db;
        return;
    }
    sqlite3_close(db);
    m_problem = QObject::tr("The page text index %1 cannot be read: %2")
                    .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errstr(rc)));
}

// Opens the file, making it when missing; a file that is not an index is replaced.
void PageTextWorker::open()
{
    const std::lock_guard lock(m_dbMutex);
    const int rc = openFile();
    if (rc == SQLITE_OK)
        return;
    if (SqliteStatement::isDamage(rc)) {
        recreateLocked();
        return;
    }
    m_problem = QObject::tr("The page text index %1 cannot be opened: %2")
                    .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errstr(rc)));
}

int PageTextWorker::openFile()
{
    makePrivate(m_path);
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(m_path.toUtf8().constData(),
                             &db,
                             SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                             nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        sqlite3_update_hook(db, &PageTextWorker::noteChange, this);
        rc = SqliteStatement::exec(db,
                                   "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                                   "PRAGMA secure_delete=ON;");
    }
    if (rc == SQLITE_OK)
        rc = upgrade(db);
    if (rc == SQLITE_OK)
        rc = setRank(db);
    if (rc == SQLITE_OK) {
        // Reading the newest rows and the index's own records finds a file cut short or
        // overwritten where an open alone would not.
        rc = SqliteStatement::exec(db,
                                   "SELECT max(id) FROM pages; SELECT count(*) FROM pages_fts_data "
                                   "WHERE id < 10; PRAGMA schema_version;");
    }
    if (rc != SQLITE_OK) {
        sqlite3_close(db);
        return rc;
    }
    m_db = db;
    return SQLITE_OK;
}

void PageTextWorker::recreate()
{
    const std::lock_guard lock(m_dbMutex);
    recreateLocked();
    m_report(m_problem);
}

void PageTextWorker::recreateLocked()
{
    sqlite3_close(m_db);
    m_db = nullptr;
    removeIndexFiles(m_path);
    const int rc = openFile();
    if (rc == SQLITE_OK)
        m_problem = QObject::tr("The page text index %1 was damaged; it was replaced by an "
                                "empty one.")
                        .arg(QDir::toNativeSeparators(m_path));
    else
        m_problem = QObject::tr("The page text index %1 cannot be created: %2")
                        .arg(QDir::toNativeSeparators(m_path),
                             QString::fromUtf8(sqlite3_errstr(rc)));
}

void PageTextWorker::run()
{
    for (;;) {
        std::deque<Task> batch;
        bool scrub = false;
        {
            std::unique_lock lock(m_queueMutex);
            m_wake.wait(lock, [this] { return m_stop || !m_tasks.empty(); });
            if (m_tasks.empty())
                return;
            batch.swap(m_tasks);
            scrub = std::exchange(m_scrub, false);
        }
        runBatch(batch, scrub);
        {
            const std::lock_guard lock(m_queueMutex);
            m_finished += batch.size();
        }
        m_done.notify_all();
    }
}

void PageTextWorker::runBatch(std::deque<Task> &batch, bool scrub)
{
    int failure = SQLITE_OK;
    {
        const std::lock_guard lock(m_dbMutex);
        if (!m_db)
            return;
        m_forgot = false;
        SqliteStatement::exec(m_db, "BEGIN IMMEDIATE");
        for (Task &task : batch) {
            const int rc = task(m_db);
            if (rc != SQLITE_OK && rc != SQLITE_DONE && failure == SQLITE_OK)
                failure = rc;
        }
        // Text the user forgets leaves the file with the batch. (A text replaced by a newer
        // capture of its page is not forgotten, and merging costs a rewrite of the whole
        // index: its old words go with the index's own merges.)
        if (scrub && m_forgot) {
            const int rc = mergeSegments(m_db);
            if (rc != SQLITE_OK && failure == SQLITE_OK)
                failure = rc;
        }
        const int rc = SqliteStatement::exec(m_db, "COMMIT");
        if (rc != SQLITE_OK) {
            SqliteStatement::exec(m_db, "ROLLBACK");
            if (failure == SQLITE_OK)
                failure = rc;
        }
        // What was removed must not linger in the log either; other writes leave the
        // log to SQLite's own checkpoints, so that capturing never waits for the disk.
        if (scrub)
            SqliteStatement::exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE)");
    }
    if (SqliteStatement::isDamage(failure)) {
        recreate();
    } else if (failure != SQLITE_OK) {
        m_report(
            QObject::tr("The page text index %1 could not be written: %2")
                .arg(QDir::toNativeSeparators(m_path), QString::fromUtf8(sqlite3_errstr(failure))));
    }
}

// FTS5 forgets a row's words only by adding markers that hide them: the words stay in the
// index's segments until a merge meets the oldest segment. Merging all into one drops the
// words and the markers, and the pages they were in are overwritten as they are freed.
int PageTextWorker::mergeSegments(sqlite3 *db)
{
    return SqliteStatement::exec(db, "INSERT INTO pages_fts(pages_fts) VALUES ('optimize')");
}

void PageTextWorker::noteChange(
    void *worker, int operation, const char *, const char *table, qint64)
{
    // A page's row deleted or overwritten: its old words are to be forgotten.
    if (operation != SQLITE_INSERT && std::strcmp(table, "pages") == 0)
        static_cast<PageTextWorker *>(worker)->m_forgot = true;
}

int PageTextWorker::emptyTables(sqlite3 *db)
{
    int rc = SqliteStatement::exec(db, kDropSchema);
    if (rc == SQLITE_OK)
        rc = SqliteStatement::exec(db, kSchema);
    if (rc == SQLITE_OK)
        rc = setRank(db);
    return rc;
}

// Creates the tables, emptying those of an index written in another layout.
int PageTextWorker::upgrade(sqlite3 *db)
{
    SqliteStatement version(db, "PRAGMA user_version");
    if (!version.ok())
        return version.rc();
    if (version.step() != SQLITE_ROW)
        return version.rc();
    const qint64 found = version.integer(0);
    sqlite3_reset(version.get());
    if (found == kSchemaVersion)
        return SqliteStatement::exec(db, kSchema);
    int rc = SqliteStatement::exec(db, kDropSchema);
    if (rc == SQLITE_OK)
        rc = SqliteStatement::exec(db, kSchema);
    if (rc == SQLITE_OK)
        rc = SqliteStatement::exec(
            db,
            QByteArray("PRAGMA user_version = " + QByteArray::number(kSchemaVersion)).constData());
    return rc;
}

int PageTextWorker::setRank(sqlite3 *db)
{
    SqliteStatement current(db, "SELECT v FROM pages_fts_config WHERE k = 'rank'");
    if (!current.ok())
        return current.rc();
    const int rc = current.step();
    if (rc == SQLITE_ROW && current.text(0) == QLatin1StringView(kRank))
        return SQLITE_OK;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return rc;
    sqlite3_reset(current.get());
    SqliteStatement set(db, "INSERT INTO pages_fts(pages_fts, rank) VALUES ('rank', ?1)");
    if (!set.ok())
        return set.rc();
    set.bind(1, QString::fromLatin1(kRank));
    return set.step() == SQLITE_DONE ? SQLITE_OK : set.rc();
}
