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

// IVideoWindow and IBasicVideo are written once each, as lists of their
// methods (ObjectInterfaces.h): the interfaces below, the classes that
// implement them and the graph's forwarder that hands each call on are all
// spelled from these lists.
#define RIVO_IVIDEOWINDOW_METHODS(X)                                                                          \
    X(put_Caption, (BSTR caption), (caption))                                                                 \
    X(get_Caption, (BSTR * caption), (caption))                                                               \
    X(put_WindowStyle, (LONG style), (style))                                                                 \
    X(get_WindowStyle, (LONG * style), (style))                                                               \
    X(put_WindowStyleEx, (LONG style), (style))                                                               \
    X(get_WindowStyleEx, (LONG * style), (style))                                                             \
    X(put_AutoShow, (LONG autoShow), (autoShow))                                                              \
    X(get_AutoShow, (LONG * autoShow), (autoShow))                                                            \
    X(put_WindowState, (LONG state), (state))                                                                 \
    X(get_WindowState, (LONG * state), (state))                                                               \
    X(put_BackgroundPalette, (LONG palette), (palette))                                                       \
    X(get_BackgroundPalette, (LONG * palette), (palette))                                                     \
    X(put_Visible, (LONG visible), (visible))                                                                 \
    X(get_Visible, (LONG * visible), (visible))                                                               \
    X(put_Left, (LONG left), (left))                                                                          \
    X(get_Left, (LONG * left), (left))                                                                        \
    X(put_Width, (LONG width), (width))                                                                       \
    X(get_Width, (LONG * width), (width))                                                                     \
    X(put_Top, (LONG top), (top))                                                                             \
    X(get_Top, (LONG * top), (top))                                                                           \
    X(put_Height, (LONG height), (height))                                                                    \
    X(get_Height, (LONG * height), (height))                                                                  \
    X(put_Owner, (OAHWND owner), (owner))                                                                     \
    X(get_Owner, (OAHWND * owner), (owner))                                                                   \
    X(put_MessageDrain, (OAHWND drain), (drain))                                                              \
    X(get_MessageDrain, (OAHWND * drain), (drain))                                                            \
    X(get_BorderColor, (LONG * color), (color))                                                               \
    X(put_BorderColor, (LONG color), (color))                                                                 \
    X(get_FullScreenMode, (LONG * mode), (mode))                                                              \
    X(put_FullScreenMode, (LONG mode), (mode))                                                                \
    X(SetWindowForeground, (LONG focus), (focus))                                                             \
    X(NotifyOwnerMessage, (OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam),                    \
      (window, message, wParam, lParam))                                                                      \
    X(SetWindowPosition, (LONG left, LONG top, LONG width, LONG height), (left, top, width, height))          \
    X(GetWindowPosition, (LONG * left, LONG * top, LONG * width, LONG * height), (left, top, width, height))  \
    X(GetMinIdealImageSize, (LONG * width, LONG * height), (width, height))                                   \
    X(GetMaxIdealImageSize, (LONG * width, LONG * height), (width, height))                                   \
    X(GetRestorePosition, (LONG * left, LONG * top, LONG * width, LONG * height), (left, top, width, height)) \
    X(HideCursor, (LONG hide), (hide))                                                                        \
    X(IsCursorHidden, (LONG * hidden), (hidden))

#define RIVO_IBASICVIDEO_METHODS(X)                                                                               \
    X(get_AvgTimePerFrame, (REFTIME * time), (time))                                                              \
    X(get_BitRate, (LONG * rate), (rate))                                                                         \
    X(get_BitErrorRate, (LONG * rate), (rate))                                                                    \
    X(get_VideoWidth, (LONG * width), (width))                                                                    \
    X(get_VideoHeight, (LONG * height), (height))                                                                 \
    X(put_SourceLeft, (LONG value), (value))                                                                      \
    X(get_SourceLeft, (LONG * value), (value))                                                                    \
    X(put_SourceWidth, (LONG value), (value))                                                                     \
    X(get_SourceWidth, (LONG * value), (value))                                                                   \
    X(put_SourceTop, (LONG value), (value))                                                                       \
    X(get_SourceTop, (LONG * value), (value))                                                                     \
    X(put_SourceHeight, (LONG value), (value))                                                                    \
    X(get_SourceHeight, (LONG * value), (value))                                                                  \
    X(put_DestinationLeft, (LONG value), (value))                                                                 \
    X(get_DestinationLeft, (LONG * value), (value))                                                               \
    X(put_DestinationWidth, (LONG value), (value))                                                                \
    X(get_DestinationWidth, (LONG * value), (value))                                                              \
    X(put_DestinationTop, (LONG value), (value))                                                                  \
    X(get_DestinationTop, (LONG * value), (value))                                                                \
    X(put_DestinationHeight, (LONG value), (value))                                                               \
    X(get_DestinationHeight, (LONG * value), (value))                                                             \
    X(SetSourcePosition, (LONG left, LONG top, LONG width, LONG height), (left, top, width, height))              \
    X(GetSourcePosition, (LONG * left, LONG * top, LONG * width, LONG * height), (left, top, width, height))      \
    X(SetDefaultSourcePosition, (), ())                                                                           \
    X(SetDestinationPosition, (LONG left, LONG top, LONG width, LONG height), (left, top, width, height))         \
    X(GetDestinationPosition, (LONG * left, LONG * top, LONG * width, LONG * height), (left, top, width, height)) \
    X(SetDefaultDestinationPosition, (), ())                                                                      \
    X(GetVideoSize, (LONG * width, LONG * height), (width, height))                                               \
    X(GetVideoPaletteEntries, (LONG start, LONG count, LONG * retrieved, LONG * palette),                         \
      (start, count, retrieved, palette))                                                                         \
    X(GetCurrentImage, (LONG * bufferSize, LONG * image), (bufferSize, image))                                    \
    X(IsUsingDefaultSource, (), ())                                                                               \
    X(IsUsingDefaultDestination, (), ())

struct IVideoWindow : IDispatch {
    RIVO_IVIDEOWINDOW_METHODS(RIVO_PURE_METHOD)
};

struct IBasicVideo : IDispatch {
    RIVO_IBASICVIDEO_METHODS(RIVO_PURE_METHOD)
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
