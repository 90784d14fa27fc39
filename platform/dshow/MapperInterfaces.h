// Filter registration: the REGFILTER2 records that describe a filter's pins
// and media types, the filter mapper (IFilterMapper2) that finds registered
// filters by the types they take, and IAMFilterData, which turns REGFILTER2
// into the "FilterData" blob kept in the registry and back.
#pragma once

#include "platform/com/ObjectInterfaces.h"
#include "platform/dshow/DShowTypes.h"

constexpr IID IID_IFilterMapper2{0xB79BB0B0, 0x33C1, 0x11D1, {0xAB, 0xE1, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};
constexpr IID IID_IAMFilterData{0x97F7C4D4, 0x547B, 0x4A5F, {0x83, 0x32, 0x53, 0x64, 0x30, 0xAD, 0x2E, 0x4D}};
constexpr CLSID CLSID_CDeviceMoniker{0x4315D437, 0x5B8C, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};

struct REGPINTYPES {
    const CLSID* clsMajorType;
    const CLSID* clsMinorType;
};

struct REGPINMEDIUM {
    CLSID clsMedium;
    DWORD dw1;
    DWORD dw2;
};

// Version 1 pin.
struct REGFILTERPINS {
    LPWSTR strName;
    BOOL bRendered;
    BOOL bOutput;
    BOOL bZero;
    BOOL bMany;
    const CLSID* clsConnectsToFilter;
    const WCHAR* strConnectsToPin;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
};

constexpr DWORD REG_PINFLAG_B_ZERO = 0x1;
constexpr DWORD REG_PINFLAG_B_RENDERER = 0x2;
constexpr DWORD REG_PINFLAG_B_MANY = 0x4;
constexpr DWORD REG_PINFLAG_B_OUTPUT = 0x8;

// Version 2 pin.
struct REGFILTERPINS2 {
    DWORD dwFlags;
    UINT cInstances;
    UINT nMediaTypes;
    const REGPINTYPES* lpMediaType;
    UINT nMediums;
    const REGPINMEDIUM* lpMedium;
    const CLSID* clsPinCategory;
};

struct REGFILTER2 {
    DWORD dwVersion;  // 1: rgPins, 2: rgPins2
    DWORD dwMerit;
    union {
        struct {
            ULONG cPins;
            const REGFILTERPINS* rgPins;
        };
        struct {
            ULONG cPins2;
            const REGFILTERPINS2* rgPins2;
        };
    };
};

struct IFilterMapper2 : IUnknown {
    virtual HRESULT CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description) = 0;
    virtual HRESULT UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter) = 0;
    virtual HRESULT RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                   LPCOLESTR instance, const REGFILTER2* data) = 0;
    // Monikers of the registered filters that fit, highest merit first.
    virtual HRESULT EnumMatchingFilters(IEnumMoniker** enumerator, DWORD flags, BOOL exactMatch, DWORD merit,
                                        BOOL inputNeeded, DWORD inputTypes, const GUID* inputTypePairs,
                                        const REGPINMEDIUM* mediumIn, const CLSID* pinCategoryIn, BOOL render,
                                        BOOL outputNeeded, DWORD outputTypes, const GUID* outputTypePairs,
                                        const REGPINMEDIUM* mediumOut, const CLSID* pinCategoryOut) = 0;
};

struct IAMFilterData : IUnknown {
    // *regFilter2 receives one block of task memory that starts with a
    // REGFILTER2 of version 2 and holds everything it points to; one
    // CoTaskMemFree releases it.
    virtual HRESULT ParseFilterData(BYTE* data, ULONG bytes, BYTE** regFilter2) = 0;
    // *data receives the blob in task memory.
    virtual HRESULT CreateFilterData(REGFILTER2* regFilter2, BYTE** data, ULONG* bytes) = 0;
};

RIVO_INTERFACE_ID(IFilterMapper2, IID_IFilterMapper2);
RIVO_INTERFACE_ID(IAMFilterData, IID_IAMFilterData);
