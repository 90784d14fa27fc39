// Interfaces of the filter graph, in the published method order: building
// (IFilterGraph, IGraphBuilder), control, seeking, events (and the sink
// through which filters raise them), the video-window and basic-video
// interfaces that the graph forwards to its renderer, the filter cache of
// IGraphConfig and the pin-side IStreamBuilder.
#pragma once

#include "platform/com/ObjectInterfaces.h"
#include "platform/dshow/FilterInterfaces.h"

constexpr IID IID_IFilterGraph{0x56A8689F, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IGraphBuilder{0x56A868A9, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMediaControl{0x56A868B1, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMediaEvent{0x56A868B6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMediaEventEx{0x56A868C0, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMediaEventSink{0x56A868A2, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IVideoWindow{0x56A868B4, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IBasicVideo{0x56A868B5, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IStreamBuilder{0x56A868BF, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMediaSeeking{0x36B73880, 0xC2C8, 0x11CF, {0x8B, 0x46, 0x00, 0x80, 0x5F, 0x6C, 0xEF, 0x60}};
constexpr IID IID_IGraphConfig{0x03A1EB8E, 0x32BF, 0x4245, {0x85, 0x02, 0x11, 0x4D, 0x08, 0xA9, 0xCB, 0x88}};

struct IFilterGraph : IUnknown {
    // VFW_S_DUPLICATE_NAME when the name was taken and a number was added.
    virtual HRESULT AddFilter(IBaseFilter* filter, LPCWSTR name) = 0;
    virtual HRESULT RemoveFilter(IBaseFilter* filter) = 0;
    virtual HRESULT EnumFilters(IEnumFilters** filters) = 0;
    virtual HRESULT FindFilterByName(LPCWSTR name, IBaseFilter** filter) = 0;
    virtual HRESULT ConnectDirect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT Reconnect(IPin* pin) = 0;
    virtual HRESULT Disconnect(IPin* pin) = 0;
    virtual HRESULT SetDefaultSyncSource() = 0;
};

struct IGraphBuilder : IFilterGraph {
    virtual HRESULT Connect(IPin* output, IPin* input) = 0;
    virtual HRESULT Render(IPin* output) = 0;
    virtual HRESULT RenderFile(LPCWSTR file, LPCWSTR playList) = 0;
    virtual HRESULT AddSourceFilter(LPCWSTR file, LPCWSTR filterName, IBaseFilter** filter) = 0;
    virtual HRESULT SetLogFile(DWORD_PTR file) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ShouldOperationContinue() = 0;
};

struct IMediaControl : IDispatch {
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT GetState(LONG msTimeout, OAFilterState* state) = 0;
    virtual HRESULT RenderFile(BSTR file) = 0;
    virtual HRESULT AddSourceFilter(BSTR file, IDispatch** unknown) = 0;
    virtual HRESULT get_FilterCollection(IDispatch** unknown) = 0;
    virtual HRESULT get_RegFilterCollection(IDispatch** unknown) = 0;
    virtual HRESULT StopWhenReady() = 0;
};

struct IMediaEvent : IDispatch {
    virtual HRESULT GetEventHandle(OAEVENT* handle) = 0;
    // E_ABORT when no event came within the time-out.
    virtual HRESULT GetEvent(LONG* code, LONG_PTR* param1, LONG_PTR* param2, LONG msTimeout) = 0;
    virtual HRESULT WaitForCompletion(LONG msTimeout, LONG* code) = 0;
    virtual HRESULT CancelDefaultHandling(LONG code) = 0;
    virtual HRESULT RestoreDefaultHandling(LONG code) = 0;
    virtual HRESULT FreeEventParams(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaEventEx : IMediaEvent {
    virtual HRESULT SetNotifyWindow(OAHWND window, LONG message, LONG_PTR instanceData) = 0;
    virtual HRESULT SetNotifyFlags(LONG flags) = 0;
    virtual HRESULT GetNotifyFlags(LONG* flags) = 0;
};

struct IMediaEventSink : IUnknown {
    virtual HRESULT Notify(LONG code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct IMediaSeeking : IUnknown {
    virtual HRESULT GetCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT CheckCapabilities(DWORD* capabilities) = 0;
    virtual HRESULT IsFormatSupported(const GUID* format) = 0;
    virtual HRESULT QueryPreferredFormat(GUID* format) = 0;
    virtual HRESULT GetTimeFormat(GUID* format) = 0;
    virtual HRESULT IsUsingTimeFormat(const GUID* format) = 0;
    virtual HRESULT SetTimeFormat(const GUID* format) = 0;
    virtual HRESULT GetDuration(LONGLONG* duration) = 0;
    virtual HRESULT GetStopPosition(LONGLONG* stop) = 0;
    virtual HRESULT GetCurrentPosition(LONGLONG* current) = 0;
    virtual HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                      const GUID* sourceFormat) = 0;
    virtual HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) = 0;
    virtual HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
    virtual HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) = 0;
    virtual HRESULT SetRate(double rate) = 0;
    virtual HRESULT GetRate(double* rate) = 0;
    virtual HRESULT GetPreroll(LONGLONG* preroll) = 0;
};

struct IVideoWindow : IDispatch {
    virtual HRESULT put_Caption(BSTR caption) = 0;
    virtual HRESULT get_Caption(BSTR* caption) = 0;
    virtual HRESULT put_WindowStyle(LONG style) = 0;
    virtual HRESULT get_WindowStyle(LONG* style) = 0;
    virtual HRESULT put_WindowStyleEx(LONG style) = 0;
    virtual HRESULT get_WindowStyleEx(LONG* style) = 0;
    virtual HRESULT put_AutoShow(LONG autoShow) = 0;
    virtual HRESULT get_AutoShow(LONG* autoShow) = 0;
    virtual HRESULT put_WindowState(LONG state) = 0;
    virtual HRESULT get_WindowState(LONG* state) = 0;
    virtual HRESULT put_BackgroundPalette(LONG palette) = 0;
    virtual HRESULT get_BackgroundPalette(LONG* palette) = 0;
    virtual HRESULT put_Visible(LONG visible) = 0;
    virtual HRESULT get_Visible(LONG* visible) = 0;
    virtual HRESULT put_Left(LONG left) = 0;
    virtual HRESULT get_Left(LONG* left) = 0;
    virtual HRESULT put_Width(LONG width) = 0;
    virtual HRESULT get_Width(LONG* width) = 0;
    virtual HRESULT put_Top(LONG top) = 0;
    virtual HRESULT get_Top(LONG* top) = 0;
    virtual HRESULT put_Height(LONG height) = 0;
    virtual HRESULT get_Height(LONG* height) = 0;
    virtual HRESULT put_Owner(OAHWND owner) = 0;
    virtual HRESULT get_Owner(OAHWND* owner) = 0;
    virtual HRESULT put_MessageDrain(OAHWND drain) = 0;
    virtual HRESULT get_MessageDrain(OAHWND* drain) = 0;
    virtual HRESULT get_BorderColor(LONG* color) = 0;
    virtual HRESULT put_BorderColor(LONG color) = 0;
    virtual HRESULT get_FullScreenMode(LONG* mode) = 0;
    virtual HRESULT put_FullScreenMode(LONG mode) = 0;
    virtual HRESULT SetWindowForeground(LONG focus) = 0;
    virtual HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam) = 0;
    virtual HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT GetMinIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT HideCursor(LONG hide) = 0;
    virtual HRESULT IsCursorHidden(LONG* hidden) = 0;
};

struct IBasicVideo : IDispatch {
    virtual HRESULT get_AvgTimePerFrame(REFTIME* time) = 0;
    virtual HRESULT get_BitRate(LONG* rate) = 0;
    virtual HRESULT get_BitErrorRate(LONG* rate) = 0;
    virtual HRESULT get_VideoWidth(LONG* width) = 0;
    virtual HRESULT get_VideoHeight(LONG* height) = 0;
    virtual HRESULT put_SourceLeft(LONG value) = 0;
    virtual HRESULT get_SourceLeft(LONG* value) = 0;
    virtual HRESULT put_SourceWidth(LONG value) = 0;
    virtual HRESULT get_SourceWidth(LONG* value) = 0;
    virtual HRESULT put_SourceTop(LONG value) = 0;
    virtual HRESULT get_SourceTop(LONG* value) = 0;
    virtual HRESULT put_SourceHeight(LONG value) = 0;
    virtual HRESULT get_SourceHeight(LONG* value) = 0;
    virtual HRESULT put_DestinationLeft(LONG value) = 0;
    virtual HRESULT get_DestinationLeft(LONG* value) = 0;
    virtual HRESULT put_DestinationWidth(LONG value) = 0;
    virtual HRESULT get_DestinationWidth(LONG* value) = 0;
    virtual HRESULT put_DestinationTop(LONG value) = 0;
    virtual HRESULT get_DestinationTop(LONG* value) = 0;
    virtual HRESULT put_DestinationHeight(LONG value) = 0;
    virtual HRESULT get_DestinationHeight(LONG* value) = 0;
    virtual HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT SetDefaultSourcePosition() = 0;
    virtual HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) = 0;
    virtual HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) = 0;
    virtual HRESULT SetDefaultDestinationPosition() = 0;
    virtual HRESULT GetVideoSize(LONG* width, LONG* height) = 0;
    virtual HRESULT GetVideoPaletteEntries(LONG start, LONG count, LONG* retrieved, LONG* palette) = 0;
    virtual HRESULT GetCurrentImage(LONG* bufferSize, LONG* image) = 0;
    virtual HRESULT IsUsingDefaultSource() = 0;
    virtual HRESULT IsUsingDefaultDestination() = 0;
};

struct IGraphConfigCallback;
struct IPinConnection;

struct IGraphConfig : IUnknown {
    virtual HRESULT Reconnect(IPin* output, IPin* input, const AM_MEDIA_TYPE* type, IBaseFilter* usingFilter,
                              HANDLE abortEvent, DWORD flags) = 0;
    virtual HRESULT Reconfigure(IGraphConfigCallback* callback, PVOID context, DWORD flags, HANDLE abortEvent) = 0;
    // Takes the filter out of the graph (when it is there) into the cache.
    virtual HRESULT AddFilterToCache(IBaseFilter* filter) = 0;
    virtual HRESULT EnumCacheFilter(IEnumFilters** filters) = 0;
    // S_FALSE when the filter is not in the cache.
    virtual HRESULT RemoveFilterFromCache(IBaseFilter* filter) = 0;
    virtual HRESULT GetStartTime(REFERENCE_TIME* start) = 0;
    virtual HRESULT PushThroughData(IPin* output, IPinConnection* connection, HANDLE abortEvent) = 0;
    virtual HRESULT SetFilterFlags(IBaseFilter* filter, DWORD flags) = 0;
    virtual HRESULT GetFilterFlags(IBaseFilter* filter, DWORD* flags) = 0;
    virtual HRESULT RemoveFilterEx(IBaseFilter* filter, DWORD flags) = 0;
};

// Offered by an output pin that renders itself.
struct IStreamBuilder : IUnknown {
    virtual HRESULT Render(IPin* output, IGraphBuilder* graph) = 0;
    virtual HRESULT Backout(IPin* output, IGraphBuilder* graph) = 0;
};

RIVO_INTERFACE_ID(IFilterGraph, IID_IFilterGraph);
RIVO_INTERFACE_ID(IGraphBuilder, IID_IGraphBuilder);
RIVO_INTERFACE_ID(IMediaControl, IID_IMediaControl);
RIVO_INTERFACE_ID(IMediaEvent, IID_IMediaEvent);
RIVO_INTERFACE_ID(IMediaEventEx, IID_IMediaEventEx);
RIVO_INTERFACE_ID(IMediaEventSink, IID_IMediaEventSink);
RIVO_INTERFACE_ID(IMediaSeeking, IID_IMediaSeeking);
RIVO_INTERFACE_ID(IVideoWindow, IID_IVideoWindow);
RIVO_INTERFACE_ID(IBasicVideo, IID_IBasicVideo);
RIVO_INTERFACE_ID(IGraphConfig, IID_IGraphConfig);
RIVO_INTERFACE_ID(IStreamBuilder, IID_IStreamBuilder);
