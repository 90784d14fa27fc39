#include "WmStreamConfig.h"

#include <cstddef>
#include <cstring>

static_assert(sizeof(WM_MEDIA_TYPE) == sizeof(AM_MEDIA_TYPE) &&
              offsetof(WM_MEDIA_TYPE, formattype) == offsetof(AM_MEDIA_TYPE, formattype) &&
              offsetof(WM_MEDIA_TYPE, pbFormat) == offsetof(AM_MEDIA_TYPE, pbFormat));

namespace {

// The two-call text protocol with a WORD count.
HRESULT CopyName(const std::wstring& text, WCHAR* buffer, WORD* chars)
{
    if (!chars) return E_POINTER;
    size_t needed = text.size() + 1;
    if (needed > 0xFFFF) return E_UNEXPECTED;
    if (!buffer) {
        *chars = static_cast<WORD>(needed);
        return S_OK;
    }
    if (*chars < needed) {
        *chars = static_cast<WORD>(needed);
        return ASF_E_BUFFERTOOSMALL;
    }
    std::memcpy(buffer, text.c_str(), needed * sizeof(WCHAR));
    *chars = static_cast<WORD>(needed);
    return S_OK;
}

// Names longer than a WORD count can report are refused.
HRESULT TakeName(const WCHAR* name, std::wstring& field)
{
    if (!name) return E_POINTER;
    std::wstring text = name;
    if (text.size() + 1 > 0xFFFF) return E_INVALIDARG;
    field = std::move(text);
    return S_OK;
}

}  // namespace

CWmStreamConfig::CWmStreamConfig(IUnknown* outer, const GUID& streamType)
    : CUnknown(outer), m_streamType(streamType), m_mediaType(streamType)
{
}

IWMStreamConfig* CWmStreamConfig::Create(const GUID& streamType, const AM_MEDIA_TYPE& type, DWORD bitrate)
{
    IWMStreamConfig* config = nullptr;
    if (FAILED(CreateComObject<CWmStreamConfig>(nullptr, IID_IWMStreamConfig, reinterpret_cast<void**>(&config),
                                                streamType)))
        return nullptr;
    auto* self = static_cast<CWmStreamConfig*>(config);
    if (!self->m_mediaType.Set(type)) {
        config->Release();
        return nullptr;
    }
    self->m_nBitrate = bitrate;
    return config;
}

