#include "platform/dshow/FilterGraph.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/PinsOfFilter.h"
#include "platform/dshow/SystemClock.h"
#include "platform/win32/DebugOutput.h"

namespace {

// Stream time 0 is put this far after the moment Run is called, so every
// filter has started before the first sample is due.
constexpr REFERENCE_TIME kRunDelay = 10 * MILLISECONDS;

PIN_DIRECTION DirectionOf(IPin* pin)
{
    PIN_DIRECTION d = PINDIR_INPUT;
    pin->QueryDirection(&d);
    return d;
}

// The filter that owns a pin, without a reference.
IBaseFilter* OwnerOf(IPin* pin)
{
    PIN_INFO info{};
    if (FAILED(pin->QueryPinInfo(&info)) || !info.pFilter) return nullptr;
    IBaseFilter* f = info.pFilter;
    f->Release();  // the graph holds the filter
    return f;
}

}  // namespace

CFilterGraph::CFilterGraph(IUnknown* outer) : CUnknown(outer), video_(GetOwner(), this) {}

CFilterGraph::~CFilterGraph()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    StopFilters();
    while (!filters_.empty()) RemoveFilterLocked(filters_.back().filter.Get());
    cache_.clear();
}

HRESULT CFilterGraph::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CFilterGraph>(outer, riid, object);
}

HRESULT CFilterGraph::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IGraphBuilder || riid == IID_IFilterGraph)
        return GetInterface(static_cast<IGraphBuilder*>(this), object);
    if (riid == IID_IMediaControl || riid == IID_IDispatch)
        return GetInterface(static_cast<IMediaControl*>(this), object);
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
    if (riid == IID_IMediaEventEx || riid == IID_IMediaEvent)
        return GetInterface(static_cast<IMediaEventEx*>(this), object);
    if (riid == IID_IMediaEventSink) return GetInterface(static_cast<IMediaEventSink*>(this), object);
    if (riid == IID_IMediaFilter || riid == IID_IPersist) return GetInterface(static_cast<IMediaFilter*>(this), object);
    if (riid == IID_IGraphConfig) return GetInterface(static_cast<IGraphConfig*>(this), object);
    if (riid == IID_IVideoWindow) return GetInterface(static_cast<IVideoWindow*>(&video_), object);
    if (riid == IID_IBasicVideo) return GetInterface(static_cast<IBasicVideo*>(&video_), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

RIVO_IDISPATCH_NOT_OFFERED(CFilterGraph)

// ---- Filter list ----------------------------------------------------------------------------

int CFilterGraph::ListSource::ListVersion() { return cache_ ? graph_->cacheVersion_.load() : graph_->version_.load(); }

std::vector<ComPtr<IBaseFilter>> CFilterGraph::ListSource::ListFilters()
{
    std::lock_guard<std::recursive_mutex> g(graph_->lock_);
    if (cache_) return graph_->cache_;
    std::vector<ComPtr<IBaseFilter>> out;
    for (auto it = graph_->filters_.rbegin(); it != graph_->filters_.rend(); ++it) out.push_back(it->filter);
    return out;
}

bool CFilterGraph::Contains(IBaseFilter* filter)
{
    for (const auto& e : filters_)
        if (e.filter.Get() == filter) return true;
    return false;
}

bool CFilterGraph::PinInGraph(IPin* pin)
{
    IBaseFilter* owner = OwnerOf(pin);
    return owner && Contains(owner);
}

std::vector<IBaseFilter*> CFilterGraph::FiltersNewestFirst()
{
    std::vector<IBaseFilter*> out;
    for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) out.push_back(it->filter.Get());
    return out;
}

