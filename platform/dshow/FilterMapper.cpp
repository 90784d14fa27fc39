#include "platform/dshow/FilterMapper.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/DeviceMoniker.h"
#include "platform/dshow/FilterData.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"

namespace {

bool TypeFits(const GUID& asked, const GUID& registered, bool exact)
{
    if (asked == GUID_NULL) return true;
    if (registered == GUID_NULL) return !exact;
    return asked == registered;
}

// Whether one pin fits the criteria of one side of the query.
bool PinFits(const FilterPinRegistration& pin, bool exact, DWORD typeCount, const GUID* pairs, const CLSID* category,
             bool rendered)
{
    if (rendered && !(pin.flags & REG_PINFLAG_B_RENDERER)) return false;
    if (category && (!pin.hasCategory || pin.category != *category)) return false;
    if (typeCount == 0) return true;
    for (DWORD i = 0; i < typeCount; ++i) {
        for (const auto& [major, sub] : pin.types)
            if (TypeFits(pairs[2 * i], major, exact) && TypeFits(pairs[2 * i + 1], sub, exact)) return true;
    }
    return false;
}

// One side (inputs or outputs) of the query.
bool SideFits(const FilterRegistration& reg, bool output, bool needed, bool exact, DWORD typeCount, const GUID* pairs,
              const CLSID* category, bool rendered)
{
    bool any = false;
    for (const auto& pin : reg.pins) {
        if (pin.IsOutput() != output) continue;
        any = true;
        if (PinFits(pin, exact, typeCount, pairs, category, rendered)) return true;
    }
    // Without pins on this side, only a query that needs none is satisfied.
    return !any && !needed;
}

bool ReadBinary(HKEY key, const wchar_t* name, std::vector<BYTE>* bytes)
{
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_BINARY)
        return false;
    bytes->resize(size);
    if (size && RegQueryValueExW(key, name, nullptr, &type, bytes->data(), &size) != ERROR_SUCCESS) return false;
    bytes->resize(size);
    return true;
}

LONG WriteBinary(HKEY key, const wchar_t* name, const std::string& bytes)
{
    return RegSetValueExW(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()));
}

}  // namespace

CFilterMapper2::CFilterMapper2(IUnknown* outer) : CUnknown(outer) {}

HRESULT CFilterMapper2::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CFilterMapper2>(outer, riid, object);
}

HRESULT CFilterMapper2::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IFilterMapper2) return GetInterface(static_cast<IFilterMapper2*>(this), object);
    if (riid == IID_IAMFilterData) return GetInterface(static_cast<IAMFilterData*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CFilterMapper2::CreateCategory(REFCLSID category, DWORD merit, LPCWSTR description)
{
    std::wstring path = CDeviceMoniker::InstanceKeyPath(CLSID_ActiveMovieCategories, GuidToString(category));
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    LONG rc = RegSetTextValue(key, L"FriendlyName", description ? description : L"");
    if (rc == ERROR_SUCCESS) rc = RegSetTextValue(key, L"CLSID", GuidToString(category));
    if (rc == ERROR_SUCCESS)
        rc = RegSetValueExW(key, L"Merit", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&merit), sizeof(merit));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : E_FAIL;
}

HRESULT CFilterMapper2::UnregisterFilter(const CLSID* category, LPCOLESTR instance, REFCLSID filter)
{
    GUID cat = category ? *category : CLSID_LegacyAmFilterCategory;
    std::wstring name = instance && *instance ? std::wstring(instance) : GuidToString(filter);
    std::wstring path = CDeviceMoniker::InstanceKeyPath(cat, name);
    LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, path.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc));
}

HRESULT CFilterMapper2::RegisterFilter(REFCLSID filter, LPCWSTR name, IMoniker** moniker, const CLSID* category,
                                       LPCOLESTR instance, const REGFILTER2* data)
{
    if (moniker) *moniker = nullptr;
    if (!name || !data) return E_POINTER;
    FilterRegistration reg;
    HRESULT hr = FilterRegistrationFromRegFilter2(*data, &reg);
    if (FAILED(hr)) return hr;
    std::string blob;
    hr = WriteFilterData(reg, &blob);
    if (FAILED(hr)) return hr;

    GUID cat = category ? *category : CLSID_LegacyAmFilterCategory;
    std::wstring instanceName = instance && *instance ? std::wstring(instance) : GuidToString(filter);
    std::wstring path = CDeviceMoniker::InstanceKeyPath(cat, instanceName);
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    LONG rc = RegSetTextValue(key, L"FriendlyName", name);
    if (rc == ERROR_SUCCESS) rc = RegSetTextValue(key, L"CLSID", GuidToString(filter));
    if (rc == ERROR_SUCCESS) rc = WriteBinary(key, L"FilterData", blob);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return E_FAIL;
    if (moniker) return CDeviceMoniker::Create(cat, instanceName, moniker);
    return S_OK;
}

