#include "dialogtesthelpers.h"

#include "dialogs/setupfavorites.h"

#include <QFileSystemModel>
#include <QScopeGuard>
#include <QTreeView>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

QLineEdit *text1(QWidget &dialog)
{
    return dialog.findChild<QLineEdit *>(u"Text1"_s);
}

} // namespace

TEST(SetupFavorites, FirstFolderIsFavoritesInHomeElseHome)
{
    QTemporaryDir tmp;
    const QByteArray home = qgetenv("HOME");
    const auto restoreHome = qScopeGuard([&home] { qputenv("HOME", home); });
    qputenv("HOME", tmp.path().toLocal8Bit());
    {
        SetupFavorites dialog(0);
        EXPECT_EQ(text1(dialog)->text(), tmp.path());
        EXPECT_EQ(dialog.shownFolder(), tmp.path());
    }
    ASSERT_TRUE(QDir(tmp.path()).mkdir(u"Favorites"_s));
    SetupFavorites hebrew(500);
    EXPECT_EQ(text1(hebrew)->text(), tmp.filePath(u"Favorites"_s));
    EXPECT_EQ(hebrew.windowTitle(), u"כפתור עדכון העדפות"_s);
}

TEST(SetupFavorites, OkGivesTheChosenOrTypedFolderCancelGivesNothing)
{
    QTemporaryDir tmp;
    QDir(tmp.path()).mkpath(u"Favorites/News"_s);
    QDir(tmp.path()).mkpath(u"Favorites/Work"_s);
    const QString favorites = tmp.filePath(u"Favorites"_s);
    {
        SetupFavorites dialog(0, nullptr, favorites);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_TRUE(dialog.FavoritesFolder().isEmpty());
        // Choosing a folder in the tree puts its path into the field.
        auto *tree = dialog.findChild<QTreeView *>(u"Dir1"_s);
        auto *model = qobject_cast<QFileSystemModel *>(tree->model());
        const QModelIndex news = model->index(favorites + u"/News"_s);
        QTRY_VERIFY(tree->visualRect(news).isValid() && !tree->visualRect(news).isEmpty());
        tree->scrollTo(news);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(news).center());
        EXPECT_EQ(text1(dialog)->text(), favorites + u"/News"_s);
        clickButton(&dialog, u"cmdOK"_s);
        EXPECT_EQ(dialog.FavoritesFolder(), favorites + u"/News"_s);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    // The modal helper: a typed folder and OK, Cancel, and Escape (the close box's way).
    auto watch = whenModal([&favorites](QWidget *dialog) {
        typeInto(dialog, u"Text1"_s, favorites + u"/Work"_s);
        clickButton(dialog, u"cmdOK"_s);
    });
    EXPECT_EQ(SetupFavorites::ask(0, nullptr, favorites), favorites + u"/Work"_s);
    watch = whenModal([](QWidget *dialog) { clickButton(dialog, u"cmdCancel"_s); });
    EXPECT_TRUE(SetupFavorites::ask(0, nullptr, favorites).isEmpty());
    watch = whenModal([](QWidget *dialog) {
        text1(*dialog)->setText(u"/somewhere"_s);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_TRUE(SetupFavorites::ask(0, nullptr, favorites).isEmpty());
}
