// Shared helpers of the picture-subtitle tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VobSubWriter.h"
#include "encoder/subtitles/VobSubFile.h"
#include "platform/com/ComPtr.h"
#include "tests/support/TempDir.h"

// A palette whose entries are easy to tell apart.
extern const std::vector<uint32_t> kTestPalette;

// A w x h picture of one pixel value at (x, y), shown with the given stop
// delay (-1: no stop command).
SpuUnit PlainUnit(int w, int h, int x, int y, uint8_t value = 1, int stopDelay = -1, bool forced = false);

// A set of one or two languages written as "<name>.idx" and "<name>.sub".
struct TestSet {
    int version = 7;
    int width = 720;
    int height = 480;
    std::vector<std::string> extraSettings;
    std::vector<IndexLanguage> languages;
    VobSubStream stream;

    // Adds a picture to a language (created on first use with the code).
    void Add(int language, const std::string& code, int64_t timeMs, const SpuUnit& unit);
    std::string Index() const;
    // Writes the index and the stream; returns the index path.
    std::string Write(TempDir& dir, const std::string& name = "movie") const;
};

ComPtr<CVobSubFile> OpenVobSub(const std::string& path);

// A 32-bit bottom-up target surface with its own memory.
struct TestSurface {
    int width, height;
    std::vector<uint32_t> pixels;  // bottom-up rows
    SubPicSurface surface;

    TestSurface(int w, int h, uint32_t fill = 0xFF000000u);
    // The pixel at (x, y), y counted from the top.
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(height - 1 - y) * width + x]; }
};

// Composites a 0xAARRGGBB pixel (straight alpha) over a background colour
// (0xRRGGBB) the way ffmpeg's overlay filter blends packed RGB.
uint32_t BlendStraight(uint32_t pixel, uint32_t background);
// Composites a rendered pixel (premultiplied colour, inverted alpha) over a
// background colour.
uint32_t BlendRendered(uint32_t pixel, uint32_t background);
// The largest difference of the three channels of two 0xRRGGBB colours.
int ChannelDistance(uint32_t a, uint32_t b);
