#pragma once

#include <QString>

#include <sqlite3.h>

/// A prepared SQLite statement that finalizes itself, with the few calls the page text index
/// makes of SQLite.
class SqliteStatement final
{
public:
    /// Prepares @p sql on @p db; `ok` tells whether that worked, `rc` why not.
    SqliteStatement(sqlite3 *db, const char *sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool ok() const { return m_prepared == SQLITE_OK; }
    /// The result of the preparation, then of the last `step`.
    int rc() const { return m_rc; }
    sqlite3_stmt *get() const { return m_stmt; }

    void bind(int index, const QString &text);
    void bind(int index, qint64 value);

    int step();
    QString text(int column) const;
    qint64 integer(int column) const;

    /// Runs the statements of @p sql, discarding any rows.
    static int exec(sqlite3 *db, const char *sql);
    /// Whether @p rc says the file is not, or no longer, a readable database.
    static bool isDamage(int rc);

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_prepared = SQLITE_OK;
    int m_rc = SQLITE_OK;
};
