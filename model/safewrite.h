#pragma once

#include <QByteArray>
#include <QString>

/// Replaces the file `fileName` with `bytes` as a whole: writes a temporary file in the same
/// folder, flushes it and only then puts it in the old one's place. Returns false, leaving
/// any old file untouched, when any step fails (a full disk, a read-only folder).
bool writeFileSafely(const QString &fileName, const QByteArray &bytes);
