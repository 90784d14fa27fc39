// A stream configuration of the Windows Media runtime: stream type, number,
// names, bit rate, buffer window and media type; video configurations also
// carry the key-frame spacing and quality (IWMVideoMediaProps). The codec
// information hands its formats out as objects of this class.
#pragma once

#include <string>

#include "platform/com/UnknownImpl.h"
#include "platform/dshow/MediaType.h"
#include "platform/wmf/WmInterfaces.h"

class CWmStreamConfig final : public CUnknown, public IWMStreamConfig, public IWMVideoMediaProps {
public:
    // A configuration of the given stream type with no media type yet.
    CWmStreamConfig(IUnknown* outer, const GUID& streamType);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // Gives a new configuration with the media type set, counted once, or
    // null when memory is short.
    static IWMStreamConfig* Create(const GUID& streamType, const AM_MEDIA_TYPE& type, DWORD bitrate);

    // IWMStreamConfig
    HRESULT GetStreamType(GUID* type) override;
    HRESULT GetStreamNumber(WORD* number) override;
    HRESULT SetStreamNumber(WORD number) override;
    HRESULT GetStreamName(WCHAR* name, WORD* chars) override;
    HRESULT SetStreamName(WCHAR* name) override;
    HRESULT GetConnectionName(WCHAR* name, WORD* chars) override;
    HRESULT SetConnectionName(WCHAR* name) override;
    HRESULT GetBitrate(DWORD* bitsPerSecond) override;
    HRESULT SetBitrate(DWORD bitsPerSecond) override;
    HRESULT GetBufferWindow(DWORD* milliseconds) override;
    HRESULT SetBufferWindow(DWORD milliseconds) override;

    // IWMMediaProps
    HRESULT GetType(GUID* type) override;
    HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* bytes) override;
    HRESULT SetMediaType(WM_MEDIA_TYPE* type) override;

    // IWMVideoMediaProps (answered by video configurations only)
    HRESULT GetMaxKeyFrameSpacing(LONGLONG* time) override;
    HRESULT SetMaxKeyFrameSpacing(LONGLONG time) override;
    HRESULT GetQuality(DWORD* quality) override;
    HRESULT SetQuality(DWORD quality) override;

private:
    GUID m_streamType;
    WORD m_nStreamNumber = 0;
    std::wstring m_sStreamName;
    std::wstring m_sConnectionName;
    DWORD m_nBitrate = 0;
    DWORD m_nBufferWindow = 0;
    CMediaType m_mediaType;
    LONGLONG m_nMaxKeyFrameSpacing = 0;
    DWORD m_nQuality = 0;
};
