#pragma once

#include <QtGlobal>

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <utility>
#include <vector>

/// A sequence stored in blocks of bounded size, so that inserting or removing in the middle of
/// a hundred thousand elements moves a few hundred of them, not all, while reading by position
/// stays a binary search over the blocks. Positions here count from 0.
template<typename E>
class BlockList final
{
public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = E;
        using difference_type = std::ptrdiff_t;
        using pointer = const E *;
        using reference = const E &;

        const_iterator() = default;
        const_iterator(const BlockList *list, std::size_t block, std::size_t offset)
            : m_list(list)
            , m_block(block)
            , m_offset(offset)
        { }

        reference operator*() const { return m_list->m_blocks[m_block][m_offset]; }
        pointer operator->() const { return &**this; }
        const_iterator &operator++()
        {
            if (++m_offset == m_list->m_blocks[m_block].size()) {
                ++m_block;
                m_offset = 0;
            }
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const const_iterator &other) const
        {
            return m_block == other.m_block && m_offset == other.m_offset;
        }

    private:
        const BlockList *m_list = nullptr;
        std::size_t m_block = 0;
        std::size_t m_offset = 0;
    };

    qsizetype size() const { return m_size; }
    bool empty() const { return m_size == 0; }

    const E &at(qsizetype pos) const
    {
        const auto [block, offset] = locate(pos);
        return m_blocks[block][offset];
    }
    E &at(qsizetype pos)
    {
        const auto [block, offset] = locate(pos);
        return m_blocks[block][offset];
    }
    const E &back() const { return m_blocks.back().back(); }

    /// Inserts before `pos`; `pos == size()` appends.
    void insert(qsizetype pos, E element)
    {
        if (m_blocks.empty()) {
            m_blocks.emplace_back();
            // Most collections are a site's few visits: skip the first steps of growth.
            m_blocks.back().reserve(8);
            m_starts.push_back(0);
        }
        std::size_t block;
        std::size_t offset;
        if (pos == m_size) {
            block = m_blocks.size() - 1;
            offset = m_blocks[block].size();
        } else {
            std::tie(block, offset) = locate(pos);
        }
        auto &items = m_blocks[block];
        items.insert(items.begin() + std::ptrdiff_t(offset), std::move(element));
        ++m_size;
        if (items.size() > MaxBlock) {
            std::vector<E> tail;
            tail.reserve(MaxBlock / 2 + 1);
            const auto half = items.begin() + std::ptrdiff_t(items.size() / 2);
            std::move(half, items.end(), std::back_inserter(tail));
            items.erase(half, items.end());
            m_blocks.insert(m_blocks.begin() + std::ptrdiff_t(block) + 1, std::move(tail));
            m_starts.insert(m_starts.begin() + std::ptrdiff_t(block) + 1, 0);
        }
        renumberFrom(block);
    }

    void erase(qsizetype pos)
    {
        const auto [block, offset] = locate(pos);
        auto &items = m_blocks[block];
        items.erase(items.begin() + std::ptrdiff_t(offset));
        --m_size;
        if (items.empty() && m_blocks.size() > 1) {
            m_blocks.erase(m_blocks.begin() + std::ptrdiff_t(block));
            m_starts.erase(m_starts.begin() + std::ptrdiff_t(block));
            renumberFrom(block == 0 ? 0 : block - 1);
        } else {
            renumberFrom(block);
        }
    }

    const_iterator begin() const { return m_size == 0 ? end() : const_iterator(this, 0, 0); }
    const_iterator end() const
    {
        return const_iterator(this, m_size == 0 ? 0 : m_blocks.size(), 0);
    }

private:
    static constexpr std::size_t MaxBlock = 512;

    std::pair<std::size_t, std::size_t> locate(qsizetype pos) const
    {
        const auto it = std::upper_bound(m_starts.begin(), m_starts.end(), pos);
        const std::size_t block = std::size_t(it - m_starts.begin()) - 1;
        return {block, std::size_t(pos - m_starts[block])};
    }

    void renumberFrom(std::size_t block)
    {
        qsizetype start = block == 0 ? 0
                                     : m_starts[block - 1] + qsizetype(m_blocks[block - 1].size());
        for (std::size_t b = block; b < m_blocks.size(); ++b) {
            m_starts[b] = start;
            start += qsizetype(m_blocks[b].size());
        }
    }

    std::vector<std::vector<E>> m_blocks;
    std::vector<qsizetype> m_starts;
    qsizetype m_size = 0;
};
