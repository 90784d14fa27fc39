// Interfaces of filters and pins, in the published method order: the
// filter (IMediaFilter, IBaseFilter), its pins and their enumerators, the
// reference clock, file source and sink, and the misc-flags query by which
// a filter says it is a renderer.
#pragma once

#include "platform/com/ObjectInterfaces.h"
#include "platform/dshow/DShowTypes.h"
#include "platform/dshow/MediaType.h"

struct IPin;
struct IEnumPins;
struct IEnumMediaTypes;
struct IReferenceClock;

constexpr IID IID_IMediaFilter{0x56A86899, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IBaseFilter{0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IPin{0x56A86891, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IEnumPins{0x56A86892, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IEnumFilters{0x56A86893, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IEnumMediaTypes{0x89C31040, 0x846B, 0x11CE, {0x97, 0xD3, 0x00, 0xAA, 0x00, 0x55, 0x59, 0x5A}};
constexpr IID IID_IReferenceClock{0x56A86897, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IFileSourceFilter{0x56A868A6, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IFileSinkFilter{0xA2104830, 0x7C70, 0x11CF, {0x8B, 0xCE, 0x00, 0xAA, 0x00, 0xA3, 0xF1, 0xA6}};
constexpr IID IID_IAMFilterMiscFlags{0x2DD74950, 0xA890, 0x11D1, {0xAB, 0xE8, 0x00, 0xA0, 0xC9, 0x05, 0xF3, 0x75}};

struct IMediaFilter : IPersist {
    virtual HRESULT Stop() = 0;
    virtual HRESULT Pause() = 0;
    // start: the reference time that stream time 0 maps to.
    virtual HRESULT Run(REFERENCE_TIME start) = 0;
    // S_OK, or VFW_S_STATE_INTERMEDIATE while a state change is not complete.
    virtual HRESULT GetState(DWORD msTimeout, FILTER_STATE* state) = 0;
    virtual HRESULT SetSyncSource(IReferenceClock* clock) = 0;
    virtual HRESULT GetSyncSource(IReferenceClock** clock) = 0;
};

struct IFilterGraph;

struct IBaseFilter : IMediaFilter {
    virtual HRESULT EnumPins(IEnumPins** pins) = 0;
    virtual HRESULT FindPin(LPCWSTR id, IPin** pin) = 0;
    virtual HRESULT QueryFilterInfo(FILTER_INFO* info) = 0;
    // The graph is not counted by the filter; null leaves the graph.
    virtual HRESULT JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) = 0;
    virtual HRESULT QueryVendorInfo(LPWSTR* vendorInfo) = 0;
};

struct IPin : IUnknown {
    // Called on an output pin: connect to receivePin, with the type (which
    // may be partial) or any type both accept.
    virtual HRESULT Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) = 0;
    // Called by the connecting pin on the receiving one.
    virtual HRESULT ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT Disconnect() = 0;
    virtual HRESULT ConnectedTo(IPin** pin) = 0;
    virtual HRESULT ConnectionMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO* info) = 0;
    virtual HRESULT QueryDirection(PIN_DIRECTION* direction) = 0;
    virtual HRESULT QueryId(LPWSTR* id) = 0;
    virtual HRESULT QueryAccept(const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT EnumMediaTypes(IEnumMediaTypes** types) = 0;
    virtual HRESULT QueryInternalConnections(IPin** pins, ULONG* count) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) = 0;
};

struct IEnumPins : IUnknown {
    virtual HRESULT Next(ULONG count, IPin** pins, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumPins** clone) = 0;
};

struct IEnumMediaTypes : IUnknown {
    // Each type is task memory: DeleteMediaType.
    virtual HRESULT Next(ULONG count, AM_MEDIA_TYPE** types, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumMediaTypes** clone) = 0;
};

struct IEnumFilters : IUnknown {
    virtual HRESULT Next(ULONG count, IBaseFilter** filters, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumFilters** clone) = 0;
};

struct IReferenceClock : IUnknown {
    virtual HRESULT GetTime(REFERENCE_TIME* time) = 0;
    virtual HRESULT AdviseTime(REFERENCE_TIME baseTime, REFERENCE_TIME streamTime, HEVENT event, DWORD_PTR* cookie) = 0;
    virtual HRESULT AdvisePeriodic(REFERENCE_TIME startTime, REFERENCE_TIME period, HSEMAPHORE semaphore,
                                   DWORD_PTR* cookie) = 0;
    virtual HRESULT Unadvise(DWORD_PTR cookie) = 0;
};

struct IFileSourceFilter : IUnknown {
    virtual HRESULT Load(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) = 0;
    // The name is task memory.
    virtual HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) = 0;
};

struct IFileSinkFilter : IUnknown {
    virtual HRESULT SetFileName(LPCOLESTR fileName, const AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT GetCurFile(LPOLESTR* fileName, AM_MEDIA_TYPE* type) = 0;
};

struct IAMFilterMiscFlags : IUnknown {
    virtual ULONG GetMiscFlags() = 0;
};

RIVO_INTERFACE_ID(IMediaFilter, IID_IMediaFilter);
RIVO_INTERFACE_ID(IBaseFilter, IID_IBaseFilter);
RIVO_INTERFACE_ID(IPin, IID_IPin);
RIVO_INTERFACE_ID(IEnumPins, IID_IEnumPins);
RIVO_INTERFACE_ID(IEnumMediaTypes, IID_IEnumMediaTypes);
RIVO_INTERFACE_ID(IEnumFilters, IID_IEnumFilters);
RIVO_INTERFACE_ID(IReferenceClock, IID_IReferenceClock);
RIVO_INTERFACE_ID(IFileSourceFilter, IID_IFileSourceFilter);
RIVO_INTERFACE_ID(IFileSinkFilter, IID_IFileSinkFilter);
RIVO_INTERFACE_ID(IAMFilterMiscFlags, IID_IAMFilterMiscFlags);
