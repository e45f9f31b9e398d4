#include "datafolderlock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString lastError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Open-file-description locks conflict between two opens in one process too, and closing
// another descriptor of the file does not drop them; plain record locks are the fallback.
int setLock(int fd, short type)
{
    struct flock lock
    { };
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return 0;
    if (errno != EINVAL)
        return -1;
#endif
    return ::fcntl(fd, F_SETLK, &lock);
}

} // namespace

DataFolderLock::DataFolderLock(const QString &dataFolder)
    : m_fileName(QDir(dataFolder).filePath(u"roamlog.lock"_s))
{ }

DataFolderLock::~DataFolderLock()
{
    release();
}

DataFolderLock::Result DataFolderLock::acquire(const QString &program)
{
    if (isHeld())
        return Result::Acquired;
    m_holder.clear();
    m_error.clear();
    const QByteArray path = QFile::encodeName(m_fileName);
    // A holder removes the file as it lets go: a lock won on a file that is no longer the one
    // at the path holds nothing, and the next file is tried.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd < 0) {
            m_error = lastError();
            return Result::Failed;
        }
        if (setLock(fd, F_WRLCK) != 0) {
            const int reason = errno;
            if (reason == EACCES || reason == EAGAIN) {
                char buffer[256] = {};
                const ssize_t got = ::pread(fd, buffer, sizeof buffer - 1, 0);
                if (got > 0)
                    m_holder = QString::fromUtf8(buffer, got).trimmed();
                ::close(fd);
                return Result::Busy;
            }
            ::close(fd);
            m_error = QString::fromLocal8Bit(std::strerror(reason));
            return Result::Failed;
        }
        struct stat opened
        { };
        struct stat named
        { };
        if (::fstat(fd, &opened) != 0 || ::stat(path.constData(), &named) != 0
            || opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
            ::close(fd);
            continue;
        }
        // Whoever finds the folder taken can then say by whom.
        const QByteArray text = (program + u", process "_s + QString::number(::getpid())).toUtf8()
                                + '\n';
        if (::ftruncate(fd, 0) == 0)
            (void)!::pwrite(fd, text.constData(), size_t(text.size()), 0);
        m_fd = fd;
        return Result::Acquired;
    }
    m_error = u"the lock file keeps changing"_s;
    return Result::Failed;
}

void DataFolderLock::release()
{
    if (m_fd < 0)
        return;
    // Removed while still locked, so that nobody locks the old file after it is gone.
    ::unlink(QFile::encodeName(m_fileName).constData());
    setLock(m_fd, F_UNLCK);
    ::close(m_fd);
    m_fd = -1;
}
