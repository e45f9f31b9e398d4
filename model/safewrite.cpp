#include "safewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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
