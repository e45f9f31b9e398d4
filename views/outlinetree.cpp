#include "outlinetree.h"

#include <QHeaderView>

#include <algorithm>

namespace {
enum Role {
    KeyRole = Qt::UserRole + 1,
    TagRole,
    ImageRole,
    IndexRole,
    SortedRole,
};

QString foldKey(const QString &key)
{
    return key.toCaseFolded();
}

bool textLess(const QTreeWidgetItem *a, const QTreeWidgetItem *b)
{
    return a->text(0).compare(b->text(0), Qt::CaseInsensitive) < 0;
}

void collectExpanded(QTreeWidgetItem *node, QList<QTreeWidgetItem *> &expanded)
{
    if (node->isExpanded())
        expanded.append(node);
    for (int i = 0; i < node->childCount(); ++i)
        collectExpanded(node->child(i), expanded);
}
} // namespace

OutlineTree::OutlineTree(QWidget *parent)
    : QTreeWidget(parent)
{
    setColumnCount(1);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    setEditTriggers(NoEditTriggers);
    header()->setStretchLastSection(true);
}

int OutlineTree::Add(
    int relative, const QString &key, const QString &text, int image, const QString &tag)
{
    QTreeWidgetItem *parent = nullptr;
    if (relative != 0) {
        parent = Node(relative);
        if (!parent)
            return 0;
    }
    const QString folded = foldKey(key);
    if (!key.isEmpty() && m_byKey.contains(folded))
        return 0;

    auto *node = new QTreeWidgetItem;
    node->setFlags(node->flags() | Qt::ItemIsEditable);
    node->setText(0, text);
    node->setData(0, KeyRole, key);
    node->setData(0, TagRole, tag);
    node->setData(0, IndexRole, int(m_nodes.size()) + 1);
    // Everything is set before the node joins the tree, where each change would be signalled.
    SetNodeImage(node, image);
    m_nodes.push_back(node);
    if (!key.isEmpty())
        m_byKey.insert(folded, node);
    insertChild(parent, node, parent ? ChildSorting(parent) : m_topLevelSorted);
    return int(m_nodes.size());
}

void OutlineTree::insertChild(QTreeWidgetItem *parent, QTreeWidgetItem *child, bool sorted)
{
    const int count = parent ? parent->childCount() : topLevelItemCount();
    int at = count;
    if (sorted) {
        // Children of a sorted node are kept in order, so the place is found by bisection.
        int lo = 0;
        int hi = count;
        while (lo < hi) {
            const int mid = (lo + hi) / 2;
            const QTreeWidgetItem *other = parent ? parent->child(mid) : topLevelItem(mid);
            if (!textLess(child, other))
                lo = mid + 1;
            else
                hi = mid;
        }
        at = lo;
    }
    if (parent)
        parent->insertChild(at, child);
    else
        insertTopLevelItem(at, child);
}

void OutlineTree::forget(QTreeWidgetItem *node)
{
    for (int i = 0; i < node->childCount(); ++i)
        forget(node->child(i));
    const QString key = NodeKey(node);
    if (!key.isEmpty())
        m_byKey.remove(foldKey(key));
    m_nodes[NodeIndex(node) - 1] = nullptr;
}

void OutlineTree::Remove(int index)
{
    QTreeWidgetItem *node = Node(index);
    if (!node)
        return;
    forget(node);
    m_nodes.erase(std::remove(m_nodes.begin(), m_nodes.end(), nullptr), m_nodes.end());
    for (size_t i = 0; i < m_nodes.size(); ++i)
        m_nodes[i]->setData(0, IndexRole, int(i) + 1);
    delete node;
}

void OutlineTree::Clear()
{
    m_nodes.clear();
    m_byKey.clear();
    QTreeWidget::clear();
}

QTreeWidgetItem *OutlineTree::Node(int index) const
{
    if (index < 1 || index > int(m_nodes.size()))
        return nullptr;
    return m_nodes[size_t(index) - 1];
}

QTreeWidgetItem *OutlineTree::NodeByKey(const QString &key) const
{
    if (key.isEmpty())
        return nullptr;
    return m_byKey.value(foldKey(key), nullptr);
}

int OutlineTree::IndexOf(const QString &key) const
{
    const QTreeWidgetItem *node = NodeByKey(key);
    return node ? NodeIndex(node) : 0;
}

QTreeWidgetItem *OutlineTree::SelectedNode() const
{
    const QList<QTreeWidgetItem *> selected = selectedItems();
    if (!selected.isEmpty())
        return selected.first();
    return currentItem();
}

int OutlineTree::NodeIndex(const QTreeWidgetItem *node)
{
    return node ? node->data(0, IndexRole).toInt() : 0;
}

QString OutlineTree::NodeKey(const QTreeWidgetItem *node)
{
    return node ? node->data(0, KeyRole).toString() : QString();
}

QString OutlineTree::NodeText(const QTreeWidgetItem *node)
{
    return node ? node->text(0) : QString();
}

QString OutlineTree::NodeTag(const QTreeWidgetItem *node)
{
    return node ? node->data(0, TagRole).toString() : QString();
}

int OutlineTree::NodeImage(const QTreeWidgetItem *node)
{
    return node ? node->data(0, ImageRole).toInt() : 0;
}

void OutlineTree::SetNodeTag(QTreeWidgetItem *node, const QString &tag)
{
    if (node)
        node->setData(0, TagRole, tag);
}

void OutlineTree::SetNodeText(QTreeWidgetItem *node, const QString &text)
{
    if (node)
        node->setText(0, text);
}

void OutlineTree::SetNodeImage(QTreeWidgetItem *node, int image)
{
    if (!node)
        return;
    node->setData(0, ImageRole, image);
    node->setIcon(0, iconFor(image));
}

QIcon OutlineTree::iconFor(int image)
{
    if (!m_images)
        return {};
    auto it = m_icons.find(image);
    if (it == m_icons.end())
        it = m_icons.insert(image, m_images(image));
    return it.value();
}

void OutlineTree::SetChildSorting(QTreeWidgetItem *node, bool sorted)
{
    if (!node)
        return;
    node->setData(0, SortedRole, sorted);
    if (sorted)
        sortChildrenOf(node);
}

bool OutlineTree::ChildSorting(const QTreeWidgetItem *node)
{
    return node && node->data(0, SortedRole).toBool();
}

void OutlineTree::SetTopLevelSorting(bool sorted)
{
    m_topLevelSorted = sorted;
    if (sorted)
        sortChildrenOf(invisibleRootItem());
}

void OutlineTree::sortChildrenOf(QTreeWidgetItem *parent)
{
    // Taking items out of the view forgets which of them were open; put that back afterwards.
    QList<QTreeWidgetItem *> expanded;
    for (int i = 0; i < parent->childCount(); ++i)
        collectExpanded(parent->child(i), expanded);
    QList<QTreeWidgetItem *> children = parent->takeChildren();
    std::stable_sort(children.begin(), children.end(), textLess);
    parent->addChildren(children);
    for (QTreeWidgetItem *node : std::as_const(expanded))
        node->setExpanded(true);
}

void OutlineTree::SetLabelEditing(bool automatic)
{
    setEditTriggers(automatic ? EditTriggers(SelectedClicked | EditKeyPressed) : NoEditTriggers);
}

void OutlineTree::SetImageProvider(std::function<QIcon(int)> provider)
{
    m_images = std::move(provider);
    m_icons.clear();
}
