#include "historyfixture.h"

#include "pagetextindex.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace {

class HistorySearchTest : public HistoryFixture
{
protected:
    void SetUp() override
    {
        HistoryFixture::SetUp();
        for (const auto &[name, url, title, start] :
             {std::tuple {
                  u"1.smf"_s, u"www.example.com/recipes"_s, u"Recipes"_s, u"2025-05-01 09:00:00"_s},
              std::tuple {
                  u"2.smf"_s, u"news.example.org/today"_s, u"Today"_s, u"2025-06-02 20:15:00"_s}})
            write(name,
                  QStringLiteral(
                      "\"%1\",\"%2\",1\r\n1,0,\" \"\r\n\"S\",#%3#,#%3#,#00:00:00#,\"\"\r\n")
                      .arg(url, title, start)
                      .toUtf8());
        const QDateTime captured(QDate(2025, 6, 2), QTime(20, 15), Qt::LocalTime);
        PageTextIndex index(m_data);
        index.store(u"www.example.com/recipes"_s,
                    u"Recipes"_s,
                    u"Slow roasted tomato soup with basil and garlic bread."_s,
                    captured);
        index.store(u"news.example.org/today"_s,
                    u"Today"_s,
                    u"The council voted on tomato prices. מחירי העגבניות עלו היום."_s,
                    captured);
        // Text of a page whose site record is gone still answers, by its key.
        index.store(u"gone.example.net"_s, u"Gone"_s, u"garlic festival"_s, captured);
    }
};

} // namespace

TEST_F(HistorySearchTest, PrintsMatchingPagesBestFirst)
{
    // Rows: the command line, the URLs printed in order.
    const struct
    {
        QStringList args;
        QStringList urls;
    } rows[] = {
        {{u"search"_s, u"TOMATO soup"_s}, {u"www.example.com/recipes"_s}},
        {words(u"search tomato soup"_s), {u"www.example.com/recipes"_s}},
        {words(u"search העגב"_s), {u"news.example.org/today"_s}},
        {words(u"search garl"_s), {u"gone.example.net"_s, u"www.example.com/recipes"_s}},
        {words(u"search garl --limit 1"_s), {u"gone.example.net"_s}},
        {words(u"search nothing-like-it"_s), {}},
    };
    for (const auto &row : rows) {
        const Result result = run(row.args + QStringList {u"--json"_s});
        EXPECT_EQ(result.code, 0) << result.err.toStdString();
        QStringList urls;
        for (const QJsonValue &hit : json(result).array())
            urls.append(hit[u"url"_s].toString());
        EXPECT_EQ(urls, row.urls) << row.args.join(u' ').toStdString();
    }
    for (const char *line :
         {"search tomato --limit 0", "search tomato --limit x", "search", "sites --limit 3"})
        EXPECT_EQ(cmd(QString::fromUtf8(line)).code, HistoryCommand::UsageError) << line;

    const QJsonArray tomato = json(cmd(u"search tomato --json"_s)).array();
    ASSERT_EQ(tomato.size(), 2);
    const QJsonObject news
        = tomato.at(tomato.at(0)[u"url"_s] == u"news.example.org/today"_s ? 0 : 1).toObject();
    EXPECT_EQ(news[u"title"_s], u"Today"_s);
    EXPECT_EQ(news[u"lastVisit"_s], u"2025-06-02T20:15:00"_s);
    EXPECT_TRUE(news[u"snippet"_s].toString().contains(u"[tomato]"_s));
    // A page whose record is gone has no last visit.
    EXPECT_TRUE(json(cmd(u"search garl --json"_s)).array().at(0)[u"lastVisit"_s].isNull());

    const Result text = cmd(u"search soup"_s);
    EXPECT_EQ(text.code, 0);
    EXPECT_TRUE(text.out.startsWith(u"LAST VISIT"_s)) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(u"2025-05-01 09:00:00  www.example.com/recipes  Recipes  "_s))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(u"[soup]"_s));
    EXPECT_TRUE(cmd(u"search zzzz"_s).out.isEmpty());
}

TEST_F(HistorySearchTest, ForgetRemovesTheTextOfMatchingPages)
{
    const Result dry = cmd(u"forget example.com --dry-run"_s);
    EXPECT_EQ(dry.code, 0);
    EXPECT_TRUE(dry.out.endsWith(u"1 page text would be removed\n"_s)) << dry.out.toStdString();
    EXPECT_EQ(cmd(u"search soup --json"_s).out.count(u"\"url\""_s), 1);

    const Result forget = cmd(u"forget example.com"_s);
    EXPECT_EQ(forget.code, 0) << forget.err.toStdString();
    EXPECT_TRUE(forget.out.endsWith(u"1 site record removed\n1 page text removed\n"_s))
        << forget.out.toStdString();
    EXPECT_EQ(cmd(u"search soup --json"_s).out.trimmed(), u"[\n]"_s);
    EXPECT_EQ(cmd(u"search tomato --json"_s).out.count(u"\"url\""_s), 1);

    // The removed text is gone from the file itself, not only from the answers.
    QFile file(PageTextIndex::fileName(m_data));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // "basil" is the one word whose first letter no other word of the index shares, so the
    // index stores it whole: a word written after a similar one keeps only its different end.
    EXPECT_FALSE(bytes.contains("roasted") || bytes.contains("basil"));
}
