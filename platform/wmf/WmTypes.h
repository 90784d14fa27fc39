// Types, result codes and names of the Windows Media runtime that the
// encoder's profile code uses: the media-type record, attribute data types,
// profile versions, the codec enumeration settings and the subtypes of the
// codecs this runtime lists.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/win32/WinTypes.h"

// The runtime's media type: major type, subtype, sample flags and size,
// format type, pUnk and the format block, laid out as the media layer's
// AM_MEDIA_TYPE. Types handed out by IWMMediaProps::GetMediaType come in one
// block: the record first, the format bytes right behind it, pbFormat
// pointing there.
struct WM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

// Fixed underlying types: a value from another module may be any number.
enum WMT_ATTR_DATATYPE : int {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,  // a 32-bit BOOL
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

enum WMT_TRANSPORT_TYPE : int {
    WMT_Transport_Type_Unreliable = 0,
    WMT_Transport_Type_Reliable = 1,
};

enum WMT_VERSION {
    WMT_VER_4_0 = 0x00040000,
    WMT_VER_7_0 = 0x00070000,
    WMT_VER_8_0 = 0x00080000,
    WMT_VER_9_0 = 0x00090000,
};

// The caller's buffer is too small for the text or record asked for.
constexpr HRESULT ASF_E_BUFFERTOOSMALL = MakeHResult(0xC00D07D1u);
// The codec does not know the setting or property named.
constexpr HRESULT NS_E_UNSUPPORTED_PROPERTY = MakeHResult(0xC00D0BCDu);

// Codec enumeration settings (IWMCodecInfo3::SetCodecEnumerationSetting):
// whether the formats listed are the variable-bit-rate ones (WMT_TYPE_BOOL),
// and with variable bit rate, for how many encoding passes (WMT_TYPE_DWORD).
inline constexpr const wchar_t* g_wszVBREnabled = L"_VBRENABLED";
inline constexpr const wchar_t* g_wszNumPasses = L"_PASSESUSED";
// Stream properties that the profile code sets through the property vault.
inline constexpr const wchar_t* g_wszVBRQuality = L"_VBRQUALITY";
inline constexpr const wchar_t* g_wszVBRBitrateMax = L"_RMAX";
inline constexpr const wchar_t* g_wszVBRBufferWindowMax = L"_BMAX";

// Subtypes of the codecs this runtime lists: the video ones by FourCC, the
// audio ones by wave format tag.
constexpr GUID WMMEDIASUBTYPE_WMV1 = FourCCGuid(MAKEFOURCC('W', 'M', 'V', '1'));
constexpr GUID WMMEDIASUBTYPE_WMV2 = FourCCGuid(MAKEFOURCC('W', 'M', 'V', '2'));
constexpr WORD WAVE_FORMAT_MSAUDIO1 = 0x0160;
constexpr WORD WAVE_FORMAT_WMAUDIO2 = 0x0161;
constexpr GUID WMMEDIASUBTYPE_MSAUDIO1 = FourCCGuid(WAVE_FORMAT_MSAUDIO1);
constexpr GUID WMMEDIASUBTYPE_WMAudioV2 = FourCCGuid(WAVE_FORMAT_WMAUDIO2);
