#include "platform/dshow/BaseRenderer.h"

#include <chrono>

// ---- CRendererInputPin --------------------------------------------------------------------

CRendererInputPin::CRendererInputPin(CBaseRenderer* renderer, const wchar_t* name)
    : CBaseInputPin(renderer, name), renderer_(renderer)
{
}

HRESULT CRendererInputPin::CheckMediaType(const CMediaType* type) { return renderer_->CheckMediaType(type); }

HRESULT CRendererInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CBaseInputPin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    return renderer_->SetMediaType(type);
}

HRESULT CRendererInputPin::BreakConnect()
{
    renderer_->BreakConnect();
    return CBaseInputPin::BreakConnect();
}

HRESULT CRendererInputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (FAILED(hr)) return hr;
    return renderer_->CompleteConnect(receivePin);
}

HRESULT CRendererInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return renderer_->Receive(sample);
}

HRESULT CRendererInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return SUCCEEDED(hr) ? S_OK : hr;
    return renderer_->EndOfStream();
}

HRESULT CRendererInputPin::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    return renderer_->BeginFlush();
}

HRESULT CRendererInputPin::EndFlush()
{
    renderer_->EndFlush();
    return CBaseInputPin::EndFlush();
}

HRESULT CRendererInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBaseInputPin::NewSegment(start, stop, rate);
    return renderer_->NewSegment(start, stop, rate);
}

// ---- CBaseRenderer --------------------------------------------------------------------------

CBaseRenderer::CBaseRenderer(const CLSID& clsid, const wchar_t* name, IUnknown* outer, const wchar_t* pinName)
    : CBaseFilter(name, outer, clsid),
      pin_(std::make_unique<CRendererInputPin>(this, pinName)),
      seeking_(GetOwner(), pin_.get())
{
}

CBaseRenderer::~CBaseRenderer() = default;

HRESULT CBaseRenderer::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAMFilterMiscFlags) return GetInterface(static_cast<IAMFilterMiscFlags*>(this), object);
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(&seeking_), object);
    return CBaseFilter::NonDelegatingQueryInterface(riid, object);
}

CBasePin* CBaseRenderer::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }

void CBaseRenderer::ResetStreamState()
{
    ready_ = false;
    eos_ = false;
    completeSent_ = false;
    flushing_ = false;
    failed_ = false;
}

HRESULT CBaseRenderer::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    HRESULT hr = CBaseFilter::Stop();
    {
        std::lock_guard<std::mutex> r(renderLock_);
        ResetStreamState();
        changed_.notify_all();
    }
    // The position stays where the stream stopped (its end, after one that
    // ran to it) until the stream starts again.
    return hr;
}

HRESULT CBaseRenderer::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    FILTER_STATE old = State();
    if (old == State_Stopped) {
        {
            std::lock_guard<std::mutex> r(renderLock_);
            ResetStreamState();
        }
        seeking_.Reset();
    }
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    {
        std::lock_guard<std::mutex> r(renderLock_);
        // Without an input nothing will come; leaving the running state the
        // stream is already flowing: either way there is nothing to wait for.
        if (!pin_->IsConnected() || old == State_Running) ready_ = true;
        changed_.notify_all();
    }
    return S_OK;
}

HRESULT CBaseRenderer::Run(REFERENCE_TIME start)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    HRESULT hr = CBaseFilter::Run(start);
    if (FAILED(hr)) return hr;
    bool sendComplete = false;
    {
        std::lock_guard<std::mutex> r(renderLock_);
        if ((eos_ || !pin_->IsConnected()) && !completeSent_) {
            completeSent_ = true;
            sendComplete = true;
        }
        changed_.notify_all();
    }
    if (sendComplete) NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

HRESULT CBaseRenderer::GetState(DWORD msTimeout, FILTER_STATE* state)
{
    if (!state) return E_POINTER;
    *state = State();
    if (*state != State_Paused) return S_OK;
    std::unique_lock<std::mutex> r(renderLock_);
    auto done = [&] { return ready_ || eos_ || State() != State_Paused; };
    if (msTimeout == INFINITE) {
        changed_.wait(r, done);
    } else if (!changed_.wait_for(r, std::chrono::milliseconds(msTimeout), done)) {
        return VFW_S_STATE_INTERMEDIATE;
    }
    return S_OK;
}

