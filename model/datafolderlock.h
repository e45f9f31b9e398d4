#pragma once

#include <QString>

/// The one-writer lock of a data folder: a lock on the file "roamlog.lock" inside it. Only
/// the holder changes the folder's records; readers need no lock. The lock belongs to the
/// open file, so a process that ends in any way (a crash too) leaves it free for the next; a
/// holder that lets go removes the file, a crashed one leaves it for the next to take over.
class DataFolderLock final
{
public:
    enum class Result {
        /// This object holds the lock until it is released or destroyed.
        Acquired,
        /// Another holder has it (see `holder`).
        Busy,
        /// The lock file cannot be made or opened: the folder is missing or not writable.
        Failed,
    };

    /// The lock of the folder `dataFolder`; nothing is locked yet.
    explicit DataFolderLock(const QString &dataFolder);
    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    /// Tries once, without waiting. `program` names the holder in the lock file.
    Result acquire(const QString &program);
    /// Gives the lock up; nothing happens when it is not held.
    void release();
    /// Whether this object holds the lock.
    bool isHeld() const { return m_fd >= 0; }

    /// After `Busy`: the holder as its lock file names it ("Roamlog, process 1234"), or an
    /// empty text when the file says nothing readable.
    QString holder() const { return m_holder; }
    /// After `Failed`: the reason.
    QString errorString() const { return m_error; }
    /// The full path of the lock file.
    QString fileName() const { return m_fileName; }

private:
    QString m_fileName;
    QString m_holder;
    QString m_error;
    int m_fd = -1;
};
