#include "safewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

bool keepPrivate(QFileDevice &file)
{
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool writeFileSafely(const QString &fileName, const QByteArray &bytes, QString *error)
{
    QSaveFile file(fileName);
    const auto fail = [&file, error] {
        if (error)
            *error = file.errorString();
        return false;
    };
    if (!file.open(QIODevice::WriteOnly))
        return fail();
    // The temporary file takes an old file's permissions, which may be wider.
    keepPrivate(file);
    errno = 0;
    // A failed flush is not remembered by QSaveFile::commit(), which would then put the
    // truncated file in place: check it here.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // QSaveFile keeps no reason for a failed flush; errno still has it.
        const int reason = errno;
        if (error)
            *error = reason != 0 ? QString::fromLocal8Bit(std::strerror(reason))
                                 : file.errorString();
        file.cancelWriting();
        file.commit();
        return false;
    }
    if (!file.commit())
        return fail();
    return true;
}

bool makePrivateFolder(const QString &path, QString *error)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    // The missing folders, innermost last: each is made on its own so that it gets 0700 at
    // once and never stands open to others, whatever the umask.
    QStringList missing;
    for (QString at = clean; !at.isEmpty() && !QFileInfo::exists(at);) {
        missing.prepend(at);
        const QString parent = QFileInfo(at).path();
        if (parent == at)
            break;
        at = parent;
    }
    for (const QString &folder : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(folder).constData(), S_IRWXU) != 0 && errno != EEXIST) {
            if (error)
                *error = QString::fromLocal8Bit(std::strerror(errno));
            return false;
        }
    }
    if (!QFileInfo(clean).isDir()) {
        if (error)
            *error = u"not a folder"_s;
        return false;
    }
    return true;
}

namespace {

QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Writes all of `bytes` to `fd`; 0 or the errno of the failure.
int writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t wrote = ::write(fd, at, size_t(left));
        if (wrote < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        at += wrote;
        left -= wrote;
    }
    return 0;
}

} // namespace

void writeFilesSafely(std::vector<SafeWrite> &files)
{
    struct Pending
    {
        SafeWrite *file;
        QByteArray temporary;
        int syncError = 0;
    };
    std::vector<Pending> pending;
    pending.reserve(files.size());
    const auto fail = [](Pending &next, int reason) {
        next.file->error = reasonOf(reason);
        ::unlink(next.temporary.constData());
        next.file = nullptr;
    };

    // Every temporary is written before any is waited for.
    for (SafeWrite &file : files) {
        file.written = false;
        file.error.clear();
        Pending next {&file, QFile::encodeName(file.fileName) + ".XXXXXX"};
        // mkostemp makes the file open to its owner only.
        const int fd = ::mkostemp(next.temporary.data(), O_CLOEXEC);
        if (fd < 0) {
            file.error = reasonOf(errno);
            continue;
        }
        int failure = writeAll(fd, file.bytes);
        // The disk starts on it now, while the next ones are written.
        if (failure == 0)
            ::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
        if (::close(fd) != 0 && failure == 0)
            failure = errno;
        if (failure != 0) {
            fail(next, failure);
            continue;
        }
        pending.push_back(std::move(next));
    }

    // Then each is made durable. The waits of a large batch run side by side: the file system
    // commits its journal once for all the waits it has at hand, where waiting for each in
    // turn would cost a journal commit and a flush of the disk's cache each, hundreds of them.
    // Only our files are waited for, never what others (the browser) are writing there.
    const auto makeDurable = [](Pending &next) {
        const int fd = ::open(next.temporary.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            next.syncError = errno;
            return;
        }
        if (::fdatasync(fd) != 0)
            next.syncError = errno;
        if (::close(fd) != 0 && next.syncError == 0)
            next.syncError = errno;
    };
    constexpr size_t filesPerWaiter = 8;
    constexpr size_t mostWaiters = 16;
    const size_t waiters = std::min(mostWaiters, pending.size() / filesPerWaiter);
    if (waiters <= 1) {
        for (Pending &next : pending)
            makeDurable(next);
    } else {
        std::vector<std::thread> running;
        running.reserve(waiters);
        for (size_t first = 0; first < waiters; ++first) {
            running.emplace_back([&pending, &makeDurable, first, waiters] {
                for (size_t at = first; at < pending.size(); at += waiters)
                    makeDurable(pending[at]);
            });
        }
        for (std::thread &waiter : running)
            waiter.join();
    }
    for (Pending &next : pending) {
        if (next.syncError != 0)
            fail(next, next.syncError);
    }
    // Only now does any old file give way, each only to a complete new one.
    std::vector<QByteArray> folders;
    for (Pending &next : pending) {
        if (!next.file)
            continue;
        const QByteArray target = QFile::encodeName(next.file->fileName);
        if (::rename(next.temporary.constData(), target.constData()) != 0) {
            fail(next, errno);
            continue;
        }
        next.file->written = true;
        const QByteArray folder = QFile::encodeName(QFileInfo(next.file->fileName).absolutePath());
        if (std::find(folders.begin(), folders.end(), folder) == folders.end())
            folders.push_back(folder);
    }
    // The new names are made durable too, once a folder.
    for (const QByteArray &folder : folders) {
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            ::fsync(fd);
            ::close(fd);
        }
    }
}
