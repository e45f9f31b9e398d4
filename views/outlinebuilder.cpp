#include "outlinebuilder.h"

#include "outlinetab.h"
#include "outlinetree.h"
#include "parentstack.h"
#include "waitcursor.h"

#include "cfile.h"
#include "resources/biditext.h"
#include "resources/roamstrings.h"
#include "roamstore.h"
#include "sessionsites.h"
#include "timekey.h"

#include <QHash>
#include <QLocale>
#include <QScopedValueRollback>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace {
const QString currentTag = u"Current"_s;
const QString sitesTag = u"Sites"_s;
const QString chronoTag = u"Chrono"_s;
const QString activitiesTag = u"Activities"_s;

constexpr int sessionImage = 3;

// The part of the trimmed URL after its last "/": all of it without a "/", empty when it ends
// with one.
QString lastPathWord(const QString &url)
{
    const QString trimmed = url.trimmed();
    return trimmed.mid(trimmed.lastIndexOf(u'/') + 1);
}

// The name of a downloaded file: what the recorder noted, else the last part of its URL
// without the query.
QString downloadName(const CFile &file, const RecordRows::Download &download)
{
    static const QString prefix = u"Download "_s;
    if (download.activity.startsWith(prefix) && download.activity.size() > prefix.size())
        return download.activity.mid(prefix.size());
    QString url = download.location.isEmpty() ? file.URL() : download.location;
    url.truncate(url.indexOf(u'?') >= 0 ? url.indexOf(u'?') : url.size());
    const QString name = lastPathWord(url);
    return name.isEmpty() ? file.URL() : name;
}

// An earlier record whose URL begins the current one.
struct Above
{
    int position;
    const QString *url;
};

// Marks the records above @p url (the hit's at position @p self, trimmed) as shown for it, each
// found by a search in halves: for records not in key order.
void markAboveBySearch(CFiles &files, QString url, int self, std::vector<char> &shown)
{
    bool done = false;
    for (qsizetype cut = url.lastIndexOf(u'/'); cut > 0 && !done; cut = url.lastIndexOf(u'/')) {
        url.truncate(cut);
        for (const QString &above : {url, QString(url + u'/')}) {
            const int at = files.Index(above);
            if (at <= 0 || at == self)
                continue;
            done = done || shown[size_t(at)] != 0;
            if (shown[size_t(at)] == 0)
                shown[size_t(at)] = 1;
        }
    }
}

// The same for records in key order, found in @p chain (the earlier records whose URLs begin
// @p url, shortest first): level by level from the nearest "/" of the URL, the records named by
// the URL up to it and up to it with it, until a level where one was shown already.
void markAbove(const std::vector<Above> &chain, const QString &url, std::vector<char> &shown)
{
    for (qsizetype cut = url.lastIndexOf(u'/'); cut > 0; cut = url.lastIndexOf(u'/', cut - 1)) {
        bool done = false;
        for (const qsizetype length : {cut, cut + 1}) {
            if (length == url.size())
                continue; // the hit itself, ending in "/"
            for (auto it = chain.rbegin(); it != chain.rend() && it->url->size() >= length; ++it) {
                if (it->url->size() != length)
                    continue;
                char &mark = shown[size_t(it->position)];
                done = done || mark != 0;
                if (mark == 0)
                    mark = 1;
                break;
            }
        }
        if (done)
            return;
    }
}

void nest(OutlineBuilder &builder, ParentStack &stack, const CFile &file, const QString &key)
{
    const int parent = stack.ParentFor(file.URL(), file.Level());
    const int index = builder.AddSiteNode(parent, file, key);
    if (index != 0)
        stack.Place(file.Level(), index);
}
} // namespace

OutlineBuilder::OutlineBuilder(OutlineTree &tree, RoamStore &store)
    : m_tree(tree)
    , m_store(store)
    , m_nodes(std::make_unique<CTreeNodes>())
{
    m_tree.Nodes().SetPresenter(
        [this](const OutlineNode &node, int role) { return present(node, role); }, this);
}

OutlineBuilder::~OutlineBuilder()
{
    m_tree.Nodes().ReleasePresenter(this);
}

