#include "platform/com/SystemClasses.h"

#include "platform/com/MultiLanguage.h"

IClassFactory* FindSystemClassFactory(REFCLSID clsid)
{
    static CClassFactory multiLanguage(&CMultiLanguage::CreateInstance);
    if (clsid == CLSID_CMultiLanguage) return &multiLanguage;
    return nullptr;
}
