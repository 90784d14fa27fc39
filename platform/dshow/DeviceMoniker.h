// CDeviceMoniker: names one registered filter by its instance key under a
// category (HKEY_CLASSES_ROOT\CLSID\{category}\Instance\{instance}). Its
// display name is "@device:sw:{category}\{instance}"; binding to storage
// gives the key's property bag, binding to an object makes the filter of
// the bag's "CLSID" value. CEnumMonikerList hands out a list of monikers.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/ObjectInterfaces.h"
#include "platform/com/UnknownImpl.h"
#include "platform/win32/Guid.h"

class CDeviceMoniker final : public CUnknown, public IMoniker {
public:
    CDeviceMoniker(IUnknown* outer, const GUID& category, std::wstring instance);

    static HRESULT Create(const GUID& category, const std::wstring& instance, IMoniker** moniker);
    // The registry path of the instance key, under HKEY_CLASSES_ROOT.
    static std::wstring InstanceKeyPath(const GUID& category, const std::wstring& instance);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT GetClassID(CLSID* classId) override;
    HRESULT IsDirty() override;
    HRESULT Load(IStream* stream) override;
    HRESULT Save(IStream* stream, BOOL clearDirty) override;
    HRESULT GetSizeMax(ULARGE_INTEGER* size) override;
    HRESULT BindToObject(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    HRESULT BindToStorage(IBindCtx* context, IMoniker* left, REFIID riid, void** object) override;
    HRESULT Reduce(IBindCtx* context, DWORD howFar, IMoniker** toLeft, IMoniker** reduced) override;
    HRESULT ComposeWith(IMoniker* right, BOOL onlyIfNotGeneric, IMoniker** composite) override;
    HRESULT Enum(BOOL forward, IEnumMoniker** enumerator) override;
    // S_OK when the other moniker has the same display name (letter case
    // aside), S_FALSE otherwise.
    HRESULT IsEqual(IMoniker* other) override;
    HRESULT Hash(DWORD* hash) override;
    HRESULT IsRunning(IBindCtx* context, IMoniker* left, IMoniker* newlyRunning) override;
    HRESULT GetTimeOfLastChange(IBindCtx* context, IMoniker* left, FILETIME* time) override;
    HRESULT Inverse(IMoniker** inverse) override;
    HRESULT CommonPrefixWith(IMoniker* other, IMoniker** prefix) override;
    HRESULT RelativePathTo(IMoniker* other, IMoniker** relative) override;
    HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR* name) override;
    HRESULT ParseDisplayName(IBindCtx* context, IMoniker* left, LPOLESTR name, ULONG* eaten, IMoniker** out) override;
    HRESULT IsSystemMoniker(DWORD* kind) override;

private:
    std::wstring DisplayName() const;

    GUID category_;
    std::wstring instance_;
};

class CEnumMonikerList final : public IEnumMoniker {
public:
    explicit CEnumMonikerList(std::vector<ComPtr<IMoniker>> monikers, size_t position = 0);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Next(ULONG count, IMoniker** monikers, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumMoniker** clone) override;

private:
    std::atomic<LONG> refs_{1};
    std::vector<ComPtr<IMoniker>> monikers_;
    size_t position_;
};
