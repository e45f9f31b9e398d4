#pragma once

#include "blocklist.h"

#include <QHash>
#include <QString>

#include <variant>

/// Failure numbers recorded in `Err` by the collection family.
namespace CollectionError {
/// A key was given that names no element (also: before and after both given).
inline constexpr int InvalidArgument = 5;
/// A position outside 1 to `Count`.
inline constexpr int OutOfRange = 9;
/// `Add` with a key that is already present, letter case ignored.
inline constexpr int DuplicateKey = 457;
/// `SetSorted` on a collection that is not empty.
inline constexpr int SortedReadOnly = 511;
} // namespace CollectionError

/// The shared design of the collection family: elements under unique keys that ignore letter
/// case, positions counted from 1, optionally kept in ascending key order by `Add`.
///
/// Failures never throw: the operation reports them through its result (an empty element,
/// false or 0) and records them in `Err` and `ErrDescription`, which a success clears.
/// In a collection kept in key order, lookup by key and finding a position are binary searches;
/// in one that is not, lookup by key is a hash probe. Inserting into the middle moves only a
/// bounded block of elements.
template<typename T>
class KeyedCollection
{
    struct Entry
    {
        QString key;
        T item;
    };

public:
    /// A place for `Add`'s before or after: nothing, a position (from 1) or a key.
    using Where = std::variant<std::monostate, int, QString>;

    /// Number of the last failure of `Add`, `Item`, `SetItem`, `Remove`, `Key`, `SetSorted`;
    /// 0 after a success.
    int Err = 0;
    /// Description of that failure, empty after a success.
    QString ErrDescription;

    /// Yields the elements (not the keys) in list order.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T *;
        using reference = const T &;

        const_iterator() = default;
        explicit const_iterator(typename BlockList<Entry>::const_iterator it)
            : m_it(it)
        { }
        reference operator*() const { return m_it->item; }
        pointer operator->() const { return &m_it->item; }
        const_iterator &operator++()
        {
            ++m_it;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++m_it;
            return old;
        }
        bool operator==(const const_iterator &other) const { return m_it == other.m_it; }

