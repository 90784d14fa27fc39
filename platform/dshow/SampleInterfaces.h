// Interfaces of the data path, in the published method order: media
// samples, allocators, the receiving side of a push connection, and the
// pull-mode reader that file sources offer to splitters.
#pragma once

#include "platform/dshow/DShowTypes.h"
#include "platform/dshow/MediaType.h"

constexpr IID IID_IMediaSample{0x56A8689A, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMemAllocator{0x56A8689C, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IMemInputPin{0x56A8689D, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};
constexpr IID IID_IAsyncReader{0x56A868AA, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

struct IMediaSample : IUnknown {
    virtual HRESULT GetPointer(BYTE** buffer) = 0;
    virtual LONG GetSize() = 0;
    // VFW_E_SAMPLE_TIME_NOT_SET without times; VFW_S_NO_STOP_TIME with a
    // start alone (stop is then start + 1).
    virtual HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    // Null start clears the times.
    virtual HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
    virtual HRESULT IsSyncPoint() = 0;  // S_OK or S_FALSE
    virtual HRESULT SetSyncPoint(BOOL sync) = 0;
    virtual HRESULT IsPreroll() = 0;
    virtual HRESULT SetPreroll(BOOL preroll) = 0;
    virtual LONG GetActualDataLength() = 0;
    virtual HRESULT SetActualDataLength(LONG length) = 0;
    // S_FALSE and null when the type did not change with this sample;
    // otherwise task memory the caller frees with DeleteMediaType.
    virtual HRESULT GetMediaType(AM_MEDIA_TYPE** type) = 0;
    virtual HRESULT SetMediaType(AM_MEDIA_TYPE* type) = 0;
    virtual HRESULT IsDiscontinuity() = 0;
    virtual HRESULT SetDiscontinuity(BOOL discontinuity) = 0;
    virtual HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) = 0;
    virtual HRESULT SetMediaTime(LONGLONG* start, LONGLONG* stop) = 0;
};

struct IMemAllocator : IUnknown {
    virtual HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) = 0;
    virtual HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT Commit() = 0;
    // Wakes every waiting GetBuffer; buffers go when the last sample is back.
    virtual HRESULT Decommit() = 0;
    // Waits for a free sample unless AM_GBF_NOWAIT; VFW_E_NOT_COMMITTED once
    // decommitted.
    virtual HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags) = 0;
    virtual HRESULT ReleaseBuffer(IMediaSample* sample) = 0;
};

struct IMemInputPin : IUnknown {
    virtual HRESULT GetAllocator(IMemAllocator** allocator) = 0;
    virtual HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) = 0;
    virtual HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) = 0;
    virtual HRESULT ReceiveCanBlock() = 0;
};

struct IAsyncReader : IUnknown {
    virtual HRESULT RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props, IMemAllocator** actual) = 0;
    // Queues a read of the sample's byte range (its times, in bytes x UNITS).
    virtual HRESULT Request(IMediaSample* sample, DWORD_PTR user) = 0;
    virtual HRESULT WaitForNext(DWORD msTimeout, IMediaSample** sample, DWORD_PTR* user) = 0;
    virtual HRESULT SyncReadAligned(IMediaSample* sample) = 0;
    virtual HRESULT SyncRead(LONGLONG position, LONG length, BYTE* buffer) = 0;
    virtual HRESULT Length(LONGLONG* total, LONGLONG* available) = 0;
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;
};

RIVO_INTERFACE_ID(IMediaSample, IID_IMediaSample);
RIVO_INTERFACE_ID(IMemAllocator, IID_IMemAllocator);
RIVO_INTERFACE_ID(IMemInputPin, IID_IMemInputPin);
RIVO_INTERFACE_ID(IAsyncReader, IID_IAsyncReader);
