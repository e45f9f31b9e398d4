#include "roamsettings.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

TEST(RoamSettings, ReadingWritesNothingAndEverySetterWritesAtOnceAsText)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"roamlog.ini"_s);
    RoamSettings settings(ini);
    // Without Setup/Path the data lives in the per-user data location, never beside the program.
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    EXPECT_EQ(settings.dataFolder(), QDir::toNativeSeparators(appData + u"/Data"_s));
    EXPECT_FALSE(QFile::exists(ini));

    settings.setOnTop(true);
    settings.setLang(500);
    settings.setSetupPath(u"/opt/roam/"_s);
    settings.setToolBar(4, u"/home/u/Fav/News,Add to News"_s);
    settings.setNeverRecord({u"bank.example"_s, u"*.private"_s});
    settings.setKeepPageText(false);
    // Another reader of the same file sees every value without any further call.
    QSettings raw(ini, QSettings::IniFormat);
    EXPECT_EQ(raw.value(u"Options/OnTop"_s).toString(), u"1"_s);
    EXPECT_EQ(raw.value(u"Options/KeepPageText"_s).toString(), u"0"_s);
    EXPECT_EQ(raw.value(u"Options/Lang"_s).toString(), u"500"_s);
    EXPECT_EQ(raw.value(u"ToolBar/4"_s).toString(), u"/home/u/Fav/News,Add to News"_s);
    RoamSettings again(ini);
    EXPECT_EQ(again.neverRecord(), (QStringList {u"bank.example"_s, u"*.private"_s}));
    EXPECT_EQ(again.toolBar(5), u"Favorites,Favorites"_s);
    EXPECT_EQ(again.dataFolder(), u"/opt/roam/Data"_s);

    // A value that is not a number falls back to its default.
    raw.setValue(u"Options/Quit"_s, u"many"_s);
    raw.sync();
    EXPECT_EQ(RoamSettings(ini).quit(), 2);
}
