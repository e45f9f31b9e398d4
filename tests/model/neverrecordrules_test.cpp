#include "neverrecordrules.h"
#include "recordedurl.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QStringList words(const QString &text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

} // namespace

TEST(NeverRecordRulesTest, HostAndPrefixRulesMatchEveryFormOfTheUrl)
{
    const struct
    {
        QStringList rules;
        QString matched; // URLs separated by blanks
        QString unmatched;
    } rows[] = {
        // A host rule covers its subdomains; blank rules are no rules.
        {{u" Example.COM "_s, u""_s, u"  "_s, u"*.tracker.net"_s},
         u"https://example.com/ http://WWW.example.com/a?b=c example.com deep.sub.example.com/page "
         u"https://user:pw@example.com:8443/x ftp://files.example.com/pub/f.zip "
         u"http://example.com./ ads.tracker.net/p tracker.net"_s,
         u"https://notexample.com/ example.com.evil.org/x https://other.org/?u=example.com "
         u"other.org/example.com /home/me/example.com"_s},
        {{u"localhost:8080"_s},
         u"http://localhost:8080/app"_s,
         u"http://localhost:9090/app localhost/app"_s},
        // A prefix rule matches the raw and the recorded form, any case.
        {{u"https://Bank.example/Account"_s,
          u"intranet/hr"_s,
          u"file:///home/me/secret"_s,
          u"about:"_s,
          u"ftp://mirror/pub"_s},
         u"https://bank.example/account/42 http://bank.example/ACCOUNT bank.example/account?id=1 "
         u"intranet/hr/salaries https://intranet/hr file:///home/me/secret/a.html "
         u"/home/me/secret/a.html about:blank ftp://mirror/pub/x.tgz"_s,
         u"bank.example https://bank.example/other www.intranet/hr /home/me/public/a.html "
         u"mirror/pub/x.tgz https://example.org/about:"_s},
        // A trailing slash on the rule still covers the recorded form that lost it.
        {{u"https://example.com/"_s}, u"example.com example.com/x"_s, u"example.community"_s},
        // A bare scheme does not become a rule that matches everything.
        {{u"http://"_s}, u"http://anything/"_s, u"anything/page"_s},
        {{}, {}, u"example.com"_s},
    };
    for (const auto &row : rows) {
        const NeverRecordRules rules(row.rules);
        EXPECT_EQ(rules.isEmpty(), row.rules.isEmpty());
        for (const QString &url : words(row.matched))
            EXPECT_TRUE(rules.matches(url)) << url.toStdString();
        const QStringList unmatched = words(row.unmatched) << QString();
        for (const QString &url : unmatched)
            EXPECT_FALSE(rules.matches(url)) << url.toStdString();
    }
    for (const QString &rule : words(u"example.com/private about:"_s))
        EXPECT_TRUE(NeverRecordRules::isPrefixRule(rule)) << rule.toStdString();
    for (const QString &rule : words(u"localhost:8080 example.com"_s))
        EXPECT_FALSE(NeverRecordRules::isPrefixRule(rule)) << rule.toStdString();
}

// The recorder's tests cover schemes, file paths and parents in queries and fragments.
TEST(RecordedUrlTest, ParentsAndQueryOfTheFormsTheRecorderSeldomMeets)
{
    const std::pair<QString, QString> parents[] = {
        {u"site/dir/?q=a/b"_s, u"site/dir site"_s},
        {u"site/"_s, QString()},
        {u"chrome://settings/privacy"_s, u"chrome://settings"_s},
    };
    for (const auto &[url, expected] : parents)
        EXPECT_EQ(RecordedUrl::parents(url), words(expected)) << url.toStdString();
    EXPECT_EQ(RecordedUrl::normalise(QString()), QString());
    EXPECT_EQ(RecordedUrl::query(u" site/p?lang=en?x "_s), u"lang=en?x"_s);
    EXPECT_EQ(RecordedUrl::query(u"site/p"_s), QString());
}
