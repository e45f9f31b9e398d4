#pragma once

#include <QIcon>
#include <QString>

#include <vector>

class OutlineModel;

/// One node of an outline: a light row of the node table, never a widget item. Its children
/// reach the view only when the view first shows them, so an outline of 100,000 sites costs
/// the view no more than the rows on screen. The accessors read like a tree item's.
class OutlineNode final
{
public:
    /// The node's text (there is one column).
    QString text(int column = 0) const;
    /// The node's image, shared by all nodes with its number.
    QIcon icon(int column = 0) const;
    /// The parent node; nullptr for a top-level node.
    OutlineNode *parent() const;
    int childCount() const;
    /// The child at @p row in display order, or nullptr.
    OutlineNode *child(int row) const;
    /// Whether the node is open; the state is kept also while an ancestor is closed.
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    /// Whether the node has children or children still to be filled in; fills nothing in.
    bool mayHaveChildren() const { return m_deferred || !m_children.empty(); }

    /// The node's number in order of addition; 0 once it left its outline.
    int index() const;
    const QString &key() const { return m_key; }
    const QString &tag() const { return m_tag; }
    int image() const { return m_image; }
    bool childSorting() const { return m_sorted; }

private:
    friend class OutlineModel;

    OutlineModel *m_model = nullptr;
    OutlineNode *m_parent = nullptr;
    std::vector<OutlineNode *> m_children;
    QString m_key;
    QString m_text;
    QString m_tag;
    int m_index = 0;
    int m_row = 0;
    int m_image = 0;
    bool m_expanded = false;
    bool m_sorted = false;
    /// Whether the view has been told of the children (for the hidden top node, always).
    bool m_fetched = false;
    /// Whether children are still to be filled in (see `OutlineModel::Defer`).
    bool m_deferred = false;
};
