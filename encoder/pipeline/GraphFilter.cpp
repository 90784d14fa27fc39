#include "encoder/pipeline/GraphFilter.h"

#include <cstdlib>
#include <cstring>

#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/TextUtilities.h"
#include "foundation/RegistryHelpers.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MapperInterfaces.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/ByteOrder.h"

namespace {

// The filter that a merit rule of its own lifts just above MERIT_NORMAL when
// it is registered one below it.
constexpr CLSID kLiftedFilter{0x3AE86B20, 0x7BE8, 0x11D1, {0xAB, 0xE6, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};
constexpr ULONGLONG kLiftedFrom = 0x0000005FFFFF0000ULL;
constexpr ULONGLONG kLiftedTo = 0x0000006000010000ULL;
// Bits of the held merit that do not come from the filter's merit.
constexpr ULONGLONG kOuterBits = 0xFFFF00000000FFFFULL;

constexpr wchar_t kCategoryInstances[] = L"CLSID\\{083863F1-70DE-11d0-BD40-00A0C911CE86}\\Instance\\";

bool PairsMatch(const GUID& a, const GUID& b, bool wildcard)
{
    if (wildcard) return a == GUID_NULL || b == GUID_NULL || a == b;
    return a != GUID_NULL && a == b;
}

bool Match(const GuidArray& filterTypes, const GuidArray& pinPairs, bool exact)
{
    for (int i = 0; i + 1 < filterTypes.GetSize(); i += 2) {
        for (int j = 0; j + 1 < pinPairs.GetSize(); j += 2) {
            if (PairsMatch(filterTypes[i], pinPairs[j], !exact) &&
                PairsMatch(filterTypes[i + 1], pinPairs[j + 1], !exact))
                return true;
        }
    }
    return false;
}

int CompareCandidates(const void* a, const void* b)
{
    const auto* x = static_cast<const SortFilter*>(a);
    const auto* y = static_cast<const SortFilter*>(b);
    ULONGLONG mx = x->filter->GetMerit(), my = y->filter->GetMerit();
    if (mx != my) return mx > my ? -1 : 1;
    if (x->exact && !y->exact) return -1;
    if (!x->exact && y->exact) return 1;
    return 0;
}

}  // namespace

// ---- CGraphFilter ---------------------------------------------------------------------------

CGraphFilter::CGraphFilter(const wchar_t* name, ULONGLONG merit)
    : m_name(SysAllocString(name ? name : L"")), m_merit(merit)
{
}

CGraphFilter::~CGraphFilter() { SysFreeString(m_name); }

bool CGraphFilter::IsMatch(const GuidArray& pinPairs) const { return Match(m_inputTypes, pinPairs, false); }

bool CGraphFilter::IsExactMatch(const GuidArray& pinPairs) const { return Match(m_inputTypes, pinPairs, true); }

void CGraphFilter::Release()
{
    if (m_useCount > 0)
        --m_useCount;
    else
        delete this;
}

void SortCandidates(SortFilter* entries, size_t count)
{
    if (count > 1) std::qsort(entries, count, sizeof(SortFilter), &CompareCandidates);
}

// ---- CGraphRegFilter ------------------------------------------------------------------------

CGraphRegFilter::CGraphRegFilter(IMoniker* moniker, ULONGLONG merit) : CGraphFilter(L"", merit), m_moniker(moniker)
{
    if (m_moniker) m_moniker->AddRef();
    LPOLESTR display = nullptr;
    if (!m_moniker || FAILED(m_moniker->GetDisplayName(nullptr, nullptr, &display))) return;
    m_displayName = SysAllocString(display);
    CoTaskMemFree(display);

    IPropertyBag* bag = nullptr;
    if (SUCCEEDED(m_moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        if (SUCCEEDED(bag->Read(L"FriendlyName", &v, nullptr)) && v.vt == VT_BSTR) {
            SysFreeString(m_name);
            m_name = SysAllocString(v.bstrVal);
        }
        VariantClear(&v);
        v.vt = VT_BSTR;
        if (SUCCEEDED(bag->Read(L"CLSID", &v, nullptr)) && v.vt == VT_BSTR) CLSIDFromString(v.bstrVal, &m_clsid);
        VariantClear(&v);
        v.vt = static_cast<VARTYPE>(VT_UI1 | VT_ARRAY);
        if (SUCCEEDED(bag->Read(L"FilterData", &v, nullptr)) && v.vt == (VT_UI1 | VT_ARRAY) && v.parray) {
            ULONG bytes = SafeArrayGetElemsize(v.parray);
            LONG lower = 0, upper = -1;
            SafeArrayGetLBound(v.parray, 1, &lower);
            SafeArrayGetUBound(v.parray, 1, &upper);
            bytes *= static_cast<ULONG>(upper - lower + 1);
            void* data = nullptr;
            if (SUCCEEDED(SafeArrayAccessData(v.parray, &data))) {
                ParseFilterData(static_cast<const BYTE*>(data), bytes);
                SafeArrayUnaccessData(v.parray);
            }
        }
        VariantClear(&v);
        bag->Release();
    }
    SettleMerit(merit);
}

CGraphRegFilter::CGraphRegFilter(const CLSID& clsid, ULONGLONG merit) : CGraphFilter(L"", merit)
{
    m_clsid = clsid;
    if (clsid == GUID_NULL) return;
    CString text = ClsidToString(clsid);
    CString classKey = CString(L"CLSID\\") + text;
    CString instanceKey = CString(kCategoryInstances) + text;
    CString name;
    if (RegReadString(HKEY_CLASSES_ROOT, classKey, L"", name)) {
        SysFreeString(m_name);
        m_name = SysAllocString(name);
    }
    if (RegReadString(HKEY_CLASSES_ROOT, instanceKey, L"FriendlyName", name)) {
        SysFreeString(m_name);
        m_name = SysAllocString(name);
    }
    BYTE* data = nullptr;
    DWORD bytes = 0;
    if (RegReadBinaryAlloc(HKEY_CLASSES_ROOT, instanceKey, L"FilterData", &data, &bytes)) {
        ParseFilterData(data, bytes);
        delete[] data;
    }
    SettleMerit(merit);
}

CGraphRegFilter::~CGraphRegFilter()
{
    SysFreeString(m_displayName);
    if (m_moniker) m_moniker->Release();
}

void CGraphRegFilter::SettleMerit(ULONGLONG given)
{
    if (given != kRegisteredMerit) m_merit = given;
}

void CGraphRegFilter::TakeFilterDataMerit(DWORD merit)
{
    m_merit = (static_cast<ULONGLONG>(merit) << 16) | (m_merit & kOuterBits);
}

void CGraphRegFilter::ParseFilterData(const BYTE* data, ULONG bytes)
{
    bool complete = ParseWithSystem(data, bytes);
    if (!complete) {
        ParseOwn(data, bytes);
        return;  // the own reader settles the lift itself
    }
    if (m_clsid == kLiftedFilter && m_merit == kLiftedFrom) m_merit = kLiftedTo;
}

bool CGraphRegFilter::ParseWithSystem(const BYTE* data, ULONG bytes)
{
    IAMFilterData* parser = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_ALL, IID_IAMFilterData,
                                reinterpret_cast<void**>(&parser))))
        return false;
    BYTE* block = nullptr;
    HRESULT hr = parser->ParseFilterData(const_cast<BYTE*>(data), bytes, &block);
    parser->Release();
    if (FAILED(hr) || !block) return false;
    const auto* rf = reinterpret_cast<const REGFILTER2*>(block);
    TakeFilterDataMerit(rf->dwMerit);
    auto addTypes = [&](UINT count, const REGPINTYPES* types) {
        for (UINT t = 0; t < count; ++t) {
            if (!types[t].clsMajorType || !types[t].clsMinorType) break;
            m_inputTypes.Add(*types[t].clsMajorType);
            m_inputTypes.Add(*types[t].clsMinorType);
        }
    };
    if (rf->dwVersion == 1) {
        for (ULONG p = 0; p < rf->cPins; ++p)
            if (!rf->rgPins[p].bOutput) addTypes(rf->rgPins[p].nMediaTypes, rf->rgPins[p].lpMediaType);
    } else if (rf->dwVersion == 2) {
        for (ULONG p = 0; p < rf->cPins2; ++p)
            if (!(rf->rgPins2[p].dwFlags & REG_PINFLAG_B_OUTPUT))
                addTypes(rf->rgPins2[p].nMediaTypes, rf->rgPins2[p].lpMediaType);
    }
    CoTaskMemFree(block);
    return true;
}

