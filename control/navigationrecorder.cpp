#include "navigationrecorder.h"

#include "wordhelpers.h"

#include "cactivity.h"
#include "cfile.h"
#include "clock.h"
#include "csession.h"
#include "ctreenodes.h"
#include "recordedurl.h"
#include "roamstore.h"
#include "timekey.h"
#include "views/outlinebuilder.h"
#include "views/outlinetree.h"

#include <QDir>
#include <QFileInfo>

using namespace Qt::StringLiterals;

NavigationRecorder::NavigationRecorder(RoamStore &store, Clock &clock)
    : m_store(store)
    , m_clock(clock)
{ }

void NavigationRecorder::SetCurrentOutline(OutlineTree *tree,
                                           OutlineBuilder *builder,
                                           std::function<bool()> showing)
{
    m_tree = tree;
    m_builder = builder;
    m_currentShowing = std::move(showing);
}

void NavigationRecorder::SetUrl(const QString &URL)
{
    dispatch([this, URL] { setUrl(URL); });
}

void NavigationRecorder::UrlName(const QString &UrlName)
{
    dispatch([this, UrlName] { urlName(UrlName); });
}

void NavigationRecorder::Activity(const QString &URL)
{
    dispatch([this, URL] { activity(URL); });
}

void NavigationRecorder::PageActivity(const QString &pageUrl, const QString &fileName)
{
    dispatch([this, pageUrl, fileName] { pageActivity(pageUrl, fileName); });
}

void NavigationRecorder::SetEndURL(const QString &MySite)
{
    dispatch([this, MySite] { setEndUrl(MySite); });
}

void NavigationRecorder::dispatch(std::function<void()> report)
{
    m_pending.push_back(std::move(report));
    if (m_busy)
        return;
    m_busy = true;
    while (!m_pending.empty()) {
        const std::function<void()> next = std::move(m_pending.front());
        m_pending.pop_front();
        next();
    }
    m_busy = false;
}

int NavigationRecorder::UrlLevel(const QString &URL)
{
    QString url = URL.trimmed();
    if (url.endsWith(u'/'))
        url.chop(1);
    return int(url.count(u'/'));
}

void NavigationRecorder::setUrl(const QString &URL)
{
    if (URL.isEmpty() || !m_recording)
        return;
    if (m_neverRecord.matches(URL)) {
        if (!m_offRecord || URL != m_offRecordUrl)
            m_offRecordTitle.clear();
        m_offRecord = true;
        m_offRecordUrl = URL;
        return;
    }
    const QString result = RecordedUrl::normalise(URL);
    if (result.isEmpty())
        return;
    m_offRecord = false;
    // A reload, or the page reported again, is still the open visit.
    if (m_visitOpen && result == m_currentUrl) {
        m_currentRawUrl = URL;
        return;
    }
    closeOpenVisit();
    m_currentUrl = result;
    m_currentRawUrl = URL;
    // Every visit is recorded alike whichever outline shows; the Current one only mirrors it.
    m_visitOpen = recordVisit(m_currentUrl);
    if (m_tree && m_builder && m_currentShowing && m_currentShowing())
        growCurrentOutline(m_currentUrl);
}

void NavigationRecorder::closeOpenVisit()
{
    if (!std::exchange(m_visitOpen, false) || m_currentUrl.isEmpty())
        return;
    setEndUrl(m_currentUrl);
}

void NavigationRecorder::SetRecording(bool recording)
{
    if (m_recording == recording)
        return;
    m_recording = recording;
    // Time spent paused is not browsing: the open visit ends now.
    if (!recording)
        dispatch([this] { closeOpenVisit(); });
}

void NavigationRecorder::EndVisit()
{
    dispatch([this] { closeOpenVisit(); });
}

void NavigationRecorder::growCurrentOutline(const QString &U)
{
    CTreeNodes &nodes = m_builder->OutlineNodes();
    const auto addRecord =
        [&nodes](const QString &key, const QString &url, int index, const QString &text) {
            if (const CTreeNodePtr record = nodes.Add(key)) {
                record->URL = url;
                record->Index = index;
                record->Title = text;
                record->Node = text;
            }
        };
    const auto wordOrUrl = [&U](const QString &path) {
        QString rest;
        const QString word = WordHelpers::CutLastWord(path, rest, u"/"_s);
        return word.isEmpty() ? U : word;
    };

    // Slashes in a query or fragment make no level.
    const qsizetype qPos = RecordedUrl::pathLength(U);
    int parent = 1;
    if (!U.startsWith("ftp://"_L1, Qt::CaseInsensitive)) {
        for (qsizetype start = RecordedUrl::schemeLength(U);;) {
            const qsizetype s = U.indexOf(u'/', start);
            if (s < 0 || s >= qPos)
                break;
            const QString P = U.left(s);
            const CTreeNodePtr known = nodes.Item(P);
            if (!known || known->Index == 0) {
                const QString T = wordOrUrl(P);
                int index = m_tree->Add(parent, P, T, OutlineTree::VisitedSiteImage);
                if (index == 0)
                    index = m_tree->IndexOf(P);
                if (OutlineNode *node = m_tree->Node(index)) {
                    OutlineTree::SetNodeTag(node, OutlineTree::SiteTag);
                    addRecord(P, U, index, OutlineTree::NodeText(node));
                    node->setExpanded(true);
                    parent = index;
                }
            } else {
                parent = known->Index;
                if (OutlineNode *node = m_tree->Node(parent))
                    node->setExpanded(true);
            }
            start = s + 1;
        }
    }

    // A page seen before keeps its one node.
    int index = m_tree->IndexOf(U);
    if (index == 0) {
        index = m_tree->Add(parent == 0 ? 1 : parent,
                            U,
                            wordOrUrl(U),
                            OutlineTree::VisitedSiteImage,
                            OutlineTree::SiteTag);
    }
    OutlineNode *node = m_tree->Node(index);
    if (!node)
        return;
    node->setExpanded(true);
    const CTreeNodePtr known = nodes.Item(U);
    if (!known || known->Index == 0)
        addRecord(U, U, index, OutlineTree::NodeText(node));
}

