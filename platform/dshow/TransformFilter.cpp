#include "platform/dshow/TransformFilter.h"

#include "platform/dshow/MediaSample.h"

// ---- CTransformInputPin -------------------------------------------------------------------

CTransformInputPin::CTransformInputPin(CTransformFilter* filter, const wchar_t* name)
    : CBaseInputPin(filter, name), transform_(filter)
{
}

HRESULT CTransformInputPin::CheckMediaType(const CMediaType* type) { return transform_->CheckInputType(type); }

HRESULT CTransformInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBaseInputPin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return transform_->SetMediaType(PINDIR_INPUT, type);
}

HRESULT CTransformInputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = CBaseInputPin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    return transform_->CheckConnect(PINDIR_INPUT, pin);
}

HRESULT CTransformInputPin::BreakConnect()
{
    transform_->BreakConnect(PINDIR_INPUT);
    return CBaseInputPin::BreakConnect();
}

HRESULT CTransformInputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    return transform_->CompleteConnect(PINDIR_INPUT, receivePin);
}

HRESULT CTransformInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return transform_->Receive(sample);
}

HRESULT CTransformInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return SUCCEEDED(hr) ? S_OK : hr;
    return transform_->EndOfStream();
}

HRESULT CTransformInputPin::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    return transform_->BeginFlush();
}

HRESULT CTransformInputPin::EndFlush()
{
    HRESULT hr = transform_->EndFlush();
    CBaseInputPin::EndFlush();
    return hr;
}

HRESULT CTransformInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBaseInputPin::NewSegment(start, stop, rate);
    return transform_->NewSegment(start, stop, rate);
}

// ---- CTransformOutputPin ------------------------------------------------------------------

CTransformOutputPin::CTransformOutputPin(CTransformFilter* filter, const wchar_t* name, CBasePin* input)
    : CBaseOutputPin(filter, name), transform_(filter), seeking_(static_cast<IPin*>(this), input)
{
}

HRESULT CTransformOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(&seeking_), object);
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CTransformOutputPin::CheckMediaType(const CMediaType* type)
{
    CTransformInputPin* input = transform_->Input();
    if (!input->IsConnected()) return E_UNEXPECTED;
    return transform_->CheckTransform(&input->CurrentMediaType(), type);
}

HRESULT CTransformOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (!transform_->Input()->IsConnected()) return VFW_S_NO_MORE_ITEMS;
    return transform_->GetMediaType(position, type);
}

int CTransformOutputPin::TypeVersion()
{
    // The offered types follow the input's connection.
    return transform_->Input()->IsConnected() ? 2 : 1;
}

HRESULT CTransformOutputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBaseOutputPin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return transform_->SetMediaType(PINDIR_OUTPUT, type);
}

HRESULT CTransformOutputPin::CheckConnect(IPin* pin)
{
    if (!transform_->Input()->IsConnected()) return E_UNEXPECTED;
    HRESULT hr = CBaseOutputPin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    return transform_->CheckConnect(PINDIR_OUTPUT, pin);
}

HRESULT CTransformOutputPin::BreakConnect()
{
    transform_->BreakConnect(PINDIR_OUTPUT);
    return CBaseOutputPin::BreakConnect();
}

HRESULT CTransformOutputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBaseOutputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    return transform_->CompleteConnect(PINDIR_OUTPUT, receivePin);
}

HRESULT CTransformOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    return transform_->DecideBufferSize(allocator, props);
}

// ---- CTransformFilter ---------------------------------------------------------------------

CTransformFilter::CTransformFilter(const wchar_t* name, IUnknown* outer, const CLSID& clsid)
    : CBaseFilter(name, outer, clsid),
      input_(std::make_unique<CTransformInputPin>(this, L"In")),
      output_(std::make_unique<CTransformOutputPin>(this, L"Out", input_.get()))
{
}

CTransformFilter::~CTransformFilter() = default;

CBasePin* CTransformFilter::GetPin(int n)
{
    if (n == 0) return input_.get();
    if (n == 1) return output_.get();
    return nullptr;
}

HRESULT CTransformFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (IsStopped()) return S_OK;
    // The input first refuses new samples; then a sample in flight is
    // waited for before the output goes down.
    if (input_->IsConnected()) input_->Inactive();
    std::lock_guard<std::mutex> r(receiveLock_);
    if (output_->IsConnected()) output_->Inactive();
    HRESULT hr = StopStreaming();
    SetState(State_Stopped);
    eosDelivered_ = false;
    return hr;
}

HRESULT CTransformFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    bool fromStopped = IsStopped();
    if (fromStopped) {
        HRESULT hr = StartStreaming();
        if (FAILED(hr)) return hr;
    }
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    // With nothing upstream, whatever is downstream must still see its
    // stream end.
    if (!input_->IsConnected() && output_->IsConnected() && !eosDelivered_) {
        output_->DeliverEndOfStream();
        eosDelivered_ = true;
    }
    return S_OK;
}

HRESULT CTransformFilter::Transform(IMediaSample*, IMediaSample*) { return E_UNEXPECTED; }

HRESULT CTransformFilter::Receive(IMediaSample* sample)
{
    std::lock_guard<std::mutex> r(receiveLock_);
    IMediaSample* out = nullptr;
    HRESULT hr = output_->GetDeliveryBuffer(&out, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    CopySampleProperties(sample, out);
    hr = Transform(sample, out);
    if (hr == S_OK) {
        hr = output_->Deliver(out);
    } else if (hr == S_FALSE) {
        hr = S_OK;  // dropped on purpose
    } else {
        NotifyEvent(EC_ERRORABORT, hr, 0);
        input_->SetRunTimeError();
    }
    out->Release();
    return hr;
}

HRESULT CTransformFilter::EndOfStream()
{
    std::lock_guard<std::mutex> r(receiveLock_);
    return output_->DeliverEndOfStream();
}

HRESULT CTransformFilter::BeginFlush() { return output_->DeliverBeginFlush(); }

HRESULT CTransformFilter::EndFlush() { return output_->DeliverEndFlush(); }

HRESULT CTransformFilter::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    return output_->DeliverNewSegment(start, stop, rate);
}
