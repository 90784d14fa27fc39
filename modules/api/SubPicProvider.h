// The subtitle-provider interface through which the video treatment filter
// asks a subtitle reader, on its streaming thread, what to show at a time;
// the inline codes in which text providers style their entries; and the
// options a reader is opened with.
#pragma once

#include "platform/com/Unknown.h"
#include "platform/win32/Collections.h"
#include "platform/win32/MediaFormats.h"
#include "platform/win32/WinTypes.h"

// Media time in 100-ns units.

// {53AEDFEB-8213-4EB0-8DE3-28282BC5A42C}
inline constexpr IID IID_ISubPicProvider{0x53AEDFEB, 0x8213, 0x4EB0, {0x8D, 0xE3, 0x28, 0x28, 0x2B, 0xC5, 0xA4, 0x2C}};

// A frame surface that a picture provider draws into. Rows run bottom-up:
// bits points at the picture's last row, and row y of the picture begins at
// bits + (height - 1 - y) * pitch (pitch in bytes). Providers draw only
// 32 bits per pixel: each pixel a 32-bit 0xAARRGGBB value (bytes B, G, R, A
// in memory) whose colour is already multiplied by its alpha and whose AA is
// the inverted alpha (0 opaque, 255 transparent), so that a frame pixel
// becomes frame * AA / 255 + colour. Pixels outside the drawn rectangle are
// left as they were.
struct SubPicSurface {
    LONG width = 0;
    LONG height = 0;
    LONG pitch = 0;
    WORD bitsPerPixel = 0;
    BYTE* bits = nullptr;
};

// Provider kinds.
constexpr int kSubProviderText = 0;
constexpr int kSubProviderPicture = 2;

// A position names one entry of a provider's ordered entry list; null is
// none. Slot order is fixed: the video filter is built against it.
struct ISubPicProvider : IUnknown {
    virtual POSITION GetFirstPosition() = 0;
    virtual POSITION GetLastPosition() = 0;
    virtual POSITION GetNextPosition(POSITION pos) = 0;
    virtual POSITION GetPrevPosition(POSITION pos) = 0;
    // The entry showing at time t (offset added), or null.
    virtual POSITION FindPosition(POSITION hint, REFERENCE_TIME t) = 0;
    virtual int GetProviderKind() = 0;
    // S_OK with the entry's text (owned by the provider); S_FALSE with null
    // when the position has no entry; E_INVALIDARG for a null position;
    // E_FAIL with null when there is no entry list.
    virtual HRESULT GetText(POSITION pos, const wchar_t** text) = 0;
    virtual HRESULT GetPicture(POSITION pos, SubPicSurface* target, RECT* drawn) = 0;
    // S_OK with start ms x 10000; S_FALSE with -1 when the position has no
    // entry; E_INVALIDARG with -1 for a null position; E_FAIL without list.
    virtual HRESULT GetStartTime(POSITION pos, REFERENCE_TIME* start) = 0;
    virtual HRESULT GetDuration(POSITION pos, REFERENCE_TIME* duration) = 0;
    virtual HRESULT SetTimeOffset(REFERENCE_TIME offset) = 0;
    virtual REFERENCE_TIME GetTimeOffset() = 0;
};
RIVO_INTERFACE_ID(ISubPicProvider, IID_ISubPicProvider);

// Inline codes inside entry texts. Everything else is literal text; a code
// has no terminator. A colour is "@@^" and six lower-case hex digits in the
// order red, green, blue.
inline constexpr wchar_t kSubBoldOn[] = L"@@<";
inline constexpr wchar_t kSubBoldOff[] = L"@@>";
inline constexpr wchar_t kSubItalicOn[] = L"@@/";
inline constexpr wchar_t kSubItalicOff[] = L"@@\\";
inline constexpr wchar_t kSubUnderlineOn[] = L"@@_";
inline constexpr wchar_t kSubUnderlineOff[] = L"@@-";
inline constexpr wchar_t kSubColourPrefix[] = L"@@^";
constexpr wchar_t kSubLineBreak = L'\n';

// What a reader is opened with (five 32-bit fields, filled by the caller).
struct SubtitleOpenParams {
    INT nDefaultColor = -1;     // COLORREF written when a colour change ends; -1 none
    INT nLineJoinMode = 0;      // SAMI: 0 joins an entry's text lines with a blank, else a line break
    INT nCodePage = -1;         // code page of 8-bit files; -1 detect
    INT nFrameRateNum = 23976;  // frames per second x 1000 (MicroDVD timing)
    INT nFrameRateDen = 1000;
};
static_assert(sizeof(SubtitleOpenParams) == 20);
