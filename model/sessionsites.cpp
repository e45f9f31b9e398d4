#include "sessionsites.h"

#include "cfile.h"
#include "timekey.h"

#include <algorithm>
#include <atomic>
#include <optional>
#include <thread>
#include <utility>

namespace {

/// The start of @p file's first visit in @p session, in its visits' order; none when it has
/// no visit there.
std::optional<qint64> firstVisitIn(const CFile &file, qint64 session)
{
    for (const RecordRows::Visit &visit : file.Sessions.Rows()) {
        if (visit.session == session)
            return visit.start;
    }
    return std::nullopt;
}

/// Whether @p a goes before @p b in a session's list: by the start of their first visit
/// there, then in key order, as the records are.
bool before(qint64 timeA, const CFile &a, qint64 timeB, const CFile &b)
{
    if (timeA != timeB)
        return timeA < timeB;
    return QString::compare(a.URL(), b.URL(), Qt::CaseInsensitive) < 0;
}

} // namespace

void SessionSites::Build(const CFiles &files)
{
    std::vector<const CFilePtr *> all;
    all.reserve(size_t(files.Count()));
    for (const CFilePtr &file : files)
        all.push_back(&file);

    // Each core takes a run of records in key order; the runs are joined in that order, so
    // that every list is in key order before it is sorted by time (which keeps that order
    // among equal times).
    using Found = std::vector<std::pair<qint64, const CFilePtr *>>;
    struct Part
    {
        QHash<qint64, Found> sessions;
        qint64 visits = 0;
    };
    const unsigned cores = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    const size_t parts = all.size() > 4096 ? cores : 1;
    std::vector<Part> found(parts);
    const auto work = [&all, &found, parts](size_t part) {
        Part &mine = found[part];
        const size_t first = all.size() * part / parts;
        const size_t last = all.size() * (part + 1) / parts;
        for (size_t i = first; i < last; ++i) {
            const CFilePtr *file = all[i];
            if (!*file)
                continue;
            mine.visits += (*file)->Sessions.Count();
            for (const RecordRows::Visit &visit : (*file)->Sessions.Rows()) {
                // A site's visits are in time order: its first one in a session comes first.
                Found &sites = mine.sessions[visit.session];
                if (sites.empty() || sites.back().second != file)
                    sites.emplace_back(visit.start, file);
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (size_t part = 1; part < parts; ++part)
            helpers.emplace_back(work, part);
        work(0);
    }

    m_sessions.clear();
    m_retired.clear();
    m_visits = 0;
    QHash<qint64, Found> joined = std::move(found[0].sessions);
    m_visits += found[0].visits;
    for (size_t part = 1; part < parts; ++part) {
        m_visits += found[part].visits;
        for (auto it = found[part].sessions.begin(); it != found[part].sessions.end(); ++it) {
            Found &into = joined[it.key()];
            into.insert(into.end(), it->begin(), it->end());
        }
    }
    for (auto it = joined.begin(); it != joined.end(); ++it) {
        Found &sites = it.value();
        std::stable_sort(sites.begin(), sites.end(), [](const auto &a, const auto &b) {
            return a.first < b.first;
        });
        auto list = std::make_shared<Sites>();
        list->reserve(sites.size());
        for (const auto &[time, file] : sites)
            list->push_back(file->get());
        m_sessions.insert(it.key(), std::move(list));
    }
    m_built = true;
}

bool SessionSites::Matches(const CFiles &files) const
{
    if (!m_built)
        return false;
    qint64 visits = 0;
    for (const CFilePtr &file : files) {
        if (file)
            visits += file->Sessions.Count();
    }
    return visits == m_visits;
}

void SessionSites::Clear()
{
    m_sessions.clear();
    m_retired.clear();
    m_visits = 0;
    m_built = false;
}

SessionSites::Sites &SessionSites::writable(qint64 session)
{
    std::shared_ptr<Sites> &slot = m_sessions[session];
    if (!slot)
        slot = std::make_shared<Sites>();
    else if (slot.use_count() > 1)
        slot = std::make_shared<Sites>(*slot);
    return *slot;
}

void SessionSites::AddVisit(const CFilePtr &file, const CSession &visit)
{
    // Before the first build there is nothing to follow: the build will see the visit.
    if (!m_built || !file)
        return;
    ++m_visits;
    const qint64 session = wallClockMs(visit.Session);
    const std::optional<qint64> first = firstVisitIn(*file, session);
    // A later visit of a site already listed changes nothing.
    if (!first || *first != wallClockMs(visit.sTime))
        return;
    const qint64 time = *first;
    Sites &sites = writable(session);
    // Listed by a visit that now comes second: it moves to its earlier place.
    sites.erase(std::remove(sites.begin(), sites.end(), file.get()), sites.end());
    // A new visit is normally the newest, so its place is found from the end.
    auto at = sites.end();
    while (at != sites.begin()) {
        const CFile &other = **(at - 1);
        if (!before(time, *file, firstVisitIn(other, session).value_or(0), other))
            break;
        --at;
    }
    sites.insert(at, file.get());
}

void SessionSites::RemoveSessions(const QList<qint64> &sessions, qint64 visits)
{
    if (!m_built)
        return;
    m_visits -= visits;
    for (const qint64 session : sessions)
        m_sessions.remove(session);
}

void SessionSites::RemoveSite(const CFilePtr &site)
{
    if (!m_built || !site)
        return;
    const CFile &file = *site;
    bool held = false;
    m_visits -= file.Sessions.Count();
    QList<qint64> seen;
    for (const RecordRows::Visit &visit : file.Sessions.Rows()) {
        const qint64 session = visit.session;
        if (seen.contains(session))
            continue;
        seen.append(session);
        const auto found = m_sessions.constFind(session);
        if (found == m_sessions.constEnd())
            continue;
        held = held || found.value().use_count() > 1;
        Sites &sites = writable(session);
        sites.erase(std::remove(sites.begin(), sites.end(), &file), sites.end());
        if (sites.empty())
            m_sessions.remove(session);
    }
    // A reader's list may still name it: it stays alive as long as such lists can be read.
    if (held)
        m_retired.push_back(site);
}
