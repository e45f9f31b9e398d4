#include "modelfixture.h"

#include "pagetextindex.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <functional>

using namespace modeltest;
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

} // namespace

TEST(PageTextIndexTest, FindsPagesByWordsPrefixesAndScriptsAnyCase)
{
    QTemporaryDir dir;
    PageTextIndex index(dir.path());
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
        {u"gruyere"_s, {u"example.com/cheese"_s}},
        {u"cafe fondue"_s, {u"example.com/cheese"_s}},
        // A word in the title weighs more than the same word in the text.
        {u"cheese"_s, {u"example.com/cheese"_s, u"example.com/bread"_s}},
        {u"cheese crust"_s, {u"example.com/bread"_s}},
        {u"cheese pizza"_s, {}},
        {u"שלום"_s, {u"news.co.il/article"_s}},
        {u"שָׁלוֹם"_s, {u"news.co.il/article"_s}},
        {u"תקצ"_s, {u"news.co.il/article"_s}},
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
    EXPECT_TRUE(index.search(u"ממשלה"_s, 5).value(0).snippet.contains(u"[הממשלה]"_s));
}

TEST(PageTextIndexTest, KeepsOneRowPerPageAndForgetsWhatItIsTold)
{
    QTemporaryDir dir;
    {
        PageTextIndex index(dir.path());
        index.store(u"a.org/one"_s, u"One"_s, u"apple banana"_s, kTime);
        index.store(u"A.ORG/ONE"_s, u"One again"_s, u"cherry"_s, kTime.addSecs(5));
        index.store(u"a.org/two"_s, u"Two"_s, u"cherry date"_s, kTime);
        index.store(u"b.org/three"_s, u"Three"_s, u"cherry elder"_s, kTime);
        index.store(QString(), u"No key"_s, u"cherry"_s, kTime);
        // A page far over the limit keeps only its beginning.
        QString huge = u"lead "_s.repeated(PageTextIndex::MaxTextLength / 5) + u" tailword"_s;
        index.store(u"c.org/big"_s, u"Big"_s, huge, kTime);
    }
    PageTextIndex index(dir.path());
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
        const QByteArray bytes = readAll(index.path() + suffix);
        EXPECT_FALSE(bytes.contains("elder")) << suffix.toStdString();
        EXPECT_FALSE(bytes.contains("banana")) << suffix.toStdString();
    }
}

TEST(PageTextIndexTest, PrivateFileInWalModeAndDamageIsRepaired)
{
    QTemporaryDir dir;
    const QString path = PageTextIndex::fileName(dir.path());
    struct Row
    {
        const char *name;
        QByteArray content; // SQL when it begins with CREATE
        bool damaged;
    };
    const Row rows[] = {
        {"missing", QByteArray(), false},
        {"garbage", QByteArray("this is not a database at all").repeated(200), true},
        {"sqlite header, torn body",
         QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\x5a'),
         true},
        {"an older layout",
         "CREATE TABLE pages(id INTEGER PRIMARY KEY, key TEXT, body TEXT);"
         "INSERT INTO pages VALUES (1, 'old.org', 'plum');",
         false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QFile::remove(path);
        if (row.content.startsWith("CREATE")) {
            sqlite3 *db = nullptr;
            ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            EXPECT_EQ(sqlite3_exec(db, row.content.constData(), nullptr, nullptr, nullptr), 0);
            sqlite3_close(db);
        } else if (!row.content.isEmpty()) {
            writeAll(path, row.content);
        }
        {
            PageTextIndex index(dir.path());
            ASSERT_TRUE(index.isOpen());
            EXPECT_EQ(index.problem().isEmpty(), !row.damaged) << index.problem().toStdString();
            index.store(u"x.org"_s, u"X"_s, u"kiwi"_s, kTime);
            index.flush();
            EXPECT_EQ(keysOf(index.search(u"kiwi"_s, 5)), QStringList {u"x.org"_s});
            EXPECT_EQ(index.count(), 1);
        }
        const QFileDevice::Permissions others = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                | QFileDevice::ReadOther | QFileDevice::WriteOther;
        EXPECT_EQ(QFileInfo(path).permissions() & others, QFileDevice::Permissions());
        EXPECT_TRUE(QFileInfo(path).permissions().testFlag(QFileDevice::WriteOwner));
        // The header's file format versions say 2 for a write-ahead log.
        EXPECT_EQ(readAll(path).sliced(18, 2), QByteArray("\2\2"));
    }
}

TEST(PageTextIndexTest, ReadOnlyAccessSearchesAndNeverChangesTheFile)
{
    QTemporaryDir dir;
    {
        PageTextIndex writer(dir.path());
        writer.store(u"r.org"_s, u"R"_s, u"raspberry"_s, kTime);
    }
    const QString path = PageTextIndex::fileName(dir.path());
    {
        PageTextIndex reader(dir.path(), PageTextIndex::Access::ReadOnly);
        EXPECT_TRUE(reader.problem().isEmpty()) << reader.problem().toStdString();
        reader.store(u"s.org"_s, u"S"_s, u"raspberry"_s, kTime);
        reader.remove({u"r.org"_s});
        reader.flush();
        EXPECT_EQ(keysOf(reader.search(u"raspberry"_s, 5)), QStringList {u"r.org"_s});
    }

    const QByteArray garbage = QByteArray("damaged ").repeated(500);
    QFile::remove(path + u"-wal"_s);
    QFile::remove(path + u"-shm"_s);
    writeAll(path, garbage);
    PageTextIndex reader(dir.path(), PageTextIndex::Access::ReadOnly);
    EXPECT_FALSE(reader.problem().isEmpty());
    EXPECT_TRUE(reader.search(u"raspberry"_s, 5).isEmpty());
    EXPECT_EQ(readAll(path), garbage);
}

TEST(PageTextIndexTest, ForgottenWordsLeaveNoTraceInTheFile)
{
    QTemporaryDir dir;
    // FTS5 writes a word after the one before it in the index only from their first
    // different letter: every word checked here begins with a letter no other word does.
    const struct
    {
        QString key;
        QString text;
        std::function<void(PageTextIndex &)> forget;
    } rows[] = {
        {u"q.org/removed"_s,
         u"quince zucchini"_s,
         [](PageTextIndex &index) {
             index.remove({u"Q.org/Removed"_s});
         }},
        {u"x.org/matched"_s,
         u"xylophone yarrow"_s,
         [](PageTextIndex &index) {
             index.removeWhere([](const QString &key) { return key.startsWith(u"x.org"_s); });
         }},
    };
    {
        PageTextIndex index(dir.path());
        index.store(u"a.org/kept"_s, u"t"_s, u"apple"_s, kTime);
        for (const auto &row : rows)
            index.store(row.key, u"t"_s, row.text, kTime);
    }
    PageTextIndex index(dir.path());
    for (const auto &row : rows) {
        row.forget(index);
        index.flush();
        for (const QString &suffix : {QString(), u"-wal"_s}) {
            QFile file(PageTextIndex::fileName(dir.path()) + suffix);
            const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            for (const QString &word : row.text.split(u' '))
                EXPECT_FALSE(bytes.contains(word.toUtf8()))
                    << word.toStdString() << suffix.toStdString();
        }
    }
    EXPECT_EQ(keysOf(index.search(u"apple"_s, 5)), QStringList {u"a.org/kept"_s});
    EXPECT_EQ(index.keys(), QStringList {u"a.org/kept"_s});
}
