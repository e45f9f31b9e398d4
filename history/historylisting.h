#pragma once

#include "cfile.h"
#include "csessions.h"

#include <QList>
#include <QString>

class QJsonObject;
class QTextStream;
class RoamStore;

/// What `roamlog-history` prints of a data folder read into memory: its sites, its sessions,
/// the visits of one site, or the sites whose URL, title or note hold a text. Each goes out as
/// aligned columns, or as indented JSON when asked; times in the columns are keys of the local
/// time, in JSON ISO 8601, and a time never stamped is "-" or null.
class HistoryListing final
{
public:
    /// Prints the records of @p store and @p sessions on @p out, as JSON when @p json.
    HistoryListing(RoamStore &store, const CSessions &sessions, QTextStream &out, bool json);

    /// Every site, in the store's order.
    void printAllSites();
    /// The sites whose URL, title or note hold @p text, case aside.
    void printSitesHolding(const QString &text);
    /// Every browsing session with its length and how many sites it visited.
    void printSessions();
    /// The site recorded under @p url with its visits and downloads; false, and nothing
    /// printed, when no site is recorded under it.
    bool printVisits(const QString &url);

private:
    void printSites(const QList<CFilePtr> &files);
    QJsonObject siteObject(const CFilePtr &file) const;

    RoamStore &m_store;
    const CSessions &m_sessions;
    QTextStream &m_out;
    bool m_json = false;
};
