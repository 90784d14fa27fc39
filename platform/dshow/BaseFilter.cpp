#include "platform/dshow/BaseFilter.h"

#include <algorithm>
#include <cwchar>

#include "platform/com/ComRuntime.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/PinEnumerators.h"
#include "platform/win32/DebugOutput.h"

CBaseFilter::CBaseFilter(const wchar_t* name, IUnknown* outer, const CLSID& clsid)
    : CUnknown(outer), name_(name ? name : L""), clsid_(clsid)
{
}

CBaseFilter::~CBaseFilter()
{
    if (clock_) clock_->Release();
}

HRESULT CBaseFilter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IBaseFilter || riid == IID_IMediaFilter || riid == IID_IPersist)
        return GetInterface(static_cast<IBaseFilter*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CBaseFilter::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = clsid_;
    return S_OK;
}

HRESULT CBaseFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    HRESULT result = S_OK;
    if (IsActive()) {
        // Inactive first: it releases threads blocked on the data path
        // before the state says stopped.
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Inactive();
                if (FAILED(hr) && SUCCEEDED(result)) result = hr;
            }
        }
    }
    SetState(State_Stopped);
    return result;
}

HRESULT CBaseFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (IsStopped()) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Active();
                if (FAILED(hr)) return hr;
            }
        }
    }
    SetState(State_Paused);
    return S_OK;
}

HRESULT CBaseFilter::Run(REFERENCE_TIME start)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    {
        std::lock_guard<std::mutex> c(clockLock_);
        start_ = start;
    }
    if (IsStopped()) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    if (State() != State_Running) {
        for (int i = 0; i < GetPinCount(); ++i) {
            CBasePin* pin = GetPin(i);
            if (pin && pin->IsConnected()) {
                HRESULT hr = pin->Run(start);
                if (FAILED(hr)) return hr;
            }
        }
    }
    SetState(State_Running);
    return S_OK;
}

HRESULT CBaseFilter::GetState(DWORD, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    *state = State();
    return S_OK;
}

HRESULT CBaseFilter::SetSyncSource(IReferenceClock* clock)
{
    if (clock) clock->AddRef();
    IReferenceClock* old = nullptr;
    {
        std::lock_guard<std::mutex> c(clockLock_);
        old = clock_;
        clock_ = clock;
    }
    if (old) old->Release();
    return S_OK;
}

REFERENCE_TIME CBaseFilter::StartTime() const
{
    std::lock_guard<std::mutex> c(clockLock_);
    return start_;
}

HRESULT CBaseFilter::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    std::lock_guard<std::mutex> c(clockLock_);
    *clock = clock_;
    if (clock_) clock_->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::StreamTime(REFERENCE_TIME* time)
{
    if (!time) return E_POINTER;
    IReferenceClock* clock = nullptr;
    REFERENCE_TIME start = 0;
    {
        std::lock_guard<std::mutex> c(clockLock_);
        clock = clock_;
        if (!clock) return VFW_E_NO_CLOCK;
        clock->AddRef();
        start = start_;
    }
    REFERENCE_TIME now = 0;
    HRESULT hr = clock->GetTime(&now);
    clock->Release();
    if (FAILED(hr)) return hr;
    *time = now - start;
    return S_OK;
}

HRESULT CBaseFilter::EnumPins(IEnumPins** pins)
{
    if (!pins) return E_POINTER;
    *pins = new CEnumPins(this);
    return S_OK;
}

HRESULT CBaseFilter::FindPin(LPCWSTR id, IPin** pin)
{
    if (!id || !pin) return E_POINTER;
    *pin = nullptr;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    for (int i = 0; i < GetPinCount(); ++i) {
        CBasePin* p = GetPin(i);
        if (p && p->Name() == id) {
            p->AddRef();
            *pin = p;
            return S_OK;
        }
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CBaseFilter::QueryFilterInfo(FILTER_INFO* info)
{
    if (!info) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    size_t n = std::min(name_.size(), static_cast<size_t>(MAX_FILTER_NAME - 1));
    std::wmemcpy(info->achName, name_.data(), n);
    info->achName[n] = 0;
    info->pGraph = graph_;
    if (graph_) graph_->AddRef();
    return S_OK;
}

HRESULT CBaseFilter::JoinFilterGraph(IFilterGraph* graph, LPCWSTR name)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    graph_ = graph;
    IMediaEventSink* sink = nullptr;
    if (graph && SUCCEEDED(graph->QueryInterface(IID_IMediaEventSink, reinterpret_cast<void**>(&sink)))) {
        // The graph owns the filter: holding its sink counted would keep
        // both alive for ever.
        sink->Release();
    }
    sink_.store(sink, std::memory_order_release);
    if (graph) {
        name_ = name ? name : L"";
    }
    return S_OK;
}

HRESULT CBaseFilter::QueryVendorInfo(LPWSTR* vendorInfo)
{
    if (vendorInfo) *vendorInfo = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CBaseFilter::NotifyEvent(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    IMediaEventSink* sink = sink_.load(std::memory_order_acquire);
    if (!sink) return E_NOTIMPL;
    if (code == EC_COMPLETE && param2 == 0) param2 = reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(this));
    return sink->Notify(code, param1, param2);
}
