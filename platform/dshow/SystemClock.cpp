#include "platform/dshow/SystemClock.h"

#include <chrono>

#include "platform/win32/DebugOutput.h"

CSystemClock::CSystemClock(IUnknown* outer) : CUnknown(outer) {}

HRESULT CSystemClock::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CSystemClock>(outer, riid, object);
}

HRESULT CSystemClock::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IReferenceClock) return GetInterface(static_cast<IReferenceClock*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CSystemClock::GetTime(REFERENCE_TIME* time)
{
    if (!time) return E_POINTER;
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    *time = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
    return S_OK;
}

HRESULT CSystemClock::AdviseTime(REFERENCE_TIME, REFERENCE_TIME, HEVENT, DWORD_PTR* cookie)
{
    if (cookie) *cookie = 0;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CSystemClock::AdvisePeriodic(REFERENCE_TIME, REFERENCE_TIME, HSEMAPHORE, DWORD_PTR* cookie)
{
    if (cookie) *cookie = 0;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CSystemClock::Unadvise(DWORD_PTR) { return RIVO_NOT_IMPLEMENTED(); }
