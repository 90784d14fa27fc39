#include "platform/dshow/MediaRuntime.h"

#include "platform/com/ComRuntime.h"
#include "platform/com/UnknownImpl.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/FilterMapper.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MemAllocator.h"
#include "platform/dshow/ShippedRegistrations.h"
#include "platform/dshow/SystemClock.h"

HRESULT RegisterMediaRuntime()
{
    static CClassFactory graphFactory(&CFilterGraph::CreateInstance);
    static CClassFactory mapperFactory(&CFilterMapper2::CreateInstance);
    static CClassFactory allocatorFactory(&CMemAllocator::CreateInstance);
    static CClassFactory clockFactory(&CSystemClock::CreateInstance);
    const struct {
        CLSID clsid;
        IClassFactory* factory;
    } classes[] = {
        {CLSID_FilterGraph, &graphFactory},    {CLSID_FilterGraphNoThread, &graphFactory},
        {CLSID_FilterMapper2, &mapperFactory}, {CLSID_MemoryAllocator, &allocatorFactory},
        {CLSID_SystemClock, &clockFactory},
    };
    InstallShippedRegistrations();
    for (const auto& c : classes) {
        HRESULT hr = CoRegisterClassFactory(c.clsid, c.factory);
        if (FAILED(hr) && hr != CO_E_OBJISREG) return hr;
    }
    return S_OK;
}
