#include "dialogtesthelpers.h"

#include "dialogs/frmnote.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

const QString url = u"example.com/dir"_s;

void clickButton(QWidget *dialog, const QString &name)
{
    auto *button = dialog->findChild<QPushButton *>(name);
    ASSERT_NE(button, nullptr) << name.toStdString();
    QTest::mouseClick(button, Qt::LeftButton);
}

void typeInto(QWidget *dialog, const QString &name, const QString &text)
{
    QWidget *field = dialog->findChild<QWidget *>(name);
    ASSERT_NE(field, nullptr) << name.toStdString();
    if (auto *line = qobject_cast<QLineEdit *>(field))
        line->selectAll();
    else if (auto *plain = qobject_cast<QPlainTextEdit *>(field))
        plain->selectAll();
    QTest::keyClicks(field, text);
}

} // namespace

TEST(FrmNote, UpdateStoresTrimmedNoteAndVisitedMarkButNeverUrlOrTitle)
{
    Fixture f;
    const CFilePtr site = f.addSite(url, u"Dir page"_s, u"old note"_s);
    ASSERT_FALSE(site->Visited());

    bool shown = false;
    whenModal(
        [](QWidget *dialog) {
            EXPECT_EQ(dialog->findChild<QLineEdit *>(u"txtFields0"_s)->text(), url);
            EXPECT_EQ(dialog->findChild<QLineEdit *>(u"txtFields1"_s)->text(), u"Dir page"_s);
            EXPECT_EQ(dialog->findChild<QPlainTextEdit *>(u"txtFields3"_s)->toPlainText(),
                      u"old note"_s);
            EXPECT_FALSE(dialog->findChild<QCheckBox *>(u"chkFields2"_s)->isChecked());

            typeInto(dialog, u"txtFields0"_s, u"evil.example/other"_s);
            typeInto(dialog, u"txtFields1"_s, u"Another title"_s);
            typeInto(dialog, u"txtFields3"_s, u"   first try   "_s);
            clickButton(dialog, u"cmdUpdate"_s);
            // The last Update wins.
            typeInto(dialog, u"txtFields3"_s, u"  new note  "_s);
            QTest::mouseClick(dialog->findChild<QCheckBox *>(u"chkFields2"_s), Qt::LeftButton);
            clickButton(dialog, u"cmdUpdate"_s);
            EXPECT_TRUE(dialog->isVisible()) << "Update keeps the dialog open";
            // Typed after the last Update: lost.
            typeInto(dialog, u"txtFields3"_s, u"never stored"_s);
            clickButton(dialog, u"cmdClose"_s);
        },
        &shown);
    EXPECT_TRUE(frmNote::run(*f.store, url, 0, nullptr));
    EXPECT_TRUE(shown);

    EXPECT_EQ(site->Note, u"new note"_s);
    EXPECT_TRUE(site->Visited());
    EXPECT_EQ(site->URL(), url);
    EXPECT_EQ(site->Title, u"Dir page"_s);
    const CFile onDisk = f.reread(site);
    EXPECT_EQ(onDisk.URL(), url);
    EXPECT_EQ(onDisk.Title, u"Dir page"_s);
    EXPECT_EQ(onDisk.Note, u"new note"_s);
    EXPECT_EQ(f.store->Files.Count(), 1);
}

TEST(FrmNote, VisitedMarkIsOnlyEverSet)
{
    Fixture f;
    const CFilePtr site = f.addSite(url, u"Dir page"_s, u"n"_s);
    site->SetVisited(true);

    whenModal([](QWidget *dialog) {
        auto *check = dialog->findChild<QCheckBox *>(u"chkFields2"_s);
        EXPECT_TRUE(check->isChecked());
        QTest::mouseClick(check, Qt::LeftButton);
        EXPECT_FALSE(check->isChecked());
        clickButton(dialog, u"cmdUpdate"_s);
        clickButton(dialog, u"cmdClose"_s);
    });
    EXPECT_TRUE(frmNote::run(*f.store, url, 0, nullptr));
    EXPECT_FALSE(f.store->NoteVisited);
    EXPECT_TRUE(site->Visited());
}

