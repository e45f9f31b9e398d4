#include "dialogtesthelpers.h"

#include "dialogs/frmsitessessions.h"

#include <QHeaderView>
#include <QTreeWidget>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

const QString url = u"example.com/dir"_s;

// A visit in session `ses` from `from` to `to` with the query `p`.
CSession visit(QDateTime ses, QDateTime from, QDateTime to, QString p = {})
{
    return {ses, p, from, to};
}

QTreeWidget *list(QWidget &dialog)
{
    return dialog.findChild<QTreeWidget *>(u"ListView1"_s);
}

// A column's cells, top to bottom, joined by "|".
QString column(QWidget &dialog, int c)
{
    QStringList texts;
    for (int i = 0; i < list(dialog)->topLevelItemCount(); ++i)
        texts << list(dialog)->topLevelItem(i)->text(c);
    return texts.join(u'|');
}

void clickHeader(QWidget &dialog, int c)
{
    QHeaderView *header = list(dialog)->header();
    const QPoint point(header->sectionViewportPosition(c) + header->sectionSize(c) / 2,
                       header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
}

struct Site : Fixture
{
    CLocale locale;
    CFilePtr site = addSite(url, u"Dir page"_s, u"a note"_s);

    void add(const CSession &visit) { site->Sessions.Add(visit); }
};

} // namespace

TEST(FrmSitesSessions, CellTextsAndDurations)
{
    Site f;
    const QDateTime session = at(2024, 3, 5, 9, 0, 0);
    const QDateTime base = at(2024, 3, 5, 9, 5, 30);
    const int seconds[] = {0, 45, 59, 60, 61, 3600, 6000, -5};
    for (int i = 0; i < 8; ++i) {
        const QDateTime start = base.addSecs(i * 10000);
        f.add(visit(session, start, start.addSecs(seconds[i]), u"q=%1"_s.arg(i)));
    }
    f.add(visit(zeroDateTime(), base.addSecs(8 * 10000), zeroDateTime()));
    ASSERT_TRUE(f.store->GetCFile(url));

    frmSitesSessions dialog(*f.store, 0);
    EXPECT_EQ(column(dialog, frmSitesSessions::ForColumn),
              u"0:00|0:45|0:59|01:00|01:01|60:00|100:00|0:-05| - "_s);
    // Hours 00-23, the next day's too; the zero date shows as a time only.
    EXPECT_EQ(column(dialog, frmSitesSessions::FromColumn),
              u"09:05|11:52|14:38|17:25|20:12|22:58|01:45|04:32|07:18"_s);
    const QString sessions = column(dialog, frmSitesSessions::SessionColumn);
    EXPECT_TRUE(sessions.startsWith(u"5 Mar 2024 09:00:00|"_s));
    EXPECT_TRUE(sessions.endsWith(u"|00:00:00"_s));
    EXPECT_TRUE(column(dialog, frmSitesSessions::ParamsColumn).startsWith(u"q=0|q=1|"_s));
    EXPECT_EQ(dialog.findChild<QPlainTextEdit *>(u"txtFields2"_s)->toPlainText(), u"a note"_s);
    EXPECT_EQ(frmSitesSessions::generalDateTime(at(2024, 3, 5, 0, 0)), u"5 Mar 2024"_s);
}

TEST(FrmSitesSessions, ColumnClicksSortByValueWithTheSwitchingRules)
{
    Site f;
    // Text order would put "01:30" before "23:10" and "100:00" before "60:00".
    f.add(visit(at(2024, 3, 4, 23, 0), at(2024, 3, 4, 23, 10), at(2024, 3, 5, 0, 50), u"b"_s));
    f.add(visit(at(2024, 3, 5, 1, 0), at(2024, 3, 5, 1, 30), at(2024, 3, 5, 2, 30), u"C"_s));
    f.add(visit(at(2024, 3, 5, 1, 0), at(2024, 3, 5, 1, 40), at(2024, 3, 5, 1, 49), u"a"_s));
    f.add(visit(at(2024, 3, 5, 1, 0), at(2024, 3, 5, 3, 0), zeroDateTime(), u"d"_s));
    ASSERT_TRUE(f.store->GetCFile(url));
    frmSitesSessions dialog(*f.store, 0);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const int For = frmSitesSessions::ForColumn;
    const int From = frmSitesSessions::FromColumn;
    const int Params = frmSitesSessions::ParamsColumn;
    EXPECT_EQ(column(dialog, For), u"100:00|60:00|09:00| - "_s);

    // Rows: the column clicked, the order it gives, the column read.
    const std::tuple<int, Qt::SortOrder, QString> rows[] = {
        {For, Qt::AscendingOrder, u"09:00|60:00|100:00| - "_s},
        {For, Qt::DescendingOrder, u" - |100:00|60:00|09:00"_s},
        // Another column keeps the order.
        {From, Qt::DescendingOrder, u"03:00|01:40|01:30|23:10"_s},
        {Params, Qt::DescendingOrder, u"d|C|b|a"_s},
        {Params, Qt::AscendingOrder, u"a|b|C|d"_s},
    };
    int step = 0;
    for (const auto &[clicked, order, texts] : rows) {
        SCOPED_TRACE(step++);
        clickHeader(dialog, clicked);
        EXPECT_EQ(column(dialog, clicked), texts);
        EXPECT_EQ(dialog.sortOrder(), order);
        EXPECT_EQ(dialog.sortColumn(), clicked);
    }

    // The list follows the form's size.
    auto *buttons = dialog.findChild<QWidget *>(u"picButtons"_s);
    for (const QSize size : {QSize(600, 500), QSize(420, 380)}) {
        dialog.resize(size);
        QTest::qWait(10);
        const QRect geometry = list(dialog)->geometry();
        EXPECT_EQ(geometry.width(), size.width() - 13);
        EXPECT_EQ(geometry.bottom() + 1, size.height() - buttons->height() - 20);
        EXPECT_TRUE(buttons->isVisible());
    }

    // The list starts on the first column in ascending order: a first click there reverses it.
    frmSitesSessions fresh(*f.store, 0);
    fresh.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
    clickHeader(fresh, frmSitesSessions::SessionColumn);
    EXPECT_EQ(fresh.sortOrder(), Qt::DescendingOrder);
    EXPECT_TRUE(column(fresh, Params).endsWith(u"|b"_s));
}

