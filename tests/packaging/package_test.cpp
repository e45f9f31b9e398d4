// The Debian package the build makes (`cpack -G DEB`, run by the fixture that precedes these
// tests): its fields, its file list, whether its programs run where it installs them, and
// lintian's verdict.

#include "toolrun.h"

#include <QDir>
#include <QMap>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class DebianPackageTest : public ::testing::Test
{
protected:
    // The build leaves these tests out where dpkg's tools are missing.
    void SetUp() override
    {
        const QDir dir(QStringLiteral(ROAMLOG_DEB_DIR));
        const QStringList debs = dir.entryList({u"roamlog_*.deb"_s}, QDir::Files);
        ASSERT_EQ(debs.size(), 1) << "expected one package in " << ROAMLOG_DEB_DIR;
        m_deb = dir.filePath(debs.first());
    }

    static QString output(const QString &tool, const QStringList &arguments)
    {
        const ToolRun run = ToolRun::run(tool, arguments);
        EXPECT_EQ(run.exitCode, 0)
            << tool.toStdString() << ": " << run.error.toStdString() << run.err.toStdString();
        return run.out.trimmed();
    }

    QString m_deb;
};

} // namespace

TEST_F(DebianPackageTest, FieldsFilesAndProgramsOfThePackage)
{
    QMap<QString, QString> fields;
    const QString text = output(u"dpkg-deb"_s, {u"--field"_s, m_deb});
    for (const QString &line : text.split(u'\n')) {
        const int colon = line.indexOf(u':');
        if (colon > 0 && !line.startsWith(u' '))
            fields.insert(line.left(colon), line.mid(colon + 1).trimmed());
    }
    EXPECT_EQ(fields.value(u"Package"_s), u"roamlog"_s);
    EXPECT_EQ(fields.value(u"Version"_s), QStringLiteral(ROAMLOG_VERSION));
    EXPECT_EQ(fields.value(u"Architecture"_s), output(u"dpkg"_s, {u"--print-architecture"_s}));

    // The libraries come from dpkg-shlibdeps; the browser and the fonts are named by hand.
    const QString depends = fields.value(u"Depends"_s);
    for (const QString &name : {u"chromium"_s, u"libc6"_s, u"libqt6core6"_s, u"libqt6widgets6"_s})
        EXPECT_TRUE(depends.contains(QRegularExpression(u"(^|[ ,|])"_s + name + u"\\b"_s)))
            << name.toStdString() << " missing from Depends: " << depends.toStdString();
    EXPECT_TRUE(fields.value(u"Recommends"_s).contains(u"culmus"_s));
    EXPECT_FALSE(fields.value(u"Description"_s).isEmpty());

    const QString multiarch = output(u"dpkg-architecture"_s, {u"-qDEB_HOST_MULTIARCH"_s});
    ASSERT_FALSE(multiarch.isEmpty());
    const QString privateLib = u"usr/lib/"_s + multiarch + u"/roamlog/"_s;

    // "drwxr-xr-x root/root 0 2026-12-07 01:58 ./usr/bin/roamlog -> Roamlog"
    static const QRegularExpression row(
        u"^(\\S+)\\s+(\\S+)\\s+\\d+\\s+\\S+\\s+\\S+\\s+\\./(.*?)(?: -> (.*))?$"_s);
    struct Entry
    {
        QString mode;
        QString owner;
        QString link;
    };
    QMap<QString, Entry> entries;
    for (const QString &line : output(u"dpkg-deb"_s, {u"--contents"_s, m_deb}).split(u'\n')) {
        const auto match = row.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        entries.insert(match.captured(3),
                       {match.captured(1), match.captured(2), match.captured(4)});
    }

    // Rows: a path, its mode.
    const std::pair<QString, QString> expected[] = {
        {u"usr/bin/Roamlog"_s, u"-rwxr-xr-x"_s},
        {u"usr/bin/roamlog"_s, u"lrwxrwxrwx"_s},
        {u"usr/bin/roamlog-history"_s, u"-rwxr-xr-x"_s},
        {privateLib + u"libRoamctl.so.1"_s, u"lrwxrwxrwx"_s},
        {u"usr/share/applications/io.github.roamlog.Roamlog.desktop"_s, u"-rw-r--r--"_s},
        {u"usr/share/metainfo/io.github.roamlog.Roamlog.metainfo.xml"_s, u"-rw-r--r--"_s},
        {u"usr/share/icons/hicolor/scalable/apps/roamlog.svg"_s, u"-rw-r--r--"_s},
        {u"usr/share/man/man1/roamlog.1.gz"_s, u"-rw-r--r--"_s},
        {u"usr/share/man/man1/Roamlog.1.gz"_s, u"lrwxrwxrwx"_s},
        {u"usr/share/man/man1/roamlog-history.1.gz"_s, u"-rw-r--r--"_s},
        {u"usr/share/bash-completion/completions/roamlog-history"_s, u"-rw-r--r--"_s},
        {u"usr/share/doc/roamlog/copyright"_s, u"-rw-r--r--"_s},
        {u"usr/share/doc/roamlog/changelog.gz"_s, u"-rw-r--r--"_s},
        {u"usr/share/roamlog/Read.me"_s, u"-rw-r--r--"_s},
    };
    for (const auto &[path, mode] : expected) {
        EXPECT_TRUE(entries.contains(path)) << path.toStdString() << " is missing";
        EXPECT_EQ(entries.value(path).mode, mode) << path.toStdString();
    }
    // The library's soname link resolves to a real file of the package.
    const QString soname = privateLib + u"libRoamctl.so.1"_s;
    EXPECT_EQ(entries.value(privateLib + entries.value(soname).link).mode.left(1), u"-"_s);

    for (auto it = entries.cbegin(); it != entries.cend(); ++it) {
        const std::string path = it.key().toStdString();
        EXPECT_EQ(it->owner, u"root/root"_s) << path;
        EXPECT_TRUE(it.key().startsWith(u"usr/"_s) || it.key().isEmpty()) << path;
        EXPECT_FALSE(it.key().startsWith(u"usr/local/"_s)) << path;
        // Nothing links against Roamctl from outside: no development link, no public library.
        EXPECT_FALSE(it.key().endsWith(u".so"_s)) << path << " is an unversioned library";
        if (it.key().contains(u".so."_s)) {
            EXPECT_TRUE(it.key().startsWith(privateLib)) << path << " is a public library";
        }
    }

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    output(u"dpkg-deb"_s, {u"--extract"_s, m_deb, root.path()});

    // The program finds its private library through its own RUNPATH, with no help.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"LD_LIBRARY_PATH"_s);
    for (const auto &[program, argument] : {std::pair {u"Roamlog"_s, u"--version"_s},
                                            {u"roamlog"_s, u"--version"_s},
                                            {u"roamlog-history"_s, u"--help"_s}}) {
        const ToolRun run = ToolRun::run(
            root.filePath(u"usr/bin/"_s + program), {argument}, 60000, environment);
        EXPECT_EQ(run.exitCode, 0) << run.error.toStdString() << run.err.toStdString();
        if (argument == u"--version"_s) {
            EXPECT_TRUE(run.out.contains(QStringLiteral(ROAMLOG_VERSION))) << run.out.toStdString();
        }
    }
}

TEST_F(DebianPackageTest, LintianReportsNoErrorsOrWarnings)
{
    const QString lintian = QStandardPaths::findExecutable(u"lintian"_s);
    if (lintian.isEmpty())
        GTEST_SKIP() << "lintian is not installed";
    const ToolRun run = ToolRun::run(lintian, {u"--tag-display-limit"_s, u"0"_s, m_deb}, 240000);
    ASSERT_TRUE(run.error.isEmpty()) << run.error.toStdString();
    // A warning is fixed, or explained by an override the package ships; it is never left.
    QStringList findings;
    for (const QString &line : run.out.split(u'\n')) {
        if (line.startsWith(u"E: "_s) || line.startsWith(u"W: "_s))
            findings.append(line);
    }
    EXPECT_TRUE(findings.isEmpty()) << findings.join(u'\n').toStdString();
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
}
