#include "outlinemodel.h"

#include <algorithm>

size_t qHash(const OutlineModel::FoldedKey &key, size_t seed)
{
    // Folded code point by code point, as QString::compare does without letter case, so that
    // keys it calls equal always meet in the same bucket.
    size_t hash = seed;
    const QString &text = key.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t code = text.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(char16_t(code), text.at(++i).unicode());
        hash = hash * 31
               + (code < 128 ? (code >= 'A' && code <= 'Z' ? code + 32 : code)
                             : QChar::toCaseFolded(code));
    }
    return hash;
}

namespace {
bool textLess(const OutlineNode *a, const OutlineNode *b)
{
    return OutlineModel::NaturalCompare(a->text(), b->text()) < 0;
}

char16_t folded(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 128)
        return u >= 'A' && u <= 'Z' ? char16_t(u + 32) : u;
    return c.toCaseFolded().unicode();
}

bool isDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}
} // namespace

int OutlineModel::NaturalCompare(QStringView a, QStringView b)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // A run of digits counts by its value: the longer run without leading zeros is
            // the larger number, and of runs alike in length the first differing digit tells.
            while (i < a.size() && a[i] == u'0')
                ++i;
            while (j < b.size() && b[j] == u'0')
                ++j;
            qsizetype endA = i;
            qsizetype endB = j;
            while (endA < a.size() && isDigit(a[endA]))
                ++endA;
            while (endB < b.size() && isDigit(b[endB]))
                ++endB;
            if (endA - i != endB - j)
                return endA - i < endB - j ? -1 : 1;
            for (; i < endA; ++i, ++j) {
                if (a[i] != b[j])
                    return a[i] < b[j] ? -1 : 1;
            }
            continue;
        }
        const char16_t x = folded(a[i]);
        const char16_t y = folded(b[j]);
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    // Equal as read ("a01" and "a1", "A" and "a"): a fixed order all the same.
    const int plain = a.compare(b, Qt::CaseInsensitive);
    return plain != 0 ? plain : a.compare(b);
}

OutlineModel::OutlineModel(QObject *parent)
    : QAbstractItemModel(parent)
    , m_top(std::make_unique<OutlineNode>())
{
    m_top->m_model = this;
    m_top->m_fetched = true;
}

OutlineModel::~OutlineModel() = default;

int OutlineModel::placeFor(const OutlineNode *parent, const QString &text) const
{
    const std::vector<OutlineNode *> &children = parent->m_children;
    if (!parent->m_sorted)
        return int(children.size());
    // Children of a sorted node are kept in order, so the place is found by bisection.
    const auto at = std::upper_bound(
        children.begin(), children.end(), text, [](const QString &t, const OutlineNode *n) {
            return NaturalCompare(t, n->text()) < 0;
        });
    return int(at - children.begin());
}

int OutlineModel::Add(
    int relative, const QString &key, const QString &text, int image, const QString &tag)
{
    OutlineNode *parent = m_top.get();
    if (relative != 0) {
        parent = Node(relative);
        if (!parent)
            return 0;
    }
    // One look-up both refuses a taken key and finds the new one's place.
    OutlineNode **keyed = nullptr;
    if (!key.isEmpty()) {
        keyed = &m_byKey[FoldedKey {key}];
        if (*keyed)
            return 0;
    }

    auto owned = std::make_unique<OutlineNode>();
    OutlineNode *node = owned.get();
    node->m_model = this;
    node->m_parent = parent;
    node->m_key = key;
    node->m_text = text;
    node->m_tag = tag;
    node->m_image = image;
    // The picture is fetched now, while the caller shows why it waits, not on first paint.
    iconFor(image);
    if (m_numbersStale)
        renumber();
    if (m_fillSlot != 0 && m_fillSlot < m_fillEnd) {
        node->m_index = m_fillSlot;
        m_nodes[size_t(m_fillSlot) - 1] = std::move(owned);
        ++m_fillSlot;
    } else {
        node->m_index = int(m_nodes.size()) + 1;
        m_nodes.push_back(std::move(owned));
    }
    if (keyed)
        *keyed = node;

    const int row = placeFor(parent, text);
    const bool wasEmpty = parent->m_children.empty();
    // Rows are announced only below a node whose children the view already has; elsewhere
    // the view learns of them when it asks, which is what keeps a build free of signals.
    const bool announce = parent->m_fetched;
    if (announce)
        beginInsertRows(indexFor(parent), row, row);
    parent->m_children.insert(parent->m_children.begin() + row, node);
    for (size_t i = size_t(row); i < parent->m_children.size(); ++i)
        parent->m_children[i]->m_row = int(i);
    if (announce)
        endInsertRows();
    else if (wasEmpty && isShown(parent)) {
        // A node held open while it had no children was never opened in the view. (A node
        // being filled in is shown with all its children once filled.)
        if (parent->m_expanded && parent != m_top.get() && m_fillSlot == 0)
            emit expansionRequested(parent, true);
        else
            emit decorationChanged();
    }
    return node->m_index;
}