TEST(FrmSitesSessions, TwoVisitsThatShowOneStartAreBothListed)
{
    Site f;
    const QDateTime start = at(2024, 3, 5, 9, 0);
    f.add(visit(start, start, start.addSecs(30), u"one"_s));
    f.add(visit(start, start.addSecs(20), start.addSecs(90), u"two"_s));
    ASSERT_TRUE(f.store->GetCFile(url));
    frmSitesSessions dialog(*f.store, 0);
    EXPECT_EQ(column(dialog, frmSitesSessions::ParamsColumn), u"one|two"_s);
}

TEST(FrmSitesSessions, RunKeepsNothingTypedAndRewritesTheTrimmedNote)
{
    Site f;
    f.site->Note = u"  spaced  "_s;
    f.add(visit(at(2024, 3, 5, 9, 0), at(2024, 3, 5, 9, 0), at(2024, 3, 5, 9, 1)));
    f.site->Save();
    bool shown = false;
    auto watch = whenModal(
        [](QWidget *dialog) {
            typeInto(dialog, u"txtFields0"_s, u"typed"_s);
            typeInto(dialog, u"txtFields1"_s, u"typed"_s);
            typeInto(dialog, u"txtFields2"_s, u"more"_s);
            clickButton(dialog, u"cmdUpdate"_s);
            EXPECT_TRUE(dialog->isVisible());
            clickButton(dialog, u"cmdClose"_s);
        },
        &shown);
    EXPECT_TRUE(frmSitesSessions::run(*f.store, url, 0, nullptr));
    EXPECT_TRUE(shown);
    const CFile onDisk = f.reread(f.site);
    EXPECT_EQ(onDisk.URL(), url);
    EXPECT_EQ(onDisk.Title, u"Dir page"_s);
    EXPECT_EQ(onDisk.Note, u"spaced"_s);
    EXPECT_EQ(onDisk.Sessions.Count(), 1);
    EXPECT_FALSE(frmSitesSessions::run(*f.store, u"nowhere.example"_s, 0, nullptr));
}

TEST(FrmSitesSessions, HebrewListKeepsTimesLeftToRightAndTheUrlReadsDecoded)
{
    Site f;
    const QString encoded = u"127.0.0.1:8377/search?q=%D7%A9%D7%9C%D7%95%D7%9D"_s;
    const CFilePtr site = f.addSite(encoded, u"חיפוש"_s, QString());
    site->Sessions.Add(visit(
        at(2024, 3, 5, 9, 0, 0), at(2024, 3, 5, 9, 5, 30), at(2024, 3, 5, 9, 6, 15), u"q=1"_s));
    ASSERT_TRUE(f.store->GetCFile(encoded));

    for (const qint16 lang : {qint16(0), qint16(500)}) {
        frmSitesSessions dialog(*f.store, lang);
        EXPECT_EQ(dialog.windowTitle(), lang ? u"תכונות"_s : u"Properties"_s);
        auto *urlField = dialog.findChild<QLineEdit *>(u"txtFields0"_s);
        EXPECT_EQ(urlField->text(), u"127.0.0.1:8377/search?q=שלום"_s);
        EXPECT_EQ(urlField->layoutDirection(), Qt::LeftToRight);
        // In Hebrew each date, time and duration is one left-to-right unit; English needs none.
        const QString lri = lang ? u"\u2066"_s : QString();
        const QString pdi = lang ? u"\u2069"_s : QString();
        EXPECT_EQ(column(dialog, frmSitesSessions::SessionColumn),
                  lri + u"5 Mar 2024 09:00:00"_s + pdi);
        EXPECT_EQ(column(dialog, frmSitesSessions::FromColumn), lri + u"09:05"_s + pdi);
        EXPECT_EQ(column(dialog, frmSitesSessions::ForColumn), lri + u"0:45"_s + pdi);
    }
    EXPECT_EQ(f.store->NoteURL, encoded);
    EXPECT_EQ(site->URL(), encoded);
}
