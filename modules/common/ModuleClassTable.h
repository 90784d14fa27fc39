// What a filter module needs to serve its classes: it lists them once,
//
//     const ModuleClass kClasses[] = {
//         {CLSID_HalvaneAudioFilter, CreateModuleObject<CAudioFilter>},
//     };
//     RIVO_MODULE_EXPORTS(kClasses)
//
// and exports DllGetClassObject (a class factory for a listed class) and
// DllCanUnloadNow (S_OK once no object, factory or server lock of the module
// is alive). Objects made by CreateModuleObject hold the module's count
// for their whole life. Modules are built with hidden symbols, so these two
// functions are their only exports (see rivo_add_filter_module).
#pragma once

#include <cstddef>
#include <iterator>

#include "modules/common/ModuleClassFactory.h"
#include "modules/common/ModuleLock.h"
#include "platform/com/UnknownImpl.h"

struct ModuleClass {
    CLSID clsid;
    ModuleClassFactory::Creator create;
};

// An object of class T (derived from CUnknown and constructed with its
// outer object) that holds the module's count from before its construction
// to after its destruction.
template <class T>
class ModuleObject final : private ModuleLock, public T {
public:
    using T::T;
};

// The creator of a class for the table.
template <class T>
HRESULT CreateModuleObject(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<ModuleObject<T>>(outer, riid, object);
}

// E_POINTER for a null out pointer; CLASS_E_CLASSNOTAVAILABLE for a class
// not in the table; else the new factory asked for riid (E_NOINTERFACE for
// anything but IUnknown and IClassFactory).
HRESULT ModuleGetClassObject(const ModuleClass* classes, size_t count, REFCLSID clsid, REFIID riid, void** object);
// S_OK when the module's count is zero, else S_FALSE.
HRESULT ModuleCanUnloadNow();

#define RIVO_MODULE_EXPORTS(classes)                                                                         \
    extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, \
                                                                                void** object)               \
    {                                                                                                        \
        return ModuleGetClassObject(classes, std::size(classes), clsid, riid, object);                       \
    }                                                                                                        \
    extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return ModuleCanUnloadNow(); }