QVariant OutlineBuilder::present(const OutlineNode &node, int role) const
{
    const Qt::LayoutDirection direction = m_tree.layoutDirection();
    const bool rightToLeft = direction == Qt::RightToLeft;
    if (node.tag() != OutlineTree::SiteTag) {
        if (role != Qt::DisplayRole)
            return {};
        if (node.tag() == OutlineTree::RootTag && m_langOffset != 0) {
            // A root's text is its tab's Tag; it shows the tab's caption.
            for (const OutlineTab &tab : OutlineTabs) {
                if (tab.Tag == node.text())
                    return RoamStrings::text(tab.CaptionId + m_langOffset).value_or(node.text());
            }
        }
        // Session dates and root captions: their numbers and Latin words stay in order; the
        // summary's numbers are isolated already.
        QString shown = BidiText::forDirection(node.text(), direction);
        if (node.tag() == OutlineTree::SessionTag)
            shown += m_summaries.value(node.key());
        return shown;
    }
    // The site's record, found in the store's key-ordered records (a search in halves) rather
    // than in the node records, whose lookup walks them all: this runs for every row painted.
    // A Chrono key is the URL, "#" and the session's time key.
    CFilePtr record = m_store.Files.Item(node.key());
    if (!record && node.key().contains(u'#'))
        record = m_store.Files.Item(node.key().left(node.key().lastIndexOf(u'#')));
    if (role == Qt::DisplayRole) {
        // A node shows its site's title, or (by choice, or for want of a title) its URL.
        const bool title = record ? !record->Title.isEmpty() && node.text() == record->Title
                                  : m_urlOrDescChoice == 0;
        const QString shown = !title        ? BidiText::displayUrl(node.text(), direction)
                              : rightToLeft ? BidiText::ownDirection(node.text())
                                            : node.text();
        const QString summary = m_summaries.value(node.key());
        return summary.isEmpty() ? shown : shown + BidiText::forDirection(summary, direction);
    }
    if (role != Qt::ToolTipRole || !record)
        return {};
    return SiteToolTip(record->URL());
}

QString OutlineBuilder::SiteToolTip(const QString &url) const
{
    const Qt::LayoutDirection direction = m_tree.layoutDirection();
    QString tip = BidiText::displayUrl(url, direction);
    const CFilePtr file = m_store.Files.Item(url);
    const int visits = file ? file->Sessions.Count() : 0;
    if (visits > 0) {
        // Visits are keyed by their start, so the last one is the newest.
        const QString when = timeText(file->Sessions.Item(visits)->sTime);
        tip += u'\n' + BidiText::forDirection(when, direction);
    }
    return tip;
}

CTreeNodes &OutlineBuilder::OutlineNodes()
{
    m_tree.Nodes().FillAll();
    return *m_nodes;
}

CTreeNodes &OutlineBuilder::NewOutlineNodes()
{
    m_nodes = std::make_unique<CTreeNodes>();
    return *m_nodes;
}

OutlineNode *OutlineBuilder::CurrentNode() const
{
    OutlineNode *node = m_tree.Node(m_currentIndex);
    return node == m_currentNode ? node : nullptr;
}

void OutlineBuilder::SetCurrentNode(int index)
{
    m_currentIndex = index;
    m_currentNode = m_tree.Node(index);
}

void OutlineBuilder::AddRootNode(const QString &tabTag, int tabImage)
{
    m_tree.SetTopLevelSorting(tabTag != chronoTag);
    SetCurrentNode(m_tree.Add(0, QString(), tabTag, tabImage, OutlineTree::RootTag));
    // Node texts come from the records; an edit would show but never be saved.
    m_tree.SetLabelEditing(false);
}

void OutlineBuilder::BuildOutline(const QString &tag)
{
    if (tag == currentTag || tag == sitesTag || tag == activitiesTag)
        buildSites(tag);
    else if (tag == chronoTag)
        buildChrono();
    else
        finish();
}

QString OutlineBuilder::SessionText(const QDateTime &start, bool seconds) const
{
    const QLocale locale = m_langOffset == 500 ? QLocale(QLocale::Hebrew, QLocale::Israel)
                                               : QLocale(QLocale::English, QLocale::UnitedStates);
    return locale.toString(start, seconds ? u"dddd dd MMM yyyy H:mm:ss" : u"dddd dd MMM yyyy H:mm");
}

QString OutlineBuilder::timeText(const QDateTime &time) const
{
    const QLocale locale = m_langOffset == 500 ? QLocale(QLocale::Hebrew, QLocale::Israel)
                                               : QLocale(QLocale::English, QLocale::UnitedStates);
    return locale.toString(time, u"dd MMM yyyy H:mm"_s);
}

