#include "panelfixture.h"

#include "control/pagetextpanel.h"
#include "roamstore.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

class ToolbarTest : public PanelFixture
{
protected:
    // The host's part: it answers GetTitle and GetURL with what the browser shows.
    RoamPane1 &panelWithBrowser(qint16 lang = 0)
    {
        RoamPane1 &panel = showPanel(lang);
        QObject::connect(&panel, &RoamPane1::GetTitle, &panel, [this, &panel] {
            m_asked.append(u"GetTitle"_s);
            panel.UrlName(m_browserTitle);
        });
        QObject::connect(&panel, &RoamPane1::GetURL, &panel, [this, &panel] {
            m_asked.append(u"GetURL"_s);
            panel.SetUrl(m_browserUrl);
        });
        panel.SetFolderAsker([this](int index) {
            m_folderAsks.append(index);
            return m_folderAnswer;
        });
        return panel;
    }

    void browse(RoamPane1 &panel, const QString &url, const QString &title)
    {
        m_browserUrl = url;
        m_browserTitle = title;
        m_clock.advance(5);
        panel.SetUrl(url);
        panel.UrlName(title);
    }

    QString favoritesFolder(const QString &name)
    {
        const QString path = m_dir.filePath(u"Favorites/"_s + name);
        QDir().mkpath(path);
        return path;
    }

    QString m_browserUrl;
    QString m_browserTitle;
    QString m_folderAnswer;
    QList<int> m_folderAsks;
    QStringList m_asked;
};

TEST_F(ToolbarTest, KeysReachEveryButtonAndThePauseShows)
{
    for (const qint16 lang : {qint16(0), qint16(500)}) {
        RoamPane1 &panel = panelWithBrowser(lang);
        panel.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));

        // One key pauses and resumes; the status bar says so while paused.
        QTest::keyClick(panel.TreeView1(), Qt::Key_P, Qt::ControlModifier);
        EXPECT_FALSE(panel.Recording());
        EXPECT_TRUE(panel.PausedPanel()->isVisible());
        EXPECT_EQ(panel.PausedPanel()->text(), lang ? u"ההקלטה מושהית"_s : u"Recording paused"_s);
        // Other status texts do not hide it.
        panel.SetStatusText(u"mysite.example"_s);
        EXPECT_TRUE(panel.PausedPanel()->isVisible());
        QTest::keyClick(panel.TreeView1(), Qt::Key_P, Qt::ControlModifier);
        EXPECT_TRUE(panel.Recording());
        EXPECT_FALSE(panel.PausedPanel()->isVisible());

        // Ctrl+1 to Ctrl+7 are the favorites buttons 3 to 9.
        m_folderAsks.clear();
        m_folderAnswer.clear();
        QTest::keyClick(panel.TreeView1(), Qt::Key_1, Qt::ControlModifier);
        QTest::keyClick(panel.TreeView1(), Qt::Key_7, Qt::ControlModifier);
        EXPECT_EQ(m_folderAsks, (QList<int> {3, 9})) << lang;
    }
}