TEST(FrmNote, CloseWithoutUpdateOnlyTrimsTheNoteAndRewritesTheFile)
{
    Fixture f;
    const CFilePtr site = f.addSite(url, u"Dir page"_s, u"  kept note \t "_s);
    QFile::remove(site->FileName);

    // Also the close box (Escape) ends the dialog the same way.
    whenModal([](QWidget *dialog) {
        typeInto(dialog, u"txtFields3"_s, u"typed but not updated"_s);
        QTest::mouseClick(dialog->findChild<QCheckBox *>(u"chkFields2"_s), Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_TRUE(frmNote::run(*f.store, url, 0, nullptr));
    EXPECT_FALSE(site->Visited());
    EXPECT_EQ(site->Note, u"kept note"_s);
    ASSERT_TRUE(QFile::exists(site->FileName));
    EXPECT_EQ(f.reread(site).Note, u"kept note"_s);
}

TEST(FrmNote, UnknownSiteShowsNothingAndLeavesTheExchangeFields)
{
    Fixture f;
    f.addSite(url, u"Dir page"_s, u"n"_s);
    f.store->NoteText = u"from the last use"_s;

    bool shown = false;
    whenModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); }, &shown, 300);
    EXPECT_FALSE(frmNote::run(*f.store, u"nowhere.example"_s, 0, nullptr));
    QTest::qWait(400);
    EXPECT_FALSE(shown);
    EXPECT_EQ(f.store->NoteText, u"from the last use"_s);
}

TEST(FrmNote, CaptionsInBothLanguages)
{
    Fixture f;
    f.addSite(url, u"Dir page"_s, u"n"_s);
    ASSERT_TRUE(f.store->GetCFile(url));

    const auto texts = [](QWidget &dialog) {
        QStringList all {dialog.windowTitle()};
        for (QLabel *label : dialog.findChildren<QLabel *>(u"lblLabels"_s))
            all << label->text();
        all << dialog.findChild<QPushButton *>(u"cmdUpdate"_s)->text()
            << dialog.findChild<QPushButton *>(u"cmdClose"_s)->text();
        return all;
    };

    frmNote english(*f.store, 0);
    EXPECT_EQ(texts(english),
              (QStringList {u"Note"_s,
                            u"URL:"_s,
                            u"Title"_s,
                            u"Visited:"_s,
                            u"Note:"_s,
                            u"&Update"_s,
                            u"&Close"_s}));
    EXPECT_EQ(english.layoutDirection(), Qt::LeftToRight);

    frmNote hebrew(*f.store, 500);
    EXPECT_EQ(texts(hebrew),
              (QStringList {s(u"הערות"),
                            s(u"כתובת"),
                            s(u"כותרת"),
                            s(u"ביקור אחרון"),
                            s(u"הערות"),
                            s(u"&עדכן"),
                            s(u"&סגור")}));
    EXPECT_EQ(hebrew.layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(hebrew.findChild<QLineEdit *>(u"txtFields0"_s)->text(), url);
}

TEST(FrmNote, UrlReadsDecodedAndAnUntouchedFieldGivesTheExactUrlBack)
{
    Fixture f;
    const QString encoded = u"he.example/wiki/%D7%90%20b"_s;
    f.addSite(encoded, u"Aleph"_s, QString());
    ASSERT_TRUE(f.store->GetCFile(encoded));
    frmNote note(*f.store, 500);
    auto *field = note.findChild<QLineEdit *>(u"txtFields0"_s);
    EXPECT_EQ(field->text(), u"he.example/wiki/א%20b"_s);
    EXPECT_EQ(field->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(note.layoutDirection(), Qt::RightToLeft);
    clickButton(&note, u"cmdUpdate"_s);
    EXPECT_EQ(f.store->NoteURL, encoded);
}
