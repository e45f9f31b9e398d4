#include "pagetextindex.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

const QDateTime kTime(QDate(2026, 3, 1), QTime(10, 0), Qt::UTC);

QStringList keysOf(const QList<PageTextIndex::Hit> &hits)
{
    QStringList keys;
    for (const PageTextIndex::Hit &hit : hits)
        keys.append(hit.key);
    return keys;
}

QString journalMode(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &stmt, nullptr);
    QString mode;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        mode = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return mode;
}

class PageTextIndexTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
    QString folder() const { return m_dir.path(); }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(PageTextIndexTest, FindsPagesByWordsPrefixesAndScriptsAnyCase)
{
    PageTextIndex index(folder());
    ASSERT_TRUE(index.isOpen()) << index.problem().toStdString();
    EXPECT_TRUE(index.problem().isEmpty());
    index.store(u"example.com/cheese"_s,
                u"Cheese Guide"_s,
                u"Aged Gruyère and young cheddar. A café serves fondue."_s,
                kTime);
    index.store(u"news.co.il/article"_s,
                u"חדשות"_s,
                u"שָׁלוֹם לכולם, הממשלה החליטה היום על תקציב חדש."_s,
                kTime);
    index.store(u"example.com/bread"_s,
                u"Bread"_s,
                u"Sourdough bread with a crisp crust; cheese optional."_s,
                kTime);
    index.store(u"example.com/quotes"_s, u"Quotes"_s, u"He said \"hello\" to the world"_s, kTime);
    index.flush();
    ASSERT_EQ(index.count(), 4);

    struct Row
    {
        QString words;
        QStringList keys; // best first
    };
    const Row rows[] = {
        {u"cheddar"_s, {u"example.com/cheese"_s}},
        {u"CHEDDAR"_s, {u"example.com/cheese"_s}},
        {u"gruyere"_s, {u"example.com/cheese"_s}},
        {u"cafe fondue"_s, {u"example.com/cheese"_s}},
        {u"sourd"_s, {u"example.com/bread"_s}},
        // A word in the title weighs more than the same word in the text.
        {u"cheese"_s, {u"example.com/cheese"_s, u"example.com/bread"_s}},
        {u"cheese crust"_s, {u"example.com/bread"_s}},
        {u"cheese pizza"_s, {}},
        {u"שלום"_s, {u"news.co.il/article"_s}},
        {u"שָׁלוֹם"_s, {u"news.co.il/article"_s}},
        {u"תקצ"_s, {u"news.co.il/article"_s}},
        {u"חדשות"_s, {u"news.co.il/article"_s}},
        // Hebrew words found without the letters joined to their front ("the government").
        {u"ממשלה"_s, {u"news.co.il/article"_s}},
        {u"כולם"_s, {u"news.co.il/article"_s}},
        {u"קציב"_s, {}},
        {u"\"hello\""_s, {u"example.com/quotes"_s}},
        {u"hello\" OR \"cheese"_s, {}},
        {u"   "_s, {}},
        {u"-- !!"_s, {}},
        {u"NEAR(a b)"_s, {}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(keysOf(index.search(row.words, 10)), row.keys) << row.words.toStdString();

    const QList<PageTextIndex::Hit> hits = index.search(u"fondue"_s, 5, {u"<"_s, u">"_s, u"~"_s});
    ASSERT_EQ(hits.size(), 1);
    EXPECT_TRUE(hits.first().snippet.contains(u"<fondue>"_s)) << hits.first().snippet.toStdString();
    EXPECT_EQ(hits.first().title, u"Cheese Guide"_s);
    EXPECT_EQ(hits.first().captured, kTime);
    EXPECT_EQ(index.search(u"cafe"_s, 5).value(0).snippet,
              u"…and young cheddar. A [café] serves fondue."_s);
    EXPECT_TRUE(index.search(u"ממשלה"_s, 5).value(0).snippet.contains(u"[הממשלה]"_s));
    EXPECT_EQ(index.search(u"example"_s, 1).size(), 0);
    EXPECT_EQ(index.search(u"cheese"_s, 1).size(), 1);
}

TEST_F(PageTextIndexTest, KeepsOneRowPerPageAndForgetsWhatItIsTold)
{
    {
        PageTextIndex index(folder());
        index.store(u"a.org/one"_s, u"One"_s, u"apple banana"_s, kTime);
        index.store(u"A.ORG/ONE"_s, u"One again"_s, u"cherry"_s, kTime.addSecs(5));
        index.store(u"a.org/two"_s, u"Two"_s, u"cherry date"_s, kTime);
        index.store(u"b.org/three"_s, u"Three"_s, u"cherry elder"_s, kTime);
        index.store(QString(), u"No key"_s, u"cherry"_s, kTime);
        // A page far over the limit keeps only its beginning.
        QString huge = u"lead "_s.repeated(PageTextIndex::MaxTextLength / 5) + u" tailword"_s;
        index.store(u"c.org/big"_s, u"Big"_s, huge, kTime);
    }
    PageTextIndex index(folder());
    EXPECT_EQ(index.count(), 4);
    EXPECT_TRUE(index.search(u"apple"_s, 10).isEmpty());
    EXPECT_EQ(keysOf(index.search(u"cherry"_s, 10)).size(), 3);
    EXPECT_EQ(keysOf(index.search(u"lead"_s, 10)), QStringList {u"c.org/big"_s});
    EXPECT_TRUE(index.search(u"tailword"_s, 10).isEmpty());

    index.remove({u"A.org/One"_s});
    index.flush();
    QStringList remaining = keysOf(index.search(u"cherry"_s, 10));
    remaining.sort();
    EXPECT_EQ(remaining, (QStringList {u"a.org/two"_s, u"b.org/three"_s}));

    index.removeWhere([](const QString &key) { return key.startsWith(u"b.org"_s); });
    index.flush();
    EXPECT_EQ(index.keys(), (QStringList {u"a.org/two"_s, u"c.org/big"_s}));

    index.clear();
    index.store(u"d.org"_s, u"D"_s, u"fig"_s, kTime);
    index.flush();
    EXPECT_EQ(index.keys(), QStringList {u"d.org"_s});
    EXPECT_EQ(index.search(u"fig"_s, 10).size(), 1);
    EXPECT_TRUE(index.search(u"cherry"_s, 10).isEmpty());

    // Forgotten text must not linger in the file's free pages or in its log.
    for (const QString &suffix : {QString(), u"-wal"_s}) {
        QFile file(index.path() + suffix);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        EXPECT_FALSE(bytes.contains("elder")) << suffix.toStdString();
        EXPECT_FALSE(bytes.contains("banana")) << suffix.toStdString();
    }
}

TEST_F(PageTextIndexTest, PrivateFileInWalModeAndDamageIsRepaired)
{
    const QString path = PageTextIndex::fileName(folder());
    struct Row
    {
        const char *name;
        QByteArray content;
    };
    const Row rows[] = {
        {"missing", QByteArray()},
        {"garbage", QByteArray("this is not a database at all").repeated(200)},
        {"sqlite header, torn body",
         QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x5a')},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(path);
        if (!row.content.isEmpty()) {
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(row.content);
        }
        {
            PageTextIndex index(folder());
            ASSERT_TRUE(index.isOpen());
            EXPECT_EQ(index.problem().isEmpty(), row.content.isEmpty())
                << index.problem().toStdString();
            index.store(u"x.org"_s, u"X"_s, u"kiwi"_s, kTime);
            index.flush();
            EXPECT_EQ(index.search(u"kiwi"_s, 5).size(), 1);
        }
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther;
        EXPECT_EQ(QFileInfo(path).permissions() & others, QFileDevice::Permissions());
        EXPECT_TRUE(QFileInfo(path).permissions().testFlag(QFileDevice::WriteOwner));
        EXPECT_EQ(journalMode(path), u"wal"_s);
    }
}

TEST_F(PageTextIndexTest, AnIndexOfAnOlderLayoutIsLaidOutAnew)
{
    const QString path = PageTextIndex::fileName(folder());
    sqlite3 *db = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE pages(id INTEGER PRIMARY KEY, key TEXT, title TEXT, "
                           "body TEXT, captured INTEGER);"
                           "INSERT INTO pages VALUES (1, 'old.org', 'Old', 'plum', 0);",
                           nullptr,
                           nullptr,
                           nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    PageTextIndex index(folder());
    ASSERT_TRUE(index.isOpen()) << index.problem().toStdString();
    EXPECT_EQ(index.count(), 0);
    index.store(u"new.org"_s, u"New"_s, u"והשזיף בשל"_s, kTime);
    index.flush();
    EXPECT_EQ(keysOf(index.search(u"שזיף"_s, 5)), QStringList {u"new.org"_s});
}

TEST_F(PageTextIndexTest, ReadOnlyAccessSearchesAndNeverChangesTheFile)
{
    {
        PageTextIndex writer(folder());
        writer.store(u"r.org"_s, u"R"_s, u"raspberry"_s, kTime);
    }
    const QString path = PageTextIndex::fileName(folder());
    {
        PageTextIndex reader(folder(), PageTextIndex::Access::ReadOnly);
        EXPECT_TRUE(reader.problem().isEmpty()) << reader.problem().toStdString();
        reader.store(u"s.org"_s, u"S"_s, u"raspberry"_s, kTime);
        reader.remove({u"r.org"_s});
        reader.flush();
        EXPECT_EQ(keysOf(reader.search(u"raspberry"_s, 5)), QStringList {u"r.org"_s});
    }

    const QByteArray garbage = QByteArray("damaged ").repeated(500);
    QFile::remove(path + u"-wal"_s);
    QFile::remove(path + u"-shm"_s);
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    PageTextIndex reader(folder(), PageTextIndex::Access::ReadOnly);
    EXPECT_FALSE(reader.problem().isEmpty());
    EXPECT_TRUE(reader.search(u"raspberry"_s, 5).isEmpty());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}

TEST_F(PageTextIndexTest, ForgottenAndReplacedWordsLeaveNoTraceInTheFile)
{
    // FTS5 writes a word after the one before it in the index only from their first
    // different letter: every word checked here begins with a letter no other word does.
    struct Row
    {
        QString key;
        QString text;
        std::function<void(PageTextIndex &)> forget;
        // Forgotten text is gone when the writes are flushed; replaced text once they pause
        // or the index is closed.
        bool goneAtFlush;
    };
    const Row rows[] = {
        {u"q.org/removed"_s,
         u"quince zucchini"_s,
         [](PageTextIndex &index) { index.remove({u"Q.org/Removed"_s}); },
         true},
        {u"x.org/matched"_s,
         u"xylophone yarrow"_s,
         [](PageTextIndex &index) {
             index.removeWhere([](const QString &key) { return key.startsWith(u"x.org"_s); });
         },
         true},
        {u"u.org/replaced"_s,
         u"umbrella violet"_s,
         [](PageTextIndex &index) { index.store(u"u.org/replaced"_s, u"t"_s, u"mango"_s, kTime); },
         false},
    };
    const auto expectGone = [&](bool atFlushOnly) {
        for (const QString &suffix : {QString(), u"-wal"_s}) {
            QFile file(PageTextIndex::fileName(folder()) + suffix);
            const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            for (const Row &row : rows) {
                if (row.goneAtFlush || !atFlushOnly) {
                    for (const QString &word : row.text.split(u' '))
                        EXPECT_FALSE(bytes.contains(word.toUtf8()))
                            << word.toStdString() << suffix.toStdString();
                }
            }
        }
    };
    {
        PageTextIndex index(folder());
        index.store(u"a.org/kept"_s, u"t"_s, u"apple"_s, kTime);
        for (const Row &row : rows)
            index.store(row.key, u"t"_s, row.text, kTime);
    }
    {
        PageTextIndex index(folder());
        for (const Row &row : rows) {
            row.forget(index);
            index.flush();
        }
        expectGone(true);
    }
    expectGone(false);

    PageTextIndex index(folder());
    EXPECT_EQ(keysOf(index.search(u"apple"_s, 5)), QStringList {u"a.org/kept"_s});
    EXPECT_EQ(keysOf(index.search(u"mango"_s, 5)), QStringList {u"u.org/replaced"_s});
    EXPECT_EQ(index.keys(), (QStringList {u"a.org/kept"_s, u"u.org/replaced"_s}));
}
