#include "cfile.h"

#include "fieldreader.h"
#include "fieldwriter.h"
#include "safewrite.h"
#include "timekey.h"

#include <QFile>

#include <algorithm>

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
    for (const RecordRows::Visit &visit : Sessions.Rows()) {
        out.string(u"S"_s);
        out.wallClock(visit.session);
        out.wallClock(visit.start);
        out.wallClock(visit.end);
        out.string(RecordRows::Visit::paramOf(visit.param, Sessions.RowContext()));
        out.endLine();
    }
    for (const RecordRows::Download &act : Activities.Rows()) {
        out.string(u"A"_s);
        out.wallClock(act.session);
        out.string(act.location);
        out.wallClock(act.when);
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

    // Loading holds every record at once: room for the rows the file announces (no more than
    // its text could hold), and the texts every record shares kept once.
    if (Note == u" "_s)
        Note = u" "_s;
    if (Title == m_url)
        Title = m_url;
    constexpr qsizetype shortestLine = 16;
    Sessions.Reserve(std::clamp(visits, qint64(0), qint64(text.size() / shortestLine)));

    QString tag;
    const qint64 zero = wallClockMs(zeroDateTime());
    RecordRows::Visit visit {zero, zero, zero, 0};
    QString param;
    qint64 visitsRead = 0;
    for (; visitsRead < visits && !in.exhausted(); ++visitsRead) {
        tag.clear();
        const bool whole = in.takeString(tag) && in.takeWallClock(visit.session)
                           && in.takeWallClock(visit.start) && in.takeWallClock(visit.end)
                           && in.takeString(param);
        if (!whole || tag != u"S"_s)
            m_damaged = true;
        if (tag == u"S"_s) {
            visit.param = RecordRows::Visit::placeOf(param, Sessions.RowContext());
            Sessions.AddRow(visit);
        }
    }
    RecordRows::Download act {zero, zero, {}, {}};
    if (visitsRead < visits)
        m_damaged = true;
    qint64 activitiesRead = 0;
    for (; activitiesRead < activities && !in.exhausted(); ++activitiesRead) {
        tag.clear();
        if (!(in.takeString(tag) && in.takeWallClock(act.session) && in.takeString(act.location)
              && in.takeWallClock(act.when))
            || tag != u"A"_s)
            m_damaged = true;
        if (tag == u"A"_s)
            Activities.AddRow(act);
    }
    Sessions.Squeeze();
    Activities.Squeeze();
    if (activitiesRead < activities)
        m_damaged = true;
    return hasUrl;
}
