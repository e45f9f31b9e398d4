#pragma once

#include <QHash>
#include <QLineEdit>
#include <QStringList>
#include <QStringMatcher>
#include <QTimer>

#include <functional>
#include <vector>

class CFile;
class OutlineBuilder;
class OutlineTree;
class RoamStore;

/// The search box above the tree. As the user types (after a short pause, so that typing
/// never waits for the tree) the tree shows every record whose title, URL or note holds all
/// the typed words, letter case ignored, with the records above it by path; hits show their
/// title. Escape empties the box, which gives the tree back to its tab.
///
/// The records are read from the store, never from the tree: a search costs one pass over
/// the records plus the nodes of the result, which reach the view only when shown.
class SearchBox final : public QLineEdit
{
    Q_OBJECT

public:
    /// How long typing must pause before the tree follows.
    static constexpr int PauseMs = 150;
    /// Up to this many hits the result opens fully; above it, as the outlines open.
    static constexpr int OpenAllUpTo = 200;

    /// @p tree, @p builder and @p store must outlive the box.
    SearchBox(OutlineTree &tree, OutlineBuilder &builder, RoamStore &store, QWidget *parent);

    /// Fills the tree with the result of @p text at once (the pause skipped) and returns the
    /// number of hits; an empty text only signals `cleared`.
    int Search(const QString &text);

    /// Pages found by their text: lower-case record keys with a snippet each.
    using TextSearch = std::function<QHash<QString, QString>(const QString &words)>;
    /// Where the box also looks for the typed words: the text kept of visited pages.
    void SetTextSearch(TextSearch search) { m_textSearch = std::move(search); }
    /// The snippets of the pages the last search found by their text.
    const QHash<QString, QString> &TextMatches() const { return m_textMatches; }

    /// Whether the tree shows a search result.
    bool Showing() const { return m_showing; }
    /// Empties the box without giving the tree back (the caller fills it). Returns whether
    /// the tree showed a search result.
    bool Drop();
    /// Lets Find (Ctrl+F) anywhere in @p scope put the focus in the box while it shows.
    void AddFindShortcut(QWidget *scope);
    /// Loads the placeholder of the language of offset @p langOffset (0 or 500).
    void LoadTexts(qint16 langOffset);

signals:
    /// The tree shows the result of a search with @p found hits.
    void searched(int found);
    /// The box was emptied: the tree should show its tab again.
    void cleared();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    /// Whether every word occurs in the title, URL (also as read, decoded) or note of
    /// @p file, letter case ignored.
    static bool matches(const std::vector<QStringMatcher> &words, const CFile &file);

    OutlineTree &m_tree;
    OutlineBuilder &m_builder;
    RoamStore &m_store;
    TextSearch m_textSearch;
    QHash<QString, QString> m_textMatches;
    QTimer m_pause;
    bool m_showing = false;
};
