// Enumerating the installed font families, as the drawing layer's callers
// ask for them: each family once per character set it covers, with its face
// name, the kind of font (outline or bitmap) and a few metrics. The families
// come from fontconfig. A family that fontconfig also knows under a name in
// the language of the ANSI code page (949: Korean, 932: Japanese, 936 and 950:
// Chinese) is given by that name, as the system gives localised face names
// ("나눔고딕" for NanumGothic with code page 949); face names are cut to
// LF_FACESIZE - 1 characters.
#pragma once

#include "platform/win32/gui/GdiText.h"

// Font types of the enumeration callback.
constexpr DWORD RASTER_FONTTYPE = 0x0001;
constexpr DWORD DEVICE_FONTTYPE = 0x0002;
constexpr DWORD TRUETYPE_FONTTYPE = 0x0004;

// Character sets beyond those of the font objects.
constexpr BYTE SYMBOL_CHARSET = 2;
constexpr BYTE SHIFTJIS_CHARSET = 128;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE CHINESEBIG5_CHARSET = 136;
constexpr BYTE GREEK_CHARSET = 161;
constexpr BYTE TURKISH_CHARSET = 162;
constexpr BYTE VIETNAMESE_CHARSET = 163;
constexpr BYTE HEBREW_CHARSET = 177;
constexpr BYTE ARABIC_CHARSET = 178;
constexpr BYTE BALTIC_CHARSET = 186;
constexpr BYTE RUSSIAN_CHARSET = 204;
constexpr BYTE THAI_CHARSET = 222;
constexpr BYTE EASTEUROPE_CHARSET = 238;

constexpr int LF_FULLFACESIZE = 64;

struct ENUMLOGFONTEXW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE] = {};
    WCHAR elfStyle[LF_FACESIZE] = {};
    WCHAR elfScript[LF_FACESIZE] = {};
};

struct NEWTEXTMETRICW : TEXTMETRICW {
    DWORD ntmFlags = 0;
    UINT ntmSizeEM = 0;
    UINT ntmCellHeight = 0;
    UINT ntmAvgWidth = 0;
};

struct FONTSIGNATURE {
    DWORD fsUsb[4] = {};
    DWORD fsCsb[2] = {};
};

struct NEWTEXTMETRICEXW {
    NEWTEXTMETRICW ntmTm;
    FONTSIGNATURE ntmFontSig;
};

// The callback gets an ENUMLOGFONTEXW and a NEWTEXTMETRICEXW through the
// pointers of their first members; a result of 0 stops the enumeration.
using FONTENUMPROCW = int (*)(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM lParam);

// The families that match the request: lfCharSet DEFAULT_CHARSET for every
// character set, else only families covering that one; an empty lfFaceName
// for every family, else only the family of that name (any of its names,
// without regard to case). The device context is not looked at. The result
// is the callback's last answer, 1 when it was never called.
int EnumFontFamiliesExW(HDC dc, LOGFONTW* font, FONTENUMPROCW proc, LPARAM lParam, DWORD flags);

struct _FcConfig;
namespace win32_gui {
// The fontconfig configuration the enumeration reads; null (the default) is
// the current one of the process. Tests give one of their own that holds
// the fonts they made. Not owned.
void SetFontConfiguration(_FcConfig* config);
}  // namespace win32_gui
