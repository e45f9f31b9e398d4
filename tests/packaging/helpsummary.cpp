#include "helpsummary.h"

#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString sortedList(const QSet<QString> &names)
{
    QStringList list(names.cbegin(), names.cend());
    std::sort(list.begin(), list.end());
    return list.join(u", "_s);
}

void addMissing(QStringList &lines,
                const QSet<QString> &have,
                const QSet<QString> &want,
                const QString &haveName,
                const QString &wantName,
                const QString &kind)
{
    const QSet<QString> missing = want - have;
    if (!missing.isEmpty())
        lines.append(haveName + u" lacks "_s + kind + u" that "_s + wantName + u" has: "_s
                     + sortedList(missing));
}

} // namespace

HelpSummary HelpSummary::fromHelp(const QString &helpText)
{
    static const QRegularExpression longOption(u"(?<![\\w-])(--[A-Za-z][\\w-]*)"_s);
    static const QRegularExpression shortOption(u"(?<![\\w-])(-[A-Za-z?])(?![\\w-])"_s);
    static const QRegularExpression commandLine(u"^  ([a-z][a-z0-9-]*)(?:\\s|$)"_s);

    HelpSummary summary;
    bool inCommands = false;
    for (const QString &line : helpText.split(u'\n')) {
        for (const auto &match : longOption.globalMatch(line))
            summary.options.insert(match.captured(1));
        if (line.trimmed().startsWith(u'-') && line.startsWith(u' ')) {
            for (const auto &match : shortOption.globalMatch(line))
                summary.options.insert(match.captured(1));
        }
        // A list of commands runs until the next heading, a line that is not indented.
        if (!line.isEmpty() && !line.startsWith(u' '))
            inCommands = line.trimmed().compare(u"Commands:"_s, Qt::CaseInsensitive) == 0;
        else if (inCommands) {
            const auto match = commandLine.match(line);
            if (match.hasMatch())
                summary.commands.insert(match.captured(1));
        }
    }
    return summary;
}

HelpSummary HelpSummary::fromManualPage(const QString &scdocSource)
{
    static const QRegularExpression heading(u"^#\\s+(.+?)\\s*$"_s);
    static const QRegularExpression boldOption(u"\\*(--?[A-Za-z?][\\w-]*)\\*"_s);
    static const QRegularExpression boldCommand(u"^\\*([a-z][a-z0-9-]*)\\*"_s);

    HelpSummary summary;
    QString section;
    for (const QString &line : scdocSource.split(u'\n')) {
        const auto title = heading.match(line);
        if (title.hasMatch()) {
            section = title.captured(1).toUpper();
            continue;
        }
        // Definitions begin at the margin; their descriptions are indented by a tab.
        if (!line.startsWith(u'*'))
            continue;
        if (section == u"OPTIONS" && line.startsWith(u"*-")) {
            const int description = line.indexOf(u'\t');
            for (const auto &match : boldOption.globalMatch(line.left(description)))
                summary.options.insert(match.captured(1));
        } else if (section == u"COMMANDS") {
            const auto match = boldCommand.match(line);
            if (match.hasMatch())
                summary.commands.insert(match.captured(1));
        }
    }
    return summary;
}

QString HelpSummary::differencesFrom(const HelpSummary &other,
                                     const QString &thisName,
                                     const QString &otherName) const
{
    QStringList lines;
    addMissing(lines, options, other.options, thisName, otherName, u"options"_s);
    addMissing(lines, commands, other.commands, thisName, otherName, u"commands"_s);
    addMissing(lines, other.options, options, otherName, thisName, u"options"_s);
    addMissing(lines, other.commands, commands, otherName, thisName, u"commands"_s);
    return lines.join(u'\n');
}