void OutlineModel::forget(OutlineNode *node)
{
    for (OutlineNode *child : node->m_children)
        forget(child);
    if (!node->m_key.isEmpty())
        m_byKey.remove(FoldedKey {node->m_key});
    if (node->m_deferred) {
        const auto it = m_deferred.find(node);
        if (it != m_deferred.end()) {
            m_deferredBySuffix.remove(it->second.keySuffix);
            m_deferred.erase(it);
        }
    }
    node->m_model = nullptr;
}

void OutlineModel::Remove(int index)
{
    OutlineNode *node = Node(index);
    if (!node)
        return;
    OutlineNode *parent = node->m_parent;
    const int row = node->m_row;
    const bool announce = parent->m_fetched;
    if (announce)
        beginRemoveRows(indexFor(parent), row, row);
    parent->m_children.erase(parent->m_children.begin() + row);
    for (size_t i = size_t(row); i < parent->m_children.size(); ++i)
        parent->m_children[i]->m_row = int(i);
    forget(node);
    // Forgotten nodes have lost their model; one pass drops them, and the numbers they had
    // reserved, and keeps the order. They are freed only once the view has let go of their rows.
    std::vector<std::unique_ptr<OutlineNode>> removed;
    size_t kept = 0;
    bool ownerKept = true;
    for (std::unique_ptr<OutlineNode> &entry : m_nodes) {
        bool keep = ownerKept;
        if (entry) {
            keep = entry->m_model != nullptr;
            ownerKept = keep;
        }
        if (keep)
            m_nodes[kept++] = std::move(entry);
        else if (entry)
            removed.push_back(std::move(entry));
    }
    m_nodes.resize(kept);
    m_numbersStale = true;
    if (announce)
        endRemoveRows();
}

void OutlineModel::OpenAllBelow(OutlineNode *node, const std::function<void(OutlineNode *)> &opened)
{
    std::vector<OutlineNode *> waiting {node};
    while (!waiting.empty()) {
        OutlineNode *parent = waiting.back();
        waiting.pop_back();
        fill(parent);
        for (OutlineNode *child : parent->m_children) {
            if (!child->m_expanded) {
                // Told before the view has its children, which is when sorting them is cheap.
                opened(child);
                child->setExpanded(true);
            }
            waiting.push_back(child);
        }
    }
}

void OutlineModel::Reserve(int more)
{
    m_byKey.reserve(m_byKey.size() + more);
    m_nodes.reserve(m_nodes.size() + size_t(more));
}

void OutlineModel::Clear()
{
    beginResetModel();
    m_byKey.clear();
    m_top->m_children.clear();
    m_nodes.clear();
    m_deferred.clear();
    m_deferredBySuffix.clear();
    m_numbersStale = false;
    endResetModel();
}

void OutlineModel::renumber() const
{
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        if (m_nodes[i])
            m_nodes[i]->m_index = int(i) + 1;
    }
    m_numbersStale = false;
}

OutlineNode *OutlineModel::Node(int index) const
{
    if (index < 1 || index > int(m_nodes.size()))
        return nullptr;
    if (!m_nodes[size_t(index) - 1]) {
        fill(ownerOfSlot(index));
        if (index > int(m_nodes.size()))
            return nullptr;
    }
    return m_nodes[size_t(index) - 1].get();
}

OutlineNode *OutlineModel::ownerOfSlot(int index) const
{
    // Reserved numbers follow their deferred node directly.
    for (int at = index - 1; at >= 1; --at) {
        if (OutlineNode *node = m_nodes[size_t(at) - 1].get())
            return node;
    }
    return nullptr;
}

void OutlineModel::Defer(int index, int count, const QString &keySuffix, Filler fill)
{
    OutlineNode *owner = Node(index);
    if (!owner || count <= 0 || index != Count() || owner->m_deferred)
        return;
    owner->m_deferred = true;
    m_nodes.resize(m_nodes.size() + size_t(count));
    if (!keySuffix.isEmpty())
        m_deferredBySuffix.insert(keySuffix, owner);
    m_deferred.emplace(owner, Deferred {count, keySuffix, std::move(fill)});
}

