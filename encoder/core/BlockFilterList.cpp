#include "BlockFilterList.h"

#include "encoder/core/ClsidText.h"
#include "encoder/core/OptionKey.h"
#include "foundation/RegistryHelpers.h"

namespace {

CString ValueName(int index) { return CString(FormatText(L"_BLOCKFILTER%03d", index)); }

}  // namespace

int CBlockFilterList::Contains(const GUID& clsid) const
{
    for (POSITION p = GetHeadPosition(); p;)
        if (GetNext(p) == clsid) return 1;
    return 0;
}

int CBlockFilterList::Add(const GUID& clsid)
{
    if (Contains(clsid)) return 0;
    AddTail(clsid);
    return 1;
}

void LoadBlockFilters(CBlockFilterList& list)
{
    for (int i = 0; i < kMaxBlockFilters; ++i) {
        CString text;
        if (!RegReadStringDefault(HKEY_CURRENT_USER, kOptionKey, ValueName(i), text, CString())) return;
        // A stored list replaces the one the settings hold, even when empty.
        if (i == 0) list.RemoveAll();
        if (text.IsEmpty()) return;  // the end mark
        GUID clsid;
        if (GuidFromString(text, &clsid)) list.AddTail(clsid);
    }
}

void SaveBlockFilters(const CBlockFilterList& list)
{
    int i = 0;
    for (POSITION p = list.GetHeadPosition(); p && i < kMaxBlockFilters; ++i) {
        wchar_t text[39];
        GuidToString(list.GetNext(p), text, 39);
        RegWriteStringAnsi(HKEY_CURRENT_USER, kOptionKey, ValueName(i), text);
    }
    RegWriteStringAnsi(HKEY_CURRENT_USER, kOptionKey, ValueName(i), CString());
}
