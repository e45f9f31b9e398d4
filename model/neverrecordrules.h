#pragma once

#include <QString>
#include <QStringList>

/// The never-record rules of Options/NeverRecord. A rule is either a host name, which matches
/// that host and every host below it ("example.com" matches "www.example.com" too), optionally
/// with a port ("localhost:8080"), or a URL prefix: a rule that holds a "/" or begins with a
/// scheme ("https://example.com/private", "example.com/private", "about:"). Letter case is
/// ignored throughout.
///
/// URLs are matched in the form the browser reports them and in their recorded form alike: a
/// prefix rule is compared both with the URL as it stands and with both sides stripped of the
/// "http://", "https://" and "file://" the recorder drops.
class NeverRecordRules final
{
public:
    NeverRecordRules() = default;
    /// Parses @p patterns; blank entries are ignored, surrounding blanks trimmed.
    explicit NeverRecordRules(const QStringList &patterns);

    /// True when no rule was given.
    bool isEmpty() const { return m_hosts.isEmpty() && m_prefixes.isEmpty(); }

    /// Whether @p url (raw or recorded) falls under any rule.
    bool matches(const QString &url) const;

    /// Whether @p pattern is a URL prefix rule rather than a host rule.
    static bool isPrefixRule(const QString &pattern);

private:
    struct HostRule
    {
        QString host;
        QString port;
    };
    struct PrefixRule
    {
        QString raw;
        QString stripped;
    };

    QList<HostRule> m_hosts;
    QList<PrefixRule> m_prefixes;
};
