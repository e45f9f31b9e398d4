#pragma once

#include "keyedcollection.h"

#include <memory>

class CFile;
using CFilePtr = std::shared_ptr<CFile>;

/// All site records, keyed by their URL (letter case ignored); sorted. A duplicate URL is
/// refused: `Add` returns null and `Err` is 457.
class CFiles final : public KeyedCollection<CFilePtr>
{
public:
    CFiles()
        : KeyedCollection(true, false)
    { }
};
