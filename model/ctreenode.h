#pragma once

#include <QString>

#include <memory>

/// What a node of the panel's tree stands for. A plain value holder.
class CTreeNode final
{
public:
    /// The text shown on the node.
    QString Node;
    /// The URL the node stands for.
    QString URL;
    /// The node's title text.
    QString Title;
    /// The node's index in the tree; 0 for an empty record.
    int Index = 0;
    /// The node's key in the tree and in `CTreeNodes`.
    QString Key;
    /// Whether the node was expanded.
    bool Expanded = false;
};

using CTreeNodePtr = std::shared_ptr<CTreeNode>;