std::vector<IBaseFilter*> CFilterGraph::FiltersDownstreamFirst()
{
    // Each filter with the filters its connected outputs feed.
    std::map<IBaseFilter*, std::vector<IBaseFilter*>> downstream;
    std::vector<IBaseFilter*> all = FiltersNewestFirst();
    for (IBaseFilter* f : all) {
        auto& next = downstream[f];
        for (auto& pin : PinsOfFilter(f)) {
            if (DirectionOf(pin.Get()) != PINDIR_OUTPUT) continue;
            ComPtr<IPin> peer;
            if (FAILED(pin->ConnectedTo(peer.GetAddressOf())) || !peer) continue;
            if (IBaseFilter* owner = OwnerOf(peer.Get())) next.push_back(owner);
        }
    }
    std::vector<IBaseFilter*> order;
    std::set<IBaseFilter*> placed;
    // Repeatedly place the filters whose downstream filters are all placed.
    while (order.size() < all.size()) {
        bool progress = false;
        for (IBaseFilter* f : all) {
            if (placed.count(f)) continue;
            const auto& next = downstream[f];
            bool ready =
                std::all_of(next.begin(), next.end(), [&](IBaseFilter* d) { return placed.count(d) || !Contains(d); });
            if (!ready) continue;
            order.push_back(f);
            placed.insert(f);
            progress = true;
        }
        if (!progress) {  // a cycle cannot be built, but never loop for ever
            for (IBaseFilter* f : all)
                if (!placed.count(f)) order.push_back(f);
            break;
        }
    }
    return order;
}

std::vector<IBaseFilter*> CFilterGraph::Renderers()
{
    std::vector<IBaseFilter*> out;
    for (IBaseFilter* f : FiltersNewestFirst()) {
        bool hasOutput = false, connectedInput = false;
        for (auto& pin : PinsOfFilter(f)) {
            if (DirectionOf(pin.Get()) == PINDIR_OUTPUT) {
                hasOutput = true;
            } else {
                ComPtr<IPin> peer;
                if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer) connectedInput = true;
            }
        }
        bool flagged = false;
        ComPtr<IAMFilterMiscFlags> misc;
        if (SUCCEEDED(ComPtr<IBaseFilter>(f).As(&misc)) && misc)
            flagged = (misc->GetMiscFlags() & AM_FILTER_MISC_FLAGS_IS_RENDERER) != 0;
        if (connectedInput && (flagged || !hasOutput)) out.push_back(f);
    }
    return out;
}

std::vector<ComPtr<IMediaSeeking>> CFilterGraph::Seekers()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    std::vector<ComPtr<IMediaSeeking>> out;
    for (IBaseFilter* f : Renderers()) {
        ComPtr<IMediaSeeking> s;
        if (SUCCEEDED(ComPtr<IBaseFilter>(f).As(&s)) && s) out.push_back(s);
    }
    return out;
}

HRESULT CFilterGraph::FindFilterInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    std::lock_guard<std::recursive_mutex> g(lock_);
    for (IBaseFilter* f : FiltersNewestFirst())
        if (SUCCEEDED(f->QueryInterface(riid, object)) && *object) return S_OK;
    return E_NOINTERFACE;
}

HRESULT CFilterGraph::AddFilter(IBaseFilter* filter, LPCWSTR name)
{
    if (!filter) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    if (Contains(filter)) return E_INVALIDARG;

    std::wstring base = name ? name : L"";
    if (base.empty()) {
        FILTER_INFO info{};
        if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
            base = info.achName;
            if (info.pGraph) info.pGraph->Release();
        }
        if (base.empty()) base = L"Filter";
    }
    if (base.size() > static_cast<size_t>(MAX_FILTER_NAME - 1)) base.resize(MAX_FILTER_NAME - 1);
    auto taken = [&](const std::wstring& n) {
        return std::any_of(filters_.begin(), filters_.end(), [&](const Entry& e) { return e.name == n; });
    };
    std::wstring unique = base;
    HRESULT result = S_OK;
    for (int n = 1; taken(unique); ++n) {
        wchar_t suffix[16];
        std::swprintf(suffix, 16, L" %04d", n);
        std::wstring stem = base.substr(0, static_cast<size_t>(MAX_FILTER_NAME - 1) - std::wcslen(suffix));
        unique = stem + suffix;
        result = VFW_S_DUPLICATE_NAME;
    }

    HRESULT hr = filter->JoinFilterGraph(this, unique.c_str());
    if (FAILED(hr)) return hr;
    if (clock_) filter->SetSyncSource(clock_.Get());
    filters_.push_back(Entry{ComPtr<IBaseFilter>(filter), unique});
    ++version_;
    return result;
}

