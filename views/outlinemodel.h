#pragma once

#include "outlinenode.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QIcon>
#include <QString>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

/// The node table behind the panel's tree and the item model over it.
///
/// Nodes are numbered from 1 in order of addition; keys are unique and ignore letter case.
/// A node's children are announced to the view only when it first asks for them
/// (`canFetchMore`/`fetchMore`); until then nodes come and go without a signal, which is
/// what keeps an outline build as cheap as filling the table. Filtering can later be added as
/// a visible mask over the same table followed by a reset, without changing the numbering.
class OutlineModel final : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit OutlineModel(QObject *parent = nullptr);
    ~OutlineModel() override;

    /// Fills in the children of a deferred node: called with the node's index, it adds them
    /// with `Add`, which then takes the numbers reserved for them.
    using Filler = std::function<void(int ownerIndex)>;

    /// Reserves the @p count numbers after node @p index (the node added last) for its
    /// descendants, which @p fill adds only once someone looks at them: the view, a child
    /// accessor, `Node` with one of those numbers or `NodeByKey` with a key ending in "#" and
    /// @p keySuffix. Numbers not taken by the filler are given back, as if never reserved.
    void Defer(int index, int count, const QString &keySuffix, Filler fill);
    /// Fills in every deferred node.
    void FillAll();

    /// See `OutlineTree::Add`.
    int Add(int relative, const QString &key, const QString &text, int image, const QString &tag);
    void Remove(int index);
    void Clear();
    /// Opens every node below @p node, filling in those still to come, parents first; @p opened
    /// is called for each node it opened before the view is asked to open it.
    void OpenAllBelow(OutlineNode *node, const std::function<void(OutlineNode *)> &opened);
    /// Makes room for @p more nodes about to be added, so that the table grows only once.
    void Reserve(int more);

    int Count() const { return int(m_nodes.size()); }

    /// The order of sorted children: letter case ignored, and runs of digits by their value,
    /// so that "site2" comes before "site10". Texts equal as read still get a fixed order.
    static int NaturalCompare(QStringView a, QStringView b);
    /// The hidden node whose children are the top-level nodes.
    const OutlineNode *TopLevel() const { return m_top.get(); }
    OutlineNode *Node(int index) const;
    OutlineNode *NodeByKey(const QString &key) const;
    int IndexOf(const OutlineNode *node) const;

    void SetText(OutlineNode *node, const QString &text);
    void SetImage(OutlineNode *node, int image);
    static void SetTag(OutlineNode *node, const QString &tag) { node->m_tag = tag; }
    void SetChildSorting(OutlineNode *node, bool sorted);
    void SetTopLevelSorting(bool sorted);
    bool TopLevelSorting() const { return m_top->m_sorted; }
    void SetImageProvider(std::function<QIcon(int)> provider);
    QIcon iconFor(int image) const;

    /// Shapes what a node shows for a role (the display text, the tooltip) without touching
    /// its stored text or key; an invalid answer leaves the role as it was. @p owner names who
    /// set it, for `ReleasePresenter`.
    using Presenter = std::function<QVariant(const OutlineNode &node, int role)>;
    void SetPresenter(Presenter presenter, const void *owner)
    {
        m_presenter = std::move(presenter);
        m_presenterOwner = owner;
    }
    /// Removes the presenter if @p owner set it (a successor may have replaced it already).
    void ReleasePresenter(const void *owner)
    {
        if (m_presenterOwner == owner)
            SetPresenter({}, nullptr);
    }

    /// The node a model index stands for, nullptr for the invalid index.
    OutlineNode *nodeOf(const QModelIndex &index) const;
    /// The model index of @p node, announcing the rows of its ancestors when needed.
    QModelIndex indexOf(OutlineNode *node);
    /// Whether the view has been told of @p node.
    bool isShown(const OutlineNode *node) const;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    /// Matches display texts by the nodes' own texts, so that typing in the tree finds a node
    /// whatever marks or summary the presenter adds to what shows.
    QModelIndexList match(const QModelIndex &start,
                          int role,
                          const QVariant &value,
                          int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith
                                                                | Qt::MatchWrap)) const override;

signals:
    /// The children of @p node have just been announced to the view.
    void childrenShown(OutlineNode *node);
    /// @p node changed its open state through `OutlineNode::setExpanded`.
    void expansionRequested(OutlineNode *node, bool expanded);
    /// A node the view shows gained its first child without rows being announced.
    void decorationChanged();

private:
    friend class OutlineNode;

    /// Letter-case-blind key of the key table; holds the node's own (shared) key text.
    struct FoldedKey
    {
        QString text;
        bool operator==(const FoldedKey &other) const
        {
            return text.compare(other.text, Qt::CaseInsensitive) == 0;
        }
    };
    friend size_t qHash(const FoldedKey &key, size_t seed);

    struct Deferred
    {
        int count = 0;
        QString keySuffix;
        Filler fill;
    };

    void fill(OutlineNode *owner) const;
    OutlineNode *ownerOfSlot(int index) const;
    int placeFor(const OutlineNode *parent, const QString &text) const;
    void sortChildren(OutlineNode *parent);
    void forget(OutlineNode *node);
    void renumber() const;
    QModelIndex indexFor(const OutlineNode *node) const;

    std::unique_ptr<OutlineNode> m_top;
    std::vector<std::unique_ptr<OutlineNode>> m_nodes;
    QHash<FoldedKey, OutlineNode *> m_byKey;
    mutable bool m_numbersStale = false;
    /// Deferred nodes with their reserved numbers, which hold empty slots in `m_nodes` right
    /// after the node; and the next slot a filler takes (0 outside a filler).
    std::unordered_map<const OutlineNode *, Deferred> m_deferred;
    QHash<QString, OutlineNode *> m_deferredBySuffix;
    int m_fillSlot = 0;
    int m_fillEnd = 0;
    std::function<QIcon(int)> m_images;
    mutable QHash<int, QIcon> m_icons;
    Presenter m_presenter;
    const void *m_presenterOwner = nullptr;
};
