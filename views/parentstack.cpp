#include "parentstack.h"

#include "outlinetree.h"

ParentStack::ParentStack(const OutlineTree &tree, Prefix prefix)
    : m_tree(tree)
    , m_prefix(prefix)
{
    Reset(0);
}

void ParentStack::Reset(int baseIndex)
{
    m_entries.assign({baseIndex, 0});
}

int ParentStack::ParentFor(const QString &url, int level)
{
    const int highest = int(m_entries.size()) - 1;
    int i = level > highest ? highest : level;
    for (; i >= 1; --i) {
        const int entry = m_entries[size_t(i)];
        m_entries.resize(size_t(i) + 1);
        if (entry != 0 && isPrefix(url, entry))
            return entry;
    }
    return m_entries.front();
}

void ParentStack::Place(int level, int nodeIndex)
{
    if (level < 0)
        level = 0;
    m_entries.resize(size_t(level) + 2, 0);
    m_entries[size_t(level) + 1] = nodeIndex;
}

namespace {
// Whether the first `length` characters of `url` are `parent` and end at a path step: 'site'
// is the parent of 'site/docs' but not of 'site2/docs'.
bool extendsPath(QStringView url, QStringView parent, qsizetype length)
{
    if (url.left(length) != parent)
        return false;
    return parent.endsWith(u'/') || (url.size() > length && url.at(length) == u'/');
}
} // namespace

bool ParentStack::isPrefix(const QString &url, int nodeIndex) const
{
    const OutlineNode *node = m_tree.Node(nodeIndex);
    if (!node)
        return false;
    if (m_prefix == Prefix::NodeText) {
        const QString text = OutlineTree::NodeText(node);
        return extendsPath(url, text, text.size());
    }
    const QString key = OutlineTree::NodeKey(node);
    QStringView prefix = QStringView(key).trimmed();
    const qsizetype hash = prefix.indexOf(u'#');
    if (hash >= 0)
        prefix = prefix.left(hash);
    return extendsPath(url, prefix, prefix.trimmed().size());
}
