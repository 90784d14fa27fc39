#include "platform/dshow/PosPassThru.h"

#include "platform/dshow/MediaGuids.h"

CPosPassThru::CPosPassThru(IUnknown* owner, CBasePin* input) : owner_(owner), input_(input) {}

std::vector<ComPtr<IMediaSeeking>> CPosPassThru::Seekers()
{
    std::vector<ComPtr<IMediaSeeking>> out;
    ComPtr<IPin> connected;
    if (FAILED(input_->ConnectedTo(connected.GetAddressOf())) || !connected) return out;
    ComPtr<IMediaSeeking> peer;
    if (SUCCEEDED(connected.As(&peer)) && peer) out.push_back(std::move(peer));
    return out;
}

// ---- CRendererPosPassThru -----------------------------------------------------------------

HRESULT CRendererPosPassThru::GetCurrentPosition(LONGLONG* current)
{
    if (!current) return E_POINTER;
    bool atEnd = false;
    {
        std::lock_guard<std::mutex> g(lock_);
        *current = segmentStart_ + rendered_;
        atEnd = atEnd_;
    }
    if (atEnd) {
        LONGLONG stop = 0;
        if (SUCCEEDED(GetStopPosition(&stop)) && stop >= 0 && stop < MAX_TIME) *current = stop;
    }
    return S_OK;
}

HRESULT CRendererPosPassThru::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    // Its own current position, not the source's start.
    return CMediaTimeSeeking::GetPositions(current, stop);
}

void CRendererPosPassThru::SetSegmentStart(REFERENCE_TIME start)
{
    std::lock_guard<std::mutex> g(lock_);
    segmentStart_ = start;
    rendered_ = 0;
    atEnd_ = false;
}

void CRendererPosPassThru::SetRenderedTime(REFERENCE_TIME streamTime)
{
    std::lock_guard<std::mutex> g(lock_);
    if (streamTime > rendered_) rendered_ = streamTime;
}

void CRendererPosPassThru::SetEndOfStream()
{
    std::lock_guard<std::mutex> g(lock_);
    atEnd_ = true;
}

void CRendererPosPassThru::Reset()
{
    std::lock_guard<std::mutex> g(lock_);
    rendered_ = 0;
    atEnd_ = false;
}
