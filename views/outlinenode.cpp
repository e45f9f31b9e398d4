#include "outlinenode.h"

#include "outlinemodel.h"

QString OutlineNode::text(int) const
{
    return m_text;
}

QIcon OutlineNode::icon(int) const
{
    return m_model ? m_model->iconFor(m_image) : QIcon();
}

int OutlineNode::index() const
{
    return m_model ? m_model->IndexOf(this) : 0;
}

OutlineNode *OutlineNode::parent() const
{
    return m_parent && m_parent->m_parent ? m_parent : nullptr;
}

int OutlineNode::childCount() const
{
    if (m_deferred)
        m_model->fill(const_cast<OutlineNode *>(this));
    return int(m_children.size());
}

OutlineNode *OutlineNode::child(int row) const
{
    if (m_deferred)
        m_model->fill(const_cast<OutlineNode *>(this));
    return row >= 0 && row < childCount() ? m_children[size_t(row)] : nullptr;
}

void OutlineNode::setExpanded(bool expanded)
{
    if (m_expanded == expanded)
        return;
    m_expanded = expanded;
    if (m_model && m_model->isShown(this))
        emit m_model->expansionRequested(this, expanded);
}
