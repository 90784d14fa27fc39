#include "platform/dshow/DeviceMoniker.h"

#include <cstring>

#include "platform/com/ComRuntime.h"
#include "platform/com/TaskMemoryText.h"
#include "platform/dshow/FilterInterfaces.h"
#include "platform/dshow/MapperInterfaces.h"
#include "platform/dshow/RegistryPropertyBag.h"
#include "platform/win32/CString.h"
#include "platform/win32/DebugOutput.h"

namespace {

constexpr wchar_t kDisplayPrefix[] = L"@device:sw:";

}  // namespace

CDeviceMoniker::CDeviceMoniker(IUnknown* outer, const GUID& category, std::wstring instance)
    : CUnknown(outer), category_(category), instance_(std::move(instance))
{
}

HRESULT CDeviceMoniker::Create(const GUID& category, const std::wstring& instance, IMoniker** moniker)
{
    return CreateComObject<CDeviceMoniker>(nullptr, IID_IMoniker, reinterpret_cast<void**>(moniker), category,
                                           instance);
}

std::wstring CDeviceMoniker::InstanceKeyPath(const GUID& category, const std::wstring& instance)
{
    return L"CLSID\\" + GuidToString(category) + L"\\Instance\\" + instance;
}

HRESULT CDeviceMoniker::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMoniker || riid == IID_IPersistStream || riid == IID_IPersist)
        return GetInterface(static_cast<IMoniker*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

std::wstring CDeviceMoniker::DisplayName() const
{
    return kDisplayPrefix + GuidToString(category_) + L"\\" + instance_;
}

HRESULT CDeviceMoniker::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = CLSID_CDeviceMoniker;
    return S_OK;
}

HRESULT CDeviceMoniker::IsDirty() { return S_FALSE; }

HRESULT CDeviceMoniker::Load(IStream*) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::Save(IStream*, BOOL) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::GetSizeMax(ULARGE_INTEGER*) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::BindToObject(IBindCtx*, IMoniker*, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    ComPtr<IPropertyBag> bag;
    HRESULT hr = BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(bag.GetAddressOf()));
    if (FAILED(hr)) return hr;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    hr = bag->Read(L"CLSID", &v, nullptr);
    if (FAILED(hr)) return MK_E_UNAVAILABLE;
    CLSID clsid{};
    hr = CLSIDFromString(v.bstrVal, &clsid);
    VariantClear(&v);
    if (FAILED(hr)) return MK_E_UNAVAILABLE;
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

HRESULT CDeviceMoniker::BindToStorage(IBindCtx*, IMoniker*, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (riid != IID_IPropertyBag) return MK_E_NOSTORAGE;
    std::wstring path = InstanceKeyPath(category_, instance_);
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return MK_E_NOSTORAGE;
    RegCloseKey(key);
    return CRegistryPropertyBag::CreateInstance(HKEY_CLASSES_ROOT, path, riid, object);
}

HRESULT CDeviceMoniker::Reduce(IBindCtx*, DWORD, IMoniker**, IMoniker**) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::ComposeWith(IMoniker*, BOOL, IMoniker**) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::Enum(BOOL, IEnumMoniker** enumerator)
{
    if (enumerator) *enumerator = nullptr;
    return S_OK;  // no parts
}

HRESULT CDeviceMoniker::IsEqual(IMoniker* other)
{
    if (!other) return E_INVALIDARG;
    LPOLESTR name = nullptr;
    if (FAILED(other->GetDisplayName(nullptr, nullptr, &name)) || !name) return S_FALSE;
    bool same = CompareNoCase(DisplayName(), name) == 0;
    CoTaskMemFree(name);
    return same ? S_OK : S_FALSE;
}

HRESULT CDeviceMoniker::Hash(DWORD* hash)
{
    if (!hash) return E_POINTER;
    DWORD h = 2166136261u;
    for (wchar_t c : DisplayName()) h = (h ^ static_cast<DWORD>(ToUpperChar(c))) * 16777619u;
    *hash = h;
    return S_OK;
}

HRESULT CDeviceMoniker::IsRunning(IBindCtx*, IMoniker*, IMoniker*) { return S_FALSE; }

HRESULT CDeviceMoniker::GetTimeOfLastChange(IBindCtx*, IMoniker*, FILETIME*) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::Inverse(IMoniker**) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::CommonPrefixWith(IMoniker*, IMoniker**) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::RelativePathTo(IMoniker*, IMoniker**) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CDeviceMoniker::GetDisplayName(IBindCtx*, IMoniker*, LPOLESTR* name)
{
    if (!name) return E_POINTER;
    return CopyTextToTaskMemory(DisplayName(), name);
}

HRESULT CDeviceMoniker::ParseDisplayName(IBindCtx*, IMoniker*, LPOLESTR, ULONG* eaten, IMoniker** out)
{
    if (eaten) *eaten = 0;
    if (out) *out = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CDeviceMoniker::IsSystemMoniker(DWORD* kind)
{
    if (kind) *kind = 0;  // not one of the system's kinds
    return S_FALSE;
}

// ---- CEnumMonikerList ---------------------------------------------------------------------

CEnumMonikerList::CEnumMonikerList(std::vector<ComPtr<IMoniker>> monikers, size_t position)
    : monikers_(std::move(monikers)), position_(position)
{
}

HRESULT CEnumMonikerList::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IEnumMoniker) {
        *object = static_cast<IEnumMoniker*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CEnumMonikerList::AddRef() { return static_cast<ULONG>(++refs_); }

ULONG CEnumMonikerList::Release()
{
    LONG left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT CEnumMonikerList::Next(ULONG count, IMoniker** monikers, ULONG* fetched)
{
    if (!monikers) return E_POINTER;
    if (count > 1 && !fetched) return E_INVALIDARG;
    ULONG got = 0;
    while (got < count && position_ < monikers_.size()) monikers_[position_++].CopyTo(&monikers[got++]);
    if (fetched) *fetched = got;
    return got == count ? S_OK : S_FALSE;
}

HRESULT CEnumMonikerList::Skip(ULONG count)
{
    if (count > monikers_.size() - position_) {
        position_ = monikers_.size();
        return S_FALSE;
    }
    position_ += count;
    return S_OK;
}

HRESULT CEnumMonikerList::Reset()
{
    position_ = 0;
    return S_OK;
}

HRESULT CEnumMonikerList::Clone(IEnumMoniker** clone)
{
    if (!clone) return E_POINTER;
    *clone = new CEnumMonikerList(monikers_, position_);
    return S_OK;
}
