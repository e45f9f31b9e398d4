#pragma once

#include <QByteArray>
#include <QString>

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
