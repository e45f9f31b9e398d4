#pragma once

#include "outlinemodel.h"

#include <QTreeView>

#include <functional>

/// The panel's outline tree: a tree view over an `OutlineModel`, the node table of the outline
/// that shows. Every node has an index (1 for the first node added, in order of addition), an
/// optional unique key that ignores letter case, a Tag naming what the node stands for
/// ("none", "Sites", "Sessions") and an image number. Nodes whose child sorting is on keep
/// their children in ascending text order, also for children added later; the others keep the
/// order of addition. Rows reach the view only when it shows them, so outlines of any size
/// open at once.
class OutlineTree final : public QTreeView
{
    Q_OBJECT

public:
    /// The Tags that say what a node stands for: an outline's root, a site, a browsing session.
    static inline const QString RootTag = QStringLiteral("none");
    static inline const QString SiteTag = QStringLiteral("Sites");
    static inline const QString SessionTag = QStringLiteral("Sessions");
    /// The image of a site node: visited while the panel runs, or not.
    static constexpr int VisitedSiteImage = 10;
    static constexpr int UnvisitedSiteImage = 11;

    explicit OutlineTree(QWidget *parent = nullptr);

    /// Adds a node as the last child of node @p relative, or at the top level when @p relative
    /// is 0. Returns the new node's index, or 0 when @p relative does not exist or a non-empty
    /// @p key is already taken (nothing is added then). The node gets the Tag @p tag.
    int Add(int relative,
            const QString &key,
            const QString &text,
            int image,
            const QString &tag = QString());

    /// Removes node @p index with all its descendants; later nodes move down in numbering.
    void Remove(int index);
    /// Removes every node.
    void Clear();

    int Count() const { return m_model->Count(); }
    /// The node numbered @p index, or nullptr.
    OutlineNode *Node(int index) const { return m_model->Node(index); }
    /// The node under @p key (letter case ignored), or nullptr.
    OutlineNode *NodeByKey(const QString &key) const { return m_model->NodeByKey(key); }
    /// The index of @p key's node, 0 when there is none.
    int IndexOf(const QString &key) const { return m_model->IndexOf(NodeByKey(key)); }
    /// The selected node, or nullptr.
    OutlineNode *SelectedNode() const;
    int topLevelItemCount() const { return m_model->TopLevel()->childCount(); }
    OutlineNode *topLevelItem(int row) const { return m_model->TopLevel()->child(row); }

    /// The node at viewport position @p pos, or nullptr.
    OutlineNode *itemAt(const QPoint &pos) const;
    /// The rectangle of @p node in the viewport; its ancestors' rows are made known first.
    QRect visualItemRect(OutlineNode *node);
    /// Opens the ancestors of @p node and scrolls it into sight.
    void scrollToItem(OutlineNode *node);
    /// Makes @p node the current and selected node (none for nullptr).
    void setCurrentItem(OutlineNode *node);

    static int NodeIndex(const OutlineNode *node) { return node ? node->index() : 0; }
    static QString NodeKey(const OutlineNode *node) { return node ? node->key() : QString(); }
    static QString NodeText(const OutlineNode *node) { return node ? node->text() : QString(); }
    static QString NodeTag(const OutlineNode *node) { return node ? node->tag() : QString(); }
    static int NodeImage(const OutlineNode *node) { return node ? node->image() : 0; }
    static void SetNodeTag(OutlineNode *node, const QString &tag);
    void SetNodeText(OutlineNode *node, const QString &text);
    void SetNodeImage(OutlineNode *node, int image);

    /// Switches child sorting of @p node on or off; switching it on sorts the present children.
    void SetChildSorting(OutlineNode *node, bool sorted);
    static bool ChildSorting(const OutlineNode *node) { return node && node->childSorting(); }
    /// Sorting of the top-level nodes.
    void SetTopLevelSorting(bool sorted) { m_model->SetTopLevelSorting(sorted); }
    bool TopLevelSorting() const { return m_model->TopLevelSorting(); }

    /// Automatic label editing lets the user edit a node's text by clicking it again once it
    /// is selected (or with the edit key); otherwise node texts cannot be edited. Off at start.
    void SetLabelEditing(bool automatic);
    bool LabelEditing() const { return editTriggers() != NoEditTriggers; }

    /// Where node images come from; numbers without a picture show none. The provider is
    /// asked once per image number, and all nodes with that number share its icon.
    void SetImageProvider(std::function<QIcon(int)> provider);

    /// The node table, which is also the view's model.
    OutlineModel &Nodes() const { return *m_model; }

signals:
    /// The user opened @p node (programmatic opening does not signal).
    void itemExpanded(OutlineNode *node);
    /// The user double-clicked @p node.
    void itemDoubleClicked(OutlineNode *node);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openAllBelow(OutlineNode *node);
    void openShownChildren(OutlineNode *parent);
    void applyExpansion(OutlineNode *node, bool expanded);

    OutlineModel *m_model = nullptr;
    bool m_syncing = false;
};
