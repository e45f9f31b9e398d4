#include "historylisting.h"

#include "historyexport.h"
#include "roamstore.h"
#include "texttable.h"
#include "timekey.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

QJsonValue jsonTime(const QDateTime &time)
{
    if (isZeroDateTime(time))
        return QJsonValue::Null;
    return HistoryExport::isoTime(time);
}

QString textTime(const QDateTime &time)
{
    if (isZeroDateTime(time))
        return u"-"_s;
    return timeKey(time);
}

// A span whose end was never stamped has no length.
bool hasDuration(const QDateTime &start, const QDateTime &end)
{
    return !isZeroDateTime(start) && !isZeroDateTime(end);
}

QJsonValue jsonDuration(const QDateTime &start, const QDateTime &end)
{
    if (!hasDuration(start, end))
        return QJsonValue::Null;
    return start.secsTo(end);
}

QString textDuration(const QDateTime &start, const QDateTime &end)
{
    if (!hasDuration(start, end))
        return u"-"_s;
    qint64 seconds = start.secsTo(end);
    const QString sign = seconds < 0 ? u"-"_s : QString();
    seconds = qAbs(seconds);
    return sign + QString::number(seconds / 3600) + u':'
           + QString::number(seconds / 60 % 60).rightJustified(2, u'0') + u':'
           + QString::number(seconds % 60).rightJustified(2, u'0');
}

// The stored note is one blank when the user wrote none.
QString noteText(const CFilePtr &file)
{
    return file->Note.trimmed();
}

QDateTime firstVisit(const CFilePtr &file)
{
    return file->Sessions.Count() > 0 ? (*file->Sessions.begin()).sTime : QDateTime();
}

QDateTime lastVisit(const CFilePtr &file)
{
    // Visits are kept in time order.
    const int visits = file->Sessions.Count();
    return visits > 0 ? file->Sessions.Item(visits)->sTime : QDateTime();
}

void printJson(QTextStream &out, const QJsonValue &value)
{
    const QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray())
                                              : QJsonDocument(value.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
}

} // namespace

HistoryListing::HistoryListing(RoamStore &store,
                               const CSessions &sessions,
                               QTextStream &out,
                               bool json)
    : m_store(store)
    , m_sessions(sessions)
    , m_out(out)
    , m_json(json)
{ }

QJsonObject HistoryListing::siteObject(const CFilePtr &file) const
{
    return QJsonObject {
        {u"url"_s, file->URL()},
        {u"title"_s, file->Title},
        {u"note"_s, noteText(file)},
        {u"level"_s, file->Level()},
        {u"visits"_s, file->Sessions.Count()},
        {u"downloads"_s, file->Activities.Count()},
        {u"firstVisit"_s, jsonTime(firstVisit(file))},
        {u"lastVisit"_s, jsonTime(lastVisit(file))},
        {u"file"_s, QFileInfo(file->FileName).fileName()},
    };
}

void HistoryListing::printSites(const QList<CFilePtr> &files)
{
    if (m_json) {
        QJsonArray sites;
        for (const CFilePtr &file : files)
            sites.append(siteObject(file));
        printJson(m_out, sites);
        return;
    }
    if (files.isEmpty())
        return;
    TextTable table(
        {u"LAST VISIT"_s, u"VISITS"_s, u"DOWNLOADS"_s, u"URL"_s, u"TITLE"_s, u"NOTE"_s});
    table.setRightAligned(1);
    table.setRightAligned(2);
    // Made again as printed rather than held: the whole store's rows would outweigh the store.
    table.print(m_out, files.size(), [&files](qsizetype i) {
        const CFilePtr &file = files.at(i);
        return QStringList {textTime(lastVisit(file)),
                            QString::number(file->Sessions.Count()),
                            QString::number(file->Activities.Count()),
                            file->URL(),
                            file->Title,
                            noteText(file)};
    });
    return;
}

void HistoryListing::printAllSites()
{
    QList<CFilePtr> files;
    files.reserve(m_store.Files.Count());
    for (const CFilePtr &file : m_store.Files)
        files.append(file);
    printSites(files);
}

