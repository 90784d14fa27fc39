#include "platform/dshow/PosPassThru.h"

#include "platform/dshow/MediaGuids.h"

CPosPassThru::CPosPassThru(IUnknown* owner, CBasePin* input) : owner_(owner), input_(input) {}

HRESULT CPosPassThru::GetPeer(IMediaSeeking** peer)
{
    *peer = nullptr;
    IPin* connected = nullptr;
    if (FAILED(input_->ConnectedTo(&connected)) || !connected) return E_NOTIMPL;
    HRESULT hr = connected->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(peer));
    connected->Release();
    return SUCCEEDED(hr) ? S_OK : E_NOTIMPL;
}

// Each pass-through call: ask the peer, or answer E_NOTIMPL without one.
#define RIVO_PASS_TO_PEER(call)                \
    IMediaSeeking* peer = nullptr;             \
    HRESULT hr = GetPeer(&peer);               \
    if (FAILED(hr)) return hr;                 \
    hr = peer->call;                           \
    peer->Release();                           \
    return hr

HRESULT CPosPassThru::GetCapabilities(DWORD* capabilities) { RIVO_PASS_TO_PEER(GetCapabilities(capabilities)); }

HRESULT CPosPassThru::CheckCapabilities(DWORD* capabilities)
{
    RIVO_PASS_TO_PEER(CheckCapabilities(capabilities));
}

HRESULT CPosPassThru::IsFormatSupported(const GUID* format)
{
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CPosPassThru::QueryPreferredFormat(GUID* format)
{
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CPosPassThru::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

HRESULT CPosPassThru::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT CPosPassThru::SetTimeFormat(const GUID* format)
{
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CPosPassThru::GetDuration(LONGLONG* duration) { RIVO_PASS_TO_PEER(GetDuration(duration)); }

HRESULT CPosPassThru::GetStopPosition(LONGLONG* stop) { RIVO_PASS_TO_PEER(GetStopPosition(stop)); }

HRESULT CPosPassThru::GetCurrentPosition(LONGLONG* current) { RIVO_PASS_TO_PEER(GetCurrentPosition(current)); }

HRESULT CPosPassThru::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                        const GUID* sourceFormat)
{
    if (!target) return E_POINTER;
    bool toMedia = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
    bool fromMedia = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
    if (!toMedia || !fromMedia) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT CPosPassThru::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    RIVO_PASS_TO_PEER(SetPositions(current, currentFlags, stop, stopFlags));
}

HRESULT CPosPassThru::GetPositions(LONGLONG* current, LONGLONG* stop) { RIVO_PASS_TO_PEER(GetPositions(current, stop)); }

HRESULT CPosPassThru::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    RIVO_PASS_TO_PEER(GetAvailable(earliest, latest));
}

HRESULT CPosPassThru::SetRate(double rate) { RIVO_PASS_TO_PEER(SetRate(rate)); }

HRESULT CPosPassThru::GetRate(double* rate) { RIVO_PASS_TO_PEER(GetRate(rate)); }

HRESULT CPosPassThru::GetPreroll(LONGLONG* preroll) { RIVO_PASS_TO_PEER(GetPreroll(preroll)); }

#undef RIVO_PASS_TO_PEER

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
    if (current) {
        HRESULT hr = GetCurrentPosition(current);
        if (FAILED(hr)) return hr;
    }
    if (stop) return GetStopPosition(stop);
    return S_OK;
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
