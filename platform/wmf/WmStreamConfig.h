// A stream configuration of the Windows Media runtime: stream type, number,
// names, bit rate, buffer window, media type, transport type, language and
// a property vault; video configurations also carry the key-frame spacing
// and quality (IWMVideoMediaProps). The codec information hands its formats
// out as objects of this class, and profiles keep their streams in it.
#pragma once

#include <string>
#include <vector>

#include "platform/com/UnknownImpl.h"
#include "platform/dshow/MediaType.h"
#include "platform/wmf/WmInterfaces.h"

class CWmStreamConfig final : public CUnknown,
                              public IWMStreamConfig3,
                              public IWMVideoMediaProps,
                              public IWMPropertyVault {
public:
    // A configuration of the given stream type with no media type yet.
    CWmStreamConfig(IUnknown* outer, const GUID& streamType);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // Gives a new configuration with the media type set, counted once, or
    // null when memory is short.
    static IWMStreamConfig* Create(const GUID& streamType, const AM_MEDIA_TYPE& type, DWORD bitrate);
    // A new configuration of the stream type with no media type, counted
    // once; null when memory is short.
    static IWMStreamConfig* CreateEmpty(const GUID& streamType);
    // A copy of any stream configuration, read through its interfaces
    // (those it lacks leave their defaults), counted once in *copy.
    static HRESULT Copy(IWMStreamConfig* from, IWMStreamConfig** copy);

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

    // IWMStreamConfig2
    HRESULT GetTransportType(WMT_TRANSPORT_TYPE* type) override;
    HRESULT SetTransportType(WMT_TRANSPORT_TYPE type) override;
    HRESULT AddDataUnitExtension(GUID system, WORD dataSize, BYTE* info, DWORD infoSize) override;
    HRESULT GetDataUnitExtensionCount(WORD* count) override;
    HRESULT GetDataUnitExtension(WORD number, GUID* system, WORD* dataSize, BYTE* info, DWORD* infoSize) override;
    HRESULT RemoveAllDataUnitExtensions() override;

    // IWMStreamConfig3
    HRESULT GetLanguage(WCHAR* language, WORD* chars) override;
    HRESULT SetLanguage(LPWSTR language) override;

    // IWMPropertyVault. Values of the fixed-size types must have their size
    // (DWORD and BOOL 4 bytes, WORD 2, QWORD 8, GUID 16), else E_INVALIDARG;
    // setting a name again replaces its value.
    HRESULT GetPropertyCount(DWORD* count) override;
    HRESULT GetPropertyByName(const WCHAR* name, WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* bytes) override;
    HRESULT SetProperty(const WCHAR* name, WMT_ATTR_DATATYPE type, BYTE* value, DWORD bytes) override;
    HRESULT GetPropertyByIndex(DWORD index, WCHAR* name, DWORD* nameChars, WMT_ATTR_DATATYPE* type, BYTE* value,
                               DWORD* bytes) override;
    HRESULT CopyPropertiesFrom(IWMPropertyVault* other) override;
    HRESULT Clear() override;

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
    struct SProperty {
        std::wstring name;
        WMT_ATTR_DATATYPE type;
        std::vector<BYTE> value;
    };

    GUID streamType_;
    WORD streamNumber_ = 0;
    std::wstring streamName_;
    std::wstring connectionName_;
    DWORD bitrate_ = 0;
    DWORD bufferWindow_ = 0;
    CMediaType mediaType_;
    LONGLONG maxKeyFrameSpacing_ = 0;
    DWORD quality_ = 0;
    WMT_TRANSPORT_TYPE transportType_ = WMT_Transport_Type_Unreliable;
    std::wstring language_;
    std::vector<SProperty> properties_;
};
