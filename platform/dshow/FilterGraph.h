// CFilterGraph: the filter graph object (CLSID_FilterGraph). It owns its
// filters, connects their pins, changes their states together, routes
// seeking to the renderers (which pass it up to the sources), queues the
// filters' events for its owner and forwards the video-window interfaces to
// the renderer that has them.
//
// Order of the filters: enumeration gives the most recently added filter
// first. A connect search that tries the filters already in the graph in
// enumeration order therefore meets the filters the owner added last first:
// the treatment filters, added after the writer, take decoded streams
// before the writer can.
//
// State changes go to the filters downstream first (renderers before the
// filters that feed them), so that a renderer is ready before data comes
// and stops taking data before its source stops pushing.
//
// Everything but the event sink and the event queue's waits is meant for
// the owner's thread; the filters' streaming threads only raise events.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/UnknownImpl.h"
#include "platform/dshow/FilterEnumerator.h"
#include "platform/dshow/GraphEvents.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/GraphVideoForward.h"
#include "platform/dshow/SeekingRelay.h"

class CFilterGraph final : public CUnknown,
                           public IGraphBuilder,
                           public IMediaControl,
                           public CSeekingRelay,
                           public IMediaEventEx,
                           public IMediaEventSink,
                           public IMediaFilter,
                           public IGraphConfig,
                           private IFilterInterfaceFinder {
public:
    explicit CFilterGraph(IUnknown* outer);
    ~CFilterGraph() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IDispatch (of IMediaControl and IMediaEventEx): not offered.
    RIVO_IDISPATCH_METHODS(RIVO_OVERRIDE_METHOD)

    // IFilterGraph. Filters join and leave, and pins connect, only while
    // the graph is stopped (VFW_E_NOT_STOPPED otherwise).
    HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) override;
    HRESULT RemoveFilter(IBaseFilter* filter) override;
    HRESULT EnumFilters(IEnumFilters** filters) override;
    HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) override;
    HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) override;
    HRESULT Reconnect(IPin* pin) override;
    HRESULT Disconnect(IPin* pin) override;
    HRESULT SetDefaultSyncSource() override;

    // IGraphBuilder (FilterGraphBuild.cpp).
    HRESULT Connect(IPin* output, IPin* input) override;
    HRESULT Render(IPin* output) override;
    HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) override;
    HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter) override;
    HRESULT SetLogFile(DWORD_PTR file) override;
    HRESULT Abort() override;
    HRESULT ShouldOperationContinue() override;

    // IMediaControl
    HRESULT Run() override;
    HRESULT Pause() override;
    HRESULT Stop() override;
    HRESULT GetState(LONG msTimeout, OAFilterState* state) override;
    HRESULT RenderFile(BSTR file) override;
    HRESULT AddSourceFilter(BSTR file, IDispatch** unknown) override;
    HRESULT get_FilterCollection(IDispatch** unknown) override;
    HRESULT get_RegFilterCollection(IDispatch** unknown) override;
    HRESULT StopWhenReady() override;

    // IMediaSeeking, over the renderers (CSeekingRelay); a change of the
    // positions pauses a running graph around it and starts the count of
    // ended streams afresh.
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;

    // IMediaEventEx
    HRESULT GetEventHandle(OAEVENT* handle) override;
    HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) override;
    HRESULT WaitForCompletion(LONG msTimeout, LONG* code) override;
    HRESULT CancelDefaultHandling(LONG code) override;
    HRESULT RestoreDefaultHandling(LONG code) override;
    HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) override;
    HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) override;
    HRESULT SetNotifyFlags(LONG flags) override;
    HRESULT GetNotifyFlags(LONG* flags) override;

    // IMediaEventSink (the filters, any thread).
    HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) override;

    // IMediaFilter: the graph's clock; the state calls are IMediaControl's.
    HRESULT GetClassID(CLSID* classId) override;
    HRESULT Run(REFERENCE_TIME start) override;
    HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) override;
    HRESULT SetSyncSource(IReferenceClock* clock) override;
    HRESULT GetSyncSource(IReferenceClock** clock) override;

    // IGraphConfig: the filter cache; the rest is not offered.
    HRESULT Reconnect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type, IBaseFilter* usingFilter, HANDLE abortEvent,
                      DWORD flags) override;
    HRESULT Reconfigure(IGraphConfigCallback* callback, PVOID context, DWORD flags, HANDLE abortEvent) override;
    HRESULT AddFilterToCache(IBaseFilter* filter) override;
    HRESULT EnumCacheFilter(IEnumFilters** filters) override;
    HRESULT RemoveFilterFromCache(IBaseFilter* filter) override;
    HRESULT GetStartTime(REFERENCE_TIME* start) override;
    HRESULT PushThroughData(IPin* output, IPinConnection* connection, HANDLE abortEvent) override;
    HRESULT SetFilterFlags(IBaseFilter* filter, DWORD flags) override;
    HRESULT GetFilterFlags(IBaseFilter* filter, DWORD* flags) override;
    HRESULT RemoveFilterEx(IBaseFilter* filter, DWORD flags) override;

private:
    struct Entry {
        ComPtr<IBaseFilter> filter;
        std::wstring name;
    };
    class ListSource final : public IFilterListSource {
    public:
        ListSource(CFilterGraph* graph, bool cache) : graph_(graph), cache_(cache) {}
        int ListVersion() override;
        std::vector<ComPtr<IBaseFilter>> ListFilters() override;

    private:
        CFilterGraph* graph_;
        bool cache_;
    };

    HRESULT FindFilterInterface(REFIID riid, void** object) override;

    bool Contains(IBaseFilter* filter);
    bool PinInGraph(IPin* pin);
    std::vector<IBaseFilter*> FiltersNewestFirst();
    // Downstream first: a filter comes after every filter its outputs feed.
    std::vector<IBaseFilter*> FiltersDownstreamFirst();
    // The renderers that take part in streaming: connected inputs and
    // either the renderer flag or no output pins.
    std::vector<IBaseFilter*> Renderers();
    // The renderers' seeking.
    std::vector<ComPtr<IMediaSeeking>> Seekers() override;
    void ChooseDefaultClock();
    void DistributeClock();
    HRESULT StopFilters();
    HRESULT RemoveFilterLocked(IBaseFilter* filter);

    // Graph building (FilterGraphBuild.cpp).
    struct BuildLog;
    HRESULT RenderPinLocked(IPin* output, BuildLog& log, int depth);
    HRESULT RenderOutputsLocked(IBaseFilter* filter, BuildLog& log, int depth);
    HRESULT ConnectToFilterLocked(IPin* output, IBaseFilter* filter, BuildLog& log);
    HRESULT AddCandidateLocked(const CLSID& clsid, const std::wstring& name, IBaseFilter** filter, BuildLog& log);
    void RollBack(BuildLog& log, size_t connections, size_t filters);

    std::recursive_mutex lock_;
    std::vector<Entry> filters_;  // in the order added
    std::atomic<int> version_{1};
    std::vector<ComPtr<IBaseFilter>> cache_;
    std::atomic<int> cacheVersion_{1};
    ListSource filterList_{this, false};
    ListSource cacheList_{this, true};

    FILTER_STATE state_ = State_Stopped;
    ComPtr<IReferenceClock> clock_;
    bool clockChosen_ = false;        // by the owner, or the default taken once
    REFERENCE_TIME streamStart_ = 0;  // clock time of stream time 0 while running
    REFERENCE_TIME pausedAt_ = 0;     // stream time when the graph paused

    CGraphEvents events_;
    CGraphVideoForward video_;
};
