#include "panelfixture.h"

#include "pagetextindex.h"
#include "timekey.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

using namespace Qt::StringLiterals;

namespace {

class PageTextPanelTest : public PanelFixture
{
protected:
    QStringList textKeys()
    {
        m_panel->PageTexts()->flush();
        return m_panel->PageTexts()->keys();
    }

    void query(const QString &text, const QString &field)
    {
        clickTab(4);
        child<QRadioButton>(u"qryOpt1"_s)->click();
        child<QRadioButton>(field)->click();
        child<QLineEdit>(u"qryString"_s)->setText(text);
        child<QPushButton>(u"qryResults"_s)->click();
    }
};

} // namespace

TEST_F(PageTextPanelTest, QueryFindsPagesByTheirTextAndDeletingForgetsIt)
{
    RoamPane1 &panel = twoSessions();
    PageTextIndex *index = panel.PageTexts();
    ASSERT_NE(index, nullptr);
    index->store(
        u"mysite.example/docs"_s, u"Docs"_s, u"The quokka lives on Rottnest"_s, secondStart);
    index->store(u"old.example/page"_s, u"Old page"_s, u"A quokka and a numbat"_s, firstStart);
    index->store(u"mysite.example/about"_s, u"About"_s, u"Contact us"_s, secondStart);
    query(u"QUOKKA"_s, u"qryOpt1_3"_s);
    EXPECT_NE(node(u"mysite.example/docs"_s), nullptr);
    EXPECT_NE(node(u"old.example/page"_s), nullptr);
    EXPECT_EQ(node(u"mysite.example/about"_s), nullptr);

    clickNode(node(u"mysite.example/docs"_s));
    EXPECT_EQ(panel.StatusText(), u"In the page: The [quokka] lives on Rottnest"_s);
    // A site found by its URL alone keeps the status the tree gives it.
    query(u"mysite"_s, u"qryOpt1_3"_s);
    clickNode(node(u"mysite.example/about"_s));
    EXPECT_EQ(panel.StatusText(), u"mysite.example/about"_s);

    // Only "All" looks into the text.
    query(u"quokka"_s, u"qryOpt1_1"_s);
    EXPECT_EQ(tree()->Count(), 1);

    // Deleting sites and sessions forgets their text.
    clickTab(1);
    m_answer = QMessageBox::Yes;
    clickNode(node(u"mysite.example/docs"_s), Qt::RightButton);
    menuItem(u"mnuDelete"_s)->trigger();
    closePopup();
    EXPECT_EQ(textKeys(), (QStringList {u"mysite.example/about"_s, u"old.example/page"_s}));

    clickTab(2);
    select(node(timeKey(firstStart)));
    QTest::keyClick(tree(), Qt::Key_Delete);
    EXPECT_EQ(textKeys(), QStringList {u"mysite.example/about"_s});

    for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
        m_answer = answer;
        child<QPushButton>(u"ForgetPageText"_s)->click();
        EXPECT_EQ(m_messages.last().text, u"Forget the text of every page you visited?"_s);
        EXPECT_EQ(textKeys().size(), answer == QMessageBox::Yes ? 0 : 1);
    }
}

TEST_F(PageTextPanelTest, ADamagedIndexIsReplacedAndTheStatusBarSaysSo)
{
    QFile damaged(PageTextIndex::fileName(dataFolder()));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray("no index here ").repeated(300));
    damaged.close();

    RoamPane1 &panel = showPanel();
    QCoreApplication::processEvents();
    EXPECT_TRUE(panel.InitialisationError().isEmpty());
    EXPECT_TRUE(panel.StatusText().contains(u"damaged"_s)) << panel.StatusText().toStdString();
    ASSERT_NE(panel.PageTexts(), nullptr);
    panel.PageTexts()->store(u"a.example"_s, u"A"_s, u"wombat"_s, secondStart);
    panel.PageTexts()->flush();
    EXPECT_EQ(panel.PageTexts()->search(u"wombat"_s, 5).size(), 1);
}
