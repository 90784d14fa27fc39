#include "modules/common/ModuleClassFactory.h"

#include <atomic>

namespace {
// LockServer(TRUE) calls not yet undone, so that a stray FALSE cannot take
// away a count that a live object holds.
std::atomic<long> g_serverLocks{0};
}  // namespace

ModuleClassFactory::ModuleClassFactory(IUnknown* outer, Creator creator) : CUnknown(outer), m_creator(creator) {}

HRESULT ModuleClassFactory::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IClassFactory) return GetInterface(static_cast<IClassFactory*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT ModuleClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && riid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    if (!m_creator) return E_UNEXPECTED;
    HRESULT hr = m_creator(outer, riid, object);
    if (FAILED(hr)) *object = nullptr;
    return hr;
}

HRESULT ModuleClassFactory::LockServer(BOOL lock)
{
    if (lock) {
        g_serverLocks.fetch_add(1, std::memory_order_relaxed);
        ModuleLock::Lock();
        return S_OK;
    }
    long held = g_serverLocks.load(std::memory_order_relaxed);
    while (held > 0 && !g_serverLocks.compare_exchange_weak(held, held - 1, std::memory_order_relaxed)) {}
    if (held <= 0) return E_UNEXPECTED;
    ModuleLock::Unlock();
    return S_OK;
}
