#include "querybuilder.h"

#include "outlinebuilder.h"
#include "outlinetree.h"
#include "parentstack.h"
#include "waitcursor.h"

#include "cfile.h"
#include "roamstore.h"

#include <QLocale>

#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Whether some time of the list falls on a day after `since`; with no day, whether there is any.
template<typename List, typename Time>
bool anyAfter(const List &list, const std::optional<QDate> &since, Time time)
{
    for (const auto &entry : list) {
        if (!since || time(entry).date() > *since)
            return true;
    }
    return false;
}

bool fieldsHold(const QString &text, const CFile &file, QueryBuilder::Field field)
{
    using Field = QueryBuilder::Field;
    switch (field) {
    case Field::Url:
        return QueryBuilder::OccursIn(text, file.URL());
    case Field::Title:
        return QueryBuilder::OccursIn(text, file.Title);
    case Field::Note:
        return QueryBuilder::OccursIn(text, file.Note);
    case Field::All:
        return QueryBuilder::OccursIn(text, file.URL()) || QueryBuilder::OccursIn(text, file.Title)
               || QueryBuilder::OccursIn(text, file.Note);
    case Field::None:
        break;
    }
    return false;
}

} // namespace

QueryBuilder::QueryBuilder(OutlineTree &tree, OutlineBuilder &builder, RoamStore &store)
    : m_tree(tree)
    , m_builder(builder)
    , m_store(store)
{ }

QDate QueryBuilder::SinceDate(const QString &text)
{
    const QString trimmed = text.trimmed();
    const QLocale locales[] = {QLocale::system(), QLocale()};
    for (const QLocale &locale : locales) {
        for (const QLocale::FormatType format : {QLocale::ShortFormat, QLocale::LongFormat}) {
            QDate date = locale.toDate(trimmed, format);
            if (date.isValid()) {
                // Two-digit years are read as this century's up to 29, as date entry has
                // always done.
                if (locale.dateFormat(format).count(u'y') == 2 && date.year() < 1930)
                    date = date.addYears(100);
                return date;
            }
        }
    }
    const QDate iso = QDate::fromString(trimmed, Qt::ISODate);
    if (iso.isValid())
        return iso;
    return QDate(1990, 1, 1);
}

bool QueryBuilder::OccursIn(const QString &text, const QString &field)
{
    if (field.isEmpty())
        return false;
    return text.isEmpty() || field.contains(text, Qt::CaseInsensitive);
}

int QueryBuilder::BuildQueryOutline(const Query &query)
{
    int found = 0;
    const WaitCursor wait;
    CTreeNodes &nodes = m_builder.NewOutlineNodes();

    std::optional<QDate> since;
    if (query.question == Question::DownloadsSince)
        since = SinceDate(query.sinceText);

    // Nodes show titles, so the nesting reads the URL from the node's key.
    ParentStack stack(m_tree, ParentStack::Prefix::KeyBeforeHash);
    stack.Reset(1);
    for (const CFilePtr &file : m_store.Files) {
        if (!anyAfter(file->Sessions, since, [](const CSession &visit) { return visit.Session; }))
            continue;
        bool match = false;
        if (query.question == Question::FindString) {
            match = fieldsHold(query.findText, *file, query.field)
                    || query.textMatches.contains(file->URL().toLower());
        } else {
            match = anyAfter(file->Activities,
                             since,
                             [](const CActivity &activity) { return activity.Session; })
                    && fieldsHold(query.siteText, *file, Field::All);
        }
        if (!match)
            continue;

        const int parent = stack.ParentFor(file->URL(), file->Level());
        const bool showUrl = m_builder.UrlOrDescChoice() != 0 || file->Title.trimmed().isEmpty();
        const QString text = showUrl ? file->URL() : file->Title;
        const int index = m_tree.Add(parent,
                                     file->URL(),
                                     text,
                                     file->Visited() ? OutlineTree::VisitedSiteImage
                                                     : OutlineTree::UnvisitedSiteImage,
                                     OutlineTree::SiteTag);
        if (index == 0)
            continue;
        m_builder.SetCurrentNode(index);
        if (const CTreeNodePtr record = nodes.Add(file->URL())) {
            record->URL = file->URL();
            record->Index = index;
            record->Title = file->Title;
            record->Node = text;
        }
        stack.Place(file->Level(), index);
        ++found;
    }
    // Any tag other than an outline's only finishes: root child sorting off, root expanded.
    m_builder.BuildOutline(u"Query"_s);
    return found;
}

int QueryBuilder::FindNext(const OutlineTree &tree,
                           CTreeNodes &nodes,
                           int selectedIndex,
                           bool fromStart,
                           bool searchUrls,
                           bool urlsShown,
                           const QString &txt)
{
    if (!fromStart && !tree.Node(selectedIndex))
        return 0;
    // The search reads every record in node order, also those of nodes not yet filled in.
    tree.Nodes().FillAll();

    if (urlsShown && searchUrls) {
        for (int j = fromStart ? 1 : selectedIndex + 1; j <= tree.Count(); ++j) {
            if (OccursIn(txt, OutlineTree::NodeText(tree.Node(j))))
                return j;
        }
        return 0;
    }

    // The root has no record; every other node has one, in the order the nodes were added.
    int first = 1;
    if (!fromStart) {
        const int position = nodes.Index(OutlineTree::NodeKey(tree.Node(selectedIndex)));
        first = position > 0 ? position + 1 : selectedIndex;
    }
    for (int j = first; j <= nodes.Count(); ++j) {
        const CTreeNodePtr record = nodes.Item(j);
        if (!record || !OccursIn(txt, searchUrls ? record->URL : record->Title))
            continue;
        if (const int index = tree.IndexOf(nodes.Key(j)))
            return index;
    }
    return 0;
}