TEST_F(ToolbarTest, FavoritesButtonBindsOnceAndWritesTheShortcut)
{
    RoamPane1 &panel = panelWithBrowser();
    const QString news = favoritesFolder(u"News"_s);
    browse(panel, u"http://host/dir/"_s, u"My page"_s);
    m_folderAnswer = news;

    clickToolbarButton(5);
    EXPECT_EQ(m_folderAsks, QList<int> {5});
    EXPECT_EQ(m_asked, (QStringList {u"GetTitle"_s, u"GetURL"_s}));
    QAction *button = panel.ToolbarButton(5);
    EXPECT_EQ(button->property("Tag").toString(), news);
    EXPECT_EQ(button->toolTip(), u"Add to News"_s);
    EXPECT_EQ(stored(u"ToolBar/5"_s), news + u",Add to News"_s);
    // The browser's own URL, scheme and all, so that the shortcut opens.
    EXPECT_EQ(bytesOf(news + u"/My page.url"_s),
              QByteArray("[InternetShortcut]\r\nURL=http://host/dir/\r\n"));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.at(0).text, u"My page was added to favorites"_s);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Information);

    // Bound now: no dialog, and a page the host reports only when asked is recorded first. A
    // title naming a path stays a file name inside the folder.
    m_browserUrl = u"https://host/other"_s;
    m_browserTitle = u"../Other page"_s;
    clickToolbarButton(5);
    EXPECT_EQ(m_folderAsks.size(), 1);
    EXPECT_EQ(panel.CurrentUrl(), u"host/other"_s);
    EXPECT_EQ(bytesOf(news + u"/_Other page.url"_s),
              QByteArray("[InternetShortcut]\r\nURL=https://host/other\r\n"));
    EXPECT_EQ(m_messages.last().text, u"../Other page was added to favorites"_s);

    // After a restart "Change folder" from the toolbar's own menu opens the dialog again, on
    // any button.
    RoamPane1 &again = panelWithBrowser();
    browse(again, u"http://host/third"_s, u"Third"_s);
    clickToolbarButton(6, Qt::RightButton);
    EXPECT_TRUE(again.mnuToolTip()->isVisible());
    menuItem(u"mnuChangefolder"_s)->trigger();
    again.mnuToolTip()->hide();
    EXPECT_TRUE(again.ResetFavorites());
    const QString work = favoritesFolder(u"Work, old"_s);
    m_folderAnswer = work;
    clickToolbarButton(5);
    EXPECT_EQ(m_folderAsks.size(), 2);
    EXPECT_FALSE(again.ResetFavorites());
    EXPECT_EQ(stored(u"ToolBar/5"_s), work + u",Add to Work, old"_s);
    EXPECT_TRUE(QFile::exists(work + u"/Third.url"_s));

    // A folder with a comma in its name keeps its whole path after a restart.
    RoamPane1 &third = showPanel();
    EXPECT_EQ(third.ToolbarButton(5)->property("Tag").toString(), work);
    EXPECT_EQ(third.ToolbarButton(5)->toolTip(), u"Add to Work, old"_s);
}

TEST_F(ToolbarTest, CancelAndFailuresWriteNothingAndSaySo)
{
    RoamPane1 &panel = panelWithBrowser();
    browse(panel, u"http://host/page"_s, u"Page"_s);
    const auto before = snapshot(m_dir.path());

    // Cancelled on an unbound button: nothing asked of the host, nothing written.
    m_folderAnswer.clear();
    clickToolbarButton(7);
    EXPECT_EQ(m_folderAsks, QList<int> {7});
    EXPECT_TRUE(m_asked.isEmpty());
    EXPECT_EQ(panel.ToolbarButton(7)->property("Tag").toString(), u"Favorites"_s);
    EXPECT_TRUE(stored(u"ToolBar/7"_s).isEmpty());
    EXPECT_EQ(snapshot(m_dir.path()), before);
    EXPECT_TRUE(m_messages.isEmpty());

    // A bound folder that has gone: a message says why, no success is claimed.
    const QString gone = favoritesFolder(u"Gone"_s);
    m_folderAnswer = gone;
    QDir(gone).removeRecursively();
    clickToolbarButton(7);
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Warning);
    EXPECT_TRUE(m_messages.at(0).text.startsWith(u"Page could not be added to favorites: "_s))
        << m_messages.at(0).text.toStdString();
    EXPECT_TRUE(m_messages.at(0).text.contains(u"does not exist"_s));
    EXPECT_FALSE(QFile::exists(gone));

    // Paused with no page recorded: the host's answer is not taken, nothing is written.
    panelWithBrowser();
    const QString folder = favoritesFolder(u"Quiet"_s);
    m_folderAnswer = folder;
    clickToolbarButton(1);
    m_browserUrl = u"http://host/unrecorded"_s;
    clickToolbarButton(8);
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(m_messages.size(), 1);
}

