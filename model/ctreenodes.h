#pragma once

#include "ctreenode.h"
#include "keyedcollection.h"

/// The node records beside the visible tree, keyed by node key; in the order added.
class CTreeNodes final : public KeyedCollection<CTreeNodePtr>
{
public:
    CTreeNodes()
        : KeyedCollection(false, false)
    { }

    /// Creates an empty `CTreeNode`, adds it under `itemKey` and returns it; returns null (and
    /// records 457) when the key is present.
    CTreeNodePtr Add(const QString &itemKey, const Where &before = {}, const Where &after = {})
    {
        return KeyedCollection::Add(std::make_shared<CTreeNode>(), itemKey, before, after);
    }
};
