#include "panelfixture.h"

#include "model/filesizelimit.h"

#include "roamstore.h"

#include <QLabel>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

class PanelStoreTest : public PanelFixture
{
protected:
    // The text a part of the status bar shows, or nothing while it is hidden.
    static QString shown(const RoamPane1 &panel, const QString &part = u"sbrDBSaveState"_s)
    {
        const auto *label = panel.findChild<QLabel *>(part);
        return label && label->isVisibleTo(&panel) ? label->text() : QString();
    }
};

TEST_F(PanelStoreTest, ASecondPanelOnTheSameFolderOnlyShowsTheHistory)
{
    RoamPane1 &first = makePanel();
    first.SetUrl(u"http://a.example/page"_s);
    first.SetSession(true);
    EXPECT_EQ(shown(first), QString());
    const QString sessions = QDir(dataFolder()).filePath(u"Ses.sms"_s);
    const QByteArray sessionBytes = bytesOf(sessions);

    m_clock.advance(60);
    RoamPane1 second(*m_settings, m_clock, dataFolder(), false);
    const QString says = u"The data folder "_s + dataFolder() + u" is in use by Roamlog, process "_s
                         + QString::number(QCoreApplication::applicationPid())
                         + u": the history is only shown, browsing is not recorded"_s;
    EXPECT_TRUE(second.Store().ReadOnly());
    EXPECT_EQ(shown(second), says);
    EXPECT_EQ(second.LastMessage(), says + u'.');
    EXPECT_FALSE(second.ToolbarButton(1)->isEnabled());
    EXPECT_FALSE(second.ToolbarButton(2)->isEnabled());
    EXPECT_TRUE(second.Store().Files.Item(u"a.example/page"_s));

    // Nothing it is told reaches the folder, not even through the Record button.
    second.ToolbarButton(2)->trigger();
    EXPECT_FALSE(second.Recording());
    second.SetUrl(u"http://b.example/"_s);
    second.SetSession(true);
    EXPECT_FALSE(filesOnDisk().contains(u"b.example"_s));
    EXPECT_EQ(bytesOf(sessions), sessionBytes);
    EXPECT_EQ(second.LastMessage(), says + u'.');

    first.SetUrl(u"http://c.example/"_s);
    EXPECT_TRUE(filesOnDisk().contains(u"c.example"_s));
}

TEST_F(PanelStoreTest, UnsavedRecordsShowUntilWrittenAndAreNamedAtClose)
{
    RoamPane1 &panel = makePanel();
    {
        FileSizeLimit full(16);
        panel.SetUrl(u"http://a.example/page"_s);
    }
    // The page and its parent, and the sessions file naming the running session.
    EXPECT_EQ(shown(panel),
              u"Not saved: 3 records (File too large); written again at the next save"_s);
    EXPECT_TRUE(filesOnDisk().isEmpty());

    // Space is back: the next visit writes what was seen while the disk was full.
    panel.SetUrl(u"http://b.example/"_s);
    EXPECT_EQ(shown(panel), QString());
    EXPECT_EQ(filesOnDisk().keys(),
              (QStringList {u"a.example"_s, u"a.example/page"_s, u"b.example"_s}));
    EXPECT_TRUE(QFile::exists(QDir(dataFolder()).filePath(u"Ses.sms"_s)));

    {
        FileSizeLimit full(16);
        panel.SetUrl(u"http://c.example/"_s);
        panel.SetSession(true);
    }
    EXPECT_NE(shown(panel), QString());
    EXPECT_EQ(panel.LastMessage(),
              u"3 records could not be written to the data folder "_s + dataFolder()
                  + u" (File too large) and are lost when Roamlog closes."_s);
}

TEST_F(PanelStoreTest, AFolderThatCannotBeMadeOrWrittenIsReportedAtStart)
{
    // Root writes through folder permissions; nobody makes or writes files in /proc/self.
    QString unwritable = u"/proc/self"_s;
    if (::geteuid() != 0) {
        unwritable = m_dir.filePath(u"Locked"_s);
        QDir().mkpath(unwritable);
        ::chmod(QFile::encodeName(unwritable).constData(), 0500);
    }
    RoamPane1 &written = makePanel(unwritable);
    EXPECT_TRUE(
        shown(written).startsWith(u"The data folder "_s + unwritable + u" cannot be written: "_s))
        << shown(written).toStdString();
    EXPECT_TRUE(written.InitialisationError().isEmpty());

    // A folder that cannot be made: the panel says so and goes on with an empty record.
    RoamPane1 &made = makePanel(unwritable + u"/Data"_s);
    EXPECT_EQ(made.InitialisationError(),
              u"Unexpected Error: Path not found: "_s + unwritable + u"/Data"_s);
    EXPECT_EQ(made.Store().AllSessions.Count(), 1);
    EXPECT_EQ(made.TreeView1()->Count(), 1);
}

TEST_F(PanelStoreTest, UnreadableAndPartlyReadableFilesAreCountedAndKeptAside)
{
    EXPECT_EQ(shown(makePanel(), u"sbrDBUnreadable"_s), QString());
    // The second visit is cut off: the record holds only the first.
    const QByteArray damaged
        = "\"a.example\",\"A\",1\r\n"
          "2,0,\" \"\r\n"
          "\"S\",#2023-12-01 10:00:00#,#2023-12-01 10:00:01#,#2023-12-01 10:00:09#,\"\"\r\n"
          "\"S\",#2023-12-02 10:00:00#,#2023-12-02";
    const QString path = QDir(dataFolder()).filePath(u"0001.smf"_s);
    const QString bad = QDir(dataFolder()).filePath(u"bad.smf"_s);
    for (const auto &[name, bytes] :
         {std::pair {path, damaged}, std::pair {bad, QByteArray("not a site file\r\n")}}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    RoamPane1 &panel = makePanel();
    EXPECT_EQ(shown(panel, u"sbrDBUnreadable"_s), u"Unreadable site files: 2"_s);
    EXPECT_TRUE(panel.Store().Files.Item(u"a.example"_s));

    panel.SetUrl(u"http://a.example/"_s);
    EXPECT_EQ(bytesOf(path + u".damaged"_s), damaged);
    ASSERT_TRUE(filesOnDisk().contains(u"a.example"_s));
    EXPECT_EQ(filesOnDisk().value(u"a.example"_s)->Sessions.Count(), 2);
}

} // namespace
