#include "modelfixture.h"

#include "datafolderlock.h"
#include "roamsettings.h"

#include "filesizelimit.h"

#include <algorithm>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace modeltest;
using namespace Qt::StringLiterals;

namespace {

int modeOf(const QString &path)
{
    struct stat info
    { };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// A umask that would leave the files open to everybody, so that privacy cannot come from it.
class OpenUmask final
{
public:
    OpenUmask()
        : m_old(::umask(0))
    { }
    ~OpenUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};

} // namespace

TEST(DataFolderLock, AKilledHolderLeavesItFree)
{
    QTemporaryDir data;
    // Another process takes the lock and dies without giving it back.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        DataFolderLock held(data.path());
        const char taken = held.acquire(u"Roamlog"_s) == DataFolderLock::Result::Acquired ? 'y'
                                                                                          : 'n';
        (void)!::write(ready[1], &taken, 1);
        ::pause();
        ::_exit(0);
    }
    char taken = 0;
    ASSERT_EQ(::read(ready[0], &taken, 1), 1);
    ASSERT_EQ(taken, 'y');
    DataFolderLock mine(data.path());
    EXPECT_EQ(mine.acquire(u"Roamlog"_s), DataFolderLock::Result::Busy);
    EXPECT_EQ(mine.holder(), u"Roamlog, process "_s + QString::number(child));
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(mine.acquire(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    EXPECT_EQ(readAll(mine.fileName()),
              "Roamlog, process " + QByteArray::number(::getpid()) + '\n');
}

TEST(RoamStore, TheSecondStoreOnAFolderIsReadOnlyAndChangesNothing)
{
    DataFolder data;
    RoamStore writer(data.path, data.clock);
    ASSERT_EQ(writer.LockDataFolder(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    writer.LoadDataFolder();
    const CFilePtr kept = newRecord(writer, u"site/a"_s, u"a.smf"_s);
    ASSERT_TRUE(writer.SaveFile(kept));
    const QByteArray siteBytes = readAll(kept->FileName);

    data.clock.advance(60);
    RoamStore second(data.path, data.clock);
    EXPECT_EQ(second.LockDataFolder(u"Roamlog"_s), DataFolderLock::Result::Busy);
    EXPECT_TRUE(second.ReadOnly());
    second.LoadDataFolder();
    const CFilePtr copy = second.Files.Item(u"site/a"_s);
    ASSERT_TRUE(copy);
    copy->Title = u"changed"_s;
    // New records and the sessions file are refused in the panel's test of a second panel.
    EXPECT_FALSE(second.SaveFile(copy));
    EXPECT_FALSE(second.RemoveFile(copy));
    EXPECT_TRUE(second.Files.Item(u"site/a"_s));
    second.NoteText = u"a note"_s;
    EXPECT_FALSE(second.SetCFile(u"site/a"_s));
    EXPECT_EQ(copy->Note, u" "_s);
    EXPECT_EQ(second.UnsavedCount(), 0);
    EXPECT_EQ(readAll(kept->FileName), siteBytes);
}

TEST(RoamStore, FailedWritesStayUnsavedAndAreWrittenWhenSpaceReturns)
{
    DataFolder data;
    writeAll(data.file(u"Ses.sms"_s), twoSessions);
    RoamStore &store = data.load();
    QStringList log;
    int changes = 0;
    store.SetLogger([&log](const QString &line) { log.append(line); });
    store.SetSaveStateListener([&changes] { ++changes; });

    const CFilePtr a = newRecord(store, u"site/a"_s, u"a.smf"_s);
    const CFilePtr b = newRecord(store, u"site/b"_s, u"b.smf"_s);
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(store.SaveFile(a));
        EXPECT_FALSE(store.SaveFile(b));
        a->Title = u"seen while full"_s;
        EXPECT_FALSE(store.SaveFile(a));
        EXPECT_FALSE(store.SetSession(true));
    }
    // Two site files and the sessions file, each failure said once, with the reason.
    EXPECT_EQ(store.UnsavedCount(), 3);
    EXPECT_EQ(store.WriteError(), u"File too large"_s);
    ASSERT_EQ(log.size(), 3);
    EXPECT_TRUE(log.at(0).startsWith(u"cannot write "_s + QDir::toNativeSeparators(a->FileName)));
    EXPECT_TRUE(log.at(0).endsWith(u": File too large"_s));
    EXPECT_EQ(readAll(store.sessionsFileName()), twoSessions);
    EXPECT_EQ(QDir(data.path).entryList(QDir::Files | QDir::Hidden), QStringList {u"Ses.sms"_s});
    EXPECT_GE(changes, 3);

    // Space is back: the next save of any record writes every unsaved one.
    const CFilePtr c = newRecord(store, u"site/c"_s, u"c.smf"_s);
    EXPECT_TRUE(store.SaveFile(c));
    EXPECT_EQ(store.UnsavedCount(), 0);
    EXPECT_TRUE(store.WriteError().isEmpty());
    EXPECT_TRUE(log.last().startsWith(u"every record is written"_s));
    for (const CFilePtr &file : {a, b, c})
        EXPECT_EQ(readAll(file->FileName), file->toBytes());
    EXPECT_EQ(readAll(store.sessionsFileName()), RoamStore::sessionsBytes(store.AllSessions));

    // And at close, without any other save.
    {
        FileSizeLimit full(16);
        b->Title = u"later"_s;
        EXPECT_FALSE(store.SaveFile(b));
    }
    EXPECT_EQ(store.UnsavedCount(), 1);
    EXPECT_TRUE(store.SetSession(true));
    EXPECT_EQ(store.UnsavedCount(), 0);
    EXPECT_EQ(readAll(b->FileName), b->toBytes());
}

TEST(RoamStore, AFileThatFailsInABatchKeepsItsOldFileAndTheOthersAreWritten)
{
    // A small batch waits for each file in turn, a large one for several side by side.
    for (const int count : {3, 24}) {
        SCOPED_TRACE(count);
        DataFolder data;
        RoamStore &store = data.load();
        std::vector<CFilePtr> files;
        for (int i = 0; i < count; ++i) {
            const QString name = QString::number(i);
            files.push_back(newRecord(store, u"site/"_s + name, name + u".smf"_s));
        }
        ASSERT_TRUE(store.SaveFiles(files));
        const CFilePtr big = files[size_t(count / 2)];
        const QByteArray oldBig = readAll(big->FileName);
        ASSERT_EQ(oldBig, big->toBytes());

        qsizetype fits = 0;
        for (const CFilePtr &file : files) {
            file->Title = file->URL() + u", renamed"_s;
            fits = std::max(fits, file->toBytes().size());
        }
        big->Title = QString(4000, u'b');
        {
            // The big one no longer fits, the others do.
            FileSizeLimit full(rlim_t(fits) + 16);
            EXPECT_FALSE(store.SaveFiles(files));
        }
        for (const CFilePtr &file : files) {
            if (file != big) {
                EXPECT_EQ(readAll(file->FileName), file->toBytes()) << qPrintable(file->URL());
            }
        }
        EXPECT_EQ(readAll(big->FileName), oldBig);
        EXPECT_EQ(store.UnsavedCount(), 1);
        EXPECT_EQ(store.WriteError(), u"File too large"_s);
        // No temporary is left behind to be taken for a record or to fill the folder.
        const QStringList left = QDir(data.path).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left.filter(u".smf"_s).size(), count);
        EXPECT_EQ(left.size(), count) << qPrintable(left.join(u' '));

        // Space is back: the record that stayed unsaved is written with the next save.
        EXPECT_TRUE(store.RetryUnsaved());
        EXPECT_EQ(readAll(big->FileName), big->toBytes());
        EXPECT_TRUE(store.WriteError().isEmpty());
    }
}

TEST(RoamStore, DamagedInputIsReadOnAndKeptAsideBeforeItsFirstRewrite)
{
    QByteArray tenSessions = "10\r\n";
    for (int day = 1; day <= 10; ++day)
        tenSessions += QStringLiteral("#2020-02-%1 08:00:00#,#2020-02-%1 09:00:00#\r\n")
                           .arg(day, 2, 10, QChar(u'0'))
                           .toLatin1();
    // Rows: the file changed, the change (no `to`: the file is cut where `from` begins), and
    // whether that leaves the file damaged.
    const struct
    {
        const char *what;
        bool inSessions;
        const char *from;
        const char *to;
        bool damaged;
    } cases[] = {
        {"intact files", false, "", "", false},
        {"a site file cut in its second visit", false, "#2020-01-01 10:01:00#", nullptr, true},
        {"sessions with bare CR line ends", true, "\r\n", "\r", false},
        {"a bad time in the third session",
         true,
         "#2020-02-03 09:00:00#",
         "#2020-02-03 9:00#",
         true},
        {"a session line that is text",
         true,
         "#2020-02-05 08:00:00#,#2020-02-05 09:00:00#",
         "garbage",
         true},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.what);
        QByteArray site = fullSite;
        QByteArray sessions = tenSessions;
        QByteArray &changed = row.inSessions ? sessions : site;
        if (!row.to)
            changed.truncate(changed.indexOf(row.from));
        else if (*row.from)
            changed.replace(row.from, row.to);
        const bool siteDamaged = row.damaged && !row.inSessions;
        const bool sessionsDamaged = row.damaged && row.inSessions;
        DataFolder data;
        const QString sitePath = data.file(u"a.smf"_s);
        writeAll(sitePath, site);
        writeAll(data.file(u"Ses.sms"_s), sessions);
        RoamStore &store = data.load();
        EXPECT_EQ(store.damagedFiles().contains(sitePath), siteDamaged);
        EXPECT_EQ(store.damagedFiles().contains(store.sessionsFileName()), sessionsDamaged);
        // Every session the file holds past the bad line is read too.
        EXPECT_EQ(store.AllSessions.Count(), sessionsDamaged ? 10 : 11);
        EXPECT_TRUE(store.AllSessions.Item(u"2020-02-10 08:00:00"_s));

        const CFilePtr record = store.Files.Item(u"site/a"_s);
        ASSERT_TRUE(record);
        record->Title = u"renamed"_s;
        ASSERT_TRUE(store.SaveFile(record));
        ASSERT_TRUE(store.SetSession(true));
        EXPECT_EQ(readAll(sitePath + u".damaged"_s), siteDamaged ? site : QByteArray());
        EXPECT_EQ(readAll(store.sessionsFileName() + u".damaged"_s),
                  sessionsDamaged ? sessions : QByteArray());

        // The copy is made once, before the first rewrite only.
        record->Title = u"again"_s;
        ASSERT_TRUE(store.SaveFile(record));
        ASSERT_TRUE(store.SetSession(true));
        EXPECT_EQ(QDir(data.path).entryList({u"*.damaged*"_s}, QDir::Files).size(),
                  int(row.damaged));
        EXPECT_EQ(readAll(sitePath + u".damaged"_s), siteDamaged ? site : QByteArray());
    }
}

TEST(RoamStore, TheFolderAndEveryWrittenFileArePrivate)
{
    const OpenUmask openUmask;
    QTemporaryDir root;
    const QString data = root.filePath(u"setup/Data"_s);
    ManualClock clock(startTime);
    {
        RoamStore store(data, clock);
        store.LoadDataFolder();
        const CFilePtr site = newRecord(store, u"site/a"_s, u"a.smf"_s);
        ASSERT_TRUE(store.SaveFile(site));
        ASSERT_TRUE(store.SetSession(true));
        EXPECT_EQ(modeOf(data), 0700);
        EXPECT_EQ(modeOf(root.filePath(u"setup"_s)), 0700);
        EXPECT_EQ(modeOf(site->FileName), 0600);
        EXPECT_EQ(modeOf(store.sessionsFileName()), 0600);
    }

    // What an older version left open is closed at the next write, and the folder when the
    // writer takes it.
    ASSERT_EQ(::chmod(QFile::encodeName(data).constData(), 0755), 0);
    const QString oldFile = QDir(data).filePath(u"a.smf"_s);
    ASSERT_EQ(::chmod(QFile::encodeName(oldFile).constData(), 0644), 0);
    RoamStore store(data, clock);
    ASSERT_EQ(store.LockDataFolder(u"Roamlog"_s), DataFolderLock::Result::Acquired);
    store.LoadDataFolder();
    EXPECT_EQ(modeOf(data), 0700);
    EXPECT_EQ(modeOf(oldFile), 0644);
    ASSERT_TRUE(store.SaveFile(store.Files.Item(u"site/a"_s)));
    EXPECT_EQ(modeOf(oldFile), 0600);

    RoamSettings settings(root.filePath(u"settings/roamlog.ini"_s));
    settings.setLang(500);
    EXPECT_EQ(modeOf(root.filePath(u"settings/roamlog.ini"_s)), 0600);
}
