#pragma once

#include "keyedcollection.h"

#include <QVariant>

/// The generic member of the collection family: any value under a key, in the order given
/// (not sorted at creation).
class CCollection final : public KeyedCollection<QVariant>
{
public:
    CCollection()
        : KeyedCollection(false, false)
    { }
};
