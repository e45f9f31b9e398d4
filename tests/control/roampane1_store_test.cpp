#include "panelfixture.h"

#include "model/filesizelimit.h"

#include "control/navigationrecorder.h"
#include "roamstore.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// Readable failure messages for the texts shown.
void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

QLabel *saveState(const RoamPane1 &panel)
{
    return panel.findChild<QLabel *>(u"sbrDBSaveState"_s);
}

bool shows(const RoamPane1 &panel)
{
    return saveState(panel) && saveState(panel)->isVisibleTo(&panel);
}

} // namespace

class PanelStoreTest : public PanelFixture
{ };

TEST_F(PanelStoreTest, ASecondPanelOnTheSameFolderOnlyShowsTheHistory)
{
    RoamPane1 &first = makePanel();
    first.SetUrl(u"http://a.example/page"_s);
    first.SetSession(true);
    EXPECT_FALSE(shows(first));
    const QString sessions = QDir(dataFolder()).filePath(u"Ses.sms"_s);
    const QByteArray sessionBytes = bytesOf(sessions);

    m_clock.advance(60);
    RoamPane1 second(*m_settings, m_clock, dataFolder(), false);
    const QString says = u"The data folder "_s + dataFolder() + u" is in use by Roamlog, process "_s
                         + QString::number(QCoreApplication::applicationPid())
                         + u": the history is only shown, browsing is not recorded"_s;
    EXPECT_TRUE(second.Store().ReadOnly());
    ASSERT_TRUE(shows(second));
    EXPECT_EQ(saveState(second)->text(), says);
    EXPECT_EQ(second.LastMessage(), says + u'.');
    EXPECT_FALSE(second.Recording());
    EXPECT_FALSE(second.ToolbarButton(1)->isEnabled());
    EXPECT_FALSE(second.ToolbarButton(2)->isEnabled());
    // It still shows what the first one recorded.
    EXPECT_TRUE(second.Store().Files.Item(u"a.example/page"_s));

    // Nothing it is told reaches the folder, not even through the Record button.
    second.ToolbarButton(2)->trigger();
    EXPECT_FALSE(second.Recording());
    second.SetUrl(u"http://b.example/"_s);
    second.SetSession(true);
    EXPECT_FALSE(filesOnDisk().contains(u"b.example"_s));
    EXPECT_EQ(bytesOf(sessions), sessionBytes);
    EXPECT_EQ(second.LastMessage(), says + u'.');

    // The first one goes on recording.
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
    ASSERT_TRUE(shows(panel));
    EXPECT_EQ(saveState(panel)->text(),
              u"Not saved: 3 records (File too large); written again at the next save"_s);
    EXPECT_TRUE(filesOnDisk().isEmpty());

    // Space is back: the next visit writes what was seen while the disk was full.
    panel.SetUrl(u"http://b.example/"_s);
    EXPECT_FALSE(shows(panel));
    const auto onDisk = filesOnDisk();
    for (const QString &url : {u"a.example/page"_s, u"a.example"_s, u"b.example"_s})
        EXPECT_TRUE(onDisk.contains(url)) << url.toStdString();
    EXPECT_TRUE(QFile::exists(QDir(dataFolder()).filePath(u"Ses.sms"_s)));

    {
        FileSizeLimit full(16);
        panel.SetUrl(u"http://c.example/"_s);
        panel.SetSession(true);
    }
    EXPECT_TRUE(shows(panel));
    const QString lost = u"3 records could not be written to the data folder "_s + dataFolder()
                         + u" (File too large) and are lost when Roamlog closes."_s;
    EXPECT_EQ(panel.LastMessage().toStdString(), lost.toStdString());
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
    ASSERT_TRUE(shows(written));
    EXPECT_TRUE(saveState(written)->text().startsWith(u"The data folder "_s + unwritable
                                                      + u" cannot be written: "_s))
        << saveState(written)->text().toStdString();
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
    // The second visit is cut off: the record holds only the first.
    const QByteArray damaged
        = "\"a.example\",\"A\",1\r\n"
          "2,0,\" \"\r\n"
          "\"S\",#2023-12-01 10:00:00#,#2023-12-01 10:00:01#,#2023-12-01 10:00:09#,\"\"\r\n"
          "\"S\",#2023-12-02 10:00:00#,#2023-12-02";
    EXPECT_FALSE(makePanel().findChild<QLabel *>(u"sbrDBUnreadable"_s)->isVisibleTo(m_panel.get()));
    const QString path = QDir(dataFolder()).filePath(u"0001.smf"_s);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(damaged);
    file.close();
    QFile bad(QDir(dataFolder()).filePath(u"bad.smf"_s));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a site file\r\n");
    bad.close();

    RoamPane1 &panel = makePanel();
    const auto *unreadable = panel.findChild<QLabel *>(u"sbrDBUnreadable"_s);
    ASSERT_TRUE(unreadable);
    EXPECT_TRUE(unreadable->isVisibleTo(&panel));
    EXPECT_EQ(unreadable->text(), u"Unreadable site files: 2"_s);
    EXPECT_TRUE(panel.Store().Files.Item(u"a.example"_s));

    panel.SetUrl(u"http://a.example/"_s);
    EXPECT_EQ(bytesOf(path + u".damaged"_s), damaged);
    const auto onDisk = filesOnDisk();
    ASSERT_TRUE(onDisk.contains(u"a.example"_s));
    EXPECT_EQ(onDisk.value(u"a.example"_s)->Sessions.Count(), 2);
}
