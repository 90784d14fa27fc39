// The values of a picture-subtitle index file and the placement of a decoded
// picture on a frame that follows from them.
#pragma once

#include <cstdint>

#include "platform/win32/WinTypes.h"

// Horizontal and vertical alignment values of the "align" key.
constexpr int kVobSubAlignNear = 0;  // left / top
constexpr int kVobSubAlignCenter = 1;
constexpr int kVobSubAlignFar = 2;  // right / bottom

class CVobSubSettings {
public:
    CVobSubSettings() { InitSettings(); }

    // Back to the values a set has before its index is read.
    void InitSettings();

    // Where a picture lands on a target of the given size. The picture's
    // rectangle is in the set's original frame ("size"); the result is
    // scaled by "scale", aligned on the working origin (or kept where the
    // picture was, shifted by it) and stretched to the target.
    RECT PlacePicture(const RECT& picture, int targetWidth, int targetHeight) const;

    SIZE m_originalSize;  // "size"
    POINT m_origin;       // "org"
    POINT m_offset;       // working copy of the origin, added to every drawn rectangle
    int m_scaleX = 100;   // percent
    int m_scaleY = 100;
    int m_alpha = 100;  // read, not used in drawing
    int m_smooth = 0;   // 0 off, 1 on, 2 old; read, not used in drawing
    int m_fadeIn = 50;  // read, not used
    int m_fadeOut = 50;
    bool m_alignOn = false;
    int m_alignHorizontal = kVobSubAlignNear;
    int m_alignVertical = kVobSubAlignNear;
    int64_t m_timeOffsetMs = 0;  // read, not applied
    bool m_forcedOnly = false;   // only pictures marked forced are shown
    bool m_customColorsOn = false;
    int m_transparentFlags = 0;  // bit i: custom colour i is transparent
    DWORD m_palette[16];         // 0x00RRGGBB
    DWORD m_customColors[4];     // 0xAARRGGBB
};
