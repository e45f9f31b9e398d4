// The documents installed around the programs against the programs themselves: the manual pages
// and the shell completion must name exactly the options and commands that `--help` lists, and
// the desktop entry and AppStream metainfo must pass the validators that software centres use.

#include "toolrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

const QString packagingDir = QStringLiteral(ROAMLOG_PACKAGING_DIR);
const QString appId = u"io.github.roamlog.Roamlog"_s;

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The option and command names a document states; the wording around them may change freely.
struct Names
{
    QSet<QString> options;
    QSet<QString> commands;
};

// Sorted, so that a failure shows which names one side lacks.
std::string listed(const QSet<QString> &names)
{
    QStringList list = names.values();
    list.sort();
    return list.join(u' ').toStdString();
}

// Every --long option anywhere in a --help text, every -x option that begins an indented line,
// and the first word of each line of its "Commands:" list.
Names helpOf(const QString &program)
{
    static const QRegularExpression longOption(u"(?<![\\w-])(--[A-Za-z][\\w-]*)"_s);
    static const QRegularExpression shortOption(u"(?<![\\w-])(-[A-Za-z?])(?![\\w-])"_s);
    static const QRegularExpression commandLine(u"^  ([a-z][a-z0-9-]*)(?:\\s|$)"_s);
    const ToolRun help = ToolRun::run(program, {u"--help"_s});
    EXPECT_EQ(help.exitCode, 0) << help.error.toStdString() << help.err.toStdString();
    Names names;
    bool inCommands = false;
    for (const QString &line : help.out.split(u'\n')) {
        for (const auto &match : longOption.globalMatch(line))
            names.options.insert(match.captured(1));
        if (line.trimmed().startsWith(u'-') && line.startsWith(u' ')) {
            for (const auto &match : shortOption.globalMatch(line))
                names.options.insert(match.captured(1));
        }
        // A list of commands runs until the next heading, a line that is not indented.
        if (!line.isEmpty() && !line.startsWith(u' '))
            inCommands = line.trimmed().compare(u"Commands:"_s, Qt::CaseInsensitive) == 0;
        else if (inCommands && commandLine.match(line).hasMatch())
            names.commands.insert(commandLine.match(line).captured(1));
    }
    return names;
}

// The options defined in the OPTIONS section of a manual page's scdoc source and the commands
// defined in its COMMANDS section: lines that begin with a bold term.
Names manualPageOf(const QString &source)
{
    static const QRegularExpression heading(u"^#\\s+(.+?)\\s*$"_s);
    static const QRegularExpression boldOption(u"\\*(--?[A-Za-z?][\\w-]*)\\*"_s);
    static const QRegularExpression boldCommand(u"^\\*([a-z][a-z0-9-]*)\\*"_s);
    Names names;
    QString section;
    for (const QString &line : source.split(u'\n')) {
        const auto title = heading.match(line);
        if (title.hasMatch())
            section = title.captured(1).toUpper();
        // Definitions begin at the margin; their descriptions are indented by a tab.
        if (section == u"OPTIONS" && line.startsWith(u"*-")) {
            for (const auto &match : boldOption.globalMatch(line.left(line.indexOf(u'\t'))))
                names.options.insert(match.captured(1));
        } else if (section == u"COMMANDS" && boldCommand.match(line).hasMatch()) {
            names.commands.insert(boldCommand.match(line).captured(1));
        }
    }
    return names;
}

} // namespace

TEST(Documentation, ManualPagesDefineExactlyTheOptionsAndCommandsOfHelp)
{
    for (const auto &[program, manualSource] :
         {std::pair {ROAMLOG_PROGRAM, "roamlog.1.scd"},
          {ROAMLOG_HISTORY_PROGRAM, "roamlog-history.1.scd"}}) {
        SCOPED_TRACE(manualSource);
        const Names help = helpOf(QString::fromUtf8(program));
        ASSERT_TRUE(help.options.contains(u"--help"_s)) << "the --help text was not understood";
        const QString source = readText(packagingDir + u'/' + QString::fromUtf8(manualSource));
        ASSERT_FALSE(source.isEmpty());
        const Names page = manualPageOf(source);
        EXPECT_EQ(listed(page.options), listed(help.options));
        EXPECT_EQ(listed(page.commands), listed(help.commands));
    }
}

