#pragma once

#include "cfiles.h"

#include <QHash>
#include <QList>

#include <memory>
#include <vector>

class CSession;

/// Which sites each browsing session visited: for every session (by `wallClockMs` of its
/// start, the `Session` of its visits) the sites with a visit in it, in the order of their
/// first visit there, sites first visited at the same moment in key order. The Chrono outline
/// and the delete of a session read a session's sites here instead of looking at every visit of
/// every site.
///
/// The index follows the records through `AddVisit`, `RemoveSessions` and `RemoveSite`. A
/// change made to the records behind its back shows as a different number of visits: `Matches`
/// tells, and `Build` makes the index anew.
class SessionSites final
{
public:
    /// A session's sites; shared, so that a reader keeps the list it got while the index
    /// changes (each change copies a list someone still holds). Plain pointers, as a million
    /// shared ones cost megabytes: the records belong to the store, and a record that leaves
    /// it while some reader may still hold it is kept by the index until its next build.
    using Sites = std::vector<CFile *>;
    using SitesPtr = std::shared_ptr<const Sites>;

    /// Makes the index from every visit of @p files, sharing the work among the cores (the
    /// records must not change meanwhile).
    void Build(const CFiles &files);
    /// Whether the index was built and accounts for exactly the visits of @p files (it counts
    /// them: a look at every record, not at every visit).
    bool Matches(const CFiles &files) const;
    /// Forgets everything; `Matches` is then false until the next `Build`.
    void Clear();

    /// The visit @p visit was added to @p file's visits.
    void AddVisit(const CFilePtr &file, const CSession &visit);
    /// Every visit of the sessions @p sessions was removed from the sites that had one,
    /// @p visits visits in all.
    void RemoveSessions(const QList<qint64> &sessions, qint64 visits);
    /// @p file is about to leave the records with all its visits.
    void RemoveSite(const CFilePtr &file);

    /// The sites of the session @p session (`wallClockMs` of its start); null when it has none.
    SitesPtr SitesOf(qint64 session) const { return m_sessions.value(session); }
    /// The sessions with sites (`wallClockMs` of their starts), in no order.
    QList<qint64> Sessions() const { return m_sessions.keys(); }
    /// The visits the index accounts for.
    qint64 VisitCount() const { return m_visits; }

private:
    /// The list of @p session for a change: a copy when a reader holds it.
    Sites &writable(qint64 session);

    QHash<qint64, std::shared_ptr<Sites>> m_sessions;
    /// Records gone from the store that a reader's list may still point to.
    std::vector<CFilePtr> m_retired;
    qint64 m_visits = 0;
    bool m_built = false;
};
