#include "pagetextindex.h"

#include "pagetextwords.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>

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
// The most matches a search ranks: the newest ones when there are more.
constexpr int kRankedMatches = 2000;

bool isDamage(int rc)
{
    const int primary = rc & 0xff;
    return primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB;
}

// A prepared statement that finalizes itself.
class Statement final
{
public:
    Statement(sqlite3 *db, const char *sql)
    {
        m_prepared = sqlite3_prepare_v2(db, sql, -1, &m_stmt, nullptr);
        m_rc = m_prepared;
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    bool ok() const { return m_prepared == SQLITE_OK; }
    int rc() const { return m_rc; }
    sqlite3_stmt *get() const { return m_stmt; }

    void bind(int index, const QString &text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, qint64 value) { sqlite3_bind_int64(m_stmt, index, value); }

    int step()
    {
        m_rc = sqlite3_step(m_stmt);
        return m_rc;
    }
    QString text(int column) const
    {
        const auto *data = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, column));
        return QString::fromUtf8(data, sqlite3_column_bytes(m_stmt, column));
    }
    qint64 integer(int column) const { return sqlite3_column_int64(m_stmt, column); }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_prepared = SQLITE_OK;
    int m_rc = SQLITE_OK;
};

int exec(sqlite3 *db, const char *sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

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

// Creates the tables, emptying those of an index written in another layout.
int upgrade(sqlite3 *db)
{
    Statement version(db, "PRAGMA user_version");
    if (!version.ok())
        return version.rc();
    if (version.step() != SQLITE_ROW)
        return version.rc();
    const qint64 found = version.integer(0);
    sqlite3_reset(version.get());
    if (found == kSchemaVersion)
        return exec(db, kSchema);
    int rc = exec(db, kDropSchema);
    if (rc == SQLITE_OK)
        rc = exec(db, kSchema);
    if (rc == SQLITE_OK)
        rc = exec(
            db,
            QByteArray("PRAGMA user_version = " + QByteArray::number(kSchemaVersion)).constData());
    return rc;
}

int setRank(sqlite3 *db)
{
    Statement current(db, "SELECT v FROM pages_fts_config WHERE k = 'rank'");
    if (!current.ok())
        return current.rc();
    const int rc = current.step();
    if (rc == SQLITE_ROW && current.text(0) == QLatin1StringView(kRank))
        return SQLITE_OK;
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return rc;
    sqlite3_reset(current.get());
    Statement set(db, "INSERT INTO pages_fts(pages_fts, rank) VALUES ('rank', ?1)");
    if (!set.ok())
        return set.rc();
    set.bind(1, QString::fromLatin1(kRank));
    return set.step() == SQLITE_DONE ? SQLITE_OK : set.rc();
}

} // namespace

// Owns the one connection to the index file. Writes are tasks run on a thread of their own,
// a batch of them in one transaction; searches borrow the connection under the same lock.
class PageTextIndex::Worker final
{
public:
    using Task = std::function<int(sqlite3 *db)>;

    Worker(const QString &path, bool readOnly, PageTextIndex &owner)
        : m_path(path)
        , m_owner(owner)
        , m_readOnly(readOnly)
    {
        if (m_readOnly)
            openToRead();
        else
            open();
        m_thread = std::thread([this] { run(); });
    }

