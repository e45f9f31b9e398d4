#include "favoriteshortcut.h"

#include "model/safewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

bool forbidden(char32_t c)
{
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return true;
    switch (c) {
    case U'\\':
    case U'/':
    case U':':
    case U'*':
    case U'?':
    case U'"':
    case U'<':
    case U'>':
    case U'|':
        return true;
    default:
        return false;
    }
}

void trimEnds(QString &name)
{
    qsizetype start = 0;
    while (start < name.size() && name.at(start) == u'.')
        ++start;
    qsizetype end = name.size();
    while (end > start && (name.at(end - 1) == u'.' || name.at(end - 1).isSpace()))
        --end;
    name = name.mid(start, end - start);
}

QString sanitize(const QString &text)
{
    QString name;
    name.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (forbidden(c))
            name += u'_';
        else
            name += QString::fromUcs4(&c, 1);
    }
    trimEnds(name);

    QString cut;
    int bytes = 0;
    for (const char32_t c : name.toUcs4()) {
        const QString character = QString::fromUcs4(&c, 1);
        const int size = int(character.toUtf8().size());
        if (bytes + size > FavoriteShortcut::MaxNameBytes)
            break;
        bytes += size;
        cut += character;
    }
    trimEnds(cut);
    return cut;
}

QString hostOf(const QString &url)
{
    QUrl parsed(url);
    if (parsed.host().isEmpty())
        parsed = QUrl::fromUserInput(url);
    return parsed.host();
}

} // namespace

QString FavoriteShortcut::shortcutUrl(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // A shortcut is a small text; anything larger is not one of ours.
    const QByteArray bytes = file.read(64 * 1024);
    for (QByteArray line : bytes.split('\n')) {
        line = line.trimmed();
        if (line.startsWith("URL="))
            return QString::fromUtf8(line.mid(4));
    }
    return {};
}

QString FavoriteShortcut::freePath(const QDir &dir, const QString &name, const QString &url)
{
    // Another page's shortcut is never replaced: the name gets " (2)", " (3)"... and the same
    // page again finds its own shortcut among them.
    for (int n = 1;; ++n) {
        const QString path = dir.filePath(
            (n == 1 ? name : name + u" ("_s + QString::number(n) + u')') + u".url"_s);
        if (!QFileInfo::exists(path) || shortcutUrl(path) == url)
            return path;
    }
}

QString FavoriteShortcut::safeFileName(const QString &title, const QString &url)
{
    QString name = sanitize(title);
    if (name.isEmpty())
        name = sanitize(hostOf(url));
    if (name.isEmpty())
        name = u"shortcut"_s;
    return name;
}

QByteArray FavoriteShortcut::contents(const QString &url)
{
    return "[InternetShortcut]\r\nURL=" + url.toUtf8() + "\r\n";
}

QString FavoriteShortcut::write(const QString &url,
                                const QString &title,
                                const QString &folder,
                                QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QString();
    };
    const QFileInfo folderInfo(folder);
    if (folder.isEmpty() || !folderInfo.isDir())
        return fail(u"The folder %1 does not exist."_s.arg(QDir::toNativeSeparators(folder)));

    const QDir dir(folderInfo.absoluteFilePath());
    const QString path = freePath(dir, safeFileName(title, url), url);
    if (QFileInfo(path).absolutePath() != dir.absolutePath())
        return fail(u"The title gives no file name inside %1."_s.arg(
            QDir::toNativeSeparators(dir.absolutePath())));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    keepPrivate(file);
    const QByteArray bytes = contents(url);
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return QDir::toNativeSeparators(path);
}
