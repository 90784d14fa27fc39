// CBaseFilter: the common part of every filter of this runtime. It keeps the
// state (stopped, paused, running), the reference clock and the start time,
// the graph the filter belongs to and its name in it, and answers
// IBaseFilter over the pins that a derived class lists (GetPinCount,
// GetPin). Pins are parts of their filter: they count on it and live as
// long as it does.
//
// The filter lock serialises state changes and connections of the filter
// and its pins. It is not taken on the data path: streaming threads take the
// locks of the classes that move data (renderer, source stream).
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "platform/com/UnknownImpl.h"
#include "platform/dshow/GraphInterfaces.h"

class CBasePin;

class CBaseFilter : public CUnknown, public IBaseFilter {
public:
    CBaseFilter(const wchar_t* name, IUnknown* outer, const CLSID& clsid);
    ~CBaseFilter() override;

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // The pins, numbered from 0; GetPin gives null past the end.
    virtual int GetPinCount() = 0;
    virtual CBasePin* GetPin(int n) = 0;

    // IPersist
    HRESULT GetClassID(CLSID* classId) override;
    // IMediaFilter: the pins that are connected become active on leaving
    // the stopped state and inactive on entering it.
    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;
    // IBaseFilter
    HRESULT EnumPins(IEnumPins** pins) override;
    HRESULT FindPin(LPCWSTR id, IPin** pin) override;
    HRESULT QueryFilterInfo(FILTER_INFO* info) override;
    HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
    HRESULT QueryVendorInfo(LPWSTR* vendorInfo) override;

    // Raises an event in the graph (any thread). For EC_COMPLETE without a
    // second parameter the filter itself is given, so that the graph can
    // tell renderers apart. E_NOTIMPL outside a graph.
    HRESULT NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2);

    FILTER_STATE State() const { return state_.load(std::memory_order_acquire); }
    bool IsStopped() const { return State() == State_Stopped; }
    bool IsActive() const { return State() != State_Stopped; }
    std::recursive_mutex& FilterLock() { return filterLock_; }
    const std::wstring& Name() const { return name_; }
    IFilterGraph* Graph() const { return graph_; }
    // The stream time now: clock time minus the start time. VFW_E_NO_CLOCK
    // without a clock.
    HRESULT StreamTime(REFERENCE_TIME* time);
    REFERENCE_TIME StartTime() const;

    // Changes each time the set of pins changes (enumerators compare it).
    int PinVersion() const { return pinVersion_.load(std::memory_order_acquire); }
    void IncrementPinVersion() { pinVersion_.fetch_add(1, std::memory_order_acq_rel); }

protected:
    void SetState(FILTER_STATE s) { state_.store(s, std::memory_order_release); }

    std::recursive_mutex filterLock_;

private:
    std::atomic<FILTER_STATE> state_{State_Stopped};
    // The clock and start time have a lock of their own: streaming threads
    // read them while a state change holds the filter lock.
    mutable std::mutex clockLock_;
    IReferenceClock* clock_ = nullptr;  // counted
    REFERENCE_TIME start_ = 0;
    IFilterGraph* graph_ = nullptr;                // not counted: the graph owns the filter
    std::atomic<IMediaEventSink*> sink_{nullptr};  // the graph's, not counted
    std::wstring name_;
    CLSID clsid_;
    std::atomic<int> pinVersion_{1};
};