HRESULT CFilterGraph::RemoveFilterLocked(IBaseFilter* filter)
{
    auto it = std::find_if(filters_.begin(), filters_.end(), [&](const Entry& e) { return e.filter.Get() == filter; });
    if (it == filters_.end()) return VFW_E_NOT_FOUND;
    ComPtr<IBaseFilter> keep = it->filter;
    for (auto& pin : PinsOfFilter(filter)) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer) {
            peer->Disconnect();
            pin->Disconnect();
        }
    }
    filters_.erase(it);
    ++version_;
    filter->SetSyncSource(nullptr);
    filter->JoinFilterGraph(nullptr, nullptr);
    return S_OK;
}

HRESULT CFilterGraph::RemoveFilter(IBaseFilter* filter)
{
    if (!filter) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    return RemoveFilterLocked(filter);
}

HRESULT CFilterGraph::EnumFilters(IEnumFilters** filters)
{
    if (!filters) return E_POINTER;
    *filters = new CEnumFilters(GetOwner(), &filterList_);
    return S_OK;
}

HRESULT CFilterGraph::FindFilterByName(LPCWSTR name, IBaseFilter** filter)
{
    if (!name || !filter) return E_POINTER;
    *filter = nullptr;
    std::lock_guard<std::recursive_mutex> g(lock_);
    for (const auto& e : filters_) {
        if (e.name == name) return e.filter.CopyTo(filter);
    }
    return VFW_E_NOT_FOUND;
}

HRESULT CFilterGraph::ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type)
{
    if (!output || !input) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    if (!PinInGraph(output) || !PinInGraph(input)) return VFW_E_NOT_IN_GRAPH;
    if (DirectionOf(output) != PINDIR_OUTPUT || DirectionOf(input) != PINDIR_INPUT) return VFW_E_INVALID_DIRECTION;
    if (OwnerOf(output) == OwnerOf(input)) return VFW_E_CIRCULAR_GRAPH;
    return output->Connect(input, type);
}

HRESULT CFilterGraph::Reconnect(IPin*) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CFilterGraph::Disconnect(IPin* pin)
{
    if (!pin) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    return pin->Disconnect();
}

HRESULT CFilterGraph::SetDefaultSyncSource()
{
    ComPtr<IReferenceClock> clock;
    HRESULT hr =
        CSystemClock::CreateInstance(nullptr, IID_IReferenceClock, reinterpret_cast<void**>(clock.GetAddressOf()));
    if (FAILED(hr)) return hr;
    return SetSyncSource(clock.Get());
}

HRESULT CFilterGraph::SetLogFile(DWORD_PTR) { return S_OK; }

HRESULT CFilterGraph::Abort() { return S_OK; }

HRESULT CFilterGraph::ShouldOperationContinue() { return S_OK; }

// ---- Clock ----------------------------------------------------------------------------------

void CFilterGraph::DistributeClock()
{
    for (const auto& e : filters_) e.filter->SetSyncSource(clock_.Get());
}

void CFilterGraph::ChooseDefaultClock()
{
    if (clockChosen_) return;
    SetDefaultSyncSource();
}

HRESULT CFilterGraph::GetClassID(CLSID* classId)
{
    if (!classId) return E_POINTER;
    *classId = CLSID_FilterGraph;
    return S_OK;
}

HRESULT CFilterGraph::SetSyncSource(IReferenceClock* clock)
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
    clock_ = clock;
    clockChosen_ = true;
    DistributeClock();
    return S_OK;
}

HRESULT CFilterGraph::GetSyncSource(IReferenceClock** clock)
{
    if (!clock) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    return clock_.CopyTo(clock);
}

// ---- States ---------------------------------------------------------------------------------

HRESULT CFilterGraph::StopFilters()
{
    HRESULT result = S_OK;
    for (IBaseFilter* f : FiltersDownstreamFirst()) {
        HRESULT hr = f->Stop();
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    state_ = State_Stopped;
    pausedAt_ = 0;
    events_.Disarm();
    return result;
}

HRESULT CFilterGraph::Stop()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    return StopFilters();
}

