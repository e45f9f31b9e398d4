#include "dialogtesthelpers.h"

#include "dialogs/frmsitessessions.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

const QString url = u"example.com/dir"_s;

CSessionPtr visit(const QDateTime &session,
                  const QDateTime &start,
                  const QDateTime &end,
                  const QString &param = {})
{
    auto ses = std::make_shared<CSession>();
    ses->Session = session;
    ses->sTime = start;
    ses->eTime = end;
    ses->Param = param;
    return ses;
}

QTreeWidget *list(QWidget &dialog)
{
    return dialog.findChild<QTreeWidget *>(u"ListView1"_s);
}

QStringList column(QWidget &dialog, int c)
{
    QStringList texts;
    QTreeWidget *tree = list(dialog);
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts << tree->topLevelItem(i)->text(c);
    return texts;
}

QStringList headers(QWidget &dialog)
{
    QStringList texts;
    for (int c = 0; c < list(dialog)->columnCount(); ++c)
        texts << list(dialog)->headerItem()->text(c);
    return texts;
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
    CFilePtr site;

    Site()
    {
        QLocale::setDefault(QLocale::c());
        site = addSite(url, u"Dir page"_s, u"a note"_s);
    }
    ~Site() { QLocale::setDefault(QLocale::system()); }

    void add(const CSessionPtr &ses) { site->Sessions.Add(*ses); }
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
              (QStringList {u"0:00"_s,
                            u"0:45"_s,
                            u"0:59"_s,
                            u"01:00"_s,
                            u"01:01"_s,
                            u"60:00"_s,
                            u"100:00"_s,
                            u"0:-05"_s,
                            u" - "_s}));
    const QStringList from = column(dialog, frmSitesSessions::FromColumn);
    EXPECT_EQ(from.first(), u"09:05"_s);
    EXPECT_EQ(from.at(7), u"04:32"_s) << "hours 00-23, next day";
    EXPECT_EQ(column(dialog, frmSitesSessions::SessionColumn).first(), u"5 Mar 2024 09:00:00"_s);
    EXPECT_EQ(column(dialog, frmSitesSessions::SessionColumn).last(), u"00:00:00"_s)
        << "the zero date shows as a time only";
    EXPECT_EQ(column(dialog, frmSitesSessions::ParamsColumn).first(), u"q=0"_s);

    EXPECT_EQ(dialog.findChild<QLineEdit *>(u"txtFields0"_s)->text(), url);
    EXPECT_EQ(dialog.findChild<QLineEdit *>(u"txtFields1"_s)->text(), u"Dir page"_s);
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

    EXPECT_EQ(column(dialog, For), (QStringList {u"100:00"_s, u"60:00"_s, u"09:00"_s, u" - "_s}));

    clickHeader(dialog, For);
    EXPECT_EQ(column(dialog, For), (QStringList {u"09:00"_s, u"60:00"_s, u"100:00"_s, u" - "_s}));
    EXPECT_EQ(dialog.sortOrder(), Qt::AscendingOrder);

    clickHeader(dialog, For);
    EXPECT_EQ(column(dialog, For), (QStringList {u" - "_s, u"100:00"_s, u"60:00"_s, u"09:00"_s}));
    EXPECT_EQ(dialog.sortOrder(), Qt::DescendingOrder);

    // Another column keeps the order.
    clickHeader(dialog, frmSitesSessions::FromColumn);
    EXPECT_EQ(column(dialog, frmSitesSessions::FromColumn),
              (QStringList {u"03:00"_s, u"01:40"_s, u"01:30"_s, u"23:10"_s}));
    EXPECT_EQ(dialog.sortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(dialog.sortColumn(), frmSitesSessions::FromColumn);

    clickHeader(dialog, frmSitesSessions::ParamsColumn);
    EXPECT_EQ(column(dialog, frmSitesSessions::ParamsColumn),
              (QStringList {u"d"_s, u"C"_s, u"b"_s, u"a"_s}));
    clickHeader(dialog, frmSitesSessions::ParamsColumn);
    EXPECT_EQ(column(dialog, frmSitesSessions::ParamsColumn),
              (QStringList {u"a"_s, u"b"_s, u"C"_s, u"d"_s}));

    // The list starts on the first column in ascending order, so a first click there
    // reverses it.
    frmSitesSessions fresh(*f.store, 0);
    fresh.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&fresh));
    clickHeader(fresh, frmSitesSessions::SessionColumn);
    EXPECT_EQ(fresh.sortOrder(), Qt::DescendingOrder);
    EXPECT_EQ(column(fresh, frmSitesSessions::ParamsColumn).last(), u"b"_s);
    EXPECT_EQ(column(fresh, frmSitesSessions::SessionColumn).last(), u"4 Mar 2024 23:00:00"_s);
}