HRESULT CFilterMapper2::EnumMatchingFilters(IEnumMoniker** enumerator, DWORD, BOOL exactMatch, DWORD merit,
                                            BOOL inputNeeded, DWORD inputTypes, const GUID* inputTypePairs,
                                            const REGPINMEDIUM* mediumIn, const CLSID* pinCategoryIn, BOOL render,
                                            BOOL outputNeeded, DWORD outputTypes, const GUID* outputTypePairs,
                                            const REGPINMEDIUM* mediumOut, const CLSID* pinCategoryOut)
{
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if ((inputTypes && !inputTypePairs) || (outputTypes && !outputTypePairs)) return E_POINTER;
    struct Found {
        DWORD merit;
        std::wstring instance;
    };
    std::vector<Found> found;
    // Registered pins carry no mediums: a query for one finds nothing.
    if (!mediumIn && !mediumOut) {
        std::wstring base = L"CLSID\\" + GuidToString(CLSID_LegacyAmFilterCategory) + L"\\Instance";
        HKEY instances = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, base.c_str(), 0, KEY_READ, &instances) == ERROR_SUCCESS) {
            for (DWORD i = 0;; ++i) {
                wchar_t name[256];
                DWORD chars = 256;
                if (RegEnumKeyExW(instances, i, name, &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
                HKEY key = nullptr;
                if (RegOpenKeyExW(instances, name, 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
                std::vector<BYTE> blob;
                FilterRegistration reg;
                bool ok =
                    ReadBinary(key, L"FilterData", &blob) && SUCCEEDED(ReadFilterData(blob.data(), blob.size(), &reg));
                RegCloseKey(key);
                if (!ok || reg.merit < merit) continue;
                if (!SideFits(reg, false, inputNeeded, exactMatch, inputTypes, inputTypePairs, pinCategoryIn, render))
                    continue;
                if (!SideFits(reg, true, outputNeeded, exactMatch, outputTypes, outputTypePairs, pinCategoryOut, false))
                    continue;
                found.push_back(Found{reg.merit, name});
            }
            RegCloseKey(instances);
        }
    }
    std::stable_sort(found.begin(), found.end(), [](const Found& a, const Found& b) { return a.merit > b.merit; });
    std::vector<ComPtr<IMoniker>> monikers;
    for (const auto& f : found) {
        ComPtr<IMoniker> m;
        if (SUCCEEDED(CDeviceMoniker::Create(CLSID_LegacyAmFilterCategory, f.instance, m.GetAddressOf())))
            monikers.push_back(m);
    }
    *enumerator = new CEnumMonikerList(std::move(monikers));
    return S_OK;
}

HRESULT CFilterMapper2::ParseFilterData(BYTE* data, ULONG bytes, BYTE** regFilter2)
{
    if (!data || !regFilter2) return E_POINTER;
    *regFilter2 = nullptr;
    FilterRegistration reg;
    HRESULT hr = ReadFilterData(data, bytes, &reg);
    if (FAILED(hr)) return hr;
    *regFilter2 = CreateRegFilter2Block(reg);
    return *regFilter2 ? S_OK : E_OUTOFMEMORY;
}

HRESULT CFilterMapper2::CreateFilterData(REGFILTER2* regFilter2, BYTE** data, ULONG* bytes)
{
    if (!regFilter2 || !data || !bytes) return E_POINTER;
    *data = nullptr;
    *bytes = 0;
    FilterRegistration reg;
    HRESULT hr = FilterRegistrationFromRegFilter2(*regFilter2, &reg);
    if (FAILED(hr)) return hr;
    std::string blob;
    hr = WriteFilterData(reg, &blob);
    if (FAILED(hr)) return hr;
    *data = static_cast<BYTE*>(CoTaskMemAlloc(blob.size()));
    if (!*data) return E_OUTOFMEMORY;
    std::memcpy(*data, blob.data(), blob.size());
    *bytes = static_cast<ULONG>(blob.size());
    return S_OK;
}
