#include "dialogtesthelpers.h"

#include "dialogs/favoriteshortcut.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

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

TEST(FavoriteShortcut, WritesTheExactBytesAndNeverReplacesAnotherPagesShortcut)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(u"News"_s);
    QDir().mkpath(folder);
    // Rows: the URL saved under one title, the file it lands in.
    const std::pair<const char *, QString> rows[] = {
        {"https://example.com/dir/?q=1", u"My page.url"_s},
        {"http://b.example/", u"My page (2).url"_s},
        {"http://c.example/", u"My page (3).url"_s},
        {"http://b.example/", u"My page (2).url"_s}, // its own shortcut again
        {"https://example.com/dir/?q=1", u"My page.url"_s},
    };
    for (const auto &[url, name] : rows) {
        QString error;
        const QString path = FavoriteShortcut::write(
            QString::fromLatin1(url), u"My page"_s, folder, &error);
        ASSERT_EQ(path, folder + u'/' + name) << url << error.toStdString();
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), "[InternetShortcut]\r\nURL=" + QByteArray(url) + "\r\n");
        // Only its owner reads which pages the user keeps.
        EXPECT_EQ(file.permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
                  QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }
    EXPECT_EQ(filesBelow(tmp.path()).size(), 3);
}

TEST(FavoriteShortcut, HostileTitlesStayInsideTheFolder)
{
    QTemporaryDir tmp;
    const QString folder = tmp.filePath(u"a/b/Favorites"_s);
    QDir().mkpath(folder);
    const QString url = u"https://news.example.org/story"_s;
    QString emoji;
    for (int i = 0; i < 60; ++i)
        emoji += u"\U0001F600"_s;

    const std::pair<QString, QString> cases[] = {
        {u"../../x"_s, u"_.._x"_s},
        {u"a/b"_s, u"a_b"_s},
        {u"A: B"_s, u"A_ B"_s},
        {u"..."_s, u"news.example.org"_s},
        {u""_s, u"news.example.org"_s},
        {u" . "_s, u"news.example.org"_s},
        {u"\\*?\"<>|"_s, u"_______"_s},
        {u"tab\there\nline\x7f"_s, u"tab_here_line_"_s},
        {u".hidden title. . "_s, u"hidden title"_s},
        {QString(300, QChar(0x05D0)), QString(100, QChar(0x05D0))},
        {QString(100, QChar(0x20AC)), QString(66, QChar(0x20AC))},
        {emoji, emoji.left(100)},
        {QString(199, u'a') + u" b"_s, QString(199, u'a')},
    };
    for (const auto &[title, name] : cases) {
        SCOPED_TRACE(title.toStdString());
        QString error;
        const QString path = FavoriteShortcut::write(url, title, folder, &error);
        ASSERT_FALSE(path.isEmpty()) << error.toStdString();
        const QFileInfo info(path);
        EXPECT_EQ(info.absolutePath(), QDir(folder).absolutePath());
        EXPECT_EQ(info.fileName(), name + u".url"_s);
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
    QFile plain(tmp.filePath(u"plain"_s));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    // A missing folder, a cancelled folder dialog, a plain file, a folder nobody may write
    // into, not even root: nothing is written anywhere.
    for (const QString &folder :
         {tmp.filePath(u"missing"_s), QString(), plain.fileName(), u"/proc"_s}) {
        QString error;
        EXPECT_TRUE(FavoriteShortcut::write(u"http://x/"_s, u"t"_s, folder, &error).isEmpty());
        EXPECT_FALSE(error.isEmpty()) << folder.toStdString();
        EXPECT_TRUE(!folder.endsWith(u"missing"_s) || error.contains(u"missing"_s))
            << error.toStdString();
    }
    // A folder of the title's name where the file should go: the folder stays, the shortcut
    // takes the next name.
    QDir(tmp.path()).mkpath(u"fav/t.url"_s);
    EXPECT_EQ(FavoriteShortcut::write(u"http://x/"_s, u"t"_s, tmp.filePath(u"fav"_s)),
              tmp.filePath(u"fav/t (2).url"_s));
    EXPECT_TRUE(QFileInfo(tmp.filePath(u"fav/t.url"_s)).isDir());
    EXPECT_EQ(filesBelow(tmp.path()), (QStringList {u"fav/t (2).url"_s, u"plain"_s}));
}

} // namespace