void OutlineModel::fill(OutlineNode *owner) const
{
    if (!owner || !owner->m_deferred)
        return;
    auto *self = const_cast<OutlineModel *>(this);
    owner->m_deferred = false;
    const auto it = self->m_deferred.find(owner);
    if (it == self->m_deferred.end())
        return;
    const Deferred deferred = std::move(it->second);
    self->m_deferred.erase(it);
    self->m_deferredBySuffix.remove(deferred.keySuffix);
    if (m_numbersStale)
        renumber();
    const int first = owner->m_index + 1;
    const int savedSlot = m_fillSlot;
    const int savedEnd = m_fillEnd;
    self->m_fillSlot = first;
    self->m_fillEnd = first + deferred.count;
    deferred.fill(owner->m_index);
    const int taken = m_fillSlot;
    const int end = m_fillEnd;
    self->m_fillSlot = savedSlot;
    self->m_fillEnd = savedEnd;
    if (taken < end) {
        self->m_nodes.erase(self->m_nodes.begin() + (taken - 1), self->m_nodes.begin() + (end - 1));
        m_numbersStale = true;
    }
}

void OutlineModel::FillAll()
{
    while (!m_deferred.empty())
        fill(const_cast<OutlineNode *>(m_deferred.begin()->first));
}

OutlineNode *OutlineModel::NodeByKey(const QString &key) const
{
    if (key.isEmpty())
        return nullptr;
    if (OutlineNode *node = m_byKey.value(FoldedKey {key}, nullptr))
        return node;
    if (m_deferred.empty())
        return nullptr;
    // A key of a node not yet filled in: "#" and its deferred node's suffix, or the key of
    // the deferred node it hangs below followed by path steps.
    const qsizetype hash = key.lastIndexOf(u'#');
    if (hash >= 0) {
        if (OutlineNode *owner = m_deferredBySuffix.value(key.mid(hash + 1), nullptr)) {
            fill(owner);
            return m_byKey.value(FoldedKey {key}, nullptr);
        }
    }
    for (qsizetype slash = key.lastIndexOf(u'/'); slash > 0;
         slash = key.lastIndexOf(u'/', slash - 1)) {
        for (const qsizetype length : {slash + 1, slash}) {
            OutlineNode *owner = m_byKey.value(FoldedKey {key.left(length)}, nullptr);
            if (owner && owner->m_deferred) {
                fill(owner);
                return m_byKey.value(FoldedKey {key}, nullptr);
            }
        }
    }
    return nullptr;
}

int OutlineModel::IndexOf(const OutlineNode *node) const
{
    if (!node || node->m_model != this)
        return 0;
    if (m_numbersStale)
        renumber();
    return node->m_index;
}

void OutlineModel::SetText(OutlineNode *node, const QString &text)
{
    node->m_text = text;
    if (isShown(node)) {
        const QModelIndex at = indexFor(node);
        emit dataChanged(at, at, {Qt::DisplayRole, Qt::EditRole});
    }
}

void OutlineModel::SetImage(OutlineNode *node, int image)
{
    node->m_image = image;
    iconFor(image);
    if (isShown(node)) {
        const QModelIndex at = indexFor(node);
        emit dataChanged(at, at, {Qt::DecorationRole});
    }
}

void OutlineModel::SetChildSorting(OutlineNode *node, bool sorted)
{
    node->m_sorted = sorted;
    if (sorted)
        sortChildren(node);
}

void OutlineModel::SetTopLevelSorting(bool sorted)
{
    SetChildSorting(m_top.get(), sorted);
}

void OutlineModel::sortChildren(OutlineNode *parent)
{
    std::vector<OutlineNode *> &children = parent->m_children;
    if (std::is_sorted(children.begin(), children.end(), textLess))
        return;
    if (!parent->m_fetched) {
        std::stable_sort(children.begin(), children.end(), textLess);
        for (size_t i = 0; i < children.size(); ++i)
            children[i]->m_row = int(i);
        return;
    }
    // The view keeps open and selected rows as persistent indexes: move them with the rows.
    const QModelIndex parentIndex = indexFor(parent);
    emit layoutAboutToBeChanged({QPersistentModelIndex(parentIndex)});
    std::stable_sort(children.begin(), children.end(), textLess);
    QModelIndexList from;
    QModelIndexList to;
    const QModelIndexList persistent = persistentIndexList();
    for (const QModelIndex &old : persistent) {
        OutlineNode *node = nodeOf(old);
        if (node && node->m_parent == parent) {
            from.append(old);
            to.append(old); // replaced below once the rows are renumbered
        }
    }
    for (size_t i = 0; i < children.size(); ++i)
        children[i]->m_row = int(i);
    for (QModelIndex &moved : to)
        moved = indexFor(nodeOf(moved));
    changePersistentIndexList(from, to);
    emit layoutChanged({QPersistentModelIndex(parentIndex)});
}

