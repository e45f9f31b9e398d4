#include "roamstore.h"

#include "backgroundrelease.h"
#include "clock.h"
#include "fieldreader.h"
#include "fieldwriter.h"
#include "safewrite.h"
#include "timekey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

#ifdef __GLIBC__
#    include <malloc.h>
#endif

using namespace Qt::StringLiterals;

RoamStore::RoamStore(const QString &dataFolder, Clock &clock)
    : m_dataFolder(dataFolder)
    , m_clock(clock)
{ }

RoamStore::~RoamStore()
{
    BackgroundRelease::Drop(std::move(m_sessionSites));
    BackgroundRelease::Drop(std::exchange(Files, CFiles()));
    BackgroundRelease::Drop(std::exchange(AllSessions, CSessions()));
}

QString RoamStore::sessionsFileName() const
{
    return QDir(m_dataFolder).filePath(u"Ses.sms"_s);
}

void RoamStore::LoadDataFolder()
{
    if (!SessionStart.isValid())
        SessionStart = m_clock.now();
    if (!QDir(m_dataFolder).exists())
        makePrivateFolder(m_dataFolder);
    readSiteFiles();
    // Now, while nothing else looks at the records: the Chrono outline and deleting a
    // session then need not look at every visit.
    m_sessionSites->Build(Files);
    AllSessions = CSessions();
    readSessionsFile();
    registerRunningSession();
#ifdef __GLIBC__
    // The load's scratch (file bytes, the index's unsorted lists) is freed by now but kept by
    // the allocator between the records; give it back, or it stays resident for the whole run.
    malloc_trim(0);
#endif
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
    m_damaged.clear();
    m_toKeepAside.clear();
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
        if (file->Damaged()) {
            const QString path = prefix + names.at(i);
            m_damaged.append(path);
            m_toKeepAside.insert(path);
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
    if (!parseSessions(text, AllSessions)) {
        m_damaged.append(sessionsFileName());
        m_toKeepAside.insert(sessionsFileName());
    }
}

bool RoamStore::parseSessions(QStringView text, CSessions &sessions)
{
    qsizetype lineCount = 0;
    bool whole = true;
    qint64 count = -1;
    // Lines end with CR LF, but a lone CR or LF ends one too, as for the field reader.
    for (qsizetype from = 0; from < text.size();) {
        qsizetype to = from;
        while (to < text.size() && text[to] != u'\r' && text[to] != u'\n')
            ++to;
        const QStringView entry = text.sliced(from, to - from).trimmed();
        from = to + 1;
        if (entry.isEmpty())
            continue;
        FieldReader in(entry);
        if (lineCount++ == 0) {
            if (!in.takeInteger(count) || count < 0)
                whole = false;
            continue;
        }
        QDateTime start;
        QDateTime end;
        if (!in.takeDateTime(start) || !in.takeDateTime(end)) {
            whole = false;
            continue;
        }
        auto session = std::make_shared<CSession>();
        session->sTime = start;
        session->eTime = end;
        // A repeated start time is a copy of a session already read: skip it, keep reading.
        sessions.Add(session, timeKey(start));
    }
    return whole && (lineCount == 0 || count == lineCount - 1);
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
    const bool written = SaveSessions();
    RetryUnsaved();
    return written;
}

DataFolderLock::Result RoamStore::LockDataFolder(const QString &program)
{
    if (!m_lock)
        m_lock = std::make_unique<DataFolderLock>(m_dataFolder);
    const DataFolderLock::Result result = m_lock->acquire(program);
    switch (result) {
    case DataFolderLock::Result::Acquired:
        // A folder made by an older version, or by hand, may be open to others.
        if (QFile::permissions(m_dataFolder)
            & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                | QFile::WriteUser | QFile::ExeUser))
            QFile::setPermissions(m_dataFolder,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        break;
    case DataFolderLock::Result::Busy:
        m_readOnly = true;
        break;
    case DataFolderLock::Result::Failed: {
        const QString before = m_writeError;
        m_writeError = m_lock->errorString();
        log(u"cannot write into the data folder "_s + QDir::toNativeSeparators(m_dataFolder)
            + u": "_s + m_writeError);
        noteProgress(UnsavedCount(), before, false);
        break;
    }
    }
    return result;
}

QString RoamStore::LockHolder() const
{
    return m_lock ? m_lock->holder() : QString();
}

bool RoamStore::keepAside(const QString &path, QString &error)
{
    if (!m_toKeepAside.contains(path))
        return true;
    if (QFileInfo::exists(path)) {
        QString copy = path + u".damaged"_s;
        for (int n = 2; QFileInfo::exists(copy); ++n)
            copy = path + u".damaged."_s + QString::number(n);
        QFile original(path);
        if (!original.copy(copy)) {
            error = u"cannot keep a copy of the partly readable file: "_s + original.errorString();
            return false;
        }
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        log(u"kept the partly readable file "_s + QDir::toNativeSeparators(path) + u" as "_s
            + QDir::toNativeSeparators(copy));
    }
    m_toKeepAside.remove(path);
    return true;
}

bool RoamStore::writeSite(const CFilePtr &file, QString &error)
{
    return keepAside(file->FileName, error) && file->Save(&error);
}

bool RoamStore::writeSessions(QString &error)
{
    const QString path = sessionsFileName();
    if (!keepAside(path, error))
        return false;
    if (!QDir(m_dataFolder).exists() && !makePrivateFolder(m_dataFolder, &error))
        return false;
    return writeFileSafely(path, sessionsBytes(AllSessions), &error);
}

void RoamStore::log(const QString &line) const
{
    if (m_logger)
        m_logger(line);
    else
        std::fprintf(stderr, "Roamlog: %s\n", qUtf8Printable(line));
}

void RoamStore::noteFailure(const QString &path, const QString &error, bool first)
{
    m_writeError = error;
    if (first)
        log(u"cannot write "_s + QDir::toNativeSeparators(path) + u": "_s + error);
}

void RoamStore::noteProgress(int unsavedBefore, const QString &errorBefore, bool wrote)
{
    if (UnsavedCount() == 0 && !m_writeError.isEmpty() && (unsavedBefore > 0 || wrote)) {
        m_writeError.clear();
        log(u"every record is written to "_s + QDir::toNativeSeparators(m_dataFolder)
            + u" again"_s);
    }
    if ((UnsavedCount() != unsavedBefore || m_writeError != errorBefore) && m_listener)
        m_listener();
}

bool RoamStore::SaveFile(const CFilePtr &file)
{
    if (!file || m_readOnly)
        return false;
    const int before = UnsavedCount();
    const QString errorBefore = m_writeError;
    const auto known = std::find(m_unsaved.begin(), m_unsaved.end(), file);
    const bool wasUnsaved = known != m_unsaved.end();
    QString error;
    const bool written = writeSite(file, error);
    if (written && wasUnsaved)
        m_unsaved.erase(known);
    if (!written) {
        noteFailure(file->FileName, error, !wasUnsaved);
        if (!wasUnsaved)
            m_unsaved.push_back(file);
    }
    // While writing fails the others would fail too: they wait for a write that works.
    if (written && UnsavedCount() > 0)
        retryAll();
    noteProgress(before, errorBefore, written);
    return written;
}

bool RoamStore::SaveFiles(const std::vector<CFilePtr> &files, const BatchWriter &write)
{
    if (m_readOnly)
        return false;
    const int before = UnsavedCount();
    const QString errorBefore = m_writeError;
    std::vector<SafeWrite> writes(files.size());
    std::vector<bool> ready(files.size(), false);
    for (size_t i = 0; i < files.size(); ++i) {
        const CFilePtr &file = files[i];
        SafeWrite &write = writes[i];
        if (!file)
            continue;
        write.fileName = file->FileName;
        if (file->FileName.isEmpty())
            write.error = u"the record has no file name"_s;
        else if (keepAside(file->FileName, write.error))
            ready[i] = true;
    }
    std::vector<SafeWrite> batch;
    for (size_t i = 0; i < files.size(); ++i) {
        if (ready[i]) {
            writes[i].bytes = files[i]->toBytes();
            batch.push_back(std::move(writes[i]));
        }
    }
    if (write)
        write(batch);
    else
        writeFilesSafely(batch);
    bool all = true;
    bool wrote = false;
    auto done = batch.begin();
    for (size_t i = 0; i < files.size(); ++i) {
        const CFilePtr &file = files[i];
        if (!file) {
            all = false;
            continue;
        }
        const SafeWrite &write = ready[i] ? *done++ : writes[i];
        const auto known = std::find(m_unsaved.begin(), m_unsaved.end(), file);
        const bool wasUnsaved = known != m_unsaved.end();
        if (write.written) {
            wrote = true;
            if (wasUnsaved)
                m_unsaved.erase(known);
        } else {
            all = false;
            noteFailure(file->FileName, write.error, !wasUnsaved);
            if (!wasUnsaved)
                m_unsaved.push_back(file);
        }
    }
    if (wrote && UnsavedCount() > 0)
        retryAll();
    noteProgress(before, errorBefore, wrote);
    return all;
}

bool RoamStore::SaveSessions()
{
    if (m_readOnly)
        return false;
    const int before = UnsavedCount();
    const QString errorBefore = m_writeError;
    QString error;
    const bool written = writeSessions(error);
    if (!written)
        noteFailure(sessionsFileName(), error, !m_sessionsUnsaved);
    m_sessionsUnsaved = !written;
    if (written && UnsavedCount() > 0)
        retryAll();
    noteProgress(before, errorBefore, written);
    return written;
}

bool RoamStore::RetryUnsaved()
{
    if (m_readOnly)
        return UnsavedCount() == 0;
    const int before = UnsavedCount();
    const QString errorBefore = m_writeError;
    const bool wrote = retryAll();
    noteProgress(before, errorBefore, wrote);
    return UnsavedCount() == 0;
}

bool RoamStore::retryAll()
{
    bool wrote = false;
    QString error;
    if (m_sessionsUnsaved) {
        m_sessionsUnsaved = !writeSessions(error);
        if (m_sessionsUnsaved)
            noteFailure(sessionsFileName(), error, false);
        wrote = !m_sessionsUnsaved;
    }
    std::vector<CFilePtr> left;
    for (const CFilePtr &file : m_unsaved) {
        if (writeSite(file, error)) {
            wrote = true;
        } else {
            noteFailure(file->FileName, error, false);
            left.push_back(file);
        }
    }
    m_unsaved.swap(left);
    return wrote;
}

bool RoamStore::RemoveFile(const CFilePtr &file)
{
    if (!file || m_readOnly)
        return false;
    if (!file->FileName.isEmpty() && QFileInfo::exists(file->FileName)) {
        QFile target(file->FileName);
        if (!target.remove()) {
            log(u"cannot remove "_s + QDir::toNativeSeparators(file->FileName) + u": "_s
                + target.errorString());
            return false;
        }
    }
    const int before = UnsavedCount();
    const QString errorBefore = m_writeError;
    m_unsaved.erase(std::remove(m_unsaved.begin(), m_unsaved.end(), file), m_unsaved.end());
    m_toKeepAside.remove(file->FileName);
    m_sessionSites->RemoveSite(file);
    Files.Remove(file->URL());
    noteProgress(before, errorBefore, false);
    return true;
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
    if (!file || m_readOnly)
        return false;
    file->Note = NoteText.trimmed();
    file->SetVisited(NoteVisited);
    return SaveFile(file);
}
