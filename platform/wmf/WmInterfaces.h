// The Windows Media runtime's interfaces for codec information and stream
// configurations, in their published method order, with their identifiers.
//
// Conventions of the runtime that every implementation here keeps:
//  - Texts are asked for in two calls: with a null buffer the count (in
//    characters, the terminating NUL included) is stored; with a buffer the
//    count says its size, and ASF_E_BUFFERTOOSMALL answers one that is too
//    small.
//  - Media types are asked for the same way, in bytes: the record and its
//    format block in one buffer (see WM_MEDIA_TYPE).
//  - Codecs are numbered per major type (MEDIATYPE_Video, MEDIATYPE_Audio)
//    from 0; a codec's formats are numbered within the list that its current
//    enumeration settings select.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/wmf/WmTypes.h"

struct IWMMutualExclusion;

constexpr IID IID_IWMMediaProps{0x96406BCE, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
constexpr IID IID_IWMVideoMediaProps{0x96406BCF, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
constexpr IID IID_IWMStreamConfig{0x96406BDC, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
constexpr IID IID_IWMStreamConfig2{0x7688D8CB, 0xFC0D, 0x43BD, {0x94, 0x59, 0x5A, 0x8D, 0xEC, 0x20, 0x0C, 0xFA}};
constexpr IID IID_IWMStreamConfig3{0xCB164104, 0x3AA9, 0x45A7, {0x9A, 0xC9, 0x4D, 0xAE, 0xE1, 0x31, 0xD6, 0xE1}};
constexpr IID IID_IWMPropertyVault{0x72995A79, 0x5090, 0x42A4, {0x9C, 0x8C, 0xD9, 0xD0, 0xB6, 0xD3, 0x4B, 0xE5}};
constexpr IID IID_IWMProfile{0x96406BDB, 0x2B2B, 0x11D3, {0xB3, 0x6B, 0x00, 0xC0, 0x4F, 0x61, 0x08, 0xFF}};
constexpr IID IID_IWMProfileManager{0xD16679F2, 0x6CA0, 0x472D, {0x8D, 0x31, 0x2F, 0x5D, 0x55, 0xAE, 0xE1, 0x55}};
constexpr IID IID_IWMCodecInfo{0xA970F41E, 0x34DE, 0x4A98, {0xB3, 0xBA, 0xE4, 0xB3, 0xCA, 0x75, 0x28, 0xF0}};
constexpr IID IID_IWMCodecInfo2{0xAA65E273, 0xB686, 0x4056, {0x91, 0xEC, 0xDD, 0x76, 0x8D, 0x4D, 0xF7, 0x10}};
constexpr IID IID_IWMCodecInfo3{0x7E51F487, 0x4D93, 0x4F98, {0x8A, 0xB4, 0x27, 0xD0, 0x56, 0x5A, 0xDC, 0x51}};

// The media type of a stream.
struct IWMMediaProps : IUnknown {
    virtual HRESULT GetType(GUID* type) = 0;  // the major type
    virtual HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* bytes) = 0;
    // Copies the type and its format block.
    virtual HRESULT SetMediaType(WM_MEDIA_TYPE* type) = 0;
};

// Video streams also carry the key-frame spacing (100-ns units) and the
// quality (0..100).
struct IWMVideoMediaProps : IWMMediaProps {
    virtual HRESULT GetMaxKeyFrameSpacing(LONGLONG* time) = 0;
    virtual HRESULT SetMaxKeyFrameSpacing(LONGLONG time) = 0;
    virtual HRESULT GetQuality(DWORD* quality) = 0;
    virtual HRESULT SetQuality(DWORD quality) = 0;
};

// One stream of a profile, or one format of a codec.
struct IWMStreamConfig : IUnknown {
    virtual HRESULT GetStreamType(GUID* type) = 0;
    virtual HRESULT GetStreamNumber(WORD* number) = 0;
    virtual HRESULT SetStreamNumber(WORD number) = 0;
    virtual HRESULT GetStreamName(WCHAR* name, WORD* chars) = 0;
    virtual HRESULT SetStreamName(WCHAR* name) = 0;
    virtual HRESULT GetConnectionName(WCHAR* name, WORD* chars) = 0;
    virtual HRESULT SetConnectionName(WCHAR* name) = 0;
    virtual HRESULT GetBitrate(DWORD* bitsPerSecond) = 0;
    virtual HRESULT SetBitrate(DWORD bitsPerSecond) = 0;
    virtual HRESULT GetBufferWindow(DWORD* milliseconds) = 0;
    virtual HRESULT SetBufferWindow(DWORD milliseconds) = 0;
};

// Data-unit extensions are not kept by this runtime: adding one answers
// E_NOTIMPL and a configuration has none.
struct IWMStreamConfig2 : IWMStreamConfig {
    virtual HRESULT GetTransportType(WMT_TRANSPORT_TYPE* type) = 0;
    virtual HRESULT SetTransportType(WMT_TRANSPORT_TYPE type) = 0;
    virtual HRESULT AddDataUnitExtension(GUID system, WORD dataSize, BYTE* info, DWORD infoSize) = 0;
    virtual HRESULT GetDataUnitExtensionCount(WORD* count) = 0;
    virtual HRESULT GetDataUnitExtension(WORD number, GUID* system, WORD* dataSize, BYTE* info, DWORD* infoSize) = 0;
    virtual HRESULT RemoveAllDataUnitExtensions() = 0;
};

// The stream's language as an RFC 1766 text ("ko", "en-us").
struct IWMStreamConfig3 : IWMStreamConfig2 {
    virtual HRESULT GetLanguage(WCHAR* language, WORD* chars) = 0;
    virtual HRESULT SetLanguage(LPWSTR language) = 0;
};

// Named, typed properties of a stream (the encoder's settings such as
// "_VBRENABLED" and "_VBRQUALITY"). Values are asked for in two calls, in
// bytes; a name that was never set answers NS_E_UNSUPPORTED_PROPERTY.
struct IWMPropertyVault : IUnknown {
    virtual HRESULT GetPropertyCount(DWORD* count) = 0;
    virtual HRESULT GetPropertyByName(const WCHAR* name, WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* bytes) = 0;
    virtual HRESULT SetProperty(const WCHAR* name, WMT_ATTR_DATATYPE type, BYTE* value, DWORD bytes) = 0;
    virtual HRESULT GetPropertyByIndex(DWORD index, WCHAR* name, DWORD* nameChars, WMT_ATTR_DATATYPE* type, BYTE* value,
                                       DWORD* bytes) = 0;
    virtual HRESULT CopyPropertiesFrom(IWMPropertyVault* other) = 0;
    virtual HRESULT Clear() = 0;
};

// A profile: its name, description and stream configurations. The profile
// keeps copies: a configuration given to AddStream or ReconfigStream, and
// one handed out by GetStream, are independent of the profile's own.
// Mutual exclusions are not kept by this runtime (E_NOTIMPL).
struct IWMProfile : IUnknown {
    virtual HRESULT GetVersion(WMT_VERSION* version) = 0;
    virtual HRESULT GetName(WCHAR* name, DWORD* chars) = 0;
    virtual HRESULT SetName(const WCHAR* name) = 0;
    virtual HRESULT GetDescription(WCHAR* description, DWORD* chars) = 0;
    virtual HRESULT SetDescription(const WCHAR* description) = 0;
    virtual HRESULT GetStreamCount(DWORD* streams) = 0;
    virtual HRESULT GetStream(DWORD index, IWMStreamConfig** config) = 0;
    virtual HRESULT GetStreamByNumber(WORD number, IWMStreamConfig** config) = 0;
    virtual HRESULT RemoveStream(IWMStreamConfig* config) = 0;
    virtual HRESULT RemoveStreamByNumber(WORD number) = 0;
    virtual HRESULT AddStream(IWMStreamConfig* config) = 0;
    virtual HRESULT ReconfigStream(IWMStreamConfig* config) = 0;
    // A new configuration of the stream type (audio or video), not yet part
    // of the profile.
    virtual HRESULT CreateNewStream(REFGUID streamType, IWMStreamConfig** config) = 0;
    virtual HRESULT GetMutualExclusionCount(DWORD* count) = 0;
    virtual HRESULT GetMutualExclusion(DWORD index, IWMMutualExclusion** exclusion) = 0;
    virtual HRESULT RemoveMutualExclusion(IWMMutualExclusion* exclusion) = 0;
    virtual HRESULT AddMutualExclusion(IWMMutualExclusion* exclusion) = 0;
    virtual HRESULT CreateNewMutualExclusion(IWMMutualExclusion** exclusion) = 0;
};

struct IWMProfileManager : IUnknown {
    virtual HRESULT CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) = 0;
    virtual HRESULT LoadProfileByID(REFGUID id, IWMProfile** profile) = 0;
    virtual HRESULT LoadProfileByData(const WCHAR* data, IWMProfile** profile) = 0;
    virtual HRESULT SaveProfile(IWMProfile* profile, WCHAR* data, DWORD* chars) = 0;
    virtual HRESULT GetSystemProfileCount(DWORD* count) = 0;
    virtual HRESULT LoadSystemProfile(DWORD index, IWMProfile** profile) = 0;
};

// The installed codecs and their formats (asked of the profile manager).
struct IWMCodecInfo : IUnknown {
    virtual HRESULT GetCodecInfoCount(REFGUID majorType, DWORD* codecs) = 0;
    virtual HRESULT GetCodecFormatCount(REFGUID majorType, DWORD codec, DWORD* formats) = 0;
    // The format as a stream configuration that carries its media type and
    // bit rate.
    virtual HRESULT GetCodecFormat(REFGUID majorType, DWORD codec, DWORD format, IWMStreamConfig** config) = 0;
};

struct IWMCodecInfo2 : IWMCodecInfo {
    virtual HRESULT GetCodecName(REFGUID majorType, DWORD codec, WCHAR* name, DWORD* chars) = 0;
    // The format's description, and optionally its stream configuration.
    virtual HRESULT GetCodecFormatDesc(REFGUID majorType, DWORD codec, DWORD format, IWMStreamConfig** config,
                                       WCHAR* description, DWORD* chars) = 0;
};

struct IWMCodecInfo3 : IWMCodecInfo2 {
    virtual HRESULT GetCodecFormatProp(REFGUID majorType, DWORD codec, DWORD format, LPCWSTR name,
                                       WMT_ATTR_DATATYPE* type, BYTE* value, DWORD* bytes) = 0;
    virtual HRESULT GetCodecProp(REFGUID majorType, DWORD codec, LPCWSTR name, WMT_ATTR_DATATYPE* type, BYTE* value,
                                 DWORD* bytes) = 0;
    // Selects which of the codec's format lists the format calls see.
    virtual HRESULT SetCodecEnumerationSetting(REFGUID majorType, DWORD codec, LPCWSTR name, WMT_ATTR_DATATYPE type,
                                               const BYTE* value, DWORD bytes) = 0;
    virtual HRESULT GetCodecEnumerationSetting(REFGUID majorType, DWORD codec, LPCWSTR name, WMT_ATTR_DATATYPE* type,
                                               BYTE* value, DWORD* bytes) = 0;
};

RIVO_INTERFACE_ID(IWMMediaProps, IID_IWMMediaProps);
RIVO_INTERFACE_ID(IWMVideoMediaProps, IID_IWMVideoMediaProps);
RIVO_INTERFACE_ID(IWMStreamConfig, IID_IWMStreamConfig);
RIVO_INTERFACE_ID(IWMStreamConfig2, IID_IWMStreamConfig2);
RIVO_INTERFACE_ID(IWMStreamConfig3, IID_IWMStreamConfig3);
RIVO_INTERFACE_ID(IWMPropertyVault, IID_IWMPropertyVault);
RIVO_INTERFACE_ID(IWMProfile, IID_IWMProfile);
RIVO_INTERFACE_ID(IWMProfileManager, IID_IWMProfileManager);
RIVO_INTERFACE_ID(IWMCodecInfo, IID_IWMCodecInfo);
RIVO_INTERFACE_ID(IWMCodecInfo2, IID_IWMCodecInfo2);
RIVO_INTERFACE_ID(IWMCodecInfo3, IID_IWMCodecInfo3);