TEST(FrmSitesSessions, HeadersAndCaptionsInBothLanguages)
{
    Site f;
    ASSERT_TRUE(f.store->GetCFile(url));

    const auto captions = [](QWidget &dialog) {
        QStringList all {dialog.windowTitle()};
        for (QLabel *label : dialog.findChildren<QLabel *>(u"lblLabels"_s))
            all << label->text();
        all << dialog.findChild<QPushButton *>(u"cmdUpdate"_s)->text()
            << dialog.findChild<QPushButton *>(u"cmdClose"_s)->text();
        return all;
    };

    frmSitesSessions english(*f.store, 0);
    EXPECT_EQ(headers(english), (QStringList {u"Session"_s, u"From"_s, u"For"_s, u"Params"_s}));
    EXPECT_EQ(captions(english),
              (QStringList {
                  u"Properties"_s, u"URL:"_s, u"Title:"_s, u"Note:"_s, u"&Update"_s, u"&Close"_s}));
    EXPECT_EQ(list(english)->topLevelItemCount(), 0) << "a site without visits";

    frmSitesSessions hebrew(*f.store, 500);
    EXPECT_EQ(headers(hebrew),
              (QStringList {s(u"הגלישה "), s(u"משעה"), s(u"למשך"), s(u"פרמטרים")}));
    EXPECT_EQ(captions(hebrew),
              (QStringList {
                  s(u"תכונות"), s(u"כתובת"), s(u"כותרת"), s(u"הערות"), s(u"&עדכן"), s(u"&סגור")}));
    EXPECT_EQ(hebrew.layoutDirection(), Qt::RightToLeft);
}

TEST(FrmSitesSessions, TwoVisitsThatShowOneStartAreBothListed)
{
    Site f;
    const QDateTime start = at(2024, 3, 5, 9, 0);
    f.site->Sessions.Add(*visit(start, start, start.addSecs(30), u"one"_s));
    f.site->Sessions.Add(*visit(start, start.addSecs(20), start.addSecs(90), u"two"_s));
    ASSERT_TRUE(f.store->GetCFile(url));
    frmSitesSessions dialog(*f.store, 0);
    EXPECT_EQ(column(dialog, frmSitesSessions::ParamsColumn), (QStringList {u"one"_s, u"two"_s}));
}

TEST(FrmSitesSessions, RunKeepsNothingTypedAndRewritesTheTrimmedNote)
{
    Site f;
    f.site->Note = u"  spaced  "_s;
    f.add(visit(at(2024, 3, 5, 9, 0), at(2024, 3, 5, 9, 0), at(2024, 3, 5, 9, 1)));
    f.site->Save();

    bool shown = false;
    whenModal(
        [](QWidget *dialog) {
            for (const QString &name : {u"txtFields0"_s, u"txtFields1"_s}) {
                auto *field = dialog->findChild<QLineEdit *>(name);
                field->selectAll();
                QTest::keyClicks(field, u"typed"_s);
            }
            QTest::keyClicks(dialog->findChild<QPlainTextEdit *>(u"txtFields2"_s), u"more"_s);
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdUpdate"_s), Qt::LeftButton);
            EXPECT_TRUE(dialog->isVisible());
            QTest::mouseClick(dialog->findChild<QPushButton *>(u"cmdClose"_s), Qt::LeftButton);
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

TEST(FrmSitesSessions, ListFollowsTheFormSize)
{
    Site f;
    ASSERT_TRUE(f.store->GetCFile(url));
    frmSitesSessions dialog(*f.store, 0);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto *buttons = dialog.findChild<QWidget *>(u"picButtons"_s);
    for (const QSize size : {QSize(600, 500), QSize(420, 380)}) {
        dialog.resize(size);
        QTest::qWait(10);
        const QRect geometry = list(dialog)->geometry();
        EXPECT_EQ(geometry.width(), size.width() - 13);
        EXPECT_EQ(geometry.top() + geometry.height(), size.height() - buttons->height() - 20);
        EXPECT_GT(geometry.height(), 50);
        EXPECT_TRUE(buttons->isVisible());
    }
}

TEST(FrmSitesSessions, HebrewListKeepsTimesLeftToRightAndTheUrlReadsDecoded)
{
    Site f;
    const QString encoded = u"127.0.0.1:8377/search?q=%D7%A9%D7%9C%D7%95%D7%9D"_s;
    const CFilePtr site = f.addSite(encoded, u"חיפוש"_s, QString());
    site->Sessions.Add(*visit(
        at(2024, 3, 5, 9, 0, 0), at(2024, 3, 5, 9, 5, 30), at(2024, 3, 5, 9, 6, 15), u"q=1"_s));
    ASSERT_TRUE(f.store->GetCFile(encoded));

    for (const qint16 lang : {qint16(0), qint16(500)}) {
        frmSitesSessions dialog(*f.store, lang);
        auto *urlField = dialog.findChild<QLineEdit *>(u"txtFields0"_s);
        EXPECT_EQ(urlField->text(), u"127.0.0.1:8377/search?q=שלום"_s);
        EXPECT_EQ(urlField->layoutDirection(), Qt::LeftToRight);
        const auto cell = [&](int c) {
            return column(dialog, c).value(0);
        };
        // In Hebrew each date, time and duration is one left-to-right unit; English needs none.
        const QString lri = lang ? u"\u2066"_s : QString();
        const QString pdi = lang ? u"\u2069"_s : QString();
        EXPECT_EQ(cell(frmSitesSessions::SessionColumn), lri + u"5 Mar 2024 09:00:00"_s + pdi);
        EXPECT_EQ(cell(frmSitesSessions::FromColumn), lri + u"09:05"_s + pdi);
        EXPECT_EQ(cell(frmSitesSessions::ForColumn), lri + u"0:45"_s + pdi);
    }
    // The record keeps the exact URL.
    EXPECT_EQ(f.store->NoteURL, encoded);
    EXPECT_EQ(site->URL(), encoded);
}
