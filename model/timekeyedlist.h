#pragma once

#include "timekey.h"

#include <QString>

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

/// The visits or the downloads of one site record: rows under the time key (`timeKey`) of one
/// of their times, each key once, always in key order, which is time order. Millions of rows
/// live in memory at once, so a row is a small struct with its times as `wallClockMs` numbers
/// and its key is derived from them when asked for rather than kept.
///
/// `Row` gives `qint64 keyMs() const`, a `Context` that the list keeps beside its rows (texts
/// the rows share, for one), `static Row of(const Value &, Context &)` and
/// `Value value(const Context &) const`.
template<typename Row, typename Value>
class TimeKeyedList
{
    using Context = typename Row::Context;

public:
    /// Yields the elements in key order, each as a value made from its row.
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Value;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Value;

        const_iterator() = default;
        const_iterator(typename std::vector<Row>::const_iterator it, const Context *context)
            : m_it(it)
            , m_context(context)
        { }
        Value operator*() const { return m_it->value(*m_context); }
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
        typename std::vector<Row>::const_iterator m_it;
        const Context *m_context = nullptr;
    };

    const_iterator begin() const { return const_iterator(m_rows.begin(), &m_context); }
    const_iterator end() const { return const_iterator(m_rows.end(), &m_context); }

    /// The number of elements.
    int Count() const { return int(m_rows.size()); }

    /// Adds `item` in key order; false, changing nothing, when its key is present.
    bool Add(const Value &item) { return AddRow(Row::of(item, m_context)); }

    /// Adds a row as the record keeps it, like `Add`.
    bool AddRow(Row row)
    {
        const qint64 key = seconds(row.keyMs());
        auto at = m_rows.cend();
        if (!m_rows.empty() && key <= seconds(m_rows.back().keyMs())) {
            at = lowerBound(key);
            if (at != m_rows.end() && seconds(at->keyMs()) == key)
                return false;
        }
        m_rows.insert(at, std::move(row));
        return true;
    }

    /// The element at `position` (from 1), or none.
    std::optional<Value> Item(int position) const
    {
        if (!validPosition(position))
            return std::nullopt;
        return m_rows[size_t(position - 1)].value(m_context);
    }

    /// The element under `key`, or none.
    std::optional<Value> Item(const QString &key) const
    {
        const Row *row = find(key);
        return row ? std::optional<Value>(row->value(m_context)) : std::nullopt;
    }

    /// The key text of the element at `position`, or an empty string.
    QString Key(int position) const
    {
        if (!validPosition(position))
            return {};
        return timeKey(fromWallClockMs(m_rows[size_t(position - 1)].keyMs()));
    }

    /// Removes the element at `position`; false for a position out of range.
    bool Remove(int position)
    {
        if (!validPosition(position))
            return false;
        m_rows.erase(m_rows.begin() + (position - 1));
        return true;
    }

    /// Removes the element under `key`; false when there is none.
    bool Remove(const QString &key)
    {
        const Row *row = find(key);
        if (!row)
            return false;
        m_rows.erase(m_rows.begin() + (row - m_rows.data()));
        return true;
    }

    /// The rows in key order, for a pass that needs no values made.
    const std::vector<Row> &Rows() const { return m_rows; }
    /// What the rows share.
    const Context &RowContext() const { return m_context; }
    Context &RowContext() { return m_context; }

    /// Room for `count` elements, so that a load grows the list once.
    void Reserve(qsizetype count) { m_rows.reserve(size_t(count)); }
    /// Gives back the room no element uses.
    void Squeeze() { m_rows.shrink_to_fit(); }

protected:
    Row *find(const QString &key) { return const_cast<Row *>(std::as_const(*this).find(key)); }

    const Row *find(const QString &key) const
    {
        const std::optional<qint64> wanted = timeKeySeconds(key);
        if (!wanted)
            return nullptr;
        const auto at = lowerBound(*wanted);
        return at != m_rows.end() && seconds(at->keyMs()) == *wanted ? &*at : nullptr;
    }

    std::vector<Row> m_rows;
    [[no_unique_address]] Context m_context;

private:
    // Keys name whole seconds: two times in one second share a key.
    static qint64 seconds(qint64 ms) { return ms / 1000; }

    bool validPosition(int position) const { return position >= 1 && position <= Count(); }

    typename std::vector<Row>::const_iterator lowerBound(qint64 key) const
    {
        return std::partition_point(m_rows.begin(), m_rows.end(), [key](const Row &row) {
            return seconds(row.keyMs()) < key;
        });
    }
};
