// Media types: AM_MEDIA_TYPE with its format blocks (video information
// headers, MPEG video information, wave formats), the copy, free and compare
// helpers, and CMediaType, an owning AM_MEDIA_TYPE with value semantics.
//
// A media type's format block is task memory (CoTaskMemAlloc) and its pUnk
// a counted reference; whoever holds an AM_MEDIA_TYPE frees both with
// FreeMediaType. Types given out by pointer (enumerators, IMediaSample
// GetMediaType) are task memory too and are freed with DeleteMediaType.
#pragma once

#include <cstddef>

#include "platform/win32/MediaFormats.h"

#include "platform/dshow/DShowTypes.h"
#include "platform/win32/Guid.h"

struct AM_MEDIA_TYPE {
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
static_assert(sizeof(AM_MEDIA_TYPE) == 88);
static_assert(offsetof(AM_MEDIA_TYPE, formattype) == 44 && offsetof(AM_MEDIA_TYPE, pUnk) == 64);
static_assert(offsetof(AM_MEDIA_TYPE, cbFormat) == 72 && offsetof(AM_MEDIA_TYPE, pbFormat) == 80);

struct VIDEOINFOHEADER2 {
    RECT rcSource;
    RECT rcTarget;
    DWORD dwBitRate;
    DWORD dwBitErrorRate;
    REFERENCE_TIME AvgTimePerFrame;
    DWORD dwInterlaceFlags;
    DWORD dwCopyProtectFlags;
    DWORD dwPictAspectRatioX;
    DWORD dwPictAspectRatioY;
    union {
        DWORD dwControlFlags;
        DWORD dwReserved1;
    };
    DWORD dwReserved2;
    BITMAPINFOHEADER bmiHeader;
};
static_assert(sizeof(VIDEOINFOHEADER2) == 112 && offsetof(VIDEOINFOHEADER2, bmiHeader) == 72);

// MPEG-1 video: the sequence header follows the fixed part.
struct MPEG1VIDEOINFO {
    VIDEOINFOHEADER hdr;
    DWORD dwStartTimeCode;
    DWORD cbSequenceHeader;
    BYTE bSequenceHeader[1];
};
static_assert(offsetof(MPEG1VIDEOINFO, bSequenceHeader) == 96);

// MPEG-2 (and later) video: the sequence header follows the fixed part.
struct MPEG2VIDEOINFO {
    VIDEOINFOHEADER2 hdr;
    DWORD dwStartTimeCode;
    DWORD cbSequenceHeader;
    DWORD dwProfile;
    DWORD dwLevel;
    DWORD dwFlags;
    DWORD dwSequenceHeader[1];
};
static_assert(offsetof(MPEG2VIDEOINFO, dwSequenceHeader) == 132);

#pragma pack(push, 1)
struct WAVEFORMATEXTENSIBLE {
    WAVEFORMATEX Format;
    union {
        WORD wValidBitsPerSample;
        WORD wSamplesPerBlock;
        WORD wReserved;
    } Samples;
    DWORD dwChannelMask;
    GUID SubFormat;
};
#pragma pack(pop)
static_assert(sizeof(WAVEFORMATEX) == 18 && sizeof(WAVEFORMATEXTENSIBLE) == 40);

constexpr WORD WAVE_FORMAT_IEEE_FLOAT = 0x0003;
constexpr WORD WAVE_FORMAT_EXTENSIBLE = 0xFFFE;

// ---- Helpers on plain AM_MEDIA_TYPE ----------------------------------------------------

// Frees the format block and releases pUnk; the type's GUIDs stay.
void FreeMediaType(AM_MEDIA_TYPE& type);
// Deep copy into dest (whose old contents are not freed): a new format block
// and a reference on pUnk. E_OUTOFMEMORY leaves dest without format.
HRESULT CopyMediaType(AM_MEDIA_TYPE* dest, const AM_MEDIA_TYPE* source);
// A copy in task memory; null when memory is short.
AM_MEDIA_TYPE* CreateMediaType(const AM_MEDIA_TYPE* source);
// Frees a type from CreateMediaType (or given out by an enumerator) and its
// format block. Null is allowed.
void DeleteMediaType(AM_MEDIA_TYPE* type);

// Major type, subtype, format type and format bytes all equal.
bool IsEqualMediaType(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
// A partial type leaves its major type, subtype or format type as GUID_NULL:
// a wildcard.
bool IsPartialMediaType(const AM_MEDIA_TYPE& type);
// Whether the full type fits the partial one: its GUID_NULL fields match
// anything; a format type given must be equal, and when the partial type has
// format bytes, they must be equal too.
bool MediaTypeMatchesPartial(const AM_MEDIA_TYPE& full, const AM_MEDIA_TYPE& partial);

// ---- Reading format blocks ----------------------------------------------------------------
// Each reader looks at the block only when its format type is one that
// holds the structure and the block is long enough for the whole of it
// (VIDEOINFOHEADER, VIDEOINFOHEADER2, WAVEFORMATEX); else it finds nothing.

// The bitmap header of a video type's format block (FORMAT_VideoInfo and
// FORMAT_MPEGVideo after 48 bytes, FORMAT_VideoInfo2 and FORMAT_MPEG2Video
// after 72), or null.
const BITMAPINFOHEADER* BitmapHeaderOf(const AM_MEDIA_TYPE& type);
// Average frame time of a video type's format block (0 when unknown).
REFERENCE_TIME FrameTimeOf(const AM_MEDIA_TYPE& type);
// The bit rate a video type's format block states, in bits per second (0
// when there is none).
DWORD BitRateOf(const AM_MEDIA_TYPE& type);
// The wave format of an audio type (at least the 18 bytes of
// WAVEFORMATEX), or null.
const WAVEFORMATEX* WaveFormatOf(const AM_MEDIA_TYPE& type);

// ---- CMediaType ---------------------------------------------------------------------------

class CMediaType : public AM_MEDIA_TYPE {
public:
    CMediaType();
    // A type with the major type set and nothing else.
    explicit CMediaType(const GUID& major);
    CMediaType(const AM_MEDIA_TYPE& other);  // NOLINT(google-explicit-constructor)
    CMediaType(const CMediaType& other);
    CMediaType(CMediaType&& other) noexcept;
    ~CMediaType();
    CMediaType& operator=(const AM_MEDIA_TYPE& other);
    CMediaType& operator=(const CMediaType& other);
    CMediaType& operator=(CMediaType&& other) noexcept;

    bool operator==(const CMediaType& other) const { return IsEqualMediaType(*this, other); }

    // Copies another type; false when memory is short (the type is then
    // left without format).
    bool Set(const AM_MEDIA_TYPE& other);
    // Empty: every field zero, no format.
    void Reset();

    void SetType(const GUID& major) { majortype = major; }
    void SetSubtype(const GUID& sub) { subtype = sub; }
    void SetFormatType(const GUID& format) { formattype = format; }
    void SetSampleSize(ULONG size);  // also sets fixed-size samples when size > 0
    void SetVariableSize() { bFixedSizeSamples = FALSE; }
    void SetTemporalCompression(bool on) { bTemporalCompression = on ? TRUE : FALSE; }

    // Replaces the format block with a copy of bytes; false when memory is
    // short.
    bool SetFormat(const void* bytes, ULONG count);
    // A zeroed format block of count bytes (the old one freed); null when
    // memory is short.
    BYTE* AllocFormatBuffer(ULONG count);
    BYTE* Format() const { return pbFormat; }
    ULONG FormatLength() const { return cbFormat; }

    bool IsPartial() const { return IsPartialMediaType(*this); }
    bool MatchesPartial(const AM_MEDIA_TYPE& partial) const { return MediaTypeMatchesPartial(*this, partial); }
    // A type with a major type and a subtype (the least any connection needs).
    bool IsValid() const;
};
