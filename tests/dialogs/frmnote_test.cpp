#include "dialogtesthelpers.h"

#include "dialogs/frmnote.h"

#include <QCheckBox>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

const QString url = u"example.com/dir"_s;

QCheckBox *visitedBox(QWidget *dialog)
{
    return dialog->findChild<QCheckBox *>(u"chkFields2"_s);
}

TEST(FrmNote, UpdateStoresTrimmedNoteAndVisitedMarkButNeverUrlOrTitle)
{
    Fixture f;
    const CFilePtr site = f.addSite(url, u"Dir page"_s, u"old note"_s);
    bool shown = false;
    auto watch = whenModal(
        [](QWidget *dialog) {
            EXPECT_EQ(dialog->findChild<QLineEdit *>(u"txtFields1"_s)->text(), u"Dir page"_s);
            EXPECT_EQ(dialog->findChild<QPlainTextEdit *>(u"txtFields3"_s)->toPlainText(),
                      u"old note"_s);
            EXPECT_FALSE(visitedBox(dialog)->isChecked());
            typeInto(dialog, u"txtFields0"_s, u"evil.example/other"_s);
            typeInto(dialog, u"txtFields1"_s, u"Another title"_s);
            typeInto(dialog, u"txtFields3"_s, u"   first try   "_s);
            clickButton(dialog, u"cmdUpdate"_s);
            // The last Update wins; what is typed after it is lost.
            typeInto(dialog, u"txtFields3"_s, u"  new note  "_s);
            QTest::mouseClick(visitedBox(dialog), Qt::LeftButton);
            clickButton(dialog, u"cmdUpdate"_s);
            EXPECT_TRUE(dialog->isVisible()) << "Update keeps the dialog open";
            typeInto(dialog, u"txtFields3"_s, u"never stored"_s);
            clickButton(dialog, u"cmdClose"_s);
        },
        &shown);
    EXPECT_TRUE(frmNote::run(*f.store, url, 0, nullptr));
    EXPECT_TRUE(shown);
    EXPECT_TRUE(site->Visited());
    for (const CFile &record : {*site, f.reread(site)}) {
        EXPECT_EQ(record.Note, u"new note"_s);
        EXPECT_EQ(record.URL(), url);
        EXPECT_EQ(record.Title, u"Dir page"_s);
    }
    EXPECT_EQ(f.store->Files.Count(), 1);

    // An unknown site shows nothing and leaves the exchange fields.
    shown = false;
    f.store->NoteText = u"from the last use"_s;
    watch = whenModal([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); }, &shown);
    EXPECT_FALSE(frmNote::run(*f.store, u"nowhere.example"_s, 0, nullptr));
    EXPECT_FALSE(shown);
    EXPECT_EQ(f.store->NoteText, u"from the last use"_s);
}

TEST(FrmNote, VisitedMarkIsOnlyEverSetAndCloseWithoutUpdateOnlyTrimsTheNote)
{
    Fixture f;
    const CFilePtr marked = f.addSite(url, u"Dir page"_s, u"n"_s);
    marked->SetVisited(true);
    auto watch = whenModal([](QWidget *dialog) {
        EXPECT_TRUE(visitedBox(dialog)->isChecked());
        QTest::mouseClick(visitedBox(dialog), Qt::LeftButton);
        clickButton(dialog, u"cmdUpdate"_s);
        clickButton(dialog, u"cmdClose"_s);
    });
    EXPECT_TRUE(frmNote::run(*f.store, url, 0, nullptr));
    EXPECT_FALSE(f.store->NoteVisited);
    EXPECT_TRUE(marked->Visited());

    // The close box (Escape) ends the dialog as Close does; the file is written again.
    const CFilePtr site = f.addSite(u"other.example"_s, u"Other"_s, u"  kept note \t "_s);
    QFile::remove(site->FileName);
    watch = whenModal([](QWidget *dialog) {
        typeInto(dialog, u"txtFields3"_s, u"typed but not updated"_s);
        QTest::mouseClick(visitedBox(dialog), Qt::LeftButton);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_TRUE(frmNote::run(*f.store, u"other.example"_s, 0, nullptr));
    EXPECT_FALSE(site->Visited());
    EXPECT_EQ(site->Note, u"kept note"_s);
    EXPECT_EQ(f.reread(site).Note, u"kept note"_s);
}

TEST(FrmNote, HebrewUrlReadsDecodedAndAnUntouchedFieldGivesTheExactUrlBack)
{
    Fixture f;
    const QString encoded = u"he.example/wiki/%D7%90%20b"_s;
    f.addSite(encoded, u"Aleph"_s, QString());
    ASSERT_TRUE(f.store->GetCFile(encoded));
    frmNote note(*f.store, 500);
    EXPECT_EQ(note.windowTitle(), u"הערות"_s);
    EXPECT_EQ(note.layoutDirection(), Qt::RightToLeft);
    auto *field = note.findChild<QLineEdit *>(u"txtFields0"_s);
    EXPECT_EQ(field->text(), u"he.example/wiki/א%20b"_s);
    EXPECT_EQ(field->layoutDirection(), Qt::LeftToRight);
    clickButton(&note, u"cmdUpdate"_s);
    EXPECT_EQ(f.store->NoteURL, encoded);
}

} // namespace
