#include "platform/dshow/RegistryPropertyBag.h"

#include <cstring>
#include <vector>

#include "platform/win32/CodePage.h"

CRegistryPropertyBag::CRegistryPropertyBag(IUnknown* outer, HKEY root, std::wstring keyPath)
    : CUnknown(outer), root_(root), keyPath_(std::move(keyPath))
{
}

HRESULT CRegistryPropertyBag::CreateInstance(HKEY root, const std::wstring& keyPath, REFIID riid, void** object)
{
    return CreateComObject<CRegistryPropertyBag>(nullptr, riid, object, root, keyPath);
}

HRESULT CRegistryPropertyBag::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IPropertyBag) return GetInterface(static_cast<IPropertyBag*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CRegistryPropertyBag::Read(LPCOLESTR propertyName, VARIANT* value, IErrorLog*)
{
    if (!propertyName || !value) return E_POINTER;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, keyPath_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return E_FAIL;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(key, propertyName, nullptr, &type, nullptr, &size);
    std::vector<BYTE> bytes(size);
    if (rc == ERROR_SUCCESS && size) rc = RegQueryValueExW(key, propertyName, nullptr, &type, bytes.data(), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return E_FAIL;
    bytes.resize(size);

    VARTYPE wanted = value->vt;
    VARIANT out;
    VariantInit(&out);
    switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        if (wanted != VT_EMPTY && wanted != VT_BSTR) return DISP_E_TYPEMISMATCH;
        std::wstring text = Utf16LeBytesToWide(bytes.data(), bytes.size());
        text = text.substr(0, text.find(L'\0'));
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!out.bstrVal) return E_OUTOFMEMORY;
        break;
    }
    case REG_DWORD: {
        if (bytes.size() != 4) return E_FAIL;
        LONG v = 0;
        std::memcpy(&v, bytes.data(), 4);
        if (wanted == VT_BOOL) {
            out.vt = VT_BOOL;
            out.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
        } else if (wanted == VT_EMPTY || wanted == VT_I4) {
            out.vt = VT_I4;
            out.lVal = v;
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        break;
    }
    case REG_QWORD: {
        if (bytes.size() != 8) return E_FAIL;
        if (wanted != VT_EMPTY && wanted != VT_I8) return DISP_E_TYPEMISMATCH;
        out.vt = VT_I8;
        std::memcpy(&out.llVal, bytes.data(), 8);
        break;
    }
    case REG_BINARY: {
        if (wanted != VT_EMPTY && wanted != (VT_ARRAY | VT_UI1)) return DISP_E_TYPEMISMATCH;
        SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
        if (!array) return E_OUTOFMEMORY;
        if (!bytes.empty()) std::memcpy(array->pvData, bytes.data(), bytes.size());
        out.vt = VT_ARRAY | VT_UI1;
        out.parray = array;
        break;
    }
    default: return DISP_E_TYPEMISMATCH;
    }
    VariantClear(value);
    *value = out;
    return S_OK;
}

HRESULT CRegistryPropertyBag::Write(LPCOLESTR propertyName, VARIANT* value)
{
    if (!propertyName || !value) return E_POINTER;
    DWORD type = 0;
    std::string bytes;
    switch (value->vt) {
    case VT_BSTR: {
        std::wstring text(value->bstrVal ? value->bstrVal : L"", SysStringLen(value->bstrVal));
        bytes = WideToUtf16LeBytes(text) + std::string(2, '\0');
        type = REG_SZ;
        break;
    }
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
        bytes.assign(reinterpret_cast<const char*>(&value->lVal), 4);
        type = REG_DWORD;
        break;
    case VT_BOOL: {
        DWORD v = value->boolVal ? 1 : 0;
        bytes.assign(reinterpret_cast<const char*>(&v), 4);
        type = REG_DWORD;
        break;
    }
    case VT_I8:
    case VT_UI8:
        bytes.assign(reinterpret_cast<const char*>(&value->llVal), 8);
        type = REG_QWORD;
        break;
    case VT_ARRAY | VT_UI1: {
        SAFEARRAY* a = value->parray;
        if (a) bytes.assign(static_cast<const char*>(a->pvData), a->rgsabound[0].cElements);
        type = REG_BINARY;
        break;
    }
    default: return DISP_E_BADVARTYPE;
    }
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return E_FAIL;
    LONG rc = RegSetValueExW(key, propertyName, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? S_OK : E_FAIL;
}