HRESULT CFilterGraph::Pause()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ == State_Paused) return S_OK;
    if (state_ == State_Stopped) {
        ChooseDefaultClock();
        std::set<LONG_PTR> renderers;
        for (IBaseFilter* f : Renderers()) renderers.insert(reinterpret_cast<LONG_PTR>(f));
        events_.Arm(renderers);
    } else if (clock_) {
        REFERENCE_TIME now = 0;
        if (SUCCEEDED(clock_->GetTime(&now))) pausedAt_ = std::max<REFERENCE_TIME>(0, now - streamStart_);
    }
    for (IBaseFilter* f : FiltersDownstreamFirst()) {
        HRESULT hr = f->Pause();
        if (FAILED(hr)) {
            StopFilters();
            return hr;
        }
    }
    state_ = State_Paused;
    // S_FALSE while some filter is not ready yet (a renderer waiting for
    // its first sample).
    for (IBaseFilter* f : FiltersDownstreamFirst()) {
        FILTER_STATE s;
        if (f->GetState(0, &s) == VFW_S_STATE_INTERMEDIATE) return S_FALSE;
    }
    return S_OK;
}

HRESULT CFilterGraph::Run()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ == State_Running) return S_OK;
    if (state_ == State_Stopped) {
        HRESULT hr = Pause();
        if (FAILED(hr)) return hr;
    }
    streamStart_ = 0;
    if (clock_) {
        REFERENCE_TIME now = 0;
        if (SUCCEEDED(clock_->GetTime(&now))) streamStart_ = now - pausedAt_ + kRunDelay;
    }
    for (IBaseFilter* f : FiltersDownstreamFirst()) {
        HRESULT hr = f->Run(streamStart_);
        if (FAILED(hr)) {
            StopFilters();
            return hr;
        }
    }
    state_ = State_Running;
    events_.OnRun();
    return S_OK;
}

HRESULT CFilterGraph::Run(REFERENCE_TIME) { return Run(); }

HRESULT CFilterGraph::GetState(LONG msTimeout, OAFilterState* state)
{
    if (!state) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    *state = state_;
    using Clock = std::chrono::steady_clock;
    bool infinite = msTimeout < 0 || static_cast<DWORD>(msTimeout) == INFINITE;
    auto deadline = Clock::now() + std::chrono::milliseconds(infinite ? 0 : msTimeout);
    HRESULT result = S_OK;
    for (IBaseFilter* f : FiltersDownstreamFirst()) {
        DWORD wait = INFINITE;
        if (!infinite) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            wait = left > 0 ? static_cast<DWORD>(left) : 0;
        }
        FILTER_STATE s;
        HRESULT hr = f->GetState(wait, &s);
        if (hr == VFW_S_STATE_INTERMEDIATE)
            result = VFW_S_STATE_INTERMEDIATE;
        else if (FAILED(hr))
            return hr;
    }
    return result;
}

HRESULT CFilterGraph::GetState(DWORD msTimeout, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    OAFilterState s = 0;
    HRESULT hr = GetState(static_cast<LONG>(msTimeout), &s);
    *state = static_cast<FILTER_STATE>(s);
    return hr;
}

HRESULT CFilterGraph::StopWhenReady()
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ == State_Stopped) return S_OK;
    HRESULT hr = Pause();
    if (FAILED(hr)) return hr;
    // Waits a bounded time for the renderers, then stops in any case.
    OAFilterState s;
    GetState(10000, &s);
    return Stop();
}

HRESULT CFilterGraph::RenderFile(BSTR file) { return RenderFile(file, nullptr); }

