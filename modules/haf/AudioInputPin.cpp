#include "modules/haf/AudioInputPin.h"

#include "modules/haf/HalvaneAudioFilter.h"

CAudioInputPin::CAudioInputPin(CHalvaneAudioFilter* filter, const wchar_t* name)
    : CBaseInputPin(filter, name), m_audio(filter)
{
}

HRESULT CAudioInputPin::CheckMediaType(const CMediaType* type)
{
    PcmFormat format;
    return type && PcmFormatOfType(*type, &format) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CAudioInputPin::SetMediaType(const CMediaType* type)
{
    PcmFormat format;
    if (!type || !PcmFormatOfType(*type, &format)) return VFW_E_TYPE_NOT_ACCEPTED;
    HRESULT hr = CBaseInputPin::SetMediaType(type);
    if (SUCCEEDED(hr)) m_format = format;
    return hr;
}

HRESULT CAudioInputPin::CompleteConnect(IPin* receivePin)
{
    HRESULT hr = CBaseInputPin::CompleteConnect(receivePin);
    if (SUCCEEDED(hr)) m_audio->InputConnected(this);
    return hr;
}

HRESULT CAudioInputPin::Disconnect()
{
    HRESULT hr = CBaseInputPin::Disconnect();
    if (hr == S_OK) m_audio->InputDisconnected();
    return hr;
}

HRESULT CAudioInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return m_audio->ReceiveFrom(this, sample);
}

HRESULT CAudioInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    return m_audio->EndOfStreamFrom(this);
}

HRESULT CAudioInputPin::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    return m_audio->BeginFlushFrom(this);
}

HRESULT CAudioInputPin::EndFlush()
{
    HRESULT hr = m_audio->EndFlushFrom(this);
    CBaseInputPin::EndFlush();
    return hr;
}

HRESULT CAudioInputPin::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    CBasePin::NewSegment(start, stop, rate);
    return m_audio->NewSegmentFrom(this, start, stop, rate);
}
