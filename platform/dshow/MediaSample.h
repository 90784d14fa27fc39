// CMediaSample: the runtime's IMediaSample. A sample belongs to an
// allocator (CMemAllocator) and goes back to it when its count reaches 0.
// Its data is a counted payload: the allocator's own buffer, or a payload
// attached for one trip through the graph (IMediaSamplePayload), so that
// data made elsewhere travels without a copy.
#pragma once

#include <atomic>

#include "platform/dshow/MediaPayload.h"
#include "platform/dshow/PayloadPool.h"
#include "platform/dshow/SampleInterfaces.h"

class CMemAllocator;

// {6C1D2E3F-4A5B-4C6D-8E7F-0A1B2C3D4E01}: our own.
constexpr IID IID_IMediaSamplePayload{0x6C1D2E3F, 0x4A5B, 0x4C6D, {0x8E, 0x7F, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x01}};

struct IMediaSamplePayload : IUnknown {
    // Lets the sample carry size bytes at data, which lie inside the payload
    // (a reference is kept until the sample goes back to its allocator); the
    // actual length becomes size. E_INVALIDARG when the range is not inside
    // the payload.
    virtual HRESULT AttachPayload(MediaPayload* payload, BYTE* data, LONG size) = 0;
    // The payload behind the sample's data (a reference for the caller), or
    // null when the sample has no data.
    virtual MediaPayload* GetPayload() = 0;
};
RIVO_INTERFACE_ID(IMediaSamplePayload, IID_IMediaSamplePayload);

class CMediaSample final : public IMediaSample, public IMediaSamplePayload {
public:
    // own: the allocator's buffer for this sample (may be empty), of
    // bufferSize bytes at the alignment, taken from pool (none for a
    // sample without memory of its own).
    CMediaSample(CMemAllocator* allocator, std::shared_ptr<PayloadPool> pool, PayloadRef own, LONG bufferSize,
                 LONG align);
    ~CMediaSample();
    CMediaSample(const CMediaSample&) = delete;
    CMediaSample& operator=(const CMediaSample&) = delete;

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetPointer(BYTE** buffer) override;
    LONG GetSize() override;
    HRESULT GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
    HRESULT IsSyncPoint() override;
    HRESULT SetSyncPoint(BOOL sync) override;
    HRESULT IsPreroll() override;
    HRESULT SetPreroll(BOOL preroll) override;
    LONG GetActualDataLength() override;
    HRESULT SetActualDataLength(LONG length) override;
    HRESULT GetMediaType(AM_MEDIA_TYPE** type) override;
    HRESULT SetMediaType(AM_MEDIA_TYPE* type) override;
    HRESULT IsDiscontinuity() override;
    HRESULT SetDiscontinuity(BOOL discontinuity) override;
    HRESULT GetMediaTime(LONGLONG* start, LONGLONG* stop) override;
    HRESULT SetMediaTime(LONGLONG* start, LONGLONG* stop) override;

    HRESULT AttachPayload(MediaPayload* payload, BYTE* data, LONG size) override;
    MediaPayload* GetPayload() override;

private:
    friend class CMemAllocator;

    // Called by the allocator when the sample comes back: drops what was
    // attached for the trip and clears times, flags and type. Replaces the
    // own buffer when someone still shares it.
    void Recycle();
    void UseOwnBuffer();

    std::atomic<LONG> refs_{0};
    CMemAllocator* allocator_;
    LONG bufferSize_;
    LONG align_;
    std::shared_ptr<PayloadPool> pool_;
    PayloadRef own_;
    PayloadRef current_;  // own_ or an attached payload
    BYTE* data_ = nullptr;
    LONG size_ = 0;
    LONG actual_ = 0;
    REFERENCE_TIME start_ = 0, stop_ = 0;
    LONGLONG mediaStart_ = 0, mediaStop_ = 0;
    bool hasTime_ = false, hasStop_ = false, hasMediaTime_ = false;
    bool sync_ = false, preroll_ = false, discontinuity_ = false;
    AM_MEDIA_TYPE* type_ = nullptr;
};

// Helpers over any IMediaSample.

// Lets out carry the same bytes as in without copying when both are samples
// of this runtime; otherwise copies the bytes (VFW_E_BUFFER_OVERFLOW when
// out is too small). The actual length follows in's.
HRESULT ShareSampleData(IMediaSample* in, IMediaSample* out);
// Lets the sample carry size bytes at data, which lie inside the payload:
// attached without a copy to a sample of this runtime, copied into any
// other sample (VFW_E_BUFFER_OVERFLOW when it has no room for them). The
// actual length becomes size.
HRESULT PutPayload(IMediaSample* sample, MediaPayload* payload, BYTE* data, LONG size);
// Copies times, media times and the sync, preroll and discontinuity flags.
void CopySampleProperties(IMediaSample* in, IMediaSample* out);
