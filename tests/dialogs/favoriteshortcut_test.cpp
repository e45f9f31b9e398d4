#include "dialogtesthelpers.h"

#include "dialogs/favoriteshortcut.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Every file below `root`, relative to it.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

TEST(FavoriteShortcut, WritesTheExactBytesAndNeverReplacesAnotherPagesShortcut)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(u"News"_s);
    QDir().mkpath(folder);
    const QByteArray a = "[InternetShortcut]\r\nURL=https://example.com/dir/?q=1\r\n";
    const QByteArray b = "[InternetShortcut]\r\nURL=http://b.example/\r\n";
    const QByteArray c = "[InternetShortcut]\r\nURL=http://c.example/\r\n";
    QString error;
    const QString path = FavoriteShortcut::write(
        u"https://example.com/dir/?q=1"_s, u"My page"_s, folder, &error);
    EXPECT_EQ(path, folder + u"/My page.url"_s) << error.toStdString();
    EXPECT_EQ(bytesOf(path), a);
    // Only its owner reads which pages the user keeps.
    EXPECT_EQ(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    // Rows: the URL saved under the title, the file it lands in.
    const struct
    {
        const char *url;
        const char16_t *file;
    } rows[] = {
        {"http://b.example/", u"My page (2).url"},
        {"http://c.example/", u"My page (3).url"},
        {"http://b.example/", u"My page (2).url"}, // its own shortcut again
        {"https://example.com/dir/?q=1", u"My page.url"},
    };
    for (const auto &row : rows) {
        const QString written = FavoriteShortcut::write(
            QString::fromLatin1(row.url), u"My page"_s, folder);
        EXPECT_EQ(written, folder + u'/' + QString::fromUtf16(row.file)) << row.url;
    }
    EXPECT_EQ(bytesOf(path), a);
    EXPECT_EQ(bytesOf(folder + u"/My page (2).url"_s), b);
    EXPECT_EQ(bytesOf(folder + u"/My page (3).url"_s), c);
    EXPECT_EQ(filesBelow(tmp.path()),
              (QStringList {
                  u"News/My page (2).url"_s, u"News/My page (3).url"_s, u"News/My page.url"_s}));
}

TEST(FavoriteShortcut, HostileTitlesStayInsideTheFolder)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(u"a/b/Favorites"_s);
    QDir().mkpath(folder);
    const QString url = u"https://news.example.org/story"_s;

    const QString hebrew300 = QString(300, QChar(0x05D0));
    const QString euro = QString(100, QChar(0x20AC));
    QString emoji;
    for (int i = 0; i < 60; ++i)
        emoji += u"\U0001F600"_s;

    const struct
    {
        QString title;
        QString name;
    } cases[] = {
        {u"../../x"_s, u"_.._x"_s},
        {u"a/b"_s, u"a_b"_s},
        {u"A: B"_s, u"A_ B"_s},
        {u"..."_s, u"news.example.org"_s},
        {u""_s, u"news.example.org"_s},
        {u" . "_s, u"news.example.org"_s},
        {u"\\*?\"<>|"_s, u"_______"_s},
        {u"tab\there\nline\x7f"_s, u"tab_here_line_"_s},
        {u".hidden title. . "_s, u"hidden title"_s},
        {hebrew300, QString(100, QChar(0x05D0))},
        {euro, QString(66, QChar(0x20AC))},
        {emoji, emoji.left(100)},
        {QString(199, u'a') + u" b"_s, QString(199, u'a')},
    };
    for (const auto &c : cases) {
        QString error;
        const QString path = FavoriteShortcut::write(url, c.title, folder, &error);
        ASSERT_FALSE(path.isEmpty()) << c.title.toStdString() << ": " << error.toStdString();
        const QFileInfo info(path);
        EXPECT_EQ(info.absolutePath(), QDir(folder).absolutePath()) << c.title.toStdString();
        EXPECT_EQ(info.fileName(), c.name + u".url"_s) << c.title.toStdString();
        EXPECT_LE(info.completeBaseName().toUtf8().size(), 200);
        EXPECT_TRUE(info.isFile());
        QFile::remove(path);
    }
    EXPECT_TRUE(filesBelow(tmp.path()).isEmpty());

    EXPECT_EQ(FavoriteShortcut::safeFileName(u"..."_s, u"/home/u/page.html"_s), u"shortcut"_s);
    EXPECT_EQ(FavoriteShortcut::safeFileName(u""_s, u"example.com/dir"_s), u"example.com"_s);
}

TEST(FavoriteShortcut, FailuresSayWhy)
{
    QTemporaryDir tmp;
    QString error;
    EXPECT_TRUE(FavoriteShortcut::write(u"http://x/"_s, u"t"_s, tmp.filePath(u"missing"_s), &error)
                    .isEmpty());
    EXPECT_TRUE(error.contains(u"missing"_s)) << error.toStdString();

    // Cancelling the folder dialog gives an empty folder: nothing is written anywhere.
    error.clear();
    EXPECT_TRUE(FavoriteShortcut::write(u"http://x/"_s, u"t"_s, QString(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    QFile plain(tmp.filePath(u"plain"_s));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    error.clear();
    EXPECT_TRUE(
        FavoriteShortcut::write(u"http://x/"_s, u"t"_s, plain.fileName(), &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    // A folder nobody may write into, not even root.
    error.clear();
    EXPECT_TRUE(FavoriteShortcut::write(u"http://x/"_s, u"t"_s, u"/proc"_s, &error).isEmpty());
    EXPECT_FALSE(error.isEmpty());

    // A folder of the title's name where the file should go: the folder stays, the shortcut
    // takes the next name.
    QDir(tmp.path()).mkpath(u"fav/t.url"_s);
    EXPECT_EQ(FavoriteShortcut::write(u"http://x/"_s, u"t"_s, tmp.filePath(u"fav"_s)),
              tmp.filePath(u"fav/t (2).url"_s));
    EXPECT_TRUE(QFileInfo(tmp.filePath(u"fav/t.url"_s)).isDir());
    EXPECT_EQ(filesBelow(tmp.path()), (QStringList {u"fav/t (2).url"_s, u"plain"_s}));
}
