#pragma once

#include <QHash>
#include <QTreeWidget>

#include <functional>
#include <vector>

/// The panel's outline tree. Besides the widget it keeps what the outlines rely on: every node
/// has an index (1 for the first node added, in order of addition), an optional unique key that
/// ignores letter case, a Tag naming what the node stands for ("none", "Sites", "Sessions") and
/// an image number. Nodes whose child sorting is on keep their children in ascending text order,
/// also for children added later; the others keep the order of addition.
class OutlineTree final : public QTreeWidget
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

    int Count() const { return int(m_nodes.size()); }
    /// The node numbered @p index, or nullptr.
    QTreeWidgetItem *Node(int index) const;
    /// The node under @p key (letter case ignored), or nullptr.
    QTreeWidgetItem *NodeByKey(const QString &key) const;
    /// The index of @p key's node, 0 when there is none.
    int IndexOf(const QString &key) const;
    /// The selected node, or nullptr.
    QTreeWidgetItem *SelectedNode() const;

    static int NodeIndex(const QTreeWidgetItem *node);
    static QString NodeKey(const QTreeWidgetItem *node);
    static QString NodeText(const QTreeWidgetItem *node);
    static QString NodeTag(const QTreeWidgetItem *node);
    static int NodeImage(const QTreeWidgetItem *node);
    static void SetNodeTag(QTreeWidgetItem *node, const QString &tag);
    void SetNodeText(QTreeWidgetItem *node, const QString &text);
    void SetNodeImage(QTreeWidgetItem *node, int image);

    /// Switches child sorting of @p node on or off; switching it on sorts the present children.
    void SetChildSorting(QTreeWidgetItem *node, bool sorted);
    static bool ChildSorting(const QTreeWidgetItem *node);
    /// Sorting of the top-level nodes.
    void SetTopLevelSorting(bool sorted);
    bool TopLevelSorting() const { return m_topLevelSorted; }

    /// Automatic label editing lets the user edit a node's text by clicking it again once it
    /// is selected (or with the edit key); otherwise node texts cannot be edited. Off at start.
    void SetLabelEditing(bool automatic);
    bool LabelEditing() const { return editTriggers() != NoEditTriggers; }

    /// Where node images come from; numbers without a picture show none. The provider is
    /// asked once per image number, and all nodes with that number share its icon.
    void SetImageProvider(std::function<QIcon(int)> provider);

private:
    void insertChild(QTreeWidgetItem *parent, QTreeWidgetItem *child, bool sorted);
    void sortChildrenOf(QTreeWidgetItem *parent);
    void forget(QTreeWidgetItem *node);
    QIcon iconFor(int image);

    std::vector<QTreeWidgetItem *> m_nodes;
    QHash<QString, QTreeWidgetItem *> m_byKey;
    std::function<QIcon(int)> m_images;
    QHash<int, QIcon> m_icons;
    bool m_topLevelSorted = false;
};
