#include "historycommand.h"

#include "pagetextindex.h"
#include "roamsettings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

class HistorySearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_data = m_dir.filePath(u"Data"_s);
        ASSERT_TRUE(QDir().mkpath(m_data));
        m_settings = std::make_unique<RoamSettings>(m_dir.filePath(u"settings.ini"_s));
        writeSite(
            u"1.smf"_s, u"www.example.com/recipes"_s, u"Recipes"_s, u"#2025-05-01 09:00:00#"_s);
        writeSite(u"2.smf"_s, u"news.example.org/today"_s, u"Today"_s, u"#2025-06-02 20:15:00#"_s);
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

    void writeSite(const QString &name,
                   const QString &url,
                   const QString &title,
                   const QString &start)
    {
        QFile file(QDir(m_data).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        const QString text = u"\""_s + url + u"\",\""_s + title + u"\",1\r\n1,0,\" \"\r\n\"S\","_s
                             + start + u","_s + start + u",#00:00:00#,\"\"\r\n"_s;
        file.write(text.toUtf8());
    }

    Result run(QStringList args)
    {
        args << u"--data-dir"_s << m_data;
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        HistoryCommand command(*m_settings, out, err);
        result.code = command.run(QStringList {u"roamlog-history"_s} + args);
        return result;
    }

    QTemporaryDir m_dir;
    QString m_data;
    std::unique_ptr<RoamSettings> m_settings;
};

} // namespace

TEST_F(HistorySearchTest, PrintsMatchingPagesBestFirst)
{
    struct Row
    {
        QStringList args;
        int code;
        QStringList urls; // in the order printed
    };
    const Row rows[] = {
        {{u"search"_s, u"TOMATO soup"_s, u"--json"_s}, 0, {u"www.example.com/recipes"_s}},
        {{u"search"_s, u"tomato"_s, u"soup"_s, u"--json"_s}, 0, {u"www.example.com/recipes"_s}},
        {{u"search"_s, u"העגב"_s, u"--json"_s}, 0, {u"news.example.org/today"_s}},
        {{u"search"_s, u"garl"_s, u"--json"_s, u"--limit"_s, u"1"_s}, 0, {u"gone.example.net"_s}},
        {{u"search"_s, u"nothing-like-it"_s, u"--json"_s}, 0, {}},
        {{u"search"_s, u"tomato"_s, u"--limit"_s, u"0"_s}, HistoryCommand::UsageError, {}},
        {{u"search"_s, u"tomato"_s, u"--limit"_s, u"x"_s}, HistoryCommand::UsageError, {}},
        {{u"sites"_s, u"--limit"_s, u"3"_s}, HistoryCommand::UsageError, {}},
        {{u"search"_s}, HistoryCommand::UsageError, {}},
    };
    for (const Row &row : rows) {
        const QString line = row.args.join(u' ');
        const Result result = run(row.args);
        EXPECT_EQ(result.code, row.code) << line.toStdString() << result.err.toStdString();
        if (row.code != 0)
            continue;
        const QJsonArray hits = QJsonDocument::fromJson(result.out.toUtf8()).array();
        QStringList urls;
        for (const QJsonValue &hit : hits)
            urls.append(hit[u"url"_s].toString());
        EXPECT_EQ(urls, row.urls) << line.toStdString();
    }

    const QJsonArray tomato = QJsonDocument::fromJson(
                                  run({u"search"_s, u"tomato"_s, u"--json"_s}).out.toUtf8())
                                  .array();
    ASSERT_EQ(tomato.size(), 2);
    const QJsonObject news = tomato.at(0)[u"url"_s] == u"news.example.org/today"_s
                                 ? tomato.at(0).toObject()
                                 : tomato.at(1).toObject();
    EXPECT_EQ(news[u"title"_s], u"Today"_s);
    EXPECT_EQ(news[u"lastVisit"_s], u"2025-06-02T20:15:00"_s);
    EXPECT_TRUE(news[u"snippet"_s].toString().contains(u"[tomato]"_s));

    const QJsonArray garlic
        = QJsonDocument::fromJson(run({u"search"_s, u"garl"_s, u"--json"_s}).out.toUtf8()).array();
    ASSERT_EQ(garlic.size(), 2);
    EXPECT_EQ(garlic.at(0)[u"url"_s], u"gone.example.net"_s);
    EXPECT_TRUE(garlic.at(0)[u"lastVisit"_s].isNull());

    const Result text = run({u"search"_s, u"soup"_s});
    EXPECT_EQ(text.code, 0);
    EXPECT_TRUE(text.out.startsWith(u"LAST VISIT"_s)) << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(u"2025-05-01 09:00:00  www.example.com/recipes  Recipes  "_s))
        << text.out.toStdString();
    EXPECT_TRUE(text.out.contains(u"[soup]"_s));
    EXPECT_TRUE(run({u"search"_s, u"zzzz"_s}).out.isEmpty());
}

TEST_F(HistorySearchTest, ForgetRemovesTheTextOfMatchingPages)
{
    const Result dry = run({u"forget"_s, u"example.com"_s, u"--dry-run"_s});
    EXPECT_EQ(dry.code, 0);
    EXPECT_TRUE(dry.out.endsWith(u"1 page text would be removed\n"_s)) << dry.out.toStdString();
    EXPECT_EQ(run({u"search"_s, u"soup"_s, u"--json"_s}).out.count(u"\"url\""_s), 1);

    const Result forget = run({u"forget"_s, u"example.com"_s});
    EXPECT_EQ(forget.code, 0) << forget.err.toStdString();
    EXPECT_TRUE(forget.out.endsWith(u"1 site record removed\n1 page text removed\n"_s))
        << forget.out.toStdString();
    EXPECT_EQ(run({u"search"_s, u"soup"_s, u"--json"_s}).out.trimmed(), u"[\n]"_s);
    EXPECT_EQ(run({u"search"_s, u"tomato"_s, u"--json"_s}).out.count(u"\"url\""_s), 1);

    // The removed text is gone from the file itself, not only from the answers.
    QFile file(PageTextIndex::fileName(m_data));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_FALSE(file.readAll().contains("roasted"));
}
