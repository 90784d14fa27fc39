#include "platform/com/ComRuntime.h"

#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/com/SystemClasses.h"
#include "platform/win32/Module.h"

namespace {

// A module loaded to serve classes. It holds one load of the module, given
// back when the last user lets go: a call into the module keeps its own
// reference, so the module cannot be unloaded under it.
struct ClassServer {
    HMODULE module = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;

    ClassServer() = default;
    ClassServer(const ClassServer&) = delete;
    ClassServer& operator=(const ClassServer&) = delete;
    ~ClassServer()
    {
        if (module) FreeLibrary(module);
    }
};

// The process-wide state. Never destroyed, so that threads still running at
// exit find it intact. No code of another component runs under its lock:
// factories are called, released and modules loaded or unloaded outside it.
struct Runtime {
    std::mutex lock;
    unsigned initializations = 0;  // over all threads
    std::unordered_map<CLSID, IClassFactory*> factories;
    std::unordered_map<CLSID, std::wstring> classModules;
    std::vector<std::shared_ptr<ClassServer>> servers;
};

Runtime& State()
{
    static Runtime* const runtime = new Runtime;
    return *runtime;
}

// This thread's initialisations and its threading model.
thread_local unsigned t_initializations = 0;
thread_local DWORD t_model = 0;

// The module that serves a class according to the registry store's
// HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32 default value. The store is
// not consulted yet: classes come only from CoRegisterClassModule.
std::wstring LookupClassModuleInRegistry(REFCLSID) { return std::wstring(); }

// The loaded server for a module path, loading it when needed. Null with *hr
// set when the module does not load or serves no classes.
std::shared_ptr<ClassServer> GetClassServer(const std::wstring& path, HRESULT* hr)
{
    HMODULE module = LoadLibraryW(path.c_str());
    if (!module) {
        *hr = CO_E_DLLNOTFOUND;
        return nullptr;
    }
    // Each spelling of the same file loads the same module; one server each.
    auto fresh = std::make_shared<ClassServer>();
    fresh->module = module;
    std::shared_ptr<ClassServer> found;
    {
        Runtime& r = State();
        std::lock_guard<std::mutex> g(r.lock);
        for (const auto& s : r.servers) {
            if (s->module == module) found = s;
        }
    }
    if (found) return found;  // fresh gives its extra load back
    fresh->getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(module, "DllGetClassObject"));
    fresh->canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(GetProcAddress(module, "DllCanUnloadNow"));
    if (!fresh->getClassObject) {
        *hr = CO_E_ERRORINDLL;
        return nullptr;
    }
    Runtime& r = State();
    std::lock_guard<std::mutex> g(r.lock);
    if (r.initializations == 0) {  // the last initialisation ended meanwhile
        *hr = CO_E_NOTINITIALIZED;
        return nullptr;
    }
    for (const auto& s : r.servers) {
        if (s->module == module) return s;  // loaded by another thread meanwhile
    }
    r.servers.push_back(fresh);
    return fresh;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID, DWORD coInit)
{
    constexpr DWORD known = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;
    if (coInit & ~known) return E_INVALIDARG;
    DWORD model = coInit & COINIT_APARTMENTTHREADED;
    if (t_initializations > 0 && model != t_model) return RPC_E_CHANGED_MODE;
    if (t_initializations++ == 0) t_model = model;
    Runtime& r = State();
    {
        std::lock_guard<std::mutex> g(r.lock);
        ++r.initializations;
    }
    return t_initializations == 1 ? S_OK : S_FALSE;
}

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize()
{
    if (t_initializations == 0) return;
    --t_initializations;
    std::unordered_map<CLSID, IClassFactory*> factories;
    std::vector<std::shared_ptr<ClassServer>> servers;
    Runtime& r = State();
    {
        std::lock_guard<std::mutex> g(r.lock);
        if (--r.initializations > 0) return;
        factories.swap(r.factories);
        servers.swap(r.servers);
    }
    // Factories first: a registered factory may live in one of the modules.
    for (auto& [clsid, factory] : factories) factory->Release();
    servers.clear();
}

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, LPVOID, REFIID riid, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    Runtime& r = State();
    IClassFactory* factory = nullptr;
    std::wstring modulePath;
    {
        std::lock_guard<std::mutex> g(r.lock);
        if (r.initializations == 0) return CO_E_NOTINITIALIZED;
        if ((clsContext & CLSCTX_INPROC) == 0) return REGDB_E_CLASSNOTREG;
        if (auto it = r.factories.find(clsid); it != r.factories.end()) {
            factory = it->second;
            factory->AddRef();  // kept alive across a concurrent revoke
        } else if (auto m = r.classModules.find(clsid); m != r.classModules.end()) {
            modulePath = m->second;
        }
    }
    if (factory) {
        HRESULT hr = factory->QueryInterface(riid, object);
        factory->Release();
        return hr;
    }
    if (modulePath.empty()) modulePath = LookupClassModuleInRegistry(clsid);
    if (modulePath.empty()) {
        IClassFactory* system = FindSystemClassFactory(clsid);
        return system ? system->QueryInterface(riid, object) : REGDB_E_CLASSNOTREG;
    }
    HRESULT hr = E_FAIL;
    std::shared_ptr<ClassServer> server = GetClassServer(modulePath, &hr);
    if (!server) return hr;
    return server->getClassObject(clsid, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    void* raw = nullptr;
    HRESULT hr = CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, &raw);
    if (FAILED(hr)) return hr;
    auto* factory = static_cast<IClassFactory*>(raw);
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
}

