// A null renderer for tests that keeps what reaches it: how many samples
// came, the first start and the last start and stop times, the connection's
// type, and, when asked, every byte in the order received; it may render
// slowly. It ends a graph's stream as
// the null renderer does (no clock is waited for). It also keeps every
// sample's start time (kUntimed for a sample without one).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/filters/NullRenderer.h"

class CSampleSink final : public CNullRenderer {
public:
    // keepBytes: whether the samples' bytes are kept.
    CSampleSink(IUnknown* outer, bool keepBytes);

    // A new sink and the filter interface that holds it (the sink lives as
    // long as that reference or the graph holding it).
    static ComPtr<IBaseFilter> Make(CSampleSink** sink, bool keepBytes = false);

    HRESULT DoRenderSample(IMediaSample* sample) override;
    HRESULT SetMediaType(const CMediaType* type) override;

    long Samples() const { return samples_.load(); }
    // Each sample takes this long to render (a slow consumer); set before
    // streaming.
    std::atomic<int> renderMs{0};
    REFERENCE_TIME FirstStart() const { return first_.load(); }
    REFERENCE_TIME LastStart() const { return lastStart_.load(); }
    REFERENCE_TIME LastStop() const { return lastStop_.load(); }
    // Counts from nothing again (the bytes kept stay).
    void ResetCount() { samples_ = 0; }
    // The bytes received so far (when kept).
    std::string Bytes();
    static constexpr REFERENCE_TIME kUntimed = INT64_MIN;
    // The start time of each sample received, in order.
    std::vector<REFERENCE_TIME> Starts();
    CMediaType Type();

private:
    const bool keepBytes_;
    std::atomic<long> samples_{0};
    std::atomic<REFERENCE_TIME> first_{0}, lastStart_{0}, lastStop_{0};
    std::mutex lock_;
    std::string bytes_;
    std::vector<REFERENCE_TIME> starts_;
    CMediaType type_;
};
