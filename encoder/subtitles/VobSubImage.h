// One DVD sub-picture unit turned into a 32-bit picture: its control
// sequences (display commands, colours, rectangle, field offsets), the
// run-length coded fields and the trimming to the visible part.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/WinTypes.h"

class CVobSubImage {
public:
    // Reads the control sequences from the control offset on. Values the
    // unit does not set keep their defaults: not forced, no stop command,
    // an empty rectangle, colour index 0 with contrast 0 (transparent) for
    // every pixel value, field offsets 0.
    void ParseControl(const BYTE* unit, int size, int controlOffset);

    // Builds the picture: true when a picture with at least one pixel was
    // decoded. A unit whose control offset, field offsets or rectangle do
    // not fit the unit gives false and leaves the buffers untouched.
    bool Decode(const BYTE* unit, int size, int controlOffset, bool customColorsOn, const DWORD palette[16],
                const DWORD customColors[4], bool trim);

    // The picture: Width() x Height() pixels, 0xAARRGGBB, rows top-down.
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const DWORD* Pixels() const { return m_current; }

    // Results of the control sequences.
    bool m_forced = false;        // set by a forced-display command, cleared by a normal one
    bool m_hasStop = false;       // a stop-display command was seen
    int64_t m_stopDelayMs = 0;    // its delay
    RECT m_rect;                  // in frame pixels, right and bottom exclusive
    BYTE m_colors[4] = {};        // per pixel value: contrast << 4 | palette index
    WORD m_fieldOffsets[2] = {};  // top and bottom field data in the unit

private:
    // Makes the buffers hold a picture of w x h pixels and its trimmed copy
    // with a border; false when memory runs out.
    bool Reserve(int w, int h);
    void Trim();

    int m_width = 0;
    int m_height = 0;
    std::vector<DWORD> m_pixels;   // m_width x m_height of the decoded rectangle
    std::vector<DWORD> m_trimmed;  // the visible box with a transparent border
    const DWORD* m_current = nullptr;
};
