#pragma once

#include "cfile.h"
#include "clock.h"
#include "roamstore.h"
#include "timekey.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace modeltest {

inline const QDateTime startTime(QDate(2024, 5, 1), QTime(9, 30, 0));

inline QDateTime at(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
}

/// A visit in the session begun at @p session; without @p end it never ended.
inline CSession visit(const QDateTime &session,
                      const QDateTime &start,
                      const QDateTime &end = zeroDateTime(),
                      const QString &param = {})
{
    CSession v;
    v.Session = session;
    v.sTime = start;
    v.eTime = end;
    v.Param = param;
    return v;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

/// The keys of a keyed collection in position order.
template<typename C>
QStringList keysOf(C &collection)
{
    QStringList keys;
    for (int i = 1; i <= collection.Count(); ++i)
        keys << collection.Key(i);
    return keys;
}

/// A site file as the recorder writes it, with one visit.
inline QByteArray siteFile(const QByteArray &url, const QByteArray &title)
{
    return "\"" + url + "\",\"" + title
           + "\",0\r\n1,0,\" \"\r\n"
             "\"S\",#2024-04-01 10:00:00#,#2024-04-01 10:00:05#,#2024-04-01 10:01:00#,\"\"\r\n";
}

/// A site file with a note, two visits and a download: the base the damaged files are made of.
inline const QByteArray fullSite
    = "\"site/a\",\"Title\",1\r\n"
      "2,1,\"note\"\r\n"
      "\"S\",#2020-01-01 10:00:00#,#2020-01-01 10:00:01#,#2020-01-01 10:00:09#,\"p\"\r\n"
      "\"S\",#2020-01-01 10:00:00#,#2020-01-01 10:01:00#,#2020-01-01 10:01:30#,\"\"\r\n"
      "\"A\",#2020-01-01 10:00:00#,\"http://x/f.zip\",#2020-01-01 10:01:10#\r\n";

inline const QByteArray twoSessions = "2\r\n"
                                      "#1997-11-03 09:12:40#,#1997-11-03 10:01:05#\r\n"
                                      "#1997-11-04 18:30:00#,#1997-11-04 18:30:00#\r\n";

/// A temporary data folder and a store on it whose clock stands at `startTime`.
struct DataFolder
{
    QTemporaryDir root;
    QString path = root.path();
    ManualClock clock {startTime};
    std::unique_ptr<RoamStore> store;

    QString file(const QString &name) const { return QDir(path).filePath(name); }

    /// A new store on the folder, loaded as the panel loads it.
    RoamStore &load()
    {
        store = std::make_unique<RoamStore>(path, clock);
        store->SetLogger([](const QString &) {});
        store->LoadDataFolder();
        return *store;
    }
};

/// A site record registered in @p store, not yet written.
inline CFilePtr newRecord(RoamStore &store, const QString &url, const QString &name)
{
    auto file = std::make_shared<CFile>();
    file->SetURL(url);
    file->Title = url;
    file->FileName = QDir(store.dataFolder()).filePath(name);
    store.Files.Add(file, url);
    return file;
}

} // namespace modeltest
