// CSystemClock: the graph's reference clock, the system's monotonic clock in
// 100-ns units. Renderers that schedule by the clock read it and wait on
// their own; the event-based advise calls are not offered, as this platform
// layer has no event objects for them.
#pragma once

#include "platform/com/UnknownImpl.h"
#include "platform/dshow/FilterInterfaces.h"

class CSystemClock final : public CUnknown, public IReferenceClock {
public:
    explicit CSystemClock(IUnknown* outer);

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT GetTime(REFERENCE_TIME* time) override;
    HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event, DWORD_PTR* cookie) override;
    HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, HSEMAPHORE semaphore,
                           DWORD_PTR* cookie) override;
    HRESULT Unadvise(DWORD_PTR cookie) override;
};
