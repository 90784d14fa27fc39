// CTransformFilter: one input, one output; each sample is transformed on the
// thread that delivers it (inside the input pin's Receive) and delivered
// downstream before Receive returns. End of stream, flushing and new
// segments pass straight through; seeking on the output pin passes upstream.
//
// The default Receive takes an output sample, copies the input's times and
// flags and calls Transform. A transform that passes data on unchanged
// shares the input's payload with ShareSampleData instead of copying.
#pragma once

#include <memory>
#include <mutex>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/InputPin.h"
#include "platform/dshow/OutputPin.h"
#include "platform/dshow/PosPassThru.h"

class CTransformFilter;

class CTransformInputPin final : public CBaseInputPin {
public:
    CTransformInputPin(CTransformFilter* filter, const wchar_t* name);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

private:
    CTransformFilter* transform_;
};

class CTransformOutputPin final : public CBaseOutputPin {
public:
    CTransformOutputPin(CTransformFilter* filter, const wchar_t* name, CBasePin* input);

    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;
    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT BreakConnect() override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    int TypeVersion() override;

private:
    CTransformFilter* transform_;
    CPosPassThru seeking_;
};

class CTransformFilter : public CBaseFilter {
public:
    CTransformFilter(const wchar_t* name, IUnknown* outer, const CLSID& clsid);
    ~CTransformFilter() override;

    int GetPinCount() override { return 2; }
    CBasePin* GetPin(int n) override;
    CTransformInputPin* Input() { return input_.get(); }
    CTransformOutputPin* Output() { return output_.get(); }

    HRESULT Stop() override;
    HRESULT Pause() override;

    // What a derived transform decides and does.
    virtual HRESULT CheckInputType(const CMediaType* type) = 0;
    virtual HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) = 0;
    // The output types offered, from position 0 (VFW_S_NO_MORE_ITEMS past
    // the last); only asked while the input is connected.
    virtual HRESULT GetMediaType(int position, CMediaType* type) = 0;
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
    // Fills out from in; S_FALSE drops the sample without an error.
    virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
    // The whole per-sample step (streaming thread). The default: an output
    // sample, properties copied, Transform, Deliver.
    virtual HRESULT Receive(IMediaSample* sample);
    virtual HRESULT SetMediaType(PIN_DIRECTION, const CMediaType*) { return S_OK; }
    virtual HRESULT CheckConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    virtual HRESULT BreakConnect(PIN_DIRECTION) { return S_OK; }
    virtual HRESULT CompleteConnect(PIN_DIRECTION, IPin*) { return S_OK; }
    // Streaming starts (paused from stopped) and ends (stopped).
    virtual HRESULT StartStreaming() { return S_OK; }
    virtual HRESULT StopStreaming() { return S_OK; }

    // Pass-through of the stream events (streaming thread).
    virtual HRESULT EndOfStream();
    virtual HRESULT BeginFlush();
    virtual HRESULT EndFlush();
    virtual HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    // Serialises Receive with the stream events and with stopping.
    std::mutex receiveLock_;

private:
    std::unique_ptr<CTransformInputPin> input_;
    std::unique_ptr<CTransformOutputPin> output_;
    bool eosDelivered_ = false;
};
