#pragma once

#include "ctreenodes.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>
#include <vector>

class ParentStack;

class CFile;
class CFiles;
class OutlineTree;
class OutlineNode;
class RoamStore;

/// Fills the panel's outline tree from the records in memory: the root node of every outline
/// and the Current, Sites, Chrono and Activities outlines below it. Outlines are never stored;
/// each build starts from the tree as the caller left it (normally emptied, then
/// `AddRootNode`) and replaces `OutlineNodes`.
///
/// Node conventions: the root (index 1) has Tag "none", no key, the tab's Tag as text and the
/// tab's image; a site node has Tag "Sites", the site's URL as key (in Chrono the URL, "#" and
/// the session's time key), image 10 when visited while running, else 11; a session node in
/// Chrono has Tag "Sessions", the session's time key as key and image 3. Every node except the
/// root has a record in `OutlineNodes` under its key.
class OutlineBuilder final
{
public:
    /// @p tree and @p store must outlive the builder.
    OutlineBuilder(OutlineTree &tree, RoamStore &store);
    ~OutlineBuilder();

    OutlineBuilder(const OutlineBuilder &) = delete;
    OutlineBuilder &operator=(const OutlineBuilder &) = delete;

    /// Prepares the tree for the tab tagged @p tabTag and adds its root node: top-level sorting
    /// off for "Chrono" and on otherwise, the root as the last top-level node with text
    /// @p tabTag, Tag "none" and image @p tabImage, automatic label editing. The root becomes
    /// `CurrentNode`.
    void AddRootNode(const QString &tabTag, int tabImage);

    /// Fills the tree below node 1 for "Current", "Sites", "Chrono" or "Activities"; any other
    /// @p tag only finishes (root child sorting off, root expanded). Shows the hourglass
    /// meanwhile. Current holds the sites whose newest visit belongs to the running session,
    /// Sites all of them, Activities those with downloads, each nested by path (`ParentStack`);
    /// Chrono holds a node per session, newest first, with the sites visited in it below. With no
    /// site records, Current and Sites show the root alone and Chrono the root and the newest
    /// session.
    ///
    /// The Chrono build removes from the store's `AllSessions` every session to which no visit
    /// belongs, except the running one (keyed by `SessionStart`).
    void BuildOutline(const QString &tag);

    /// The node records of the outline showing, keyed by node key. Replaced by every build,
    /// so do not keep the reference across builds; the recorder adds to it while Current shows.
    /// Fills in every node not yet filled in first (see `OutlineModel::Defer`).
    CTreeNodes &OutlineNodes();
    /// The node records of the nodes filled in so far, which include every node anyone holds:
    /// for looking up the record of a node at hand without filling in the whole outline.
    CTreeNodes &FilledOutlineNodes() { return *m_nodes; }
    /// Replaces `OutlineNodes` with a new, empty collection and returns it (for builders of
    /// other outlines, such as the query).
    CTreeNodes &NewOutlineNodes();

    /// The node added last by a builder, or nullptr when it is no longer in the tree.
    OutlineNode *CurrentNode() const;
    /// Makes node @p index the `CurrentNode` (for builders of other outlines).
    void SetCurrentNode(int index);

    /// 1: site nodes show the last part of their URL ("Urls in Tree"); 0: their title.
    int UrlOrDescChoice() const { return m_urlOrDescChoice; }
    void SetUrlOrDescChoice(int choice) { m_urlOrDescChoice = choice; }

    /// The UI language: 0 English, 500 Hebrew; it chooses the language of session texts.
    int LangOffset() const { return m_langOffset; }
    void SetLangOffset(int offset) { m_langOffset = offset; }

    /// The text of a session node for a session that began at @p start: full weekday name,
    /// two-digit day, abbreviated month, year, hour without leading zero on a 24-hour clock,
    /// two-digit minutes ('Monday 03 Nov 1997 14:05'), in the UI language; with @p seconds,
    /// also two-digit seconds (for sessions that begin in the same minute).
    QString SessionText(const QDateTime &start, bool seconds = false) const;

    /// What a session node shows after its text: the number of pages visited in it and, once
    /// it has ended, how long it lasted (" (3 pages, 0:10:05)"), in the UI language.
    QString SessionSummary(int pages, const QDateTime &start, const QDateTime &end) const;

    /// The string ids of the session summary (Hebrew twins at + 500).
    static constexpr int PagesId = 153;
    static constexpr int OnePageId = 154;

    /// Adds the node of site @p file as the last child of node @p parentIndex under @p key,
    /// with its node record; expanded when the site's level is not 0. Returns the new node's
    /// index, 0 when it could not be added (missing parent, key already in the tree). The node
    /// shows @p text, or when that is empty what "Urls in Tree" chooses.
    int AddSiteNode(int parentIndex,
                    const CFile &file,
                    const QString &key,
                    const QString &text = QString());

    /// The tooltip of a site: its URL decoded for reading and the time of its last visit, each
    /// kept whole in a right-to-left interface.
    QString SiteToolTip(const QString &url) const;

    /// The records an outline of some of them shows, by position (sized `files.Count() + 1`):
    /// 2 for a record @p hit accepts, 1 for a record above such a record by path, so that it
    /// appears under its host, 0 for the rest. @p hits, when given, receives the number of 2s.
    static std::vector<char> MarkShown(const CFiles &files,
                                       const std::function<bool(const CFile &)> &hit,
                                       int *hits = nullptr);

private:
    /// A time as in tooltips and beside downloads, in the UI language.
    QString timeText(const QDateTime &time) const;
    /// What a node shows: URLs decoded and isolated, titles in their own direction, sessions'
    /// numbers kept in order in a right-to-left tree; a site's tooltip. Stored texts stay.
    QVariant present(const OutlineNode &node, int role) const;
    void buildSites(const QString &tag);
    /// Adds the nodes below the root in @p sites, deferring their descendants; false (nothing
    /// added) when the nesting does not allow it.
    bool buildDeferred(const std::vector<std::shared_ptr<CFile>> &sites);
    /// The downloads, each under its host, opened so that they are seen.
    void buildActivities(ParentStack &stack);
    void buildChrono();
    void finish();

    OutlineTree &m_tree;
    RoamStore &m_store;
    std::unique_ptr<CTreeNodes> m_nodes;
    /// What a node shows after its text, by node key: a Chrono session's page count and
    /// length, a download's time.
    QHash<QString, QString> m_summaries;
    int m_currentIndex = 0;
    OutlineNode *m_currentNode = nullptr;
    int m_urlOrDescChoice = 0;
    int m_langOffset = 0;
    /// Where the next site record goes in `OutlineNodes` (after that position); 0: at the end.
    int m_recordPlace = 0;
};
