#include "platform/dshow/StreamSeeking.h"

HRESULT CStreamSeeking::GetCapabilities(DWORD* capabilities)
{
    if (!capabilities) return E_POINTER;
    *capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanSeekForwards | AM_SEEKING_CanSeekBackwards |
                    AM_SEEKING_CanGetStopPos | AM_SEEKING_CanGetDuration;
    return S_OK;
}

HRESULT CStreamSeeking::GetDuration(LONGLONG* duration)
{
    if (!duration) return E_POINTER;
    *duration = Positions().Duration();
    return S_OK;
}

HRESULT CStreamSeeking::GetStopPosition(LONGLONG* stop)
{
    if (!stop) return E_POINTER;
    *stop = Positions().Stop();
    return S_OK;
}

HRESULT CStreamSeeking::GetCurrentPosition(LONGLONG*) { return E_NOTIMPL; }

HRESULT CStreamSeeking::SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags)
{
    SeekChange change;
    HRESULT hr = Positions().Resolve(current, currentFlags, stop, stopFlags, &change);
    if (FAILED(hr)) return hr;
    hr = Reposition(change);
    if (FAILED(hr)) return hr;
    if ((currentFlags & AM_SEEKING_ReturnTime) && current) *current = change.start;
    if ((stopFlags & AM_SEEKING_ReturnTime) && stop) *stop = change.stop;
    return S_OK;
}

HRESULT CStreamSeeking::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    if (current) *current = Positions().Start();
    if (stop) *stop = Positions().Stop();
    return S_OK;
}

HRESULT CStreamSeeking::GetAvailable(LONGLONG* earliest, LONGLONG* latest)
{
    if (earliest) *earliest = 0;
    if (latest) *latest = Positions().Duration();
    return S_OK;
}

HRESULT CStreamSeeking::SetRate(double rate) { return Positions().SetRate(rate); }

HRESULT CStreamSeeking::GetRate(double* rate)
{
    if (!rate) return E_POINTER;
    *rate = Positions().Rate();
    return S_OK;
}
