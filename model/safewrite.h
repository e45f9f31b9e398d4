#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

class QFileDevice;

/// Replaces the file `fileName` with `bytes` as a whole: writes a temporary file in the same
/// folder, flushes it and only then puts it in the old one's place. The new file is readable
/// and writable by its owner only. Returns false, leaving any old file untouched, when any
/// step fails (a full disk, a read-only folder); `error`, when given, then gets the reason.
bool writeFileSafely(const QString &fileName, const QByteArray &bytes, QString *error = nullptr);

/// Makes an open file (a QSaveFile's temporary one too) readable and writable by its owner only.
bool keepPrivate(QFileDevice &file);

/// Creates the folder `path` with its missing parents; the folders made here are open to their
/// owner only (0700). Returns whether `path` is a folder afterwards; `error`, when given, gets
/// the reason when not.
bool makePrivateFolder(const QString &path, QString *error = nullptr);

/// One file for `writeFilesSafely`: its name, its new bytes, and after the call whether it
/// was written and, when not, why.
struct SafeWrite
{
    QString fileName;
    QByteArray bytes;
    bool written = false;
    QString error;
};

/// Replaces many files like `writeFileSafely` each, but waits for the disk about once: every
/// temporary file is written and sent to disk first, then each is waited for (those of a large
/// batch side by side, so that the file system commits them together), and only then is each
/// put in its old one's place. A file whose step fails keeps its old file untouched and tells
/// why; the others are written all the same.
void writeFilesSafely(std::vector<SafeWrite> &files);
