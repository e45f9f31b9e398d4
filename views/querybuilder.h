#pragma once

#include <QDate>
#include <QHash>
#include <QString>

class CTreeNodes;
class OutlineBuilder;
class OutlineTree;
class RoamStore;

/// The Query page's two questions and the search of the outline showing.
///
/// A query fills the tree below its root with the matching sites, nested by path like the
/// other outlines (by the nodes' keys, their URLs); a site node shows the site's full URL when
/// the URL/description option shows URLs or the site has no title, and its title otherwise.
class QueryBuilder final
{
public:
    /// Which of the page's two questions is chosen.
    enum class Question {
        /// Neither option button: every site with a download whose URL, title or note holds
        /// the site text.
        Downloads,
        /// "Since:": as `Downloads`, limited to visits and downloads after the date.
        DownloadsSince,
        /// "Find string:": the sites whose chosen field holds the string.
        FindString,
    };
    /// The field the find string is looked for in ("Find in").
    enum class Field { None, Url, Title, Note, All };

    /// What the Query page holds when Search is pressed.
    struct Query
    {
        Question question = Question::Downloads;
        /// The site text of the downloads question.
        QString siteText;
        /// The "Since:" text, read only for `DownloadsSince`.
        QString sinceText;
        /// The find string.
        QString findText;
        Field field = Field::None;
        /// Sites found by the text of their pages, by lower-cased URL: they answer the
        /// find-string question too.
        QHash<QString, QString> textMatches;
    };

    /// @p tree, @p builder and @p store must outlive the query builder.
    QueryBuilder(OutlineTree &tree, OutlineBuilder &builder, RoamStore &store);

    /// Fills the tree below node 1 (added by `OutlineBuilder::AddRootNode`) with the sites that
    /// answer @p query and replaces `OutlineNodes`. A site takes part only when one of its
    /// visits belongs to a browsing session whose day lies after the Since day (whole days,
    /// exclusive; without Since every site with a visit). Shows the hourglass meanwhile.
    /// Returns the number of sites listed.
    int BuildQueryOutline(const Query &query);

    /// The Since day for the text of the date field: the text read as a date in the user's
    /// short or long date form, or as an ISO date; 1 January 1990 when it is none of them.
    static QDate SinceDate(const QString &text);

    /// Whether @p text occurs in @p field, letter case ignored. An empty text occurs in every
    /// field that is not empty and in no empty one.
    static bool OccursIn(const QString &text, const QString &field);

    /// The node the outline search stops at: the first node after the selected one (from
    /// node 1 when @p fromStart) that holds @p txt, letter case ignored. With URLs shown in
    /// the tree and @p searchUrls, node texts are compared; otherwise the node records, by
    /// their `URL` when @p searchUrls and by their `Title` (the description) when not.
    /// @p selectedIndex is the selected node's index, 0 for none. Returns the node's index, or
    /// 0 when nothing matches or there is nowhere to start from (no selection and not
    /// @p fromStart).
    static int FindNext(const OutlineTree &tree,
                        CTreeNodes &nodes,
                        int selectedIndex,
                        bool fromStart,
                        bool searchUrls,
                        bool urlsShown,
                        const QString &txt);

private:
    OutlineTree &m_tree;
    OutlineBuilder &m_builder;
    RoamStore &m_store;
};
