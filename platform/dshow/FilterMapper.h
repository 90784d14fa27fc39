// CFilterMapper2 (CLSID_FilterMapper2): the registry of filters. A filter
// is registered under its category as an instance key holding its
// "FriendlyName", its "CLSID" and its "FilterData" blob (FilterData.h);
// the filters the program ships are there from the start (ShippedFilters.h),
// those registered at run time go to the user's store.
//
// EnumMatchingFilters reads the ordinary filter category: a filter is given
// when its merit reaches the floor and its pins fit what is asked (input
// and output types as (major type, subtype) pairs, GUID_NULL matching
// anything unless an exact match is asked; a rendered input; pin
// categories). The monikers come highest merit first; filters of equal
// merit keep the registry's order of their instance keys.
#pragma once

#include "platform/com/UnknownImpl.h"
#include "platform/dshow/MapperInterfaces.h"

class CFilterMapper2 final : public CUnknown, public IFilterMapper2, public IAMFilterData {
public:
    explicit CFilterMapper2(IUnknown* outer);

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) override;
    HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) override;
    HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category, LPCOLESTR instance,
                           const REGFILTER2* data) override;
    HRESULT EnumMatchingFilters(IEnumMoniker** enumerator, DWORD flags, BOOL exactMatch, DWORD merit, BOOL inputNeeded,
                                DWORD inputTypes, const GUID* inputTypePairs, const REGPINMEDIUM* mediumIn,
                                const CLSID* pinCategoryIn, BOOL render, BOOL outputNeeded, DWORD outputTypes,
                                const GUID* outputTypePairs, const REGPINMEDIUM* mediumOut,
                                const CLSID* pinCategoryOut) override;

    HRESULT ParseFilterData(BYTE* data, ULONG bytes, BYTE** regFilter2) override;
    HRESULT CreateFilterData(REGFILTER2* regFilter2, BYTE** data, ULONG* bytes) override;
};
