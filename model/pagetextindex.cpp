#include "pagetextindex.h"

#include "pagetextwords.h"
#include "pagetextworker.h"
#include "sqlitestatement.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The most matches a search ranks: the newest ones when there are more.
constexpr int kRankedMatches = 2000;

} // namespace

PageTextIndex::PageTextIndex(const QString &dataFolder, QObject *parent)
    : PageTextIndex(dataFolder, Access::ReadWrite, parent)
{ }

PageTextIndex::PageTextIndex(const QString &dataFolder, Access access, QObject *parent)
    : QObject(parent)
    , m_path(fileName(dataFolder))
    , m_worker(std::make_unique<PageTextWorker>(
          m_path, access == Access::ReadOnly, [this](const QString &message) {
              emit problemFound(message);
          }))
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
        SqliteStatement upsert(db,
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
            SqliteStatement erase(db, "DELETE FROM pages WHERE key = ?1");
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
                SqliteStatement all(db, "SELECT id, key FROM pages");
                if (!all.ok())
                    return all.rc();
                while (all.step() == SQLITE_ROW) {
                    if (matches(all.text(1)))
                        ids.append(all.integer(0));
                }
                if (all.rc() != SQLITE_DONE)
                    return all.rc();
            }
            SqliteStatement erase(db, "DELETE FROM pages WHERE id = ?1");
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
            return PageTextWorker::emptyTables(db);
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
            SqliteStatement recent(db,
                                   "SELECT rowid FROM pages_fts WHERE pages_fts MATCH ?1 "
                                   "ORDER BY rowid DESC LIMIT 1 OFFSET ?2");
            recent.bind(1, expression);
            recent.bind(2, qint64(kRankedMatches - 1));
            if (recent.ok() && recent.step() == SQLITE_ROW)
                newest = recent.integer(0);
            damaged = SqliteStatement::isDamage(recent.rc());
        }
        QList<qint64> ids;
        {
            SqliteStatement best(db,
                                 "SELECT rowid FROM pages_fts WHERE pages_fts MATCH ?1 "
                                 "AND rowid >= ?3 ORDER BY rank LIMIT ?2");
            best.bind(1, expression);
            best.bind(2, qint64(limit));
            best.bind(3, newest);
            while (best.ok() && best.step() == SQLITE_ROW)
                ids.append(best.integer(0));
            damaged = damaged || SqliteStatement::isDamage(best.rc());
        }
        SqliteStatement row(db, "SELECT key, title, captured, body FROM pages WHERE id = ?1");
        for (const qint64 id : std::as_const(ids)) {
            row.bind(1, id);
            if (row.ok() && row.step() == SQLITE_ROW) {
                found.append(Hit {row.text(0),
                                  row.text(1),
                                  PageTextWords::snippet(row.text(3), terms, marks),
                                  QDateTime::fromMSecsSinceEpoch(row.integer(2))});
            }
            damaged = damaged || SqliteStatement::isDamage(row.rc());
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
        SqliteStatement all(db, "SELECT count(*) FROM pages");
        return all.ok() && all.step() == SQLITE_ROW ? all.integer(0) : 0;
    });
}

QStringList PageTextIndex::keys() const
{
    return m_worker->withDatabase([](sqlite3 *db) {
        QStringList result;
        if (!db)
            return result;
        SqliteStatement all(db, "SELECT key FROM pages ORDER BY key");
        while (all.ok() && all.step() == SQLITE_ROW)
            result.append(all.text(0));
        return result;
    });
}
