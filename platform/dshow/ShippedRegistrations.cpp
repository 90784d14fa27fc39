#include "platform/dshow/ShippedRegistrations.h"

#include <mutex>

#include "platform/dshow/DeviceMoniker.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"
#include "platform/win32/RegistryStore.h"

namespace {

std::string TextBytes(const std::wstring& text) { return WideToUtf16LeBytes(text) + std::string(2, '\0'); }

HRESULT FromRc(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(rc)); }

LONG AddText(const std::wstring& keyPath, const wchar_t* name, const std::wstring& text)
{
    RegPath path;
    if (!RegistryStore::SplitPath(keyPath, &path)) return ERROR_INVALID_PARAMETER;
    return RegistryStore::Instance().AddShippedValue(RegRoot::ClassesRoot, path, name, REG_SZ, TextBytes(text));
}

// The file types the program's byte-stream sources read, by their leading
// (or, for transport streams, repeating) bytes.
std::vector<ShippedFileType> ProgramFileTypes()
{
    return {
        {MEDIATYPE_Stream, MEDIASUBTYPE_Avi, {L"0,4,,52494646,8,4,,41564920"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_WAVE, {L"0,4,,52494646,8,4,,57415645"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG1System, {L"0,4,,000001BA,4,1,F1,21"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_PROGRAM, {L"0,4,,000001BA,4,1,C4,44"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_MPEG2_TRANSPORT, {L"0,1,,47,188,1,,47,376,1,,47"}, CLSID_AsyncReader},
        {MEDIATYPE_Stream, MEDIASUBTYPE_Asf, {L"0,16,,3026B2758E66CF11A6D900AA0062CE6C"}, CLSID_AsyncReader},
    };
}

// The filters the program ships. The system filters add their rows here.
std::vector<ShippedFilter> ProgramFilters() { return {}; }

}  // namespace

HRESULT AddShippedFilter(const ShippedFilter& filter)
{
    std::string blob;
    HRESULT hr = WriteFilterData(filter.registration, &blob);
    if (FAILED(hr)) return hr;
    std::wstring clsid = GuidToString(filter.clsid);
    LONG rc = AddText(L"CLSID\\" + clsid, L"", filter.name);
    GUID category = filter.category == GUID_NULL ? CLSID_LegacyAmFilterCategory : filter.category;
    std::wstring instance = CDeviceMoniker::InstanceKeyPath(category, clsid);
    if (rc == ERROR_SUCCESS) rc = AddText(instance, L"FriendlyName", filter.name);
    if (rc == ERROR_SUCCESS) rc = AddText(instance, L"CLSID", clsid);
    if (rc == ERROR_SUCCESS) {
        RegPath path;
        RegistryStore::SplitPath(instance, &path);
        rc = RegistryStore::Instance().AddShippedValue(RegRoot::ClassesRoot, path, L"FilterData", REG_BINARY, blob);
    }
    return FromRc(rc);
}

HRESULT AddShippedFileType(const ShippedFileType& type)
{
    std::wstring key = L"Media Type\\" + GuidToString(type.major) + L"\\" + GuidToString(type.subtype);
    RegPath path;
    if (!RegistryStore::SplitPath(key, &path)) return E_INVALIDARG;
    LONG rc = RegistryStore::Instance().AddShippedKey(RegRoot::ClassesRoot, path);
    for (size_t i = 0; i < type.lines.size() && rc == ERROR_SUCCESS; ++i)
        rc = AddText(key, std::to_wstring(i).c_str(), type.lines[i]);
    if (rc == ERROR_SUCCESS && type.source != GUID_NULL) rc = AddText(key, L"Source Filter", GuidToString(type.source));
    return FromRc(rc);
}

void InstallShippedRegistrations()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const auto& t : ProgramFileTypes()) AddShippedFileType(t);
        for (const auto& f : ProgramFilters()) AddShippedFilter(f);
    });
}
