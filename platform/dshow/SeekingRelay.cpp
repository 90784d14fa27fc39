#include "platform/dshow/SeekingRelay.h"

#include <algorithm>

namespace {

using SeekerList = std::vector<ComPtr<IMediaSeeking>>;

enum class Pick { Smallest, Largest };

// One time out of the answers of every seeker that gives one.
template <class Ask>
HRESULT Gather(const SeekerList& seekers, LONGLONG* out, Pick pick, Ask ask)
{
    if (!out) return E_POINTER;
    bool any = false;
    *out = 0;
    for (const auto& s : seekers) {
        LONGLONG v = 0;
        if (FAILED(ask(s.Get(), &v))) continue;
        if (!any)
            *out = v;
        else
            *out = pick == Pick::Largest ? std::max(*out, v) : std::min(*out, v);
        any = true;
    }
    return any ? S_OK : E_NOTIMPL;
}

// The result so far of a change asked of several seekers, with one more
// seeker's answer: the first success, else the first real failure.
HRESULT Merge(HRESULT result, HRESULT hr)
{
    if (SUCCEEDED(result)) return result;
    if (SUCCEEDED(hr) || result == E_NOTIMPL) return hr;
    return result;
}

}  // namespace

HRESULT CSeekingRelay::GetCapabilities(DWORD* capabilities)
{
    if (!capabilities) return E_POINTER;
    DWORD all = ~0u;
    bool any = false;
    for (const auto& s : Seekers()) {
        DWORD c = 0;
        if (FAILED(s->GetCapabilities(&c))) continue;
        all &= c;
        any = true;
    }
    *capabilities = any ? all : 0;
    return any ? S_OK : E_NOTIMPL;
}

HRESULT CSeekingRelay::GetDuration(LONGLONG* duration)
{
    return Gather(Seekers(), duration, Pick::Largest, [](IMediaSeeking* s, LONGLONG* v) { return s->GetDuration(v); });
}

HRESULT CSeekingRelay::GetStopPosition(LONGLONG* stop)
{
    return Gather(Seekers(), stop, Pick::Largest, [](IMediaSeeking* s, LONGLONG* v) { return s->GetStopPosition(v); });
}

HRESULT CSeekingRelay::GetCurrentPosition(LONGLONG* current)
{
    return Gather(Seekers(), current, Pick::Smallest,
                  [](IMediaSeeking* s, LONGLONG* v) { return s->GetCurrentPosition(v); });
}

HRESULT CSeekingRelay::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    SeekerList seekers = Seekers();
    if (current) {
        HRESULT hr = Gather(seekers, current, Pick::Smallest,
                            [](IMediaSeeking* s, LONGLONG* v) { return s->GetPositions(v, nullptr); });
        if (FAILED(hr)) return hr;
    }
    if (!stop) return S_OK;
    return Gather(seekers, stop, Pick::Largest,
                  [](IMediaSeeking* s, LONGLONG* v) { return s->GetPositions(nullptr, v); });
}

HRESULT CSeekingRelay::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    HRESULT result = E_NOTIMPL;
    bool answered = false;
    for (const auto& s : Seekers()) {
        LONGLONG cur = current ? *current : 0;
        LONGLONG stp = stop ? *stop : 0;
        HRESULT hr = s->SetPositions(current ? &cur : nullptr, currentFlags, stop ? &stp : nullptr, stopFlags);
        if (SUCCEEDED(hr) && !answered) {
            if (current && (currentFlags & AM_SEEKING_ReturnTime)) *current = cur;
            if (stop && (stopFlags & AM_SEEKING_ReturnTime)) *stop = stp;
            answered = true;
        }
        result = Merge(result, hr);
    }
    return result;
}

HRESULT CSeekingRelay::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    for (const auto& s : Seekers())
        if (SUCCEEDED(s->GetAvailable(earliest, latest))) return S_OK;
    return E_NOTIMPL;
}

HRESULT CSeekingRelay::SetRate(double rate)
{
    if (!(rate > 0)) return E_INVALIDARG;
    HRESULT result = E_NOTIMPL;
    for (const auto& s : Seekers()) result = Merge(result, s->SetRate(rate));
    return result;
}

HRESULT CSeekingRelay::GetRate(double* rate)
{
    if (!rate) return E_POINTER;
    for (const auto& s : Seekers())
        if (SUCCEEDED(s->GetRate(rate))) return S_OK;
    *rate = 1.0;
    return S_OK;
}