std::vector<char> OutlineBuilder::MarkShown(const CFiles &files,
                                            const std::function<bool(const CFile &)> &hit,
                                            int *hits)
{
    std::vector<char> shown(size_t(files.Count()) + 1, 0);
    int found = 0;
    // The records above a hit are the ones whose URL is the hit's up to one of its "/", with
    // or without that "/", walked from the nearest up until a level already shown. In key
    // order the URLs that begin with a given URL follow it without a gap, so the earlier
    // records whose URLs begin the current one form a chain, and a URL that does not begin
    // with the last of them ends it for good: one pass finds every record above every hit.
    std::vector<Above> chain;
    int position = 0;
    for (const CFilePtr &file : files) {
        ++position;
        if (!file)
            continue;
        const QString &url = file->URL();
        while (!chain.empty() && !url.startsWith(*chain.back().url, Qt::CaseInsensitive))
            chain.pop_back();
        if (hit(*file)) {
            ++found;
            // Marked already as above an earlier hit: so are the records above it.
            char &mark = shown[size_t(position)];
            const bool known = mark != 0;
            mark = 2;
            const bool keyOrder = files.Sorted() && url.trimmed().size() == url.size();
            if (!known && keyOrder)
                markAbove(chain, url, shown);
            else if (!known)
                markAboveBySearch(const_cast<CFiles &>(files), url.trimmed(), position, shown);
        }
        chain.push_back({position, &url});
    }
    if (hits)
        *hits = found;
    return shown;
}

QString OutlineBuilder::SessionSummary(int pages,
                                       const QDateTime &start,
                                       const QDateTime &end) const
{
    const auto load = [this](int id, const QString &fallback) {
        return RoamStrings::text(id + m_langOffset).value_or(fallback);
    };
    // Numbers are isolated in a right-to-left tree, where they would otherwise join the
    // parentheses and the date before them.
    const Qt::LayoutDirection direction = m_tree.layoutDirection();
    QString summary = pages == 1
                          ? load(OnePageId, u"1 page"_s)
                          : load(PagesId, u"%1 pages"_s)
                                .arg(BidiText::leftToRight(QString::number(pages), direction));
    // A session still running, or one whose end was never written, has no length to show.
    const qint64 seconds = start.secsTo(end);
    if (end > zeroDateTime() && seconds > 0) {
        summary += u", "_s
                   + BidiText::leftToRight(u"%1:%2:%3"_s.arg(seconds / 3600)
                                               .arg(seconds / 60 % 60, 2, 10, QChar(u'0'))
                                               .arg(seconds % 60, 2, 10, QChar(u'0')),
                                           direction);
    }
    return u" ("_s + summary + u')';
}

int OutlineBuilder::AddSiteNode(int parentIndex,
                                const CFile &file,
                                const QString &key,
                                const QString &shownText)
{
    const QString text = !shownText.isEmpty()     ? shownText
                         : m_urlOrDescChoice != 0 ? lastPathWord(file.URL())
                                                  : file.Title;
    const int index = m_tree.Add(parentIndex,
                                 key,
                                 text,
                                 file.Visited() ? OutlineTree::VisitedSiteImage
                                                : OutlineTree::UnvisitedSiteImage,
                                 OutlineTree::SiteTag);
    if (index == 0)
        return 0;
    OutlineNode *node = m_tree.Node(index);
    SetCurrentNode(index);
    // Records of nodes filled in later go after their session's record, where they would
    // have been had the nodes been added at once.
    const CTreeNodePtr record = m_recordPlace > 0 ? m_nodes->Add(key, {}, m_recordPlace)
                                                  : m_nodes->Add(key);
    if (record) {
        if (m_recordPlace > 0)
            ++m_recordPlace;
        record->URL = file.URL();
        record->Index = index;
        record->Title = file.Title;
        record->Node = text;
    }
    if (file.Level() != 0)
        node->setExpanded(true);
    return index;
}