HRESULT CWmStreamConfig::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IWMStreamConfig) return GetInterface(static_cast<IWMStreamConfig*>(this), object);
    if (riid == IID_IWMMediaProps)
        return GetInterface(static_cast<IWMMediaProps*>(static_cast<IWMVideoMediaProps*>(this)), object);
    if (riid == IID_IWMVideoMediaProps && m_streamType == MEDIATYPE_Video)
        return GetInterface(static_cast<IWMVideoMediaProps*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CWmStreamConfig::GetStreamType(GUID* type)
{
    if (!type) return E_POINTER;
    *type = m_streamType;
    return S_OK;
}

HRESULT CWmStreamConfig::GetStreamNumber(WORD* number)
{
    if (!number) return E_POINTER;
    *number = m_nStreamNumber;
    return S_OK;
}

HRESULT CWmStreamConfig::SetStreamNumber(WORD number)
{
    // Stream numbers of an ASF file run from 1 to 63.
    if (number < 1 || number > 63) return E_INVALIDARG;
    m_nStreamNumber = number;
    return S_OK;
}

HRESULT CWmStreamConfig::GetStreamName(WCHAR* name, WORD* chars) { return CopyName(m_sStreamName, name, chars); }
HRESULT CWmStreamConfig::SetStreamName(WCHAR* name) { return TakeName(name, m_sStreamName); }

HRESULT CWmStreamConfig::GetConnectionName(WCHAR* name, WORD* chars)
{
    return CopyName(m_sConnectionName, name, chars);
}
HRESULT CWmStreamConfig::SetConnectionName(WCHAR* name) { return TakeName(name, m_sConnectionName); }

HRESULT CWmStreamConfig::GetBitrate(DWORD* bitsPerSecond)
{
    if (!bitsPerSecond) return E_POINTER;
    *bitsPerSecond = m_nBitrate;
    return S_OK;
}

HRESULT CWmStreamConfig::SetBitrate(DWORD bitsPerSecond)
{
    m_nBitrate = bitsPerSecond;
    return S_OK;
}

HRESULT CWmStreamConfig::GetBufferWindow(DWORD* milliseconds)
{
    if (!milliseconds) return E_POINTER;
    *milliseconds = m_nBufferWindow;
    return S_OK;
}

HRESULT CWmStreamConfig::SetBufferWindow(DWORD milliseconds)
{
    m_nBufferWindow = milliseconds;
    return S_OK;
}

HRESULT CWmStreamConfig::GetType(GUID* type) { return GetStreamType(type); }

HRESULT CWmStreamConfig::GetMediaType(WM_MEDIA_TYPE* type, DWORD* bytes)
{
    if (!bytes) return E_POINTER;
    const uint64_t needed = sizeof(WM_MEDIA_TYPE) + static_cast<uint64_t>(m_mediaType.cbFormat);
    if (needed > 0xFFFFFFFFu) return E_UNEXPECTED;
    if (!type) {
        *bytes = static_cast<DWORD>(needed);
        return S_OK;
    }
    if (*bytes < needed) {
        *bytes = static_cast<DWORD>(needed);
        return ASF_E_BUFFERTOOSMALL;
    }
    // The record, then its format block in the same buffer.
    BYTE* formatCopy = reinterpret_cast<BYTE*>(type) + sizeof(WM_MEDIA_TYPE);
    WM_MEDIA_TYPE head{};
    head.majortype = m_mediaType.majortype;
    head.subtype = m_mediaType.subtype;
    head.bFixedSizeSamples = m_mediaType.bFixedSizeSamples;
    head.bTemporalCompression = m_mediaType.bTemporalCompression;
    head.lSampleSize = m_mediaType.lSampleSize;
    head.formattype = m_mediaType.formattype;
    head.pUnk = nullptr;
    head.cbFormat = m_mediaType.cbFormat;
    head.pbFormat = m_mediaType.cbFormat ? formatCopy : nullptr;
    std::memcpy(type, &head, sizeof head);
    if (m_mediaType.cbFormat) std::memcpy(formatCopy, m_mediaType.pbFormat, m_mediaType.cbFormat);
    *bytes = static_cast<DWORD>(needed);
    return S_OK;
}

HRESULT CWmStreamConfig::SetMediaType(WM_MEDIA_TYPE* type)
{
    if (!type) return E_POINTER;
    if (type->majortype != m_streamType) return E_INVALIDARG;
    if (type->cbFormat && !type->pbFormat) return E_INVALIDARG;
    AM_MEDIA_TYPE copy{};
    copy.majortype = type->majortype;
    copy.subtype = type->subtype;
    copy.bFixedSizeSamples = type->bFixedSizeSamples;
    copy.bTemporalCompression = type->bTemporalCompression;
    copy.lSampleSize = type->lSampleSize;
    copy.formattype = type->formattype;
    copy.pUnk = type->pUnk;
    copy.cbFormat = type->cbFormat;
    copy.pbFormat = type->pbFormat;
    return m_mediaType.Set(copy) ? S_OK : E_OUTOFMEMORY;
}

HRESULT CWmStreamConfig::GetMaxKeyFrameSpacing(LONGLONG* time)
{
    if (!time) return E_POINTER;
    *time = m_nMaxKeyFrameSpacing;
    return S_OK;
}

HRESULT CWmStreamConfig::SetMaxKeyFrameSpacing(LONGLONG time)
{
    if (time < 0) return E_INVALIDARG;
    m_nMaxKeyFrameSpacing = time;
    return S_OK;
}

HRESULT CWmStreamConfig::GetQuality(DWORD* quality)
{
    if (!quality) return E_POINTER;
    *quality = m_nQuality;
    return S_OK;
}

HRESULT CWmStreamConfig::SetQuality(DWORD quality)
{
    if (quality > 100) return E_INVALIDARG;
    m_nQuality = quality;
    return S_OK;
}
