// The rich-edit control's messages and structures (the "RichEdit20W" class,
// with "RichEdit20A" as its other name). Character positions count a
// paragraph break as one character, as the control does.
#pragma once

#include "platform/mfc/StandardControls.h"
#include "platform/win32/gui/GdiObjects.h"

constexpr const wchar_t* RICHEDIT_CLASSW = L"RichEdit20W";

constexpr UINT EM_CANPASTE = WM_USER + 50;
constexpr UINT EM_EXGETSEL = WM_USER + 52;
constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
constexpr UINT EM_EXLINEFROMCHAR = WM_USER + 54;
constexpr UINT EM_EXSETSEL = WM_USER + 55;
constexpr UINT EM_GETCHARFORMAT = WM_USER + 58;
constexpr UINT EM_GETEVENTMASK = WM_USER + 59;
constexpr UINT EM_GETSELTEXT = WM_USER + 62;
constexpr UINT EM_HIDESELECTION = WM_USER + 63;
constexpr UINT EM_SETBKGNDCOLOR = WM_USER + 67;
constexpr UINT EM_SETCHARFORMAT = WM_USER + 68;
constexpr UINT EM_SETEVENTMASK = WM_USER + 69;
constexpr UINT EM_SETTARGETDEVICE = WM_USER + 72;
constexpr UINT EM_GETTEXTRANGE = WM_USER + 75;
constexpr UINT EM_SETOPTIONS = WM_USER + 77;
constexpr UINT EM_GETOPTIONS = WM_USER + 78;
constexpr UINT EM_GETTEXTLENGTHEX = WM_USER + 95;

constexpr WPARAM SCF_DEFAULT = 0x0000;
constexpr WPARAM SCF_SELECTION = 0x0001;
constexpr WPARAM SCF_WORD = 0x0002;
constexpr WPARAM SCF_ALL = 0x0004;

constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_STRIKEOUT = 0x00000008;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFM_BACKCOLOR = 0x04000000;
constexpr DWORD CFM_WEIGHT = 0x00400000;
constexpr DWORD CFE_BOLD = 0x00000001;
constexpr DWORD CFE_ITALIC = 0x00000002;
constexpr DWORD CFE_UNDERLINE = 0x00000004;
constexpr DWORD CFE_STRIKEOUT = 0x00000008;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;
constexpr DWORD CFE_AUTOBACKCOLOR = CFM_BACKCOLOR;

constexpr DWORD ENM_NONE = 0x00000000;
constexpr DWORD ENM_CHANGE = 0x00000001;
constexpr DWORD ENM_UPDATE = 0x00000002;
constexpr DWORD ENM_SCROLL = 0x00000004;
constexpr DWORD ENM_SELCHANGE = 0x00080000;

// Rich-edit styles beyond the edit styles.
constexpr DWORD ES_DISABLENOSCROLL = 0x00002000;
constexpr DWORD ES_SUNKEN = 0x00004000;
constexpr DWORD ES_SAVESEL = 0x00008000;

constexpr DWORD GTL_DEFAULT = 0;
constexpr DWORD GTL_USECRLF = 1;
constexpr DWORD GTL_PRECISE = 2;
constexpr DWORD GTL_NUMCHARS = 8;

struct CHARRANGE {
    LONG cpMin = 0;
    LONG cpMax = 0;
};

struct TEXTRANGEW {
    CHARRANGE chrg;
    LPWSTR lpstrText = nullptr;
};

struct GETTEXTLENGTHEX {
    DWORD flags = GTL_DEFAULT;
    UINT codepage = 1200;
};

struct CHARFORMATW {
    UINT cbSize = sizeof(CHARFORMATW);
    DWORD dwMask = 0;
    DWORD dwEffects = 0;
    LONG yHeight = 0;  // twips
    LONG yOffset = 0;
    COLORREF crTextColor = 0;
    BYTE bCharSet = 0;
    BYTE bPitchAndFamily = 0;
    WCHAR szFaceName[LF_FACESIZE] = {};
};

struct CHARFORMAT2W {
    UINT cbSize = sizeof(CHARFORMAT2W);
    DWORD dwMask = 0;
    DWORD dwEffects = 0;
    LONG yHeight = 0;  // twips
    LONG yOffset = 0;
    COLORREF crTextColor = 0;
    BYTE bCharSet = 0;
    BYTE bPitchAndFamily = 0;
    WCHAR szFaceName[LF_FACESIZE] = {};
    WORD wWeight = 0;
    SHORT sSpacing = 0;
    COLORREF crBackColor = 0;
    LCID lcid = 0;
    DWORD dwReserved = 0;
    SHORT sStyle = 0;
    WORD wKerning = 0;
    BYTE bUnderlineType = 0;
    BYTE bAnimation = 0;
    BYTE bRevAuthor = 0;
    BYTE bReserved1 = 0;
};
// The first part of the larger record is the smaller one.
static_assert(offsetof(CHARFORMAT2W, wWeight) == sizeof(CHARFORMATW));
using CHARFORMAT2 = CHARFORMAT2W;
using CHARFORMAT = CHARFORMATW;
