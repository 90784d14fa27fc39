// CRegistryPropertyBag: the property bag of a registry key (a filter's
// instance key under its category), as a device moniker hands it out.
// Values read as their registry type says: text (REG_SZ) as VT_BSTR,
// REG_DWORD as VT_I4 (or VT_BOOL when asked), REG_QWORD as VT_I8 and
// REG_BINARY as a VT_UI1 array. Writes go to the user's own keys.
#pragma once

#include <string>

#include "platform/com/ObjectInterfaces.h"
#include "platform/com/UnknownImpl.h"
#include "platform/win32/Registry.h"

class CRegistryPropertyBag final : public CUnknown, public IPropertyBag {
public:
    CRegistryPropertyBag(IUnknown* outer, HKEY root, std::wstring keyPath);

    static HRESULT CreateInstance(HKEY root, const std::wstring& keyPath, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // E_FAIL when the key or value is missing; DISP_E_TYPEMISMATCH when the
    // type asked for is not the stored one.
    HRESULT Read(LPCOLESTR propertyName, VARIANT* value, IErrorLog* log) override;
    // DISP_E_BADVARTYPE for types that have no registry form.
    HRESULT Write(LPCOLESTR propertyName, VARIANT* value) override;

private:
    HKEY root_;
    std::wstring keyPath_;
};
