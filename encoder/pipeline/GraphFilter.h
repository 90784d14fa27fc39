// Filter candidates of the connect search: what is known of a filter that
// may take an output pin (its name, merit, class id and the media types its
// input pins accept), made from a registered filter's moniker or from the
// registry by class id, and how candidates are matched against a pin's
// types and ordered.
//
// Merit is held as the filter merit shifted left by 16 bits. An entry made
// from the mapper's enumeration carries the marker merit kRegisteredMerit
// and takes the merit its FilterData names; an entry made with any other
// merit (a blocked filter, a preferred one) keeps it.
#pragma once

#include "platform/com/ObjectInterfaces.h"
#include "platform/com/OleAuto.h"
#include "platform/dshow/FilterInterfaces.h"
#include "platform/win32/Collections.h"
#include "platform/win32/Guid.h"

using GuidArray = CArray<GUID, const GUID&>;

// The merit given to every candidate from the mapper's enumeration, and the
// least merit with which an override entry joins the candidates.
constexpr ULONGLONG kRegisteredMerit = 0x0000002000010000ULL;
// The merit of a blocked filter.
constexpr ULONGLONG kBlockedMerit = 0x0000002000000000ULL;

class CGraphFilter {
public:
    // A null or unallocatable name leaves the name empty.
    CGraphFilter(const wchar_t* name, ULONGLONG merit);
    virtual ~CGraphFilter();
    CGraphFilter(const CGraphFilter&) = delete;
    CGraphFilter& operator=(const CGraphFilter&) = delete;

    // A new filter object (referenced for the caller); the optional second
    // value is set to 0.
    virtual HRESULT CreateInstance(IBaseFilter** filter, DWORD* second = nullptr) = 0;

    // Against a pin's distinct (major type, subtype) pairs, two entries
    // each: any pairing with GUID_NULL on either side as a wildcard ...
    bool IsMatch(const GuidArray& pinPairs) const;
    // ... and a pairing with both GUIDs equal and not GUID_NULL.
    bool IsExactMatch(const GuidArray& pinPairs) const;

    // Gives back a use taken by a holder; the last one deletes the object.
    void Release();
    void AddUse() { ++m_useCount; }

    BSTR GetName() const { return m_name; }
    ULONGLONG GetMerit() const { return m_merit; }
    const CLSID& GetClsid() const { return m_clsid; }
    const GuidArray& GetInputTypes() const { return m_inputTypes; }

protected:
    BSTR m_name = nullptr;
    ULONGLONG m_merit;
    CLSID m_clsid{};
    GuidArray m_inputTypes;  // consecutive (major type, subtype) pairs
    int m_useCount = 0;
};

class CGraphRegFilter : public CGraphFilter {
public:
    // From a registered filter's moniker: its display name and its property
    // bag ("FriendlyName", "CLSID", "FilterData").
    CGraphRegFilter(IMoniker* moniker, ULONGLONG merit);
    // From the registry: the class's name and its instance under the filter
    // category ("FriendlyName", "FilterData").
    CGraphRegFilter(const CLSID& clsid, ULONGLONG merit);
    ~CGraphRegFilter() override;

    // Reads the input types and the merit from a FilterData blob, through
    // the system's parser and, when that fails, a reader of our own that
    // keeps what it read before a cut.
    void ParseFilterData(const BYTE* data, ULONG bytes);

    // With a moniker: the moniker's object, whose own class id then becomes
    // this entry's; without: the class made through COM.
    HRESULT CreateInstance(IBaseFilter** filter, DWORD* second = nullptr) override;

    // The moniker with a new reference, or null.
    IMoniker* GetMoniker() const;
    BSTR GetDisplayName() const { return m_displayName; }

private:
    bool ParseWithSystem(const BYTE* data, ULONG bytes);
    void ParseOwn(const BYTE* data, ULONG bytes);
    void TakeFilterDataMerit(DWORD merit);
    // The merit rule once everything is read.
    void SettleMerit(ULONGLONG given);

    BSTR m_displayName = nullptr;
    IMoniker* m_moniker = nullptr;
};

// One entry of a sorted candidate list.
struct SortFilter {
    CGraphFilter* filter;
    int exact;
};

// Higher merit first; at equal merit an exact match first (an unstable
// sort: entries that compare equal keep no particular order).
void SortCandidates(SortFilter* entries, size_t count);
