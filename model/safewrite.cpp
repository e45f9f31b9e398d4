#include "safewrite.h"

#include <QSaveFile>

bool writeFileSafely(const QString &fileName, const QByteArray &bytes)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A failed flush is not remembered by QSaveFile::commit(), which would then put the
    // truncated file in place: check it here.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        file.commit();
        return false;
    }
    return file.commit();
}
