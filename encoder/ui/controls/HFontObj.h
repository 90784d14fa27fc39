// What the font picker keeps of one installed face: a font object (never
// made here) and flags.
#pragma once

#include "platform/win32/WinTypes.h"

class CFont;

class HFontObj {
public:
    static constexpr DWORD kTrueType = 0x1;

    bool IsTrueType() const { return (m_dwFlags & kTrueType) != 0; }

    CFont* m_pFont = nullptr;
    DWORD m_dwFlags = 0;
};