void OutlineModel::SetImageProvider(std::function<QIcon(int)> provider)
{
    m_images = std::move(provider);
    m_icons.clear();
}

QIcon OutlineModel::iconFor(int image) const
{
    if (!m_images)
        return {};
    auto it = m_icons.find(image);
    if (it == m_icons.end())
        it = m_icons.insert(image, m_images(image));
    return it.value();
}

OutlineNode *OutlineModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<OutlineNode *>(index.internalPointer()) : nullptr;
}

bool OutlineModel::isShown(const OutlineNode *node) const
{
    for (; node && node->m_parent; node = node->m_parent) {
        if (!node->m_parent->m_fetched)
            return false;
    }
    return node == m_top.get();
}

QModelIndex OutlineModel::indexFor(const OutlineNode *node) const
{
    if (!node || node == m_top.get())
        return {};
    return createIndex(node->m_row, 0, const_cast<OutlineNode *>(node));
}

QModelIndex OutlineModel::indexOf(OutlineNode *node)
{
    if (!node || node->m_model != this)
        return {};
    std::vector<OutlineNode *> path;
    for (OutlineNode *up = node->m_parent; up && up != m_top.get(); up = up->m_parent)
        path.push_back(up);
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        if (!(*it)->m_fetched)
            fetchMore(indexFor(*it));
    }
    return indexFor(node);
}

QModelIndex OutlineModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0 || row >= rowCount(parent))
        return {};
    const OutlineNode *owner = parent.isValid() ? nodeOf(parent) : m_top.get();
    return createIndex(row, 0, owner->m_children[size_t(row)]);
}

QModelIndex OutlineModel::parent(const QModelIndex &child) const
{
    const OutlineNode *node = nodeOf(child);
    return node ? indexFor(node->m_parent) : QModelIndex();
}

int OutlineModel::rowCount(const QModelIndex &parent) const
{
    if (parent.column() > 0)
        return 0;
    const OutlineNode *node = parent.isValid() ? nodeOf(parent) : m_top.get();
    return node->m_fetched ? int(node->m_children.size()) : 0;
}

int OutlineModel::columnCount(const QModelIndex &) const
{
    return 1;
}

bool OutlineModel::hasChildren(const QModelIndex &parent) const
{
    const OutlineNode *node = parent.isValid() ? nodeOf(parent) : m_top.get();
    return node->m_deferred || !node->m_children.empty();
}

bool OutlineModel::canFetchMore(const QModelIndex &parent) const
{
    const OutlineNode *node = parent.isValid() ? nodeOf(parent) : m_top.get();
    return !node->m_fetched && (node->m_deferred || !node->m_children.empty());
}

void OutlineModel::fetchMore(const QModelIndex &parent)
{
    OutlineNode *node = parent.isValid() ? nodeOf(parent) : m_top.get();
    if (node->m_fetched)
        return;
    fill(node);
    if (node->m_children.empty()) {
        node->m_fetched = true;
        return;
    }
    beginInsertRows(parent, 0, int(node->m_children.size()) - 1);
    node->m_fetched = true;
    endInsertRows();
    emit childrenShown(node);
}

QModelIndexList OutlineModel::match(
    const QModelIndex &start, int role, const QVariant &value, int hits, Qt::MatchFlags flags) const
{
    return QAbstractItemModel::match(
        start, role == Qt::DisplayRole ? int(Qt::EditRole) : role, value, hits, flags);
}

QVariant OutlineModel::data(const QModelIndex &index, int role) const
{
    const OutlineNode *node = nodeOf(index);
    if (!node)
        return {};
    if (m_presenter && (role == Qt::DisplayRole || role == Qt::ToolTipRole)) {
        QVariant shown = m_presenter(*node, role);
        if (shown.isValid())
            return shown;
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->m_text;
    case Qt::DecorationRole:
        return iconFor(node->m_image);
    default:
        return {};
    }
}

bool OutlineModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    OutlineNode *node = nodeOf(index);
    if (!node || role != Qt::EditRole)
        return false;
    SetText(node, value.toString());
    return true;
}

Qt::ItemFlags OutlineModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}