void CoFreeUnusedLibraries()
{
    Runtime& r = State();
    std::vector<std::shared_ptr<ClassServer>> candidates;
    {
        std::lock_guard<std::mutex> g(r.lock);
        for (const auto& s : r.servers) {
            if (s->canUnloadNow) candidates.push_back(s);
        }
    }
    for (auto& s : candidates) {
        if (s->canUnloadNow() != S_OK) continue;
        std::lock_guard<std::mutex> g(r.lock);
        std::erase(r.servers, s);
    }
    // The last references go here, outside the lock.
}

HRESULT CoRegisterClassFactory(REFCLSID clsid, IClassFactory* factory)
{
    if (!factory) return E_INVALIDARG;
    factory->AddRef();
    HRESULT hr = S_OK;
    {
        Runtime& r = State();
        std::lock_guard<std::mutex> g(r.lock);
        if (r.initializations == 0) {
            hr = CO_E_NOTINITIALIZED;
        } else if (!r.factories.emplace(clsid, factory).second) {
            hr = CO_E_OBJISREG;
        }
    }
    if (FAILED(hr)) factory->Release();
    return hr;
}

HRESULT CoRevokeClassFactory(REFCLSID clsid)
{
    IClassFactory* factory = nullptr;
    {
        Runtime& r = State();
        std::lock_guard<std::mutex> g(r.lock);
        auto it = r.factories.find(clsid);
        if (it == r.factories.end()) return CO_E_OBJNOTREG;
        factory = it->second;
        r.factories.erase(it);
    }
    factory->Release();
    return S_OK;
}

HRESULT CoRegisterClassModule(REFCLSID clsid, LPCWSTR modulePath)
{
    Runtime& r = State();
    std::lock_guard<std::mutex> g(r.lock);
    if (!modulePath || !*modulePath) {
        r.classModules.erase(clsid);
    } else {
        r.classModules[clsid] = modulePath;
    }
    return S_OK;
}

LPVOID CoTaskMemAlloc(SIZE_T size) { return std::malloc(size); }

LPVOID CoTaskMemRealloc(LPVOID block, SIZE_T size)
{
    if (block && size == 0) {
        std::free(block);
        return nullptr;
    }
    return std::realloc(block, size);
}

void CoTaskMemFree(LPVOID block) { std::free(block); }

HMODULE CoLoadLibrary(LPCWSTR libName, BOOL) { return LoadLibraryW(libName); }

void CoFreeLibrary(HMODULE module) { FreeLibrary(module); }
