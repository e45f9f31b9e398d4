#include "generatedstore.h"

#include "cfile.h"
#include "csessions.h"
#include "roamstore.h"
#include "timekey.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <map>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int hostCount = 2000;
constexpr int sessionCount = 500;
constexpr int bigHostPages = 1000;
constexpr int sessionOf800Sites = 800;
const QDateTime firstSession(QDate(2023, 1, 2), QTime(9, 0, 0));

QDateTime sessionStart(int session)
{
    // A session every 17 hours, so that the stored sessions span most of a year.
    return firstSession.addSecs(qint64(session) * 17 * 3600);
}

QDateTime extraSession()
{
    return sessionStart(sessionCount);
}

QString urlOf(int index, int count)
{
    const int folders = count / 10;
    if (index < hostCount)
        return u"host"_s + QString::number(index) + u".example"_s;
    index -= hostCount;
    if (index < folders)
        return urlOf(index % hostCount, count) + u"/folder"_s + QString::number(index);
    index -= folders;
    if (index == 0)
        return GeneratedStore::hostOf1000();
    if (index <= bigHostPages)
        return GeneratedStore::hostOf1000() + u"/page"_s + QString::number(index) + u".html"_s;
    index -= bigHostPages + 1;
    return urlOf(hostCount + index % folders, count) + u"/page"_s + QString::number(index)
           + u".html"_s;
}

void addVisit(CFile &file, const QDateTime &session, int offset)
{
    auto visit = std::make_shared<CSession>();
    visit->Session = session;
    visit->sTime = session.addSecs(offset);
    visit->eTime = visit->sTime.addSecs(40);
    visit->Param = offset % 4 == 0 ? u"q=roam&page="_s + QString::number(offset) : QString();
    file.Sessions.Add(*visit);
}

void generate(const QString &path, int count)
{
    QRandomGenerator random(count);
    const QDir dir(path);
    const int every800 = count / sessionOf800Sites;
    for (int i = 0; i < count; ++i) {
        CFile file;
        file.SetURL(urlOf(i, count));
        file.Title = GeneratedStore::title(random);
        const int visits = 1 + int(random.bounded(20));
        for (int v = 0; v < visits; ++v)
            addVisit(file, sessionStart(int(random.bounded(sessionCount))), i % 3000 + v * 7);
        if (i % every800 == 0 && i / every800 < sessionOf800Sites)
            addVisit(file, extraSession(), i % 3000);
        if (i % 100 == 7)
            addVisit(file, GeneratedStore::runningSession(), i % 3000);
        if (random.bounded(5) == 0) {
            auto act = std::make_shared<CActivity>();
            act->Session = sessionStart(int(random.bounded(sessionCount)));
            act->Location = u"http://"_s + file.URL() + u"/file.zip"_s;
            act->Key = act->Session.addSecs(i % 3000);
            file.Activities.Add(*act);
        }
        QFile out(dir.filePath(QString::number(i) + u".smf"_s));
        if (out.open(QIODevice::WriteOnly))
            out.write(file.toBytes());
    }
    CSessions sessions;
    for (int s = 0; s <= sessionCount; ++s) {
        auto session = std::make_shared<CSession>();
        session->sTime = sessionStart(s);
        session->eTime = session->sTime.addSecs(5 * 3600);
        sessions.Add(session, timeKey(session->sTime));
    }
    QFile out(dir.filePath(u"Ses.sms"_s));
    if (out.open(QIODevice::WriteOnly))
        out.write(RoamStore::sessionsBytes(sessions));
}

} // namespace

namespace GeneratedStore {

QString title(QRandomGenerator &random)
{
    static const QString latin = u"Roamlog history of the web pages visited today abcdefghij "_s;
    static const QString hebrew = u"היסטוריה של דפי האינטרנט שביקרתי בהם היום אבגדהוזחטי "_s;
    const QString &words = random.bounded(4) == 0 ? hebrew : latin;
    const int length = 20 + int(random.bounded(61));
    QString text;
    while (text.size() < length)
        text += words;
    return text.left(length);
}

qint64 rawRead(const QString &folder)
{
    QDir dir(folder);
    qint64 total = 0;
    QByteArray bytes;
    for (const QString &name : dir.entryList({u"*.smf"_s}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly)) {
            bytes.resize(file.size());
            total += file.read(bytes.data(), bytes.size());
        }
    }
    return total;
}

QString folder(int count)
{
    static std::map<int, std::unique_ptr<QTemporaryDir>> folders;
    std::unique_ptr<QTemporaryDir> &dir = folders[count];
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        generate(dir->path(), count);
    }
    return dir->path();
}

QDateTime runningSession()
{
    return firstSession.addYears(1);
}

QString sessionOf800Key()
{
    return timeKey(extraSession());
}

QString hostOf1000()
{
    return u"big.example"_s;
}

} // namespace GeneratedStore