    private:
        typename BlockList<Entry>::const_iterator m_it;
    };

    const_iterator begin() const { return const_iterator(m_entries.begin()); }
    const_iterator end() const { return const_iterator(m_entries.end()); }

    /// The number of elements.
    int Count() const { return int(m_entries.size()); }

    /// Adds `newItem` under `itemKey` and returns it; returns an empty element (and records
    /// 457) when the key is present. A sorted collection places it in key order and ignores
    /// `before`/`after`; otherwise it goes before `before` or after `after`, else at the end.
    T Add(const T &newItem,
          const QString &itemKey,
          const Where &before = {},
          const Where &after = {})
    {
        clearError();
        qsizetype pos = m_entries.size();
        if (keyOrder()) {
            if (!m_entries.empty() && compareKeys(itemKey, m_entries.back().key) <= 0) {
                pos = FindPosition(itemKey) - 1;
                if (pos < m_entries.size() && compareKeys(itemKey, m_entries.at(pos).key) == 0) {
                    fail(CollectionError::DuplicateKey);
                    return T {};
                }
            }
        } else {
            if (m_lookup.contains(itemKey.toCaseFolded())) {
                fail(CollectionError::DuplicateKey);
                return T {};
            }
            const bool hasBefore = !std::holds_alternative<std::monostate>(before);
            const bool hasAfter = !std::holds_alternative<std::monostate>(after);
            if (hasBefore && hasAfter) {
                fail(CollectionError::InvalidArgument);
                return T {};
            }
            if (hasBefore || hasAfter) {
                const int at = resolve(hasBefore ? before : after);
                if (at == 0)
                    return T {};
                pos = hasBefore ? at - 1 : at;
            }
        }
        m_entries.insert(pos, Entry {itemKey, newItem});
        if (!keyOrder())
            m_lookup.insert(itemKey.toCaseFolded(), newItem);
        return newItem;
    }

    /// The element at `position` (from 1), or an empty element.
    T Item(int position)
    {
        clearError();
        if (!validPosition(position)) {
            fail(CollectionError::OutOfRange);
            return T {};
        }
        return m_entries.at(position - 1).item;
    }

    /// The element under `itemKey` (letter case ignored), or an empty element.
    T Item(const QString &itemKey)
    {
        clearError();
        const int pos = find(itemKey);
        if (pos == 0) {
            fail(CollectionError::InvalidArgument);
            return T {};
        }
        return m_entries.at(pos - 1).item;
    }

    /// Replaces the element under `itemKey`, keeping its key and position.
    bool SetItem(const QString &itemKey, const T &newItem)
    {
        clearError();
        const int pos = find(itemKey);
        if (pos == 0) {
            fail(CollectionError::InvalidArgument);
            return false;
        }
        Entry &entry = m_entries.at(pos - 1);
        entry.item = newItem;
        if (!keyOrder())
            m_lookup.insert(entry.key.toCaseFolded(), newItem);
        return true;
    }

    /// Replaces the element at `position`, keeping its key.
    bool SetItem(int position, const T &newItem)
    {
        clearError();
        if (!validPosition(position)) {
            fail(CollectionError::OutOfRange);
            return false;
        }
        Entry &entry = m_entries.at(position - 1);
        entry.item = newItem;
        if (!keyOrder())
            m_lookup.insert(entry.key.toCaseFolded(), newItem);
        return true;
    }

    /// Removes the element under `itemKey`; a missing key changes nothing.
    bool Remove(const QString &itemKey)
    {
        clearError();
        const int pos = find(itemKey);
        if (pos == 0) {
            fail(CollectionError::InvalidArgument);
            return false;
        }
        if (!keyOrder())
            m_lookup.remove(m_entries.at(pos - 1).key.toCaseFolded());
        m_entries.erase(pos - 1);
        return true;
    }

    /// Removes the element at `position`; a position out of range changes nothing.
    bool Remove(int position)
    {
        clearError();
        if (!validPosition(position)) {
            fail(CollectionError::OutOfRange);
            return false;
        }
        if (!keyOrder())
            m_lookup.remove(m_entries.at(position - 1).key.toCaseFolded());
        m_entries.erase(position - 1);
        return true;
    }

    /// Whether `Add` keeps the elements in ascending key order.
    bool Sorted() const { return m_sorted; }

    /// Changes `Sorted`; fails with 511 unless the collection is empty.
    bool SetSorted(bool newValue)
    {
        if (!m_entries.empty()) {
            fail(CollectionError::SortedReadOnly);
            return false;
        }
        m_sorted = newValue;
        return true;
    }

    /// The key text at `Index` (from 1), or an empty string.
    QString Key(int Index)
    {
        clearError();
        if (!validPosition(Index)) {
            fail(CollectionError::OutOfRange);
            return {};
        }
        return m_entries.at(Index - 1).key;
    }

    /// The position of the element under `itemKey`, or 0. In a collection that is not kept in
    /// key order the key must match exactly, letter case included.
    int Index(const QString &itemKey) const
    {
        if (keyOrder())
            return find(itemKey);
        if (!m_lookup.contains(itemKey.toCaseFolded()))
            return 0;
        return FindPosition(itemKey);
    }

    /// In a collection kept in key order: the position of `key`, or the position before which
    /// it belongs (`Count` + 1 after every key), by binary search. Otherwise: the first
    /// position whose key equals `key` exactly, or 0.
    int FindPosition(const QString &key) const
    {
        if (!keyOrder()) {
            int pos = 1;
            for (const Entry &entry : m_entries) {
                if (entry.key == key)
                    return pos;
                ++pos;
            }
            return 0;
        }
        if (m_entries.empty())
            return 1;
        int low = 1;
        int high = Count();
        int result = 0;
        while (low <= high) {
            const int mid = (low + high) / 2;
            const int order = compareKeys(key, m_entries.at(mid - 1).key);
            if (order == 0)
                return mid;
            if (order > 0) {
                result = low = mid + 1;
            } else {
                result = mid;
                high = mid - 1;
            }
        }
        return result;
    }

    /// The description recorded with a failure number.
    static QString errorText(int number)
    {
        switch (number) {
        case CollectionError::InvalidArgument:
            return QStringLiteral("Invalid procedure call or argument");
        case CollectionError::OutOfRange:
            return QStringLiteral("Subscript out of range");
        case CollectionError::DuplicateKey:
            return QStringLiteral(
                "This key is already associated with an element of this collection");
        case CollectionError::SortedReadOnly:
            return QStringLiteral("Sorted property is read-only if the collection is not empty");
        default:
            return {};
        }
    }

protected:
    /// `sorted`: `Sorted` at creation. `alwaysKeyOrder`: `Add` keeps key order whatever
    /// `Sorted` holds.
    KeyedCollection(bool sorted, bool alwaysKeyOrder)
        : m_sorted(sorted)
        , m_alwaysKeyOrder(alwaysKeyOrder)
    { }

private:
    static int compareKeys(const QString &a, const QString &b)
    {
        const int order = QString::compare(a, b, Qt::CaseInsensitive);
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }

    bool keyOrder() const { return m_sorted || m_alwaysKeyOrder; }
    bool validPosition(int position) const { return position >= 1 && position <= Count(); }

    // Position of the element under `key` (letter case ignored), or 0: a binary search in key
    // order, else a hash probe and a walk.
    int find(const QString &key) const
    {
        if (keyOrder()) {
            const int pos = FindPosition(key);
            return pos <= Count() && compareKeys(key, m_entries.at(pos - 1).key) == 0 ? pos : 0;
        }
        if (!m_lookup.contains(key.toCaseFolded()))
            return 0;
        int pos = 1;
        for (const Entry &entry : m_entries) {
            if (compareKeys(entry.key, key) == 0)
                return pos;
            ++pos;
        }
        return 0;
    }

    int resolve(const Where &where)
    {
        if (const int *position = std::get_if<int>(&where)) {
            if (validPosition(*position))
                return *position;
            fail(CollectionError::OutOfRange);
            return 0;
        }
        if (const int pos = find(std::get<QString>(where)))
            return pos;
        fail(CollectionError::InvalidArgument);
        return 0;
    }

    void clearError()
    {
        Err = 0;
        ErrDescription.clear();
    }

    void fail(int number)
    {
        Err = number;
        ErrDescription = errorText(number);
    }

    BlockList<Entry> m_entries;
    // Case-folded key to element, kept only while the collection is not in key order.
    QHash<QString, T> m_lookup;
    bool m_sorted;
    bool m_alwaysKeyOrder;
};
