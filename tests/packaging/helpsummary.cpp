#include "helpsummary.h"

#include <QRegularExpression>

#include <algorithm>

using namespace Qt::StringLiterals;

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
    const auto missing =
        [&](const QSet<QString> &have, const QSet<QString> &want, bool mine, const QString &kind) {
            QStringList names = (want - have).values();
            std::sort(names.begin(), names.end());
            if (!names.isEmpty())
                lines.append(u"%1 lacks %2 that %3 has: %4"_s.arg(mine ? thisName : otherName,
                                                                  kind,
                                                                  mine ? otherName : thisName,
                                                                  names.join(u", "_s)));
        };
    missing(options, other.options, true, u"options"_s);
    missing(commands, other.commands, true, u"commands"_s);
    missing(other.options, options, false, u"options"_s);
    missing(other.commands, commands, false, u"commands"_s);
    return lines.join(u'\n');
}