bool OutlineBuilder::buildDeferred(const std::vector<CFilePtr> &sites)
{
    // Where each site would hang, worked out from the URLs alone: site k would be node
    // first + k. Site keys are distinct URLs, so every node would be added.
    constexpr int root = 1;
    if (m_tree.Count() != root || sites.size() < 2)
        return false;
    const int first = root + 1;
    ParentStack stack([&sites, this](int index) {
        return index >= first ? sites[size_t(index - first)]->URL()
                              : OutlineTree::NodeKey(m_tree.Node(index));
    });
    stack.Reset(root);
    std::vector<int> parents(sites.size());
    std::vector<int> owners(sites.size());
    for (size_t k = 0; k < sites.size(); ++k) {
        const CFile &file = *sites[k];
        const int parent = stack.ParentFor(file.URL(), file.Level());
        parents[k] = parent;
        owners[k] = parent == root ? int(k) : owners[size_t(parent - first)];
        // Each node below the root is filled in with its descendants, which must follow it
        // without a gap; a site that would join an earlier branch asks for the plain build.
        if (k > 0 && owners[k] != int(k) && owners[k] != owners[k - 1])
            return false;
        stack.Place(file.Level(), first + int(k));
    }

    for (size_t k = 0; k < sites.size();) {
        size_t end = k + 1;
        while (end < sites.size() && owners[end] == int(k))
            ++end;
        const int ownerIndex = AddSiteNode(root, *sites[k], sites[k]->URL());
        if (ownerIndex != first + int(k))
            return false; // cannot happen with distinct keys; keeps the numbering honest
        if (end > k + 1) {
            std::vector<CFilePtr> members(sites.begin() + qsizetype(k) + 1,
                                          sites.begin() + qsizetype(end));
            std::vector<int> offsets;
            offsets.reserve(members.size());
            for (size_t m = k + 1; m < end; ++m)
                offsets.push_back(parents[m] - ownerIndex);
            const QString ownerKey = sites[k]->URL();
            const int count = int(members.size());
            m_tree.Nodes().Defer(
                ownerIndex,
                count,
                QString(),
                [this, ownerKey, members = std::move(members), offsets = std::move(offsets)](
                    int owner) {
                    const WaitCursor wait;
                    const int place = m_nodes->Index(ownerKey);
                    const QScopedValueRollback at(m_recordPlace,
                                                  place > 0 ? place : m_nodes->Count());
                    for (size_t m = 0; m < members.size(); ++m)
                        AddSiteNode(owner + offsets[m], *members[m], members[m]->URL());
                });
        }
        k = end;
    }
    return true;
}

void OutlineBuilder::buildSites(const QString &tag)
{
    const WaitCursor wait;
    NewOutlineNodes();
    ParentStack stack(m_tree);
    stack.Reset(1);
    CFiles &files = m_store.Files;
    // With no records there is nothing to add, but the root is still opened, so that the
    // nodes the recorder adds to Current are seen.
    if (tag != activitiesTag && files.Count() == 0) {
        finish();
        return;
    }

    const qint64 running = wallClockMs(m_store.SessionStart);
    const bool current = tag == currentTag;
    m_summaries.clear();
    if (tag == activitiesTag) {
        buildActivities(stack);
        finish();
        return;
    }
    std::vector<CFilePtr> sites;
    for (const CFilePtr &file : files) {
        if (current) {
            // Time keys sort in time order, so the last visit is the newest one.
            const int visits = file->Sessions.Count();
            if (visits == 0 || file->Sessions.Rows().back().session != running)
                continue;
        }
        sites.push_back(file);
    }
    // The recorder grows Current node by node, so Current is always built at once.
    if (current || !buildDeferred(sites)) {
        for (const CFilePtr &file : sites)
            nest(*this, stack, *file, file->URL());
    }
    finish();
}

void OutlineBuilder::buildActivities(ParentStack &stack)
{
    // The downloads with the sites above them by path (their host).
    CFiles &files = m_store.Files;
    const std::vector<char> shown = MarkShown(
        files, [](const CFile &file) { return file.Activities.Count() > 0; });
    m_tree.Nodes().Reserve(
        int(std::count_if(shown.begin(), shown.end(), [](char mark) { return mark != 0; })));
    // Days repeat from download to download; each is worded once.
    QHash<qint64, QString> days;
    int position = 0;
    for (const CFilePtr &file : files) {
        if (shown[size_t(++position)] == 0)
            continue;
        const int parent = stack.ParentFor(file->URL(), file->Level());
        if (shown[size_t(position)] != 2) {
            // A site above downloads only: opened, so that they are seen.
            if (const int index = AddSiteNode(parent, *file, file->URL())) {
                stack.Place(file->Level(), index);
                m_tree.Node(index)->setExpanded(true);
            }
            continue;
        }
        // A download shows the file's name and, beside it, when it was downloaded (the last
        // time, as activities are keyed by their time).
        const RecordRows::Download &last = file->Activities.Rows().back();
        const int index = AddSiteNode(parent, *file, file->URL(), downloadName(*file, last));
        if (index == 0)
            continue;
        stack.Place(file->Level(), index);
        constexpr qint64 msPerDay = 86'400'000;
        const qint64 day = wallClockDay(last.when);
        QString &dayText = days[day];
        if (dayText.isNull())
            dayText = timeText(fromWallClockMs(day * msPerDay)).chopped(5); // less " 0:00"
        const qint64 minutes = (last.when - day * msPerDay) / 60'000;
        m_summaries.insert(file->URL(),
                           u" \u00B7 "_s + dayText + u' ' + QString::number(minutes / 60) + u':'
                               + QString::number(minutes % 60).rightJustified(2, u'0'));
    }
}

