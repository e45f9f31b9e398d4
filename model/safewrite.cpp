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
    // A large batch in one folder is made durable with one flush of its file system: a wait
    // for each file would cost a journal commit and a flush of the disk's cache each, hundreds
    // of them. The folder is opened first, so that the flush reports every write error of
    // the file system from then on, ours among them. (A small batch waits for its own files
    // only, not for whatever else is being written there, the browser's files among them.)
    constexpr size_t wholeFileSystemFrom = 16;
    int folderFd = -1;
    if (files.size() >= wholeFileSystemFrom) {
        const QString folder = QFileInfo(files.front().fileName).absolutePath();
        const bool oneFolder = std::all_of(files.begin(), files.end(), [&folder](const auto &f) {
            return QFileInfo(f.fileName).absolutePath() == folder;
        });
        if (oneFolder)
            folderFd = ::open(QFile::encodeName(folder).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }

    struct Pending
    {
        SafeWrite *file;
        QByteArray temporary;
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
    // Then each is made durable: with one flush for a large batch, else one by one.
    if (folderFd >= 0) {
        // Which file a failed flush concerns is not told: none of them replaces its old file.
        const int failure = ::syncfs(folderFd) == 0 ? 0 : errno;
        ::close(folderFd);
        for (Pending &next : pending) {
            if (failure != 0)
                fail(next, failure);
        }
    }
    for (Pending &next : pending) {
        if (folderFd >= 0 || !next.file)
            continue;
        const int fd = ::open(next.temporary.constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            fail(next, errno);
            continue;
        }
        int failure = ::fdatasync(fd) == 0 ? 0 : errno;
        if (::close(fd) != 0 && failure == 0)
            failure = errno;
        if (failure != 0)
            fail(next, failure);
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