TEST_F(ToolbarTest, NeverRecordRulesOnTheOptionsPage)
{
    RoamPane1 &panel = panelWithBrowser();
    clickTab(5);
    auto *edit = child<QLineEdit>(u"NeverRecordEdit"_s);
    auto *add = child<QPushButton>(u"NeverRecordAdd"_s);
    auto *list = child<QListWidget>(u"NeverRecordList"_s);
    ASSERT_TRUE(edit->isVisible());
    QTest::keyClicks(edit, u"  private.example "_s);
    QTest::mouseClick(add, Qt::LeftButton);
    QTest::keyClicks(edit, u"example.org/secret"_s);
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(list->count(), 2);
    EXPECT_TRUE(edit->text().isEmpty());
    QSettings ini(m_dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
    EXPECT_EQ(ini.value(u"Options/NeverRecord"_s).toStringList().join(u' '),
              u"private.example example.org/secret"_s);

    // Pages under a rule leave nothing on disk; their titles do not reach the open page.
    browse(panel, u"http://example.org/open"_s, u"Open"_s);
    const auto before = snapshot(dataFolder());
    browse(panel, u"https://www.PRIVATE.example/inbox"_s, u"Inbox"_s);
    panel.Activity(u"http://example.org/secret/file.zip"_s);
    panel.Activity(u"http://private.example/file.zip"_s);
    EXPECT_EQ(snapshot(dataFolder()), before);
    EXPECT_EQ(panel.CurrentUrl(), u"example.org/open"_s);
    EXPECT_EQ(panel.Store().Files.Item(u"example.org/open"_s)->Title, u"Open"_s);

    // Its shortcut still takes the page the browser shows.
    const QString folder = favoritesFolder(u"Mail"_s);
    m_folderAnswer = folder;
    clickToolbarButton(4);
    EXPECT_EQ(bytesOf(folder + u"/Inbox.url"_s),
              QByteArray("[InternetShortcut]\r\nURL=https://www.PRIVATE.example/inbox\r\n"));
    EXPECT_EQ(snapshot(dataFolder()), before);

    // Page text is kept only while recording, with the option on, of pages under no rule.
    auto *keep = child<QCheckBox>(u"KeepPageText"_s);
    ASSERT_TRUE(keep->isChecked());
    const struct
    {
        const char *name;
        bool paused;
        bool optionOn;
        QString url;
        bool kept;
    } rows[] = {
        {"recording", false, true, u"https://example.org/open"_s, true},
        {"never-record rule", false, true, u"https://www.private.example/a"_s, false},
        {"paused", true, true, u"https://example.org/open"_s, false},
        {"option off", false, false, u"https://example.org/open"_s, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        clickToolbarButton(row.paused ? 1 : 2);
        if (keep->isChecked() != row.optionOn)
            keep->click();
        EXPECT_EQ(panel.KeepsPageText(row.url), row.kept);
    }

    // The rules and the page text choice come back at the next start; a removed rule records
    // again.
    RoamPane1 &again = showPanel();
    EXPECT_FALSE(again.PageText()->keeps());
    clickTab(5);
    auto *rules = child<QListWidget>(u"NeverRecordList"_s);
    ASSERT_EQ(rules->count(), 2);
    rules->setCurrentRow(0);
    QTest::mouseClick(child<QPushButton>(u"NeverRecordRemove"_s), Qt::LeftButton);
    ini.sync();
    EXPECT_EQ(ini.value(u"Options/NeverRecord"_s).toStringList(),
              QStringList {u"example.org/secret"_s});
    again.SetUrl(u"http://private.example/inbox"_s);
    EXPECT_EQ(again.CurrentUrl(), u"private.example/inbox"_s);
    again.SetUrl(u"http://example.org/secret/x"_s);
    EXPECT_EQ(again.CurrentUrl(), u"private.example/inbox"_s);
}

} // namespace
