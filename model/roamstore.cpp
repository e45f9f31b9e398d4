#include "roamstore.h"

#include "clock.h"
#include "fieldreader.h"
#include "fieldwriter.h"
#include "safewrite.h"
#include "timekey.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

using namespace Qt::StringLiterals;

RoamStore::RoamStore(const QString &dataFolder, Clock &clock)
    : m_dataFolder(dataFolder)
    , m_clock(clock)
{ }

QString RoamStore::sessionsFileName() const
{
    return QDir(m_dataFolder).filePath(u"Ses.sms"_s);
}

void RoamStore::LoadDataFolder()
{
    if (!SessionStart.isValid())
        SessionStart = m_clock.now();
    if (!QDir(m_dataFolder).exists())
        QDir().mkpath(m_dataFolder);
    readSiteFiles();
    AllSessions = CSessions();
    readSessionsFile();
    registerRunningSession();
}

void RoamStore::ReadDataFolder()
{
    readSiteFiles();
    AllSessions = CSessions();
    readSessionsFile();
}

void RoamStore::readSiteFiles()
{
    m_unreadable.clear();
    const QDir folder(m_dataFolder);
    const QStringList names = folder.entryList({u"*.smf"_s}, QDir::Files, QDir::Name);
    const QString prefix = folder.filePath(u"x"_s).chopped(1);
    const qsizetype count = names.size();

    // Reading and parsing the files is most of a start: the cores share it in small chunks,
    // and the records then join Files in name order, so that the result is the one a single
    // reader would have made (of two files with one URL the first still stays).
    std::vector<CFilePtr> read(size_t(count), nullptr);
    std::atomic<qsizetype> next {0};
    const auto work = [&] {
        constexpr qsizetype chunk = 64;
        for (qsizetype first = next.fetch_add(chunk); first < count;
             first = next.fetch_add(chunk)) {
            const qsizetype last = std::min(count, first + chunk);
            for (qsizetype i = first; i < last; ++i) {
                auto file = std::make_shared<CFile>();
                if (file->Read(prefix + names.at(i)))
                    read[size_t(i)] = std::move(file);
            }
        }
    };
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    {
        std::vector<std::jthread> helpers;
        for (unsigned i = 1; i < cores && count > 256; ++i)
            helpers.emplace_back(work);
        work();
    }
    for (qsizetype i = 0; i < count; ++i) {
        CFilePtr &file = read[size_t(i)];
        if (!file) {
            m_unreadable.append(prefix + names.at(i));
            continue;
        }
        Files.Add(file, file->URL());
        file.reset();
    }
}

void RoamStore::readSessionsFile()
{
    QFile file(sessionsFileName());
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = FieldReader::decode(file.readAll());
    file.close();
    FieldReader in(text);

    qint64 count = 0;
    if (!in.takeInteger(count))
        return;
    for (qint64 i = 0; i < count; ++i) {
        QDateTime start;
        QDateTime end;
        if (!in.takeDateTime(start) || !in.takeDateTime(end))
            return;
        auto session = std::make_shared<CSession>();
        session->sTime = start;
        session->eTime = end;
        // A repeated start time is a copy of a session already read: skip it, keep reading.
        AllSessions.Add(session, timeKey(start));
    }
}

void RoamStore::registerRunningSession()
{
    const QString key = timeKey(SessionStart);
    if (const CSessionPtr stored = AllSessions.Item(key)) {
        // A quick restart within the same second: the running session continues that one.
        stored->Session = SessionStart;
        return;
    }
    auto running = std::make_shared<CSession>();
    running->Session = SessionStart;
    running->sTime = SessionStart;
    running->eTime = SessionStart;
    AllSessions.Add(running, key);
}

QByteArray RoamStore::sessionsBytes(const CSessions &sessions)
{
    FieldWriter out;
    out.integer(sessions.Count());
    out.endLine();
    for (const CSessionPtr &session : sessions) {
        out.dateTime(session->sTime);
        out.dateTime(session->eTime);
        out.endLine();
    }
    return out.bytes();
}

bool RoamStore::SetSession(bool sEnd)
{
    if (!sEnd)
        return true;
    if (const CSessionPtr running = AllSessions.Item(timeKey(SessionStart)))
        running->eTime = m_clock.now();
    QDir().mkpath(m_dataFolder);
    return writeFileSafely(sessionsFileName(), sessionsBytes(AllSessions));
}

bool RoamStore::GetCFile(const QString &selectedUrl)
{
    const CFilePtr file = Files.Item(selectedUrl);
    if (!file)
        return false;
    NoteFile = file;
    NoteURL = file->URL();
    NoteTitle = file->Title;
    NoteText = file->Note;
    NoteVisited = file->Visited();
    return true;
}

bool RoamStore::SetCFile(const QString &selectedUrl)
{
    const CFilePtr file = Files.Item(selectedUrl);
    if (!file)
        return false;
    file->Note = NoteText.trimmed();
    file->SetVisited(NoteVisited);
    return file->Save();
}
