// CMemAllocator: a pool of media samples with buffers of their own.
//
// Samples are made at Commit and live until Decommit (or the allocator's
// end, whichever is later for a sample still out). GetBuffer takes a free
// sample, waiting while all are out; a sample comes back when its count
// reaches 0, from whichever thread releases it. Every sample that is out
// holds a reference on the allocator, so the pool outlives its samples.
//
// A buffer size of 0 gives samples without memory of their own: they carry
// only payloads attached to them (IMediaSamplePayload).
#pragma once

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/com/UnknownImpl.h"
#include "platform/dshow/MediaSample.h"

class CMemAllocator final : public CUnknown, public IMemAllocator {
public:
    explicit CMemAllocator(IUnknown* outer);
    ~CMemAllocator() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // At least one buffer; the alignment a power of two (0 counts as 1);
    // no prefix. VFW_E_ALREADY_COMMITTED while committed,
    // VFW_E_BUFFERS_OUTSTANDING while samples of an earlier commit are out.
    HRESULT SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual) override;
    HRESULT GetProperties(ALLOCATOR_PROPERTIES* props) override;
    HRESULT Commit() override;
    HRESULT Decommit() override;
    HRESULT GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags) override;
    HRESULT ReleaseBuffer(IMediaSample* sample) override;

private:
    void FreeIdleSamples(std::unique_lock<std::mutex>& lock);

    std::mutex lock_;
    std::condition_variable freed_;
    ALLOCATOR_PROPERTIES props_{};
    bool propsSet_ = false;
    bool committed_ = false;
    std::shared_ptr<PayloadPool> pool_;  // the samples' blocks
    std::vector<CMediaSample*> free_;    // samples waiting in the pool
    LONG made_ = 0;                      // samples alive, free or out
};