void HistoryListing::printSitesHolding(const QString &text)
{
    QList<CFilePtr> files;
    for (const CFilePtr &file : m_store.Files) {
        if (file->URL().contains(text, Qt::CaseInsensitive)
            || file->Title.contains(text, Qt::CaseInsensitive)
            || file->Note.contains(text, Qt::CaseInsensitive))
            files.append(file);
    }
    printSites(files);
}

void HistoryListing::printSessions()
{
    // Sites visited in each browsing session, by the session's start key.
    QHash<QString, QSet<QString>> sitesBySession;
    for (const CFilePtr &file : m_store.Files) {
        for (const RecordRows::Visit &visit : file->Sessions.Rows())
            sitesBySession[wallClockKey(visit.session)].insert(file->URL());
    }
    const auto siteCount = [&sitesBySession](const CSessionPtr &session) {
        return int(sitesBySession.value(timeKey(session->sTime)).size());
    };

    if (m_json) {
        QJsonArray sessions;
        for (const CSessionPtr &session : m_sessions) {
            sessions.append(QJsonObject {
                {u"start"_s, jsonTime(session->sTime)},
                {u"end"_s, jsonTime(session->eTime)},
                {u"durationSeconds"_s, jsonDuration(session->sTime, session->eTime)},
                {u"sites"_s, siteCount(session)},
            });
        }
        printJson(m_out, sessions);
        return;
    }
    if (m_sessions.Count() == 0)
        return;
    TextTable table({u"START"_s, u"END"_s, u"DURATION"_s, u"SITES"_s});
    table.setRightAligned(2);
    table.setRightAligned(3);
    for (const CSessionPtr &session : m_sessions) {
        table.addRow({textTime(session->sTime),
                      textTime(session->eTime),
                      textDuration(session->sTime, session->eTime),
                      QString::number(siteCount(session))});
    }
    table.print(m_out);
    return;
}

bool HistoryListing::printVisits(const QString &url)
{
    const CFilePtr file = m_store.Files.Item(url);
    if (!file)
        return false;

    if (m_json) {
        QJsonArray visits;
        for (const CSession &visit : file->Sessions) {
            visits.append(QJsonObject {
                {u"start"_s, jsonTime(visit.sTime)},
                {u"end"_s, jsonTime(visit.eTime)},
                {u"durationSeconds"_s, jsonDuration(visit.sTime, visit.eTime)},
                {u"session"_s, jsonTime(visit.Session)},
                {u"query"_s, visit.Param},
            });
        }
        QJsonArray downloads;
        for (const CActivity &act : file->Activities) {
            downloads.append(QJsonObject {
                {u"time"_s, jsonTime(act.Key)},
                {u"session"_s, jsonTime(act.Session)},
                {u"location"_s, act.Location},
            });
        }
        QJsonObject site = siteObject(file);
        site.insert(u"visits"_s, visits);
        site.insert(u"downloads"_s, downloads);
        printJson(m_out, site);
        return true;
    }

    m_out << "URL:    " << file->URL() << '\n' << "Title:  " << file->Title << '\n';
    if (!noteText(file).isEmpty())
        m_out << "Note:   " << noteText(file) << '\n';
    if (file->Sessions.Count() > 0) {
        m_out << '\n';
        TextTable table({u"START"_s, u"END"_s, u"DURATION"_s, u"SESSION"_s, u"QUERY"_s});
        table.setRightAligned(2);
        for (const CSession &visit : file->Sessions) {
            table.addRow({textTime(visit.sTime),
                          textTime(visit.eTime),
                          textDuration(visit.sTime, visit.eTime),
                          textTime(visit.Session),
                          visit.Param});
        }
        table.print(m_out);
    }
    if (file->Activities.Count() > 0) {
        m_out << '\n';
        TextTable table({u"DOWNLOADED"_s, u"SESSION"_s, u"LOCATION"_s});
        for (const CActivity &act : file->Activities)
            table.addRow({textTime(act.Key), textTime(act.Session), act.Location});
        table.print(m_out);
    }
    return true;
}
