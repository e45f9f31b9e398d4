#include "outlinetree.h"

#include "waitcursor.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScopedValueRollback>

OutlineTree::OutlineTree(QWidget *parent)
    : QTreeView(parent)
    , m_model(new OutlineModel(this))
{
    setModel(m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setExpandsOnDoubleClick(false);
    setEditTriggers(NoEditTriggers);
    header()->setStretchLastSection(true);

    connect(m_model, &OutlineModel::childrenShown, this, &OutlineTree::openShownChildren);
    connect(m_model, &OutlineModel::expansionRequested, this, &OutlineTree::applyExpansion);
    connect(
        m_model, &OutlineModel::decorationChanged, this, [this] { scheduleDelayedItemsLayout(); });
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex &index) {
        OutlineNode *node = m_model->nodeOf(index);
        if (m_syncing || !node || node->isExpanded())
            return;
        // The user opened it: remember it in the table, where setExpanded(true) finds it open
        // and asks nothing more of the view.
        node->setExpanded(true);
        emit itemExpanded(node);
    });
    connect(this, &QTreeView::collapsed, this, [this](const QModelIndex &index) {
        if (OutlineNode *node = m_model->nodeOf(index); node && !m_syncing)
            node->setExpanded(false);
    });
    connect(this, &QTreeView::doubleClicked, this, [this](const QModelIndex &index) {
        if (OutlineNode *node = m_model->nodeOf(index))
            emit itemDoubleClicked(node);
    });
}

int OutlineTree::Add(
    int relative, const QString &key, const QString &text, int image, const QString &tag)
{
    return m_model->Add(relative, key, text, image, tag);
}

void OutlineTree::Remove(int index)
{
    m_model->Remove(index);
}

void OutlineTree::Clear()
{
    m_model->Clear();
}

void OutlineTree::keyPressEvent(QKeyEvent *event)
{
    // "*" opens everything below the current node. The view's own way opens row by row, each
    // opening a walk over the rows it shows: minutes for the Sites of years.
    OutlineNode *node = m_model->nodeOf(currentIndex());
    if (event->key() == Qt::Key_Asterisk && node) {
        openAllBelow(node);
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

void OutlineTree::openAllBelow(OutlineNode *node)
{
    const WaitCursor wait;
    // Each opening is noted and laid out once at the end; each counts as the user's, which
    // sorts the children, before the view receives them.
    scheduleDelayedItemsLayout();
    if (!node->isExpanded()) {
        emit itemExpanded(node);
        node->setExpanded(true);
    }
    applyExpansion(node, true);
    m_model->OpenAllBelow(node, [this](OutlineNode *opened) { emit itemExpanded(opened); });
}

void OutlineTree::openShownChildren(OutlineNode *parent)
{
    // The view has just received these rows; open those the table holds open. The view is
    // told to lay out again later, so each opening is only noted, not laid out one by one.
    const QScopedValueRollback syncing(m_syncing, true);
    bool scheduled = false;
    for (int row = 0; row < parent->childCount(); ++row) {
        OutlineNode *child = parent->child(row);
        // An open node without children has nothing to show; the view hears of it when its
        // first child comes. Activities opens every download, thousands of leaves.
        if (!child->isExpanded() || !child->mayHaveChildren())
            continue;
        if (!scheduled) {
            scheduleDelayedItemsLayout();
            scheduled = true;
        }
        expand(m_model->indexOf(child));
    }
}

void OutlineTree::applyExpansion(OutlineNode *node, bool expanded)
{
    const QScopedValueRollback syncing(m_syncing, true);
    const QModelIndex index = m_model->indexOf(node);
    if (expanded) {
        // An open node has its children in the view, so what is added below it from now on
        // reaches the view as it comes.
        m_model->fetchMore(index);
        expand(index);
    } else
        collapse(index);
}

OutlineNode *OutlineTree::SelectedNode() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    if (!selected.isEmpty())
        return m_model->nodeOf(selected.first());
    return m_model->nodeOf(currentIndex());
}

OutlineNode *OutlineTree::itemAt(const QPoint &pos) const
{
    return m_model->nodeOf(indexAt(pos));
}

QRect OutlineTree::visualItemRect(OutlineNode *node)
{
    return visualRect(m_model->indexOf(node));
}

void OutlineTree::scrollToItem(OutlineNode *node)
{
    const QModelIndex index = m_model->indexOf(node);
    if (!index.isValid())
        return;
    // Open the way in the table too, so that the ancestors stay open like the view shows them.
    for (OutlineNode *up = node->parent(); up; up = up->parent())
        up->setExpanded(true);
    scrollTo(index);
}

void OutlineTree::setCurrentItem(OutlineNode *node)
{
    setCurrentIndex(m_model->indexOf(node));
}

void OutlineTree::SetNodeTag(OutlineNode *node, const QString &tag)
{
    if (node)
        OutlineModel::SetTag(node, tag);
}

void OutlineTree::SetNodeText(OutlineNode *node, const QString &text)
{
    if (node)
        m_model->SetText(node, text);
}

void OutlineTree::SetNodeImage(OutlineNode *node, int image)
{
    if (node)
        m_model->SetImage(node, image);
}

void OutlineTree::SetChildSorting(OutlineNode *node, bool sorted)
{
    if (node)
        m_model->SetChildSorting(node, sorted);
}

void OutlineTree::SetLabelEditing(bool automatic)
{
    setEditTriggers(automatic ? EditTriggers(SelectedClicked | EditKeyPressed) : NoEditTriggers);
}

void OutlineTree::SetImageProvider(std::function<QIcon(int)> provider)
{
    m_model->SetImageProvider(std::move(provider));
}
