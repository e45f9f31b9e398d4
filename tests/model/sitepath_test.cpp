#include "cfile.h"
#include "sitepath.h"

#include <gtest/gtest.h>

#include <thread>

using namespace Qt::StringLiterals;

TEST(SitePath, GivesBackEveryPathAsItWasSetAndComparesItWhole)
{
    // Names short and long, inline and not; paths that differ only in folder, name or length.
    const QStringList paths {
        QString(),
        u"/data/roam/12345.smf"_s,
        u"/data/roam/"_s,
        u"/data/roan/12345.smf"_s,
        u"/data/roam/12345.sm"_s,
        u"/data/roam/12345.smff"_s,
        u"relative.smf"_s,
        u"a/b"_s,
        u"/data/roam/"_s + QString(40, u'n') + u".smf"_s,
        u"/data/roam/שלום.smf"_s,
        u"/dätä/röam/café.smf"_s,
        u"C:/Users/u/AppData/roam/1.smf"_s,
        u"//server/share/1.smf"_s,
        u"/data/roam/12345678901234567890123.smf"_s,
    };
    for (const QString &path : paths) {
        SitePath site;
        site = path;
        EXPECT_EQ(QString(site), path) << path.toStdString();
        EXPECT_EQ(site.isEmpty(), path.isEmpty()) << path.toStdString();
        EXPECT_EQ(site.size(), path.size()) << path.toStdString();
        for (const QString &other : paths) {
            EXPECT_EQ(site == other, other == path)
                << path.toStdString() << " vs " << qPrintable(other);
            EXPECT_EQ(site == SitePath(other), other == path) << path.toStdString();
            EXPECT_EQ(site == QStringView(other), other == path) << path.toStdString();
        }
    }

    // Records of several folders made in turn, and on another thread, each keep their own.
    QList<CFile> files(6);
    const auto name = [](int i) {
        return u"/folder%1/%2.smf"_s.arg(i % 2).arg(i);
    };
    for (int i = 0; i < 3; ++i)
        files[i].FileName = name(i);
    std::thread([&] {
        for (int i = 3; i < 6; ++i)
            files[i].FileName = name(i);
    }).join();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(files[i].FileName.toString(), name(i));
    const CFile copy = files[4];
    files[4].FileName = QString();
    EXPECT_EQ(copy.FileName.toString(), name(4));
}
