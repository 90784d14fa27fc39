#include "modules/common/ModuleClassTable.h"

HRESULT ModuleGetClassObject(const ModuleClass* classes, size_t count, REFCLSID clsid, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; classes && i < count; ++i)
        if (classes[i].clsid == clsid)
            return CreateComObject<ModuleClassFactory>(nullptr, riid, object, classes[i].create);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ModuleCanUnloadNow() { return ModuleLock::Count() == 0 ? S_OK : S_FALSE; }
