#include "FilterModuleLoader.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "encoder/core/CoreEnvironment.h"
#include "platform/com/ComRuntime.h"
#include "platform/win32/CString.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Inet.h"
#include "platform/win32/Locale.h"
#include "platform/win32/Module.h"

namespace {

struct SModuleEntry {
    CString path;
    HMODULE module = nullptr;
    CLSID clsid{};  // the class of the first object made from the module
};

std::vector<SModuleEntry>& ModuleCache()
{
    static std::vector<SModuleEntry> cache;
    return cache;
}

HMODULE FindCachedModule(const wchar_t* path)
{
    for (const SModuleEntry& e : ModuleCache())
        if (CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, e.path, -1, path, -1) == CSTR_EQUAL) return e.module;
    return nullptr;
}

}  // namespace

HRESULT CreateObjectFromModule(const wchar_t* modulePath, REFCLSID clsid, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!modulePath) return E_FAIL;

    HMODULE module = FindCachedModule(modulePath);
    const bool cached = module != nullptr;
    if (!cached) module = CoLoadLibrary(modulePath, TRUE);
    auto getClassObject =
        module ? reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject")) : nullptr;
    if (!getClassObject) {
        if (module && !cached) CoFreeLibrary(module);
        return E_FAIL;
    }

    HRESULT hr = getClassObject(clsid, riid, object);
    if (FAILED(hr)) {
        *object = nullptr;
        IClassFactory* factory = nullptr;
        hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (SUCCEEDED(hr) && factory) {
            hr = factory->CreateInstance(nullptr, riid, object);
            factory->Release();
        } else if (SUCCEEDED(hr)) {
            hr = E_FAIL;
        }
    }
    if (FAILED(hr)) {
        *object = nullptr;
        if (!cached) CoFreeLibrary(module);
        return hr;
    }
    if (!cached) ModuleCache().push_back(SModuleEntry{modulePath, module, clsid});
    return hr;
}

ComPtr<IBaseFilter> CreateFilterFromModule(const wchar_t* moduleFile, REFCLSID clsid, bool runtimeFallback)
{
    ComPtr<IBaseFilter> filter;
    CString path = CCoreEnvironment::Get().ProgramFolder() + moduleFile;
    if (FAILED(CreateObjectFromModule(path, clsid, IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()))))
        filter.Reset();
    if (!filter && runtimeFallback &&
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                                reinterpret_cast<void**>(filter.GetAddressOf()))))
        filter.Reset();
    return filter;
}

void FreeFilterModules()
{
    std::vector<SModuleEntry> entries;
    entries.swap(ModuleCache());
    for (const SModuleEntry& e : entries) CoFreeLibrary(e.module);
}

int IsStreamIdText(const wchar_t* text)
{
    if (!text) return 0;
    std::string narrow = WideToMultiByte(GetACP(), text);
    if (narrow.empty()) return 0;
    for (unsigned char c : narrow)
        if (c < '0' || c > 'z') return 0;
    std::string head = narrow.substr(0, 4);
    long value = std::strtol(head.c_str(), nullptr, 16);
    return value == static_cast<long>(narrow.size()) ? 1 : 0;
}

int IsStreamSchemeUrl(const wchar_t* text)
{
    if (!text) return 0;
    // The address as the ANSI code page holds it.
    std::wstring address = MultiByteToWide(GetACP(), WideToMultiByte(GetACP(), text));
    wchar_t scheme[32] = {};
    URL_COMPONENTSW parts;
    parts.dwStructSize = sizeof parts;
    parts.lpszScheme = scheme;
    parts.dwSchemeLength = 32;
    if (!InternetCrackUrlW(address.c_str(), 0, 0, &parts)) return 0;
    return CompareNoCase(scheme, L"rivos") == 0 ? 1 : 0;
}
