#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

/// The option and command names a program's documentation states, read either from its
/// `--help` text or from its manual page's scdoc source, so that the two can be compared.
/// Only names are kept: the wording around them may change freely.
class HelpSummary final
{
public:
    /// Every `--long` option anywhere in the text, every `-x` option that begins an indented
    /// line, and the first word of each line of a "Commands:" list.
    static HelpSummary fromHelp(const QString &helpText);

    /// The options defined in the page's OPTIONS section and the commands defined in its
    /// COMMANDS section: lines that begin with a bold term.
    static HelpSummary fromManualPage(const QString &scdocSource);

    /// Empty when `other` names the same options and commands; otherwise one line for each
    /// kind of name that one side has and the other lacks, naming them.
    QString differencesFrom(const HelpSummary &other,
                            const QString &thisName,
                            const QString &otherName) const;

    QSet<QString> options;
    QSet<QString> commands;
};
