#include "dialogtesthelpers.h"

#include "dialogs/setupfavorites.h"

#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

// Points the home directory into the test's folder for the lifetime of the object.
class HomeIn final
{
public:
    explicit HomeIn(const QString &home)
        : m_old(qgetenv("HOME"))
    {
        qputenv("HOME", home.toLocal8Bit());
    }
    ~HomeIn() { qputenv("HOME", m_old); }

private:
    QByteArray m_old;
};

QLineEdit *text1(QWidget &dialog)
{
    return dialog.findChild<QLineEdit *>(u"Text1"_s);
}

void click(QWidget &dialog, const QString &name)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>(name), Qt::LeftButton);
}

} // namespace

TEST(SetupFavorites, FirstFolderIsFavoritesInHomeElseHome)
{
    QTemporaryDir tmp;
    const HomeIn home(tmp.path());
    EXPECT_EQ(SetupFavorites::defaultFolder(), tmp.path());
    {
        SetupFavorites dialog(0);
        EXPECT_EQ(text1(dialog)->text(), tmp.path());
        EXPECT_EQ(dialog.shownFolder(), tmp.path());
    }
    ASSERT_TRUE(QDir(tmp.path()).mkdir(u"Favorites"_s));
    EXPECT_EQ(SetupFavorites::defaultFolder(), tmp.filePath(u"Favorites"_s));
    SetupFavorites dialog(0);
    EXPECT_EQ(text1(dialog)->text(), tmp.filePath(u"Favorites"_s));
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
        click(dialog, u"cmdOK"_s);
        EXPECT_EQ(dialog.FavoritesFolder(), favorites + u"/News"_s);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    {
        SetupFavorites dialog(0, nullptr, favorites);
        dialog.show();
        text1(dialog)->selectAll();
        QTest::keyClicks(text1(dialog), favorites + u"/Work"_s);
        click(dialog, u"cmdOK"_s);
        EXPECT_EQ(dialog.FavoritesFolder(), favorites + u"/Work"_s);
    }
    {
        SetupFavorites dialog(0, nullptr, favorites);
        dialog.show();
        click(dialog, u"cmdCancel"_s);
        EXPECT_TRUE(dialog.FavoritesFolder().isEmpty());
    }

    // The modal helper: OK, then Escape (the close box's way).
    whenModal([](QWidget *dialog) { click(*dialog, u"cmdOK"_s); });
    EXPECT_EQ(SetupFavorites::ask(0, nullptr, favorites), favorites);
    whenModal([](QWidget *dialog) {
        text1(*dialog)->setText(u"/somewhere"_s);
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    EXPECT_TRUE(SetupFavorites::ask(0, nullptr, favorites).isEmpty());
}

TEST(SetupFavorites, CaptionsInBothLanguages)
{
    QTemporaryDir tmp;
    const auto captions = [](QWidget &dialog) {
        return QStringList {dialog.windowTitle(),
                            dialog.findChild<QLabel *>(u"lblStep"_s)->text(),
                            dialog.findChild<QPushButton *>(u"cmdOK"_s)->text(),
                            dialog.findChild<QPushButton *>(u"cmdCancel"_s)->text()};
    };
    SetupFavorites english(0, nullptr, tmp.path());
    EXPECT_EQ(captions(english),
              (QStringList {u"Set up Favorites button"_s,
                            u"Select a favorites folder from the directory list below:"_s,
                            u"OK"_s,
                            u"Cancel"_s}));
    SetupFavorites hebrew(500, nullptr, tmp.path());
    EXPECT_EQ(captions(hebrew),
              (QStringList {s(u"כפתור עדכון העדפות"),
                            s(u"בחר ספריה מועדפת מהרשימה הבאה"),
                            s(u"אישור"),
                            s(u"ביטול")}));
    EXPECT_EQ(text1(hebrew)->text(), tmp.path());
}