    ~Worker()
    {
        {
            const std::lock_guard lock(m_queueMutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
        sqlite3_close(m_db);
    }

    // @p scrub: the task forgets text, which must then leave the log at once too.
    void post(Task task, bool scrub = false)
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

    void flush()
    {
        std::unique_lock lock(m_queueMutex);
        const quint64 target = m_posted;
        m_done.wait(lock, [this, target] { return m_finished >= target; });
    }

    // Runs @p use with the connection while no write runs; nullptr when there is none.
    template<typename Use>
    auto withDatabase(Use use)
    {
        const std::lock_guard lock(m_dbMutex);
        return use(m_db);
    }

    QString problem() const
    {
        const std::lock_guard lock(m_dbMutex);
        return m_problem;
    }

    // After a damaged file was found in a search: replace it before the next write.
    void replaceDamaged()
    {
        post([](sqlite3 *) { return SQLITE_CORRUPT; });
    }

private:
    // Opens the file, making it when missing; a file that is not an index is replaced.
    // Opens the file only to search it: nothing is created, changed or repaired.
    void openToRead()
    {
        const std::lock_guard lock(m_dbMutex);
        sqlite3 *db = nullptr;
        int rc = sqlite3_open_v2(m_path.toUtf8().constData(),
                                 &db,
                                 SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            rc = exec(db, "SELECT max(id) FROM pages; SELECT count(*) FROM pages_fts_data");
        }
        if (rc == SQLITE_OK) {
            m_db = db;
            return;
        }
        sqlite3_close(db);
        m_problem = QObject::tr("The page text index %1 cannot be read: %2")
                        .arg(QDir::toNativeSeparators(m_path),
                             QString::fromUtf8(sqlite3_errstr(rc)));
    }

    void open()
    {
        const std::lock_guard lock(m_dbMutex);
        const int rc = openFile();
        if (rc == SQLITE_OK)
            return;
        if (isDamage(rc)) {
            recreateLocked();
            return;
        }
        m_problem = QObject::tr("The page text index %1 cannot be opened: %2")
                        .arg(QDir::toNativeSeparators(m_path),
                             QString::fromUtf8(sqlite3_errstr(rc)));
    }

    int openFile()
    {
        makePrivate(m_path);
        sqlite3 *db = nullptr;
        int rc = sqlite3_open_v2(m_path.toUtf8().constData(),
                                 &db,
                                 SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                                 nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(db, kBusyTimeoutMs);
            rc = exec(db,
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
            rc = exec(db,
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

    void recreate()
    {
        const std::lock_guard lock(m_dbMutex);
        recreateLocked();
        emit m_owner.problemFound(m_problem);
    }

    void recreateLocked()
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

    void run()
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

    void runBatch(std::deque<Task> &batch, bool scrub)
    {
        int failure = SQLITE_OK;
        {
            const std::lock_guard lock(m_dbMutex);
            if (!m_db)
                return;
            exec(m_db, "BEGIN IMMEDIATE");
            for (Task &task : batch) {
                const int rc = task(m_db);
                if (rc != SQLITE_OK && rc != SQLITE_DONE && failure == SQLITE_OK)
                    failure = rc;
            }
            const int rc = exec(m_db, "COMMIT");
            if (rc != SQLITE_OK) {
                exec(m_db, "ROLLBACK");
                if (failure == SQLITE_OK)
                    failure = rc;
            }
            // What was removed must not linger in the log either; other writes leave the
            // log to SQLite's own checkpoints, so that capturing never waits for the disk.
            if (scrub)
                exec(m_db, "PRAGMA wal_checkpoint(TRUNCATE)");
        }
        if (isDamage(failure)) {
            recreate();
        } else if (failure != SQLITE_OK) {
            emit m_owner.problemFound(QObject::tr("The page text index %1 could not be written: %2")
                                          .arg(QDir::toNativeSeparators(m_path),
                                               QString::fromUtf8(sqlite3_errstr(failure))));
        }
    }

    QString m_path;
    PageTextIndex &m_owner;
    const bool m_readOnly;
    mutable std::mutex m_dbMutex;
    sqlite3 *m_db = nullptr;
    QString m_problem;

    std::mutex m_queueMutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<Task> m_tasks;
    bool m_scrub = false;
    quint64 m_posted = 0;
    quint64 m_finished = 0;
    bool m_stop = false;
    std::thread m_thread;
};

PageTextIndex::PageTextIndex(const QString &dataFolder, QObject *parent)
    : PageTextIndex(dataFolder, Access::ReadWrite, parent)
{ }

PageTextIndex::PageTextIndex(const QString &dataFolder, Access access, QObject *parent)
    : QObject(parent)
    , m_path(fileName(dataFolder))
    , m_worker(std::make_unique<Worker>(m_path, access == Access::ReadOnly, *this))
{ }

PageTextIndex::~PageTextIndex() = default;

QString PageTextIndex::fileName(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(u"PageText.db"_s);
}

bool PageTextIndex::isOpen() const
{
    return m_worker->withDatabase([](sqlite3 *db) { return db != nullptr; });
}

QString PageTextIndex::problem() const
{
    return m_worker->problem();
}

void PageTextIndex::store(const QString &key,
                          const QString &title,
                          const QString &text,
                          const QDateTime &captured)
{
    if (key.isEmpty())
        return;
    QString body = text.left(MaxTextLength);
    if (!body.isEmpty() && body.back().isHighSurrogate())
        body.chop(1);
    body = PageTextWords::withoutHebrewPoints(body).simplified();
    const QString name = PageTextWords::withoutHebrewPoints(title).simplified();
    const qint64 time = captured.toMSecsSinceEpoch();
    m_worker->post([key, name, body, time](sqlite3 *db) {
        const QString stems = PageTextWords::hebrewStems(name + u' ' + body);
        // A page captured again unchanged leaves the index as it is.
        Statement upsert(db,
                         "INSERT INTO pages(key, title, body, stems, captured) "
                         "VALUES (?1, ?2, ?3, ?4, ?5) "
                         "ON CONFLICT(key) DO UPDATE SET title = excluded.title, "
                         "body = excluded.body, stems = excluded.stems, "
                         "captured = excluded.captured "
                         "WHERE title IS NOT excluded.title OR body IS NOT excluded.body");
        if (!upsert.ok())
            return upsert.rc();
        upsert.bind(1, key);
        upsert.bind(2, name);
        upsert.bind(3, body);
        upsert.bind(4, stems);
        upsert.bind(5, time);
        return upsert.step();
    });
}

void PageTextIndex::remove(const QStringList &keys)
{
    if (keys.isEmpty())
        return;
    m_worker->post(
        [keys](sqlite3 *db) {
            Statement erase(db, "DELETE FROM pages WHERE key = ?1");
            if (!erase.ok())
                return erase.rc();
            for (const QString &key : keys) {
                erase.bind(1, key);
                if (erase.step() != SQLITE_DONE)
                    return erase.rc();
                sqlite3_reset(erase.get());
            }
            return SQLITE_OK;
        },
        true);
}

void PageTextIndex::removeWhere(std::function<bool(const QString &key)> matches)
{
    m_worker->post(
        [matches = std::move(matches)](sqlite3 *db) {
            QList<qint64> ids;
            {
                Statement all(db, "SELECT id, key FROM pages");
                if (!all.ok())
                    return all.rc();
                while (all.step() == SQLITE_ROW) {
                    if (matches(all.text(1)))
                        ids.append(all.integer(0));
                }
                if (all.rc() != SQLITE_DONE)
                    return all.rc();
            }
            Statement erase(db, "DELETE FROM pages WHERE id = ?1");
            if (!erase.ok())
                return erase.rc();
            for (const qint64 id : std::as_const(ids)) {
                erase.bind(1, id);
                if (erase.step() != SQLITE_DONE)
                    return erase.rc();
                sqlite3_reset(erase.get());
            }
            return SQLITE_OK;
        },
        true);
}

void PageTextIndex::clear()
{
    m_worker->post(
        [](sqlite3 *db) {
            // Dropping the tables frees their pages at once (overwritten, as secure_delete is
            // on), where deleting row by row would walk the whole index.
            int rc = exec(db, kDropSchema);
            if (rc == SQLITE_OK)
                rc = exec(db, kSchema);
            if (rc == SQLITE_OK)
                rc = setRank(db);
            return rc;
        },
        true);
}

void PageTextIndex::flush()
{
    m_worker->flush();
}

QList<PageTextIndex::Hit> PageTextIndex::search(const QString &words,
                                                int limit,
                                                const Marks &marks) const
{
    const QString expression = PageTextWords::matchExpression(words);
    if (expression.isEmpty() || limit <= 0)
        return {};
    const QStringList terms = PageTextWords::searchTerms(words);
    bool damaged = false;
    QList<Hit> hits = m_worker->withDatabase([&](sqlite3 *db) {
        QList<Hit> found;
        if (!db)
            return found;
        // Ranking first, then the rows shown only. Ranking looks at every match, so for words
        // found in very many pages it looks at the newest of them only.
        qint64 newest = 0;
        {
            Statement recent(db,
                             "SELECT rowid FROM pages_fts WHERE pages_fts MATCH ?1 "
                             "ORDER BY rowid DESC LIMIT 1 OFFSET ?2");
            recent.bind(1, expression);
            recent.bind(2, qint64(kRankedMatches - 1));
            if (recent.ok() && recent.step() == SQLITE_ROW)
                newest = recent.integer(0);
            damaged = isDamage(recent.rc());
        }
        QList<qint64> ids;
        {
            Statement best(db,
                           "SELECT rowid FROM pages_fts WHERE pages_fts MATCH ?1 "
                           "AND rowid >= ?3 ORDER BY rank LIMIT ?2");
            best.bind(1, expression);
            best.bind(2, qint64(limit));
            best.bind(3, newest);
            while (best.ok() && best.step() == SQLITE_ROW)
                ids.append(best.integer(0));
            damaged = damaged || isDamage(best.rc());
        }
        Statement row(db, "SELECT key, title, captured, body FROM pages WHERE id = ?1");
        for (const qint64 id : std::as_const(ids)) {
            row.bind(1, id);
            if (row.ok() && row.step() == SQLITE_ROW) {
                found.append(Hit {row.text(0),
                                  row.text(1),
                                  PageTextWords::snippet(row.text(3), terms, marks),
                                  QDateTime::fromMSecsSinceEpoch(row.integer(2))});
            }
            damaged = damaged || isDamage(row.rc());
            sqlite3_reset(row.get());
        }
        return found;
    });
    if (damaged)
        m_worker->replaceDamaged();
    return hits;
}

qsizetype PageTextIndex::count() const
{
    return m_worker->withDatabase([](sqlite3 *db) -> qsizetype {
        if (!db)
            return 0;
        Statement all(db, "SELECT count(*) FROM pages");
        return all.ok() && all.step() == SQLITE_ROW ? all.integer(0) : 0;
    });
}

QStringList PageTextIndex::keys() const
{
    return m_worker->withDatabase([](sqlite3 *db) {
        QStringList result;
        if (!db)
            return result;
        Statement all(db, "SELECT key FROM pages ORDER BY key");
        while (all.ok() && all.step() == SQLITE_ROW)
            result.append(all.text(0));
        return result;
    });
}
