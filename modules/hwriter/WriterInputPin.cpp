#include "modules/hwriter/WriterInputPin.h"

#include "modules/hwriter/WriterFilter.h"
#include "platform/dshow/MediaGuids.h"

CWriterInputPin::CWriterInputPin(CWriterFilter* writer, const wchar_t* name, Kind kind)
    : CBaseInputPin(writer, name), m_pWriter(writer), m_kind(kind)
{
}

HRESULT CWriterInputPin::CheckMediaType(const CMediaType* type)
{
    if (!type) return E_POINTER;
    if (m_kind == Kind::Text) return type->majortype == MEDIATYPE_Text ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    if (m_kind == Kind::Video) {
        PictureFormat picture;
        return PictureFormatOfType(*type, &picture) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    }
    // The encoders' conversion takes the libraries' sample formats only.
    PcmFormat sound;
    return PcmFormatOfType(*type, &sound) && !sound.packed24 ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CWriterInputPin::SetMediaType(const CMediaType* type)
{
    HRESULT hr = CheckMediaType(type);
    if (hr != S_OK) return hr;
    hr = CBaseInputPin::SetMediaType(type);
    if (FAILED(hr)) return hr;
    if (m_kind == Kind::Video)
        PictureFormatOfType(*type, &m_picture);
    else if (m_kind == Kind::Audio)
        PcmFormatOfType(*type, &m_sound);
    return hr;
}

HRESULT CWriterInputPin::Receive(IMediaSample* sample)
{
    HRESULT hr = CBaseInputPin::Receive(sample);
    if (hr != S_OK) return hr;
    return m_pWriter->ReceiveFrom(this, sample);
}

HRESULT CWriterInputPin::EndOfStream()
{
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    m_pWriter->EndOfStreamFrom(this);
    return S_OK;
}

HRESULT CWriterInputPin::BeginFlush()
{
    CBaseInputPin::BeginFlush();
    m_pWriter->BeginFlushOf(this);
    return S_OK;
}

HRESULT CWriterInputPin::EndFlush()
{
    m_pWriter->EndFlushOf(this);
    CBaseInputPin::EndFlush();
    return S_OK;
}