bool CBaseRenderer::WaitForRenderTime(std::unique_lock<std::mutex>& lock, REFERENCE_TIME start)
{
    for (;;) {
        if (flushing_ || State() != State_Running) return false;
        REFERENCE_TIME now = 0;
        if (FAILED(StreamTime(&now)) || now >= start) return true;
        auto wait = std::chrono::microseconds((start - now) / 10 + 1);
        changed_.wait_for(lock, wait);
    }
}

HRESULT CBaseRenderer::Receive(IMediaSample* sample)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timeResult = sample->GetTime(&start, &stop);
    bool still = false;
    {
        std::lock_guard<std::mutex> r(renderLock_);
        if (failed_) return VFW_E_RUNTIME_ERROR;
        if (eos_) return VFW_E_SAMPLE_REJECTED_EOS;
        if (flushing_) return S_FALSE;
        still = State() == State_Paused && !ready_;
    }
    // A paused renderer shows the first picture of its new position, before
    // it tells that it is ready.
    if (still) OnPausedSample(sample);
    {
        std::unique_lock<std::mutex> r(renderLock_);
        if (State() == State_Paused) {
            ready_ = true;
            changed_.notify_all();
        }
        // Held while paused: Run, Stop or a flush lets it go.
        changed_.wait(r, [&] { return flushing_ || State() != State_Paused; });
        if (flushing_) return S_FALSE;
        if (State() == State_Stopped) return VFW_E_WRONG_STATE;
        if (scheduleByClock_ && SUCCEEDED(timeResult)) {
            while (!WaitForRenderTime(r, start)) {
                if (flushing_) return S_FALSE;
                if (State() == State_Stopped) return VFW_E_WRONG_STATE;
                // Paused meanwhile: hold the sample again.
                changed_.wait(r, [&] { return flushing_ || State() != State_Paused; });
            }
        }
    }
    HRESULT hr = DoRenderSample(sample);
    if (FAILED(hr)) {
        {
            std::lock_guard<std::mutex> r(renderLock_);
            failed_ = true;
        }
        NotifyEvent(EC_ERRORABORT, hr, 0);
        return hr;
    }
    if (SUCCEEDED(timeResult)) seeking_.SetRenderedTime(stop);
    return S_OK;
}

HRESULT CBaseRenderer::EndOfStream()
{
    bool sendComplete = false;
    {
        std::lock_guard<std::mutex> r(renderLock_);
        if (eos_ || flushing_) return S_OK;
        eos_ = true;
        ready_ = true;
        if (State() == State_Running && !completeSent_) {
            completeSent_ = true;
            sendComplete = true;
        }
        changed_.notify_all();
    }
    seeking_.SetEndOfStream();
    OnEndOfStream();
    if (sendComplete) NotifyEvent(EC_COMPLETE, S_OK, 0);
    return S_OK;
}

HRESULT CBaseRenderer::BeginFlush()
{
    {
        std::lock_guard<std::mutex> r(renderLock_);
        flushing_ = true;
        eos_ = false;
        changed_.notify_all();
    }
    OnBeginFlush();
    return S_OK;
}

HRESULT CBaseRenderer::EndFlush()
{
    {
        std::lock_guard<std::mutex> r(renderLock_);
        flushing_ = false;
        eos_ = false;
        completeSent_ = false;
        failed_ = false;
        // Paused, the renderer waits for a sample of the new position.
        ready_ = State() != State_Paused || !pin_->IsConnected();
        changed_.notify_all();
    }
    seeking_.Reset();
    return S_OK;
}

HRESULT CBaseRenderer::NewSegment(REFERENCE_TIME start, REFERENCE_TIME, double)
{
    seeking_.SetSegmentStart(start);
    return S_OK;
}
