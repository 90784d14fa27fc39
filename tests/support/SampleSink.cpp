#include "tests/support/SampleSink.h"

#include <chrono>
#include <thread>

CSampleSink::CSampleSink(IUnknown* outer, bool keepBytes) : CNullRenderer(outer), keepBytes_(keepBytes) {}

ComPtr<IBaseFilter> CSampleSink::Make(CSampleSink** sink, bool keepBytes)
{
    *sink = new CSampleSink(nullptr, keepBytes);
    ComPtr<IBaseFilter> f;
    (*sink)->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(f.GetAddressOf()));
    return f;
}

HRESULT CSampleSink::DoRenderSample(IMediaSample* sample)
{
    if (int ms = renderMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    REFERENCE_TIME start = 0, stop = 0;
    bool timed = SUCCEEDED(sample->GetTime(&start, &stop));
    if (timed) {
        if (samples_.load() == 0) first_ = start;
        lastStart_ = start;
        lastStop_ = stop;
    }
    {
        std::lock_guard<std::mutex> g(lock_);
        starts_.push_back(timed ? start : kUntimed);
    }
    if (keepBytes_) {
        BYTE* data = nullptr;
        LONG length = sample->GetActualDataLength();
        if (SUCCEEDED(sample->GetPointer(&data)) && data && length > 0) {
            std::lock_guard<std::mutex> g(lock_);
            bytes_.append(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
        }
    }
    ++samples_;
    return S_OK;
}

HRESULT CSampleSink::SetMediaType(const CMediaType* type)
{
    std::lock_guard<std::mutex> g(lock_);
    if (type) type_ = *type;
    return S_OK;
}

std::string CSampleSink::Bytes()
{
    std::lock_guard<std::mutex> g(lock_);
    return bytes_;
}

CMediaType CSampleSink::Type()
{
    std::lock_guard<std::mutex> g(lock_);
    return type_;
}

std::vector<REFERENCE_TIME> CSampleSink::Starts()
{
    std::lock_guard<std::mutex> g(lock_);
    return starts_;
}
