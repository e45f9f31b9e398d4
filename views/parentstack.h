#pragma once

#include <QString>

#include <functional>
#include <vector>

class OutlineTree;

/// The nesting of site nodes by path. Sites are offered in ascending URL order, so a URL comes
/// before the URLs that extend it; each site hangs under the nearest earlier site node of a
/// lower level whose URL is a prefix of its own ending at a "/" of it (so 'site' takes
/// 'site/docs' but not 'site2/docs'), as long as that node is still on the stack, and
/// otherwise under the base node.
///
/// Entry i (i >= 1) of the stack holds the last node added for a site of level i - 1; entry 0
/// holds the base node. Use: `ParentFor` gives the node to add under, `Place` records the node
/// that was added.
class ParentStack final
{
public:
    /// Which text of a candidate parent node is its URL.
    enum class Prefix {
        /// The node's key up to its first "#", blanks around the key removed (the outlines,
        /// whose Chrono keys are URL "#" session).
        KeyBeforeHash,
        /// The node's text exactly as it stands (the query, whose node texts are full URLs).
        NodeText,
    };

    explicit ParentStack(const OutlineTree &tree, Prefix prefix = Prefix::KeyBeforeHash);
    /// Nests by keys alone, before any node exists: @p keyOf gives the key of the node that
    /// would have index i (the `KeyBeforeHash` rule applies to it).
    explicit ParentStack(std::function<QString(int)> keyOf);

    /// Starts over with @p baseIndex as entry 0 and an empty entry 1.
    void Reset(int baseIndex);

    /// The index of the node under which the site @p url of level @p level hangs. Cuts the
    /// stack back past the entries it passes over.
    int ParentFor(const QString &url, int level);

    /// Records @p nodeIndex, just added for a site of level @p level, as entry @p level + 1
    /// and drops the entries above it.
    void Place(int level, int nodeIndex);

    /// The stack's entries (0 for an empty one); for inspection.
    const std::vector<int> &Entries() const { return m_entries; }

private:
    bool isPrefix(const QString &url, int nodeIndex) const;

    const OutlineTree *m_tree = nullptr;
    std::function<QString(int)> m_keyOf;
    Prefix m_prefix;
    std::vector<int> m_entries;
};
