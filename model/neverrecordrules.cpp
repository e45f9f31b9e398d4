#include "neverrecordrules.h"

#include "recordedurl.h"

using namespace Qt::StringLiterals;

namespace {

// Length of a leading "scheme:" (a letter, then letters, digits, "+", "-", "."), 0 without one.
// "host:8080" has a port, not a scheme.
qsizetype schemeColon(const QString &text)
{
    if (text.isEmpty() || !text.front().isLetter())
        return 0;
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u':') {
            const QStringView rest = QStringView(text).mid(i + 1);
            bool allDigits = !rest.isEmpty();
            for (const QChar d : rest)
                allDigits = allDigits && d.isDigit();
            return allDigits ? 0 : i + 1;
        }
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return 0;
    }
    return 0;
}

struct Authority
{
    QString host;
    QString port;
};

Authority authorityOf(const QString &url)
{
    QStringView rest(url);
    rest = rest.mid(RecordedUrl::schemeLength(url));
    const qsizetype end = [&rest] {
        for (qsizetype i = 0; i < rest.size(); ++i) {
            const QChar c = rest.at(i);
            if (c == u'/' || c == u'?' || c == u'#' || c == u'\\')
                return i;
        }
        return rest.size();
    }();
    rest = rest.left(end);
    if (const qsizetype at = rest.lastIndexOf(u'@'); at >= 0)
        rest = rest.mid(at + 1);
    Authority result;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0)
            return {};
        result.host = rest.left(close + 1).toString();
        if (rest.mid(close + 1).startsWith(u':'))
            result.port = rest.mid(close + 2).toString();
    } else if (const qsizetype colon = rest.indexOf(u':'); colon >= 0) {
        result.host = rest.left(colon).toString();
        result.port = rest.mid(colon + 1).toString();
    } else {
        result.host = rest.toString();
    }
    while (result.host.endsWith(u'.'))
        result.host.chop(1);
    result.host = result.host.toCaseFolded();
    return result;
}

bool startsWithNoCase(const QString &text, const QString &prefix)
{
    return text.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace

bool NeverRecordRules::isPrefixRule(const QString &pattern)
{
    const QString rule = pattern.trimmed();
    return rule.contains(u'/') || schemeColon(rule) > 0;
}

NeverRecordRules::NeverRecordRules(const QStringList &patterns)
{
    for (const QString &pattern : patterns) {
        const QString rule = pattern.trimmed();
        if (rule.isEmpty())
            continue;
        if (isPrefixRule(rule)) {
            m_prefixes.append({rule, RecordedUrl::withoutScheme(rule)});
            continue;
        }
        QString host = rule;
        while (host.startsWith(u'*') || host.startsWith(u'.'))
            host.remove(0, 1);
        const Authority authority = authorityOf(host);
        if (!authority.host.isEmpty())
            m_hosts.append({authority.host, authority.port});
    }
}

bool NeverRecordRules::matches(const QString &url) const
{
    const QString trimmed = url.trimmed();
    if (trimmed.isEmpty() || isEmpty())
        return false;

    if (!m_hosts.isEmpty()) {
        const Authority authority = authorityOf(RecordedUrl::withoutScheme(trimmed));
        for (const HostRule &rule : m_hosts) {
            if (!rule.port.isEmpty() && rule.port != authority.port)
                continue;
            const QString &host = authority.host;
            if (host == rule.host
                || (host.size() > rule.host.size() && host.endsWith(rule.host)
                    && host.at(host.size() - rule.host.size() - 1) == u'.'))
                return true;
        }
    }

    // Recorded URLs have lost one trailing "/": "https://example.com/" still covers
    // "example.com".
    const QString stripped = RecordedUrl::withoutScheme(trimmed);
    const QString strippedSlash = stripped.endsWith(u'/') ? stripped : stripped + u'/';
    for (const PrefixRule &rule : m_prefixes) {
        if (startsWithNoCase(trimmed, rule.raw))
            return true;
        // A bare "http://" must not turn into a rule that matches everything.
        if (!rule.stripped.isEmpty()
            && (startsWithNoCase(stripped, rule.stripped)
                || startsWithNoCase(strippedSlash, rule.stripped)))
            return true;
    }
    return false;
}
