#include "historypagetext.h"

#include "clock.h"
#include "historyexport.h"
#include "neverrecordrules.h"
#include "pagetextindex.h"
#include "roamstore.h"
#include "texttable.h"
#include "timekey.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

QDateTime lastVisit(const CFilePtr &file)
{
    QDateTime last;
    // Visits are kept in time order.
    if (file && file->Sessions.Count() > 0)
        last = file->Sessions.Item(file->Sessions.Count())->sTime;
    return last;
}

} // namespace

HistoryPageText::HistoryPageText(const QString &dataFolder, QTextStream &out, QTextStream &err)
    : m_dataFolder(dataFolder)
    , m_out(out)
    , m_err(err)
{ }

void HistoryPageText::search(const QString &words, int limit, bool json)
{
    QList<PageTextIndex::Hit> hits;
    if (QFileInfo::exists(PageTextIndex::fileName(m_dataFolder))) {
        // Roamlog may be writing it: a search neither waits for nor repairs it.
        const PageTextIndex index(m_dataFolder, PageTextIndex::Access::ReadOnly);
        if (!index.problem().isEmpty())
            m_err << "roamlog-history: " << index.problem() << '\n';
        hits = index.search(words, limit);
    }

    RoamStore store(m_dataFolder, Clock::system());
    if (!hits.isEmpty())
        store.ReadDataFolder();

    if (json) {
        QJsonArray rows;
        for (const PageTextIndex::Hit &hit : std::as_const(hits)) {
            const CFilePtr file = store.Files.Item(hit.key);
            const QDateTime last = lastVisit(file);
            rows.append(QJsonObject {
                {u"url"_s, file ? file->URL() : hit.key},
                {u"title"_s, hit.title.isEmpty() && file ? file->Title : hit.title},
                {u"lastVisit"_s,
                 isZeroDateTime(last) || !last.isValid()
                     ? QJsonValue()
                     : QJsonValue(HistoryExport::isoTime(last))},
                {u"captured"_s, HistoryExport::isoTime(hit.captured.toLocalTime())},
                {u"snippet"_s, hit.snippet},
            });
        }
        m_out << QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Indented));
    } else if (!hits.isEmpty()) {
        TextTable table({u"LAST VISIT"_s, u"URL"_s, u"TITLE"_s, u"SNIPPET"_s});
        for (const PageTextIndex::Hit &hit : std::as_const(hits)) {
            const CFilePtr file = store.Files.Item(hit.key);
            const QDateTime last = lastVisit(file);
            table.addRow({isZeroDateTime(last) || !last.isValid() ? u"-"_s : timeKey(last),
                          file ? file->URL() : hit.key,
                          hit.title.isEmpty() && file ? file->Title : hit.title,
                          hit.snippet});
        }
        table.print(m_out);
    }
    m_out.flush();
    m_err.flush();
}

int HistoryPageText::forget(const QString &pattern, bool dryRun)
{
    if (!QFileInfo::exists(PageTextIndex::fileName(m_dataFolder)))
        return -1;
    PageTextIndex index(m_dataFolder);
    if (!index.problem().isEmpty())
        m_err << "roamlog-history: " << index.problem() << '\n';
    const NeverRecordRules rules({pattern});
    int count = 0;
    for (const QString &key : index.keys()) {
        if (rules.matches(key))
            ++count;
    }
    if (!dryRun && count > 0) {
        index.removeWhere([rules](const QString &key) { return rules.matches(key); });
        index.flush();
    }
    m_err.flush();
    return count;
}
