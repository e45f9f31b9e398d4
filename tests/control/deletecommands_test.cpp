#include "panelfixture.h"

#include "model/filesizelimit.h"

#include "roamstore.h"
#include "sessionsites.h"
#include "timekey.h"
#include "views/outlinebuilder.h"

using namespace Qt::StringLiterals;

namespace {

class DeleteCommandsTest : public PanelFixture
{
protected:
    void visit(const QString &url)
    {
        m_clock.advance(5);
        m_panel->SetUrl(url);
    }

    // The sites under the Chrono node of the session begun at @p start, in the tree's order.
    QString chronoSites(const QDateTime &start)
    {
        clickTab(0);
        clickTab(2);
        QStringList urls;
        if (OutlineNode *session = node(timeKey(start))) {
            for (const QString &key : keysBelow(session).mid(1))
                urls.append(key.section(u'#', 0, 0));
        }
        return urls.join(u' ');
    }

    // The store's index followed every change: it is what a build from the records makes.
    void expectIndexAsBuilt()
    {
        RoamStore &store = m_panel->Store();
        SessionSites built;
        built.Build(store.Files);
        SessionSites &index = store.SessionIndex();
        EXPECT_TRUE(index.Matches(store.Files));
        QList<qint64> have = index.Sessions();
        QList<qint64> want = built.Sessions();
        std::sort(have.begin(), have.end());
        std::sort(want.begin(), want.end());
        ASSERT_EQ(have, want);
        for (const qint64 session : std::as_const(want))
            EXPECT_EQ(*index.SitesOf(session), *built.SitesOf(session)) << session;
    }

    void selectAndDelete(OutlineNode *item)
    {
        select(item);
        QTest::keyClick(tree(), Qt::Key_Delete);
    }

