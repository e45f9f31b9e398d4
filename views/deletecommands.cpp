#include "deletecommands.h"

#include "outlinebuilder.h"
#include "outlinetree.h"
#include "waitcursor.h"

#include "cfile.h"
#include "ctreenodes.h"
#include "roamstore.h"
#include "safewrite.h"
#include "sessionsites.h"
#include "timekey.h"

#include <QEventLoop>
#include <QList>
#include <QScopedValueRollback>
#include <QSet>

#include <thread>
#include <vector>

namespace {

// Writes a batch on a thread of its own. The window keeps painting meanwhile, but the user's
// input and the browser's messages (socket notifications) wait: nothing may write these
// files, or change the records, until the batch is done.
void writeAside(std::vector<SafeWrite> &batch)
{
    QEventLoop loop;
    std::jthread writer([&batch, &loop] {
        writeFilesSafely(batch);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers);
}

} // namespace

DeleteCommands::DeleteCommands(RoamStore &store,
                               OutlineTree &tree,
                               OutlineBuilder &builder,
                               bool &changingTree,
                               Hooks hooks,
                               QObject *parent)
    : QObject(parent)
    , m_store(store)
    , m_tree(tree)
    , m_builder(builder)
    , m_changingTree(changingTree)
    , m_hooks(std::move(hooks))
{ }

void DeleteCommands::DeleteSelected(const QString &siteQuestion, const QString &sessionQuestion)
{
    if (m_running || m_store.ReadOnly())
        return;
    OutlineNode *node = m_tree.SelectedNode();
    const QString tag = OutlineTree::NodeTag(node);
    const bool site = tag == OutlineTree::SiteTag;
    if (!site && tag != OutlineTree::SessionTag)
        return;
    if (!m_hooks.confirm || !m_hooks.confirm(site ? siteQuestion : sessionQuestion))
        return;
    // The question may have let events through: the node must still be the one asked about.
    if (m_running || m_tree.SelectedNode() != node)
        return;
    m_running = true;
    emit runningChanged(true);
    const bool done = site ? deleteSite(node) : deleteSession(node);
    m_running = false;
    emit runningChanged(false);
    // The outline is built again from the records; the deletion is not tried again.
    if (!done && m_hooks.rebuild)
        m_hooks.rebuild();
}

void DeleteCommands::removeNode(OutlineNode *node)
{
    // The records of the nodes below go too, so that every record still stands for a node.
    QSet<QString> keys;
    QList<OutlineNode *> pending {node};
    while (!pending.isEmpty()) {
        OutlineNode *next = pending.takeLast();
        const QString key = OutlineTree::NodeKey(next);
        if (!key.isEmpty())
            keys.insert(key);
        for (int i = 0; i < next->childCount(); ++i)
            pending.append(next->child(i));
    }
    CTreeNodes &nodes = m_builder.FilledOutlineNodes();
    // A lookup by key walks the records: with many keys, one walk finds them all.
    if (keys.size() > 8) {
        for (int pos = nodes.Count(); pos >= 1; --pos) {
            const QString key = nodes.Key(pos);
            if (keys.remove(key))
                nodes.Remove(pos);
        }
    }
    for (const QString &key : std::as_const(keys)) {
        if (nodes.Item(key))
            nodes.Remove(key);
    }
    const QScopedValueRollback changing(m_changingTree, true);
    m_tree.Remove(OutlineTree::NodeIndex(node));
}

bool DeleteCommands::deleteSite(OutlineNode *node)
{
    const WaitCursor wait;
    const CTreeNodePtr record = m_builder.FilledOutlineNodes().Item(OutlineTree::NodeKey(node));
    if (!record)
        return false;
    const QString url = record->URL;
    emit siteChosen(url);
    const CFilePtr file = m_store.Files.Item(url);
    if (!file)
        return false;
    // A file already gone still lets the record and the node go; a file that stays keeps its
    // record, or it would come back at the next start.
    if (!m_store.RemoveFile(file))
        return false;
    if (m_hooks.forgetPageText)
        m_hooks.forgetPageText({url});
    removeNode(node);
    return true;
}

bool DeleteCommands::deleteSession(OutlineNode *node)
{
    const WaitCursor wait;
    const QString key = OutlineTree::NodeKey(node);
    const CSessionPtr session = m_store.AllSessions.Item(key);
    if (!session)
        return false;
    const QString start = timeKey(session->sTime);
    m_store.AllSessions.Remove(key);
    if (start == timeKey(m_store.SessionStart)) {
        // The running session goes on: its later visits still need it in the sessions file.
        auto running = std::make_shared<CSession>();
        running->Session = m_store.SessionStart;
        running->sTime = m_store.SessionStart;
        running->eTime = m_store.SessionStart;
        m_store.AllSessions.Add(running, start);
    }
    removeNode(node);

    // The session's sites come from the store's index. Visits belong to the session when
    // their session starts in its second, which is what equal time keys mean.
    SessionSites &index = m_store.SessionIndex();
    if (!index.Matches(m_store.Files))
        index.Build(m_store.Files);
    const qint64 startSeconds = wallClockMs(session->sTime) / 1000;
    QList<qint64> gone;
    for (const qint64 begun : index.Sessions()) {
        if (begun / 1000 == startSeconds)
            gone.append(begun);
    }
    QStringList visited;
    std::vector<CFilePtr> changedFiles;
    QSet<const CFile *> seen;
    qint64 removed = 0;
    for (const qint64 begun : std::as_const(gone)) {
        const SessionSites::SitesPtr sites = index.SitesOf(begun);
        for (CFile *site : *sites) {
            // A site in two sessions of that second loses its visits once.
            if (gone.size() > 1) {
                if (seen.contains(site))
                    continue;
                seen.insert(site);
            }
            // The index names the store's own records: the store hands out the shared one to
            // write.
            const CFilePtr file = m_store.Files.Item(site->URL());
            if (file.get() != site)
                continue;
            bool changed = false;
            for (int pos = file->Sessions.Count(); pos >= 1; --pos) {
                if (file->Sessions.Rows()[size_t(pos - 1)].session / 1000 == startSeconds) {
                    file->Sessions.Remove(pos);
                    ++removed;
                    changed = true;
                }
            }
            if (changed) {
                visited.append(file->URL());
                changedFiles.push_back(file);
            }
        }
    }
    index.RemoveSessions(gone, removed);

    bool saved = true;
    // Hundreds of sites may change: they are written together, waiting for the disk once.
    if (!changedFiles.empty() && !m_store.SaveFiles(changedFiles, writeAside))
        saved = false;
    if (m_hooks.forgetPageText)
        m_hooks.forgetPageText(visited);
    if (!m_store.SaveSessions())
        saved = false;
    return saved;
}
