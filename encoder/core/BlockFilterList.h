// The filters the graph builder must never use, by class identifier, and
// their registry form beside the other settings: "_BLOCKFILTER000",
// "_BLOCKFILTER001", ... each holding one braced class id, ended by an empty
// value.
#pragma once

#include "platform/win32/Collections.h"
#include "platform/win32/Guid.h"

class CBlockFilterList : public CList<GUID, const GUID&> {
public:
    CBlockFilterList() : CList<GUID, const GUID&>(10) {}

    // 1 when an element equals the id in all 16 bytes, else 0.
    int Contains(const GUID& clsid) const;
    // Appends the id unless it is there already; 1 when added, 0 when not.
    int Add(const GUID& clsid);
};

// At most this many entries are written and read.
constexpr int kMaxBlockFilters = 1000;

// A stored list (even an empty one) replaces the list; with no stored list
// the list keeps what it holds. Malformed entries are skipped.
void LoadBlockFilters(CBlockFilterList& list);
// Writes the entries (up to the limit) and the end mark after them. Values
// with higher numbers left from a longer list stay: the end mark hides them.
void SaveBlockFilters(const CBlockFilterList& list);