bool NavigationRecorder::recordVisit(const QString &URL)
{
    if (!m_recording || URL.isEmpty() || !recordOneVisit(URL))
        return false;
    const QStringList parents = RecordedUrl::parents(URL);
    for (const QString &parent : parents) {
        if (!recordOneVisit(parent))
            break;
    }
    return true;
}

bool NavigationRecorder::recordOneVisit(const QString &URL)
{
    CFilePtr file = m_store.Files.Item(URL);
    if (!file) {
        file = std::make_shared<CFile>();
        file->SetURL(URL);
        file->Title = URL;
        if (!m_store.Files.Add(file, URL))
            return false;
        file->FileName = newFileName();
    }
    file->SetVisited(true);
    // A download under the open page (or the open page itself) gives it no second visit: the
    // one open would never be closed.
    if (m_visitOpen && URL.compare(m_currentUrl, Qt::CaseInsensitive) == 0)
        return true;

    const QDateTime now = m_clock.now();
    const QString key = timeKey(now);
    if (!file->Sessions.Item(key)) {
        CSession visit;
        visit.sTime = now;
        visit.Param = RecordedUrl::query(URL);
        visit.Session = m_store.SessionStart;
        if (file->Sessions.Add(visit))
            m_store.SessionIndex().AddVisit(file, visit);
    }
    file->LastEntered = key;
    m_store.SaveFile(file);
    noteSessionInUse();
    return true;
}

void NavigationRecorder::noteSessionInUse()
{
    // The sessions file then names the running session even if the program never closes
    // cleanly; the clean close stamps its end again.
    if (!m_sessionsWritten)
        m_sessionsWritten = m_store.SetSession(true);
}

QString NavigationRecorder::newFileName()
{
    const QDir folder(m_store.dataFolder());
    const QString base = RecordedUrl::fileNameFor(m_clock.now(), m_store.Files.Count());
    QString name = base;
    const QString stem = base.chopped(4);
    for (int suffix = 1;
         m_givenNames.contains(name.toCaseFolded()) || QFileInfo::exists(folder.filePath(name));
         ++suffix)
        name = stem + u'_' + QString::number(suffix) + u".smf"_s;
    m_givenNames.insert(name.toCaseFolded());
    return folder.filePath(name);
}

void NavigationRecorder::urlName(const QString &name)
{
    if (!m_recording)
        return;
    if (m_offRecord) {
        m_offRecordTitle = name;
        return;
    }
    const CFilePtr file = m_store.Files.Item(m_currentUrl);
    if (!file)
        return;
    if (file->Title != name) {
        file->Title = name;
        m_store.SaveFile(file);
    }
    m_currentTitle = name;
}

void NavigationRecorder::activity(const QString &URL)
{
    if (!m_recording || m_neverRecord.matches(URL))
        return;
    // Keyed like the pages, so that a download nests under its site.
    const QString key = RecordedUrl::normalise(URL.trimmed());
    if (key.isEmpty())
        return;
    QString rest;
    const QString name = WordHelpers::CutLastWord(key, rest, u"/"_s);
    recordVisit(key);
    recordDownload(key, name, URL);
}

void NavigationRecorder::pageActivity(const QString &pageUrl, const QString &fileName)
{
    if (!m_recording || m_neverRecord.matches(pageUrl))
        return;
    const QString key = RecordedUrl::normalise(pageUrl);
    if (key.isEmpty())
        return;
    // The page is mostly the open one, already recorded: it gets no second visit.
    if (!m_store.Files.Item(key) && !recordVisit(key))
        return;
    recordDownload(key, fileName.isEmpty() ? u"download"_s : fileName, pageUrl);
}

void NavigationRecorder::recordDownload(const QString &key,
                                        const QString &name,
                                        const QString &location)
{
    const CFilePtr file = m_store.Files.Item(key);
    if (!file)
        return;
    const QDateTime now = m_clock.now();
    CActivity act;
    act.Activity = u"Download "_s + name;
    act.Key = now;
    act.Location = location;
    act.Session = m_store.SessionStart;
    file->Activities.Add(act);
    m_store.SaveFile(file);
}

void NavigationRecorder::setEndUrl(const QString &MySite)
{
    const CFilePtr file = m_store.Files.Item(MySite);
    if (!file)
        return;
    if (!file->Sessions.SetEnd(file->LastEntered, m_clock.now()))
        return;
    m_store.SaveFile(file);
}