    std::string fileOf(const QString &url)
    {
        const QString path = m_panel->Store().Files.Item(url)->FileName;
        return QDir(dataFolder()).relativeFilePath(path).toStdString();
    }
};

TEST_F(DeleteCommandsTest, DeletesAskThenRemoveSessionsAndSitesEverywhere)
{
    RoamPane1 &panel = twoSessions();
    // The old page again: two sites with visits in both sessions.
    visit(u"http://old.example/page"_s);
    expectIndexAsBuilt();
    EXPECT_EQ(chronoSites(firstStart), u"old.example old.example/page"_s);
    // Recorded while Chrono shows: the next build has it, in visit order.
    visit(u"http://late.example/"_s);
    visit(u"http://mysite.example/docs/"_s);
    expectIndexAsBuilt();
    const QString mysite = u"mysite.example mysite.example/docs mysite.example/about"_s;
    EXPECT_EQ(chronoSites(secondStart), mysite + u" old.example old.example/page late.example"_s);

    // The root is not deleted; No, the default answer, keeps everything.
    const auto before = snapshot(dataFolder());
    selectAndDelete(tree()->Node(1));
    m_answer = QMessageBox::No;
    selectAndDelete(node(timeKey(firstStart)));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_EQ(m_messages.at(0).icon, QMessageBox::Question);
    EXPECT_EQ(snapshot(dataFolder()), before);
    EXPECT_NE(node(timeKey(firstStart)), nullptr);

    // The old session goes with its visits, in memory, in the tree and on disk; the files of
    // sites it did not hold are untouched.
    m_answer = QMessageBox::Yes;
    selectAndDelete(node(timeKey(firstStart)));
    EXPECT_EQ(node(timeKey(firstStart)), nullptr);
    EXPECT_FALSE(panel.Store().AllSessions.Item(timeKey(firstStart)));
    expectIndexAsBuilt();
    EXPECT_TRUE(chronoSites(firstStart).isEmpty());
    EXPECT_NE(node(chronoKey(u"old.example/page"_s, secondStart)), nullptr);
    auto changed = before;
    auto after = snapshot(dataFolder());
    for (const std::string &name :
         {fileOf(u"old.example"_s), fileOf(u"old.example/page"_s), std::string("Ses.sms")}) {
        EXPECT_NE(after[name], changed[name]) << name;
        after.erase(name);
        changed.erase(name);
    }
    EXPECT_EQ(after, changed);
    EXPECT_EQ(filesOnDisk().value(u"old.example/page"_s)->Sessions.Count(), 1);
    RoamStore reread(dataFolder(), m_clock);
    reread.ReadDataFolder();
    EXPECT_FALSE(reread.AllSessions.Item(timeKey(firstStart)));
    EXPECT_TRUE(reread.AllSessions.Item(timeKey(secondStart)));
    EXPECT_TRUE(QDir(dataFolder()).entryList({u"*.tmp"_s, u"*~"_s}, QDir::Files).isEmpty());

    // A site goes from every session it was in, after the question.
    clickTab(1);
    clickNode(node(u"late.example"_s), Qt::RightButton);
    menuItem(u"mnuDelete"_s)->trigger();
    closePopup();
    EXPECT_EQ(m_messages.last().text,
              u"Delete the record of this site, with its visits and note?"_s);
    EXPECT_FALSE(panel.Store().Files.Item(u"late.example"_s));
    expectIndexAsBuilt();
    EXPECT_EQ(chronoSites(secondStart), mysite + u" old.example old.example/page"_s);

    // A site with pages loses its nodes below it but not their records, which come back in the
    // next build; a site whose file is already gone still goes.
    clickTab(1);
    selectAndDelete(node(u"old.example"_s));
    EXPECT_EQ(node(u"old.example/page"_s), nullptr);
    EXPECT_TRUE(panel.Store().Files.Item(u"old.example/page"_s));
    EXPECT_FALSE(panel.Builder().OutlineNodes().Item(u"old.example/page"_s));
    ASSERT_TRUE(QFile::remove(panel.Store().Files.Item(u"mysite.example/about"_s)->FileName));
    selectAndDelete(node(u"mysite.example/about"_s));
    EXPECT_EQ(node(u"mysite.example/about"_s), nullptr);
    EXPECT_FALSE(panel.Store().Files.Item(u"mysite.example/about"_s));
    EXPECT_EQ(filesOnDisk().keys().join(u' '),
              u"mysite.example mysite.example/docs old.example/page"_s);
    clickTab(0);
    clickTab(1);
    EXPECT_NE(node(u"old.example/page"_s), nullptr);
    EXPECT_EQ(panel.Store().UnsavedCount(), 0);
}

TEST_F(DeleteCommandsTest, ASecondDeleteWhileOneRunsIsRefused)
{
    RoamPane1 &panel = twoSessions();
    m_answer = QMessageBox::Yes;
    clickTab(2);
    QAction *deleteItem = menuItem(u"mnuDelete"_s);
    bool ran = false;
    bool enabled = true;
    qsizetype questions = 0;
    // Comes while the first delete writes its files: the window is painted meanwhile, and a
    // timer may fire.
    QTimer::singleShot(0, &panel, [&] {
        ran = true;
        enabled = deleteItem->isEnabled();
        select(node(timeKey(secondStart)));
        deleteItem->trigger();
        QTest::keyClick(tree(), Qt::Key_Delete);
        questions = m_messages.size();
    });
    selectAndDelete(node(timeKey(firstStart)));
    ASSERT_TRUE(ran);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(deleteItem->isEnabled());

    // The first delete is whole, on disk too; the running session is untouched.
    EXPECT_FALSE(panel.Store().AllSessions.Item(timeKey(firstStart)));
    EXPECT_TRUE(panel.Store().AllSessions.Item(timeKey(secondStart)));
    EXPECT_EQ(panel.Store().UnsavedCount(), 0);
    EXPECT_EQ(filesOnDisk().value(u"old.example/page"_s)->Sessions.Count(), 0);
    EXPECT_EQ(filesOnDisk().value(u"mysite.example/docs"_s)->Sessions.Count(), 1);
    expectIndexAsBuilt();
}

TEST_F(DeleteCommandsTest, AFailedWriteDuringASessionDeleteStaysUnsavedUntilItCanBeWritten)
{
    RoamPane1 &panel = twoSessions();
    m_answer = QMessageBox::Yes;
    panel.Store().SetLogger([](const QString &) {});
    clickTab(2);
    // A site whose file no longer fits once rewritten.
    const CFilePtr big = panel.Store().Files.Item(u"old.example/page"_s);
    big->Title = QString(6000, u'x');
    const QByteArray oldBig = bytesOf(big->FileName);
    {
        FileSizeLimit full(4096);
        selectAndDelete(node(timeKey(firstStart)));
    }
    // Memory and tree lost the session at once; the file that failed keeps its old bytes and
    // stays unsaved, the others are written.
    EXPECT_EQ(node(timeKey(firstStart)), nullptr);
    EXPECT_FALSE(panel.Store().AllSessions.Item(timeKey(firstStart)));
    EXPECT_EQ(big->Sessions.Count(), 0);
    EXPECT_EQ(panel.Store().UnsavedCount(), 1);
    EXPECT_FALSE(panel.Store().WriteError().isEmpty());
    EXPECT_EQ(bytesOf(big->FileName), oldBig);
    EXPECT_EQ(filesOnDisk().value(u"old.example"_s)->Sessions.Count(), 0);

    EXPECT_TRUE(panel.Store().RetryUnsaved());
    EXPECT_EQ(filesOnDisk().value(u"old.example/page"_s)->Sessions.Count(), 0);
    expectIndexAsBuilt();
}

} // namespace
