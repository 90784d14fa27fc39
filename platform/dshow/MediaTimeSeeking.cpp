#include "platform/dshow/MediaTimeSeeking.h"

#include "platform/dshow/MediaGuids.h"

HRESULT CMediaTimeSeeking::CheckCapabilities(DWORD* capabilities)
{
    if (!capabilities) return E_POINTER;
    DWORD have = 0;
    HRESULT hr = GetCapabilities(&have);
    if (FAILED(hr)) return hr;
    DWORD asked = *capabilities;
    *capabilities &= have;
    if (*capabilities == asked) return S_OK;
    return *capabilities ? S_FALSE : E_FAIL;
}

HRESULT CMediaTimeSeeking::IsFormatSupported(const GUID* format)
{
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : S_FALSE;
}

HRESULT CMediaTimeSeeking::QueryPreferredFormat(GUID* format)
{
    if (!format) return E_POINTER;
    *format = TIME_FORMAT_MEDIA_TIME;
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetTimeFormat(GUID* format) { return QueryPreferredFormat(format); }

HRESULT CMediaTimeSeeking::IsUsingTimeFormat(const GUID* format) { return IsFormatSupported(format); }

HRESULT CMediaTimeSeeking::SetTimeFormat(const GUID* format)
{
    if (!format) return E_POINTER;
    return *format == TIME_FORMAT_MEDIA_TIME ? S_OK : E_INVALIDARG;
}

HRESULT CMediaTimeSeeking::ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                             const GUID* sourceFormat)
{
    if (!target) return E_POINTER;
    bool toMedia = !targetFormat || *targetFormat == TIME_FORMAT_MEDIA_TIME;
    bool fromMedia = !sourceFormat || *sourceFormat == TIME_FORMAT_MEDIA_TIME;
    if (!toMedia || !fromMedia) return E_INVALIDARG;
    *target = source;
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    if (current) {
        HRESULT hr = GetCurrentPosition(current);
        if (FAILED(hr)) return hr;
    }
    if (stop) return GetStopPosition(stop);
    return S_OK;
}

HRESULT CMediaTimeSeeking::GetPreroll(LONGLONG* preroll)
{
    if (!preroll) return E_POINTER;
    *preroll = 0;
    return S_OK;
}