void OutlineBuilder::buildChrono()
{
    const WaitCursor wait;
    NewOutlineNodes();
    CFiles &files = m_store.Files;
    CSessions &sessions = m_store.AllSessions;
    const QString runningKey = timeKey(m_store.SessionStart);

    // The sites of every browsing session with the start of their first visit in it come from
    // the store's index, which is made anew only when the records changed behind its back.
    SessionSites &sessionSites = m_store.SessionIndex();
    if (files.Count() > 0 && !sessionSites.Matches(files))
        sessionSites.Build(files);
    m_summaries.clear();
    // Sessions that begin in the same minute are told apart by their seconds.
    QHash<qint64, int> startsPerMinute;
    for (const CSessionPtr &session : sessions) {
        if (session)
            ++startsPerMinute[wallClockMs(session->sTime) / 60'000];
    }
    bool visitedAsked = false;
    bool unvisitedAsked = false;
    int imagesAsked = 0;

    for (int pos = sessions.Count(); pos >= 1; --pos) {
        const CSessionPtr session = sessions.Item(pos);
        if (!session)
            continue;
        const QString key = timeKey(session->sTime);
        const QString text = SessionText(
            session->sTime, startsPerMinute.value(wallClockMs(session->sTime) / 60'000) > 1);
        const int index = m_tree.Add(1, key, text, sessionImage, OutlineTree::SessionTag);
        if (index == 0)
            continue;
        SetCurrentNode(index);
        if (const CTreeNodePtr record = m_nodes->Add(key)) {
            record->URL = text;
            record->Index = index;
            record->Title = text;
            record->Node = text;
        }
        if (files.Count() == 0)
            break;

        // In the order they were visited; the list is the index's of this moment, kept by the
        // filler below even when the index changes later.
        SessionSites::SitesPtr sites = sessionSites.SitesOf(wallClockMs(session->sTime));
        if (!sites || sites->empty()) {
            // A session without visits is dropped, but never the running one: its visits
            // are still to come and must find it when the sessions file is written.
            if (sessions.Key(pos).compare(runningKey, Qt::CaseInsensitive) != 0)
                sessions.Remove(pos);
            continue;
        }
        // A session's sites are added when its node is first opened or looked at; they keep
        // the numbers they would have had if added now.
        const int count = int(sites->size());
        m_summaries.insert(key, SessionSummary(count, session->sTime, session->eTime));
        // Their pictures are fetched now, while the build shows the hourglass.
        for (const CFile *file : *sites) {
            if (imagesAsked == 2)
                break;
            const bool visited = file->Visited();
            bool &asked = visited ? visitedAsked : unvisitedAsked;
            if (!asked) {
                asked = true;
                ++imagesAsked;
                m_tree.Nodes().iconFor(visited ? OutlineTree::VisitedSiteImage
                                               : OutlineTree::UnvisitedSiteImage);
            }
        }
        m_tree.Nodes().Defer(
            index, count, key, [this, key, sites = std::move(sites)](int sessionIndex) {
                const WaitCursor wait;
                const QScopedValueRollback place(m_recordPlace,
                                                 m_nodes->Index(key) > 0 ? m_nodes->Index(key)
                                                                         : m_nodes->Count());
                ParentStack sessionStack(m_tree);
                sessionStack.Reset(sessionIndex);
                const QString suffix = u'#' + key;
                for (const CFile *file : *sites)
                    nest(*this, sessionStack, *file, file->URL() + suffix);
            });
    }
    finish();
}

void OutlineBuilder::finish()
{
    OutlineNode *root = m_tree.Node(1);
    m_tree.SetChildSorting(root, false);
    if (root)
        root->setExpanded(true);
}
