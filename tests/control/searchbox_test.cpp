#include "panelfixture.h"

#include "model/pagetextindex.h"
#include "views/searchbox.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

class SearchBoxTest : public PanelFixture
{
protected:
    // Every node key of the tree, in order of key.
    QStringList shownKeys()
    {
        QStringList keys = keysBelow();
        keys.sort();
        return keys;
    }

    // Types @p text into the box as the user does and waits for the tree to follow.
    void type(SearchBox *box, const QString &text)
    {
        QSignalSpy searched(box, &SearchBox::searched);
        box->clear();
        // Key by key, also letters that have no key code (Hebrew).
        for (const QChar letter : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(letter));
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(letter));
            QCoreApplication::sendEvent(box, &press);
            QCoreApplication::sendEvent(box, &release);
        }
        ASSERT_TRUE(searched.wait(5000));
        ASSERT_EQ(searched.count(), 1) << "one search for the whole word";
    }
};

TEST_F(SearchBoxTest, ShowsRecordsHoldingEveryWordWithTheirAncestors)
{
    // Three sites with a host record each (the recorder adds them), one with a Hebrew title.
    RoamPane1 &panel = showPanel();
    for (const auto &[url, title] :
         {std::pair {u"http://mysite.example/docs/"_s, u"Zeta docs"_s},
          std::pair {u"https://mysite.example/about"_s, u"Alpha about"_s},
          std::pair {u"http://he.example/%D7%A9%D7%9C%D7%95%D7%9D"_s, u"שלום עולם"_s}}) {
        m_clock.advance(5);
        panel.SetUrl(url);
        panel.UrlName(title);
    }
    clickTab(1);
    SearchBox *box = child<SearchBox>(u"SearchBox"_s);
    ASSERT_TRUE(box);
    const QStringList everything = shownKeys();

    EXPECT_TRUE(box->isVisible());
    QTest::keyClick(tree(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(box->hasFocus());

    struct Row
    {
        QString typed;
        int found;
        QStringList keys;
    };
    const Row rows[] = {
        // Title, case ignored; the host above the hit comes along.
        {u"ALPHA"_s, 1, {u"mysite.example"_s, u"mysite.example/about"_s}},
        // Every word must occur, each in any of title and URL.
        {u"docs  mysite"_s, 1, {u"mysite.example"_s, u"mysite.example/docs"_s}},
        {u"zeta alpha"_s, 0, {}},
        // A word found in several records; hosts match by their URL.
        {u"example"_s, 5, everything},
        // Hebrew in the title, and in the URL as it reads decoded.
        {u"עולם"_s, 1, {u"he.example"_s, u"he.example/%D7%A9%D7%9C%D7%95%D7%9D"_s}},
        {u"he.example/שלום"_s, 1, {u"he.example"_s, u"he.example/%D7%A9%D7%9C%D7%95%D7%9D"_s}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        type(box, row.typed);
        EXPECT_EQ(shownKeys(), row.keys);
        EXPECT_EQ(panel.StatusText(), u"Sites found: %1"_s.arg(row.found));
    }

    // The text kept of a page finds it too, and a click on it shows where the words stand.
    ASSERT_TRUE(panel.PageTexts());
    panel.PageTexts()->store(u"mysite.example/docs"_s,
                             u"Zeta docs"_s,
                             u"The quokka lives on Rottnest island"_s,
                             QDateTime::currentDateTimeUtc());
    type(box, u"quokka"_s);
    EXPECT_EQ(shownKeys(), (QStringList {u"mysite.example"_s, u"mysite.example/docs"_s}));
    clickNode(node(u"mysite.example/docs"_s));
    EXPECT_EQ(panel.StatusText(), u"In the page: The [quokka] lives on Rottnest island"_s);

    // A hit shows its title, and its URL in the tooltip.
    type(box, u"about"_s);
    const QModelIndex hit = tree()->Nodes().indexOf(node(u"mysite.example/about"_s));
    EXPECT_EQ(hit.data(Qt::DisplayRole).toString(), u"Alpha about"_s);
    EXPECT_TRUE(hit.data(Qt::ToolTipRole).toString().startsWith(u"mysite.example/about\n"_s));

    // Escape gives the tree back to its tab.
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_EQ(shownKeys(), everything);

    // So does another tab, which empties the box.
    type(box, u"about"_s);
    clickTab(0);
    EXPECT_TRUE(box->text().isEmpty());
    EXPECT_TRUE(node(u"mysite.example/docs"_s));
}

} // namespace