TEST(Documentation, BashCompletionOffersExactlyTheCommandsAndLongOptionsOfHelp)
{
    const QString bashCompletion = u"/usr/share/bash-completion/bash_completion"_s;
    if (!QFileInfo::exists(bashCompletion) || QStandardPaths::findExecutable(u"bash"_s).isEmpty())
        GTEST_SKIP() << "bash-completion is not installed";

    Names help = helpOf(QStringLiteral(ROAMLOG_HISTORY_PROGRAM));
    ASSERT_FALSE(help.commands.isEmpty()) << "the --help text lists no commands";
    // Completion offers the long spelling of an option only.
    help.options.removeIf([](const QString &name) { return !name.startsWith(u"--"); });

    // Each line typed is completed at its end; one line of offers comes back for each.
    const QString driver = uR"(
source "$1"
source "$2"
spec=$(complete -p roamlog-history) || exit 3
fn=${spec#*-F }
fn=${fn%% *}
shift 2
for line in "$@"; do
    read -ra COMP_WORDS <<< "$line"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    "$fn" roamlog-history "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    echo "${COMPREPLY[*]}"
done
)"_s;
    QStringList lines {u"roamlog-history "_s,
                       u"roamlog-history --json --data-dir /tmp "_s,
                       u"roamlog-history export --format "_s,
                       u"roamlog-history --"_s};
    for (const QString &command : std::as_const(help.commands))
        lines.append(u"roamlog-history "_s + command + u" --"_s);

    QStringList arguments = u"--norc --noprofile -c"_s.split(u' ');
    arguments << driver << u"completion-test"_s << bashCompletion
              << packagingDir + u"/roamlog-history.bash-completion"_s << lines;
    const ToolRun run = ToolRun::run(u"bash"_s, arguments);
    ASSERT_EQ(run.exitCode, 0) << run.error.toStdString() << run.err.toStdString();
    const QStringList offers = run.out.split(u'\n');
    ASSERT_GE(offers.size(), lines.size());
    const auto words = [&](int i) {
        const QStringList list = offers.at(i).split(u' ', Qt::SkipEmptyParts);
        return QSet<QString>(list.cbegin(), list.cend());
    };

    EXPECT_EQ(listed(words(0)), listed(help.commands));
    EXPECT_EQ(listed(words(1)), listed(help.commands))
        << "options and their values are not skipped";
    EXPECT_EQ(listed(words(2)), "csv json");
    QSet<QString> options;
    for (int i = 3; i < lines.size(); ++i)
        options |= words(i);
    EXPECT_EQ(listed(options), listed(help.options));
}

TEST(Documentation, DesktopEntryAndMetainfoPassTheirValidators)
{
    const struct
    {
        const char *tool;
        QStringList arguments;
    } validators[] = {
        {"desktop-file-validate", {packagingDir + u'/' + appId + u".desktop"_s}},
        {"appstreamcli",
         {u"validate"_s, u"--no-net"_s, packagingDir + u'/' + appId + u".metainfo.xml"_s}},
    };
    int ran = 0;
    for (const auto &validator : validators) {
        const QString tool = QStandardPaths::findExecutable(QString::fromUtf8(validator.tool));
        if (tool.isEmpty())
            continue;
        SCOPED_TRACE(validator.tool);
        ++ran;
        const ToolRun run = ToolRun::run(tool, validator.arguments);
        EXPECT_EQ(run.exitCode, 0)
            << run.error.toStdString() << run.out.toStdString() << run.err.toStdString();
        // desktop-file-validate exits with success on warnings; they are still faults here.
        EXPECT_FALSE(run.out.contains(u"warning:"_s) || run.err.contains(u"warning:"_s))
            << run.out.toStdString() << run.err.toStdString();
    }
    if (ran == 0)
        GTEST_SKIP() << "neither desktop-file-validate nor appstreamcli is installed";
}

TEST(Documentation, MetainfoAndChangelogDescribeThisVersion)
{
    const QString metainfo = readText(packagingDir + u'/' + appId + u".metainfo.xml"_s);
    // The software centre starts the launcher the metainfo names.
    EXPECT_TRUE(metainfo.contains(u"<id>"_s + appId + u"</id>"_s));
    EXPECT_TRUE(metainfo.contains(u"<launchable type=\"desktop-id\">"_s + appId + u".desktop<"_s));
    // The newest entry of each names the project's version.
    for (const auto &[text, entry] :
         {std::pair {metainfo, u"<release\\s+version=\"([^\"]+)\""_s},
          std::pair {readText(packagingDir + u"/changelog"_s), u"^roamlog \\(([^)]+)\\)"_s}})
        EXPECT_EQ(QRegularExpression(entry).match(text).captured(1).toStdString(), ROAMLOG_VERSION)
            << entry.toStdString();
}
