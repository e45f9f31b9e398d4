#include "neverrecordrules.h"
#include "recordedurl.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(NeverRecordRulesTest, HostRulesCoverSubdomainsInEveryForm)
{
    const NeverRecordRules rules({u" Example.COM "_s, u""_s, u"  "_s, u"*.tracker.net"_s});
    EXPECT_FALSE(rules.isEmpty());
    for (const QString &url : {u"https://example.com/"_s,
                               u"http://WWW.example.com/a?b=c"_s,
                               u"example.com"_s,
                               u"deep.sub.example.com/page"_s,
                               u"https://user:pw@example.com:8443/x"_s,
                               u"ftp://files.example.com/pub/f.zip"_s,
                               u"http://example.com./"_s,
                               u"ads.tracker.net/p"_s,
                               u"tracker.net"_s})
        EXPECT_TRUE(rules.matches(url)) << url.toStdString();
    for (const QString &url : {u"https://notexample.com/"_s,
                               u"example.com.evil.org/x"_s,
                               u"https://other.org/?u=example.com"_s,
                               u"other.org/example.com"_s,
                               u"/home/me/example.com"_s,
                               u""_s})
        EXPECT_FALSE(rules.matches(url)) << url.toStdString();

    const NeverRecordRules withPort({u"localhost:8080"_s});
    EXPECT_TRUE(withPort.matches(u"http://localhost:8080/app"_s));
    EXPECT_FALSE(withPort.matches(u"http://localhost:9090/app"_s));
    EXPECT_FALSE(withPort.matches(u"localhost/app"_s));
    EXPECT_TRUE(NeverRecordRules().isEmpty());
    EXPECT_FALSE(NeverRecordRules().matches(u"example.com"_s));
}

TEST(NeverRecordRulesTest, PrefixRulesMatchRawAndRecordedForms)
{
    EXPECT_TRUE(NeverRecordRules::isPrefixRule(u"example.com/private"_s));
    EXPECT_TRUE(NeverRecordRules::isPrefixRule(u"about:"_s));
    EXPECT_FALSE(NeverRecordRules::isPrefixRule(u"localhost:8080"_s));
    EXPECT_FALSE(NeverRecordRules::isPrefixRule(u"example.com"_s));

    const NeverRecordRules rules({u"https://Bank.example/Account"_s,
                                  u"intranet/hr"_s,
                                  u"file:///home/me/secret"_s,
                                  u"about:"_s,
                                  u"ftp://mirror/pub"_s});
    for (const QString &url : {u"https://bank.example/account/42"_s,
                               u"http://bank.example/ACCOUNT"_s,
                               u"bank.example/account?id=1"_s,
                               u"intranet/hr/salaries"_s,
                               u"https://intranet/hr"_s,
                               u"file:///home/me/secret/a.html"_s,
                               u"/home/me/secret/a.html"_s,
                               u"about:blank"_s,
                               u"ftp://mirror/pub/x.tgz"_s})
        EXPECT_TRUE(rules.matches(url)) << url.toStdString();
    for (const QString &url : {u"bank.example"_s,
                               u"https://bank.example/other"_s,
                               u"www.intranet/hr"_s,
                               u"/home/me/public/a.html"_s,
                               u"mirror/pub/x.tgz"_s,
                               u"https://example.org/about:"_s})
        EXPECT_FALSE(rules.matches(url)) << url.toStdString();

    // A trailing slash on the rule still covers the recorded form that lost it.
    const NeverRecordRules slash({u"https://example.com/"_s});
    EXPECT_TRUE(slash.matches(u"example.com"_s));
    EXPECT_TRUE(slash.matches(u"example.com/x"_s));
    EXPECT_FALSE(slash.matches(u"example.community"_s));

    // A bare scheme does not become a rule that matches everything.
    const NeverRecordRules bare({u"http://"_s});
    EXPECT_TRUE(bare.matches(u"http://anything/"_s));
    EXPECT_FALSE(bare.matches(u"anything/page"_s));
}

TEST(RecordedUrlTest, NormalisesParentsAndQueryLikeTheRecorder)
{
    EXPECT_EQ(RecordedUrl::normalise(u"http://abcd"_s), u"abcd"_s);
    EXPECT_EQ(RecordedUrl::normalise(u"http://abc"_s), QString());
    EXPECT_EQ(RecordedUrl::normalise(u"HTTP:x"_s), QString());
    EXPECT_EQ(RecordedUrl::normalise(u"https://abc"_s), QString());
    EXPECT_EQ(RecordedUrl::normalise(u"HTTPS://abcd/"_s), u"abcd"_s);
    EXPECT_EQ(RecordedUrl::normalise(u"HTTP://host/"_s), u"host"_s);
    EXPECT_EQ(RecordedUrl::normalise(u"file:///C:/doc/a.htm"_s), u"/C:/doc/a.htm"_s);
    EXPECT_EQ(RecordedUrl::normalise(u"ftp://ftphost/pub/f.zip"_s), u"ftp://ftphost/pub/f.zip"_s);
    EXPECT_EQ(RecordedUrl::normalise(QString()), QString());

    EXPECT_EQ(RecordedUrl::parents(u"site/docs/intro.htm"_s),
              QStringList({u"site/docs"_s, u"site"_s}));
    // A "/" in a query or fragment is no path step.
    EXPECT_EQ(RecordedUrl::parents(u"site/s?u=b/c"_s), QStringList({u"site"_s}));
    EXPECT_EQ(RecordedUrl::parents(u"site/a/frag.html#/route/x"_s),
              QStringList({u"site/a"_s, u"site"_s}));
    EXPECT_EQ(RecordedUrl::parents(u"site/dir/?q=a/b"_s), QStringList({u"site/dir"_s, u"site"_s}));
    EXPECT_EQ(RecordedUrl::parents(u"site"_s), QStringList());
    EXPECT_EQ(RecordedUrl::parents(u"site/"_s), QStringList());
    EXPECT_EQ(RecordedUrl::parents(u"ftp://ftphost/pub/f.zip"_s), QStringList());
    EXPECT_EQ(RecordedUrl::parents(u"chrome://settings/privacy"_s),
              QStringList({u"chrome://settings"_s}));
    EXPECT_EQ(RecordedUrl::parents(u"/C:/doc/a.htm"_s), QStringList({u"/C:/doc"_s, u"/C:"_s}));

    EXPECT_EQ(RecordedUrl::query(u" site/p?lang=en?x "_s), u"lang=en?x"_s);
    EXPECT_EQ(RecordedUrl::query(u"site/s?u=b"_s), u"u=b"_s);
    EXPECT_EQ(RecordedUrl::query(u"site/p"_s), QString());

    EXPECT_EQ(RecordedUrl::fileNameFor(QDateTime(QDate(1997, 11, 3), QTime(14, 5)), 12),
              u"30711314512.smf"_s);
    EXPECT_EQ(RecordedUrl::fileNameFor(QDateTime(QDate(2024, 1, 1), QTime(0, 0)), 1),
              u"111001.smf"_s);
}