void CGraphRegFilter::ParseOwn(const BYTE* data, ULONG bytes)
{
    auto fits = [&](ULONGLONG at, ULONGLONG size) { return data && at <= bytes && size <= bytes - at; };
    if (!fits(0, 8) || LoadLE32(data) != 2) return;
    TakeFilterDataMerit(LoadLE32(data + 4));
    m_inputTypes.RemoveAll();
    if (!fits(8, 4)) return;
    DWORD pins = LoadLE32(data + 8);
    ULONGLONG at = 16;
    for (DWORD p = 0; p < pins; ++p) {
        if (!fits(at, 24)) return;
        DWORD flags = LoadLE32(data + at + 4);
        DWORD typeCount = LoadLE32(data + at + 12);
        at += 24;
        for (DWORD t = 0; t < typeCount; ++t) {
            if (!fits(at, 16)) return;
            ULONGLONG end = at + 16;
            DWORD majorAt = LoadLE32(data + at + 8), subAt = LoadLE32(data + at + 12);
            at = end;
            if (flags & REG_PINFLAG_B_OUTPUT) continue;
            if (majorAt < end || subAt < end || !fits(majorAt, 16) || !fits(subAt, 16)) continue;
            GUID major, sub;
            std::memcpy(&major, data + majorAt, 16);
            std::memcpy(&sub, data + subAt, 16);
            m_inputTypes.Add(major);
            m_inputTypes.Add(sub);
        }
    }
    if (m_clsid == kLiftedFilter && m_merit == kLiftedFrom) m_merit = kLiftedTo;
}

HRESULT CGraphRegFilter::CreateInstance(IBaseFilter** filter, DWORD* second)
{
    if (!filter) return E_POINTER;
    *filter = nullptr;
    if (second) *second = 0;
    if (m_moniker) {
        HRESULT hr = m_moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
        if (FAILED(hr)) return hr;
        m_clsid = GetFilterClsid(*filter);
        return hr;
    }
    if (m_clsid == GUID_NULL) return E_FAIL;
    if (FAILED(CoCreateInstance(m_clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter, reinterpret_cast<void**>(filter))))
        return E_FAIL;
    return S_OK;
}

IMoniker* CGraphRegFilter::GetMoniker() const
{
    if (m_moniker) m_moniker->AddRef();
    return m_moniker;
}
