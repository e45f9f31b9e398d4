#pragma once

#include "csession.h"
#include "keyedcollection.h"

/// Browsing sessions (the store's `AllSessions`), keyed by `timeKey` of their start. `Add` always
/// keeps key order (which is time order) and ignores before and after.
class CSessions final : public KeyedCollection<CSessionPtr>
{
public:
    CSessions()
        : KeyedCollection(true, true)
    { }
};
