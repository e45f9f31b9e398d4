#pragma once

#include "cactivity.h"
#include "keyedcollection.h"

/// The downloads of one site record, keyed by `timeKey(CActivity::Key)`; sorted.
class CActivities final : public KeyedCollection<CActivityPtr>
{
public:
    CActivities()
        : KeyedCollection(true, false)
    { }
};
