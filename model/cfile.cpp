#include "cfile.h"

#include "fieldreader.h"
#include "fieldwriter.h"
#include "safewrite.h"
#include "timekey.h"

#include <QFile>

using namespace Qt::StringLiterals;

int CFile::levelOf(const QString &url)
{
    QStringView rest(url);
    if (url.trimmed().endsWith(u'/'))
        rest.chop(1);
    return int(rest.count(u'/'));
}

void CFile::SetURL(const QString &url)
{
    m_url = url;
    m_level = levelOf(url);
}

void CFile::SetVisited(bool visited)
{
    if (!m_visited)
        m_visited = visited;
}

bool CFile::AddActivity(const CActivityPtr &act)
{
    return act && Activities.Add(act, timeKey(act->Key)) != nullptr;
}

bool CFile::AddSession(const CSessionPtr &ses)
{
    return ses && Sessions.Add(ses, timeKey(ses->Session)) != nullptr;
}

QByteArray CFile::toBytes() const
{
    FieldWriter out;
    out.string(m_url);
    out.string(Title);
    out.integer(m_level);
    out.endLine();
    out.integer(Sessions.Count());
    out.integer(Activities.Count());
    out.string(Note);
    out.endLine();
    for (const CSessionPtr &visit : Sessions) {
        out.string(u"S"_s);
        out.dateTime(visit->Session);
        out.dateTime(visit->sTime);
        out.dateTime(visit->eTime);
        out.string(visit->Param);
        out.endLine();
    }
    for (const CActivityPtr &act : Activities) {
        out.string(u"A"_s);
        out.dateTime(act->Session);
        out.string(act->Location);
        out.dateTime(act->Key);
        out.endLine();
    }
    return out.bytes();
}

bool CFile::Save(QString *error) const
{
    if (FileName.isEmpty()) {
        if (error)
            *error = u"the record has no file name"_s;
        return false;
    }
    return writeFileSafely(FileName, toBytes(), error);
}

bool CFile::Read(const QString &fileName)
{
    FileName = fileName;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    // Loading reads thousands of small files in a row: keep the buffers between them.
    thread_local QByteArray bytes;
    thread_local QString text;
    const qint64 size = file.size();
    if (size >= (qint64(1) << 30))
        return false;
    bytes.resize(size);
    const qint64 got = file.read(bytes.data(), size);
    file.close();
    if (got < 0)
        return false;
    bytes.truncate(got);
    FieldReader::decodeInto(bytes, text);
    return fromText(text);
}

bool CFile::fromBytes(QByteArrayView bytes)
{
    return fromText(FieldReader::decode(bytes));
}

bool CFile::fromText(QStringView text)
{
    FieldReader in(text);
    m_damaged = false;

    // A failed take ends the line's statement; the fields still to be filled keep their
    // values, as do the working fields of the records below between one record and the next.
    QString url;
    bool hasUrl = in.takeString(url) && in.lastKind() == FieldReader::Kind::Quoted;
    if (hasUrl)
        m_url = url;
    qint64 level = m_level;
    if (hasUrl && in.takeString(Title) && in.takeInteger(level))
        m_level = int(level);
    else
        m_damaged = true;
    hasUrl = hasUrl && !m_url.isEmpty();

    qint64 visits = 0;
    qint64 activities = 0;
    if (!(in.takeInteger(visits) && in.takeInteger(activities) && in.takeString(Note)))
        m_damaged = true;

    QString tag;
    QDateTime session = zeroDateTime();
    QDateTime start = zeroDateTime();
    QString startKey = timeKey(start);
    QDateTime end = zeroDateTime();
    QString param;
    qint64 visitsRead = 0;
    for (; visitsRead < visits && !in.exhausted(); ++visitsRead) {
        tag.clear();
        bool whole = false;
        if (in.takeString(tag) && in.takeDateTime(session) && in.takeDateTime(start)) {
            // The full form of a time is its key text already.
            startKey = in.fieldText().size() == 19 ? in.fieldText().toString() : timeKey(start);
            whole = in.takeDateTime(end) && in.takeString(param);
        }
        if (!whole || tag != u"S"_s)
            m_damaged = true;
        if (tag == u"S"_s) {
            auto visit = std::make_shared<CSession>();
            visit->Session = session;
            visit->sTime = start;
            visit->eTime = end;
            visit->Param = param;
            Sessions.Add(visit, startKey);
        }
    }
    QDateTime actSession = zeroDateTime();
    QDateTime when = zeroDateTime();
    QString location;
    if (visitsRead < visits)
        m_damaged = true;
    qint64 activitiesRead = 0;
    for (; activitiesRead < activities && !in.exhausted(); ++activitiesRead) {
        tag.clear();
        if (!(in.takeString(tag) && in.takeDateTime(actSession) && in.takeString(location)
              && in.takeDateTime(when))
            || tag != u"A"_s)
            m_damaged = true;
        if (tag == u"A"_s) {
            auto act = std::make_shared<CActivity>();
            act->Session = actSession;
            act->Location = location;
            act->Key = when;
            Activities.Add(act, timeKey(when));
        }
    }
    if (activitiesRead < activities)
        m_damaged = true;
    return hasUrl;
}