HRESULT CFilterGraph::AddSourceFilter(BSTR, IDispatch** unknown)
{
    if (unknown) *unknown = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CFilterGraph::get_FilterCollection(IDispatch** unknown)
{
    if (unknown) *unknown = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CFilterGraph::get_RegFilterCollection(IDispatch** unknown)
{
    if (unknown) *unknown = nullptr;
    return RIVO_NOT_IMPLEMENTED();
}

// ---- Seeking ----------------------------------------------------------------------------------

HRESULT CFilterGraph::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (Seekers().empty()) return E_NOTIMPL;
    bool wasRunning = state_ == State_Running;
    if (wasRunning) Pause();
    HRESULT result = CSeekingRelay::SetPositions(current, currentFlags, stop, stopFlags);
    if (SUCCEEDED(result) && (currentFlags & AM_SEEKING_PositioningBitsMask) != AM_SEEKING_NoPositioning) {
        // The streams start again: their ends are counted afresh and stream
        // time begins again at 0.
        events_.Rearm();
        pausedAt_ = 0;
    }
    if (wasRunning) Run();
    return result;
}

// ---- Events -------------------------------------------------------------------------------------

HRESULT CFilterGraph::GetEventHandle(OAEVENT* handle)
{
    if (handle) *handle = 0;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CFilterGraph::GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout)
{
    return events_.GetEvent(code, param1, param2, msTimeout);
}

HRESULT CFilterGraph::WaitForCompletion(LONG msTimeout, LONG* code)
{
    {
        std::lock_guard<std::recursive_mutex> g(lock_);
        if (state_ != State_Running) {
            if (code) *code = 0;
            return VFW_E_WRONG_STATE;
        }
    }
    return events_.WaitForCompletion(msTimeout, code);
}

HRESULT CFilterGraph::CancelDefaultHandling(LONG code) { return events_.CancelDefaultHandling(code); }

HRESULT CFilterGraph::RestoreDefaultHandling(LONG code) { return events_.RestoreDefaultHandling(code); }

// No event of this runtime carries allocated parameters.
HRESULT CFilterGraph::FreeEventParams(LONG, LONG_PTR, LONG_PTR) { return S_OK; }

HRESULT CFilterGraph::SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData)
{
    return events_.SetNotifyWindow(window, message, instanceData);
}

HRESULT CFilterGraph::SetNotifyFlags(LONG flags) { return events_.SetNotifyFlags(flags); }

HRESULT CFilterGraph::GetNotifyFlags(LONG* flags)
{
    if (!flags) return E_POINTER;
    *flags = events_.GetNotifyFlags();
    return S_OK;
}

HRESULT CFilterGraph::Notify(LONG code, LONG_PTR param1, LONG_PTR param2)
{
    events_.Notify(code, param1, param2);
    return S_OK;
}

// ---- Filter cache -------------------------------------------------------------------------------

HRESULT CFilterGraph::Reconnect(IPin*, IPin*, const AM_MEDIA_TYPE*, IBaseFilter*, HANDLE, DWORD)
{
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CFilterGraph::Reconfigure(IGraphConfigCallback*, PVOID, DWORD, HANDLE) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CFilterGraph::AddFilterToCache(IBaseFilter* filter)
{
    if (!filter) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    for (const auto& c : cache_)
        if (c.Get() == filter) return S_FALSE;
    ComPtr<IBaseFilter> keep(filter);
    if (Contains(filter)) {
        if (state_ != State_Stopped) return VFW_E_NOT_STOPPED;
        RemoveFilterLocked(filter);
    }
    cache_.push_back(keep);
    ++cacheVersion_;
    return S_OK;
}

HRESULT CFilterGraph::EnumCacheFilter(IEnumFilters** filters)
{
    if (!filters) return E_POINTER;
    *filters = new CEnumFilters(GetOwner(), &cacheList_);
    return S_OK;
}

HRESULT CFilterGraph::RemoveFilterFromCache(IBaseFilter* filter)
{
    if (!filter) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    auto it =
        std::find_if(cache_.begin(), cache_.end(), [&](const ComPtr<IBaseFilter>& c) { return c.Get() == filter; });
    if (it == cache_.end()) return S_FALSE;
    cache_.erase(it);  // the cache's reference goes; the caller keeps its own
    ++cacheVersion_;
    return S_OK;
}

HRESULT CFilterGraph::GetStartTime(REFERENCE_TIME* start)
{
    if (!start) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (state_ != State_Running) return VFW_E_WRONG_STATE;
    *start = streamStart_;
    return S_OK;
}

HRESULT CFilterGraph::PushThroughData(IPin*, IPinConnection*, HANDLE) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CFilterGraph::SetFilterFlags(IBaseFilter*, DWORD) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CFilterGraph::GetFilterFlags(IBaseFilter*, DWORD* flags)
{
    if (flags) *flags = 0;
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CFilterGraph::RemoveFilterEx(IBaseFilter* filter, DWORD) { return RemoveFilter(filter); }
