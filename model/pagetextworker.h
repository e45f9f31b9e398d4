#pragma once

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3;

/// The one connection to a page text index file (see PageTextIndex). Writes are tasks run in
/// order on a thread of their own, a batch of them in one transaction, so that the caller never
/// waits for the disk; searches borrow the connection under the same lock. A file that proves
/// damaged is replaced by an empty index; a failed write is reported, not retried.
class PageTextWorker final
{
public:
    /// A write: runs inside a transaction and returns an SQLite result code.
    using Task = std::function<int(sqlite3 *db)>;
    /// Told what went wrong with the file while in use; called on the worker thread.
    using ProblemReport = std::function<void(const QString &message)>;

    /// Opens the index at @p path, making or repairing it unless @p readOnly, and starts the
    /// thread. A read-only worker ignores every write.
    PageTextWorker(const QString &path, bool readOnly, ProblemReport report);
    /// Finishes every queued write first.
    ~PageTextWorker();
    PageTextWorker(const PageTextWorker &) = delete;
    PageTextWorker &operator=(const PageTextWorker &) = delete;

    /// Queues @p task. @p scrub: the task forgets text, which must then leave the index and
    /// its log with the task's batch.
    void post(Task task, bool scrub = false);
    /// Waits until every task posted before the call has run.
    void flush();

    /// Runs @p use with the connection while no write runs; nullptr when there is none.
    template<typename Use>
    auto withDatabase(Use use)
    {
        const std::lock_guard lock(m_dbMutex);
        return use(m_db);
    }

    /// What went wrong with the file when it was opened or replaced; empty when nothing did.
    QString problem() const;
    /// After a damaged file was found in a search: replaces it before the next write.
    void replaceDamaged();

    /// Drops the index's tables and lays them out anew, empty.
    static int emptyTables(sqlite3 *db);

private:
    void openToRead();
    void open();
    int openFile();
    void recreate();
    void recreateLocked();
    void run();
    void runBatch(std::deque<Task> &batch, bool scrub);

    static int mergeSegments(sqlite3 *db);

    static void noteChange(
        void *worker, int operation, const char *database, const char *table, qint64 row);
    static int upgrade(sqlite3 *db);
    static int setRank(sqlite3 *db);

    QString m_path;
    ProblemReport m_report;
    const bool m_readOnly;
    mutable std::mutex m_dbMutex;
    sqlite3 *m_db = nullptr;
    QString m_problem;
    // Set while a batch runs when it deleted or replaced a page's text.
    bool m_forgot = false;

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
