// Test fixtures for picture subtitles, written from scratch: DVD sub-picture
// units with known pictures, their 2048-byte program-stream packs, index
// texts and a DVD .ifo with a palette.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A picture of 2-bit pixel values, rows top-down.
struct SpuPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> values;

    SpuPicture() = default;
    SpuPicture(int w, int h, uint8_t fill = 0) : width(w), height(h), values(static_cast<size_t>(w) * h, fill) {}
    uint8_t& At(int x, int y) { return values[static_cast<size_t>(y) * width + x]; }
    uint8_t At(int x, int y) const { return values[static_cast<size_t>(y) * width + x]; }
    // Fills a box with a value.
    void Box(int x, int y, int w, int h, uint8_t value);
};

struct SpuUnit {
    SpuPicture picture;
    int x = 0;  // the rectangle's top-left in the frame
    int y = 0;
    bool forced = false;
    // The colour commands' bytes: one nibble per pixel value 3, 2, 1, 0.
    bool withColours = true;
    uint16_t paletteIndices = 0x0123;
    uint16_t contrasts = 0xFFF0;
    // Delay of the stop command in 1024/90 ms units; -1 for none.
    int stopDelay = -1;
    // Lines end with the fill-to-end code instead of a run up to the edge.
    bool fillLineEnds = false;
};

// The unit's bytes: size, control offset, both fields, control sequences.
std::string BuildSpuUnit(const SpuUnit& unit);

// The unit cut into 2048-byte packs of private stream 1 for the language:
// the first with a time stamp (90 kHz) in its header, the rest without; each
// pack is filled up with a padding packet.
std::vector<std::string> PackSpuUnit(const std::string& unit, int language, int64_t timeMs);

// A .sub stream and the positions of its units.
class VobSubStream {
public:
    // Appends the unit's packs; returns the position of the first.
    int64_t Add(const std::string& unit, int language, int64_t timeMs);
    void AddBlock(const std::string& block) { data_ += block; }
    const std::string& Data() const { return data_; }

private:
    std::string data_;
};

// "timestamp: hh:mm:ss:mmm, filepos: 000000000" (a '-' in front for a
// negative time).
std::string TimestampLine(int64_t ms, int64_t filepos);

struct IndexLanguage {
    std::string code;  // two letters
    int index = 0;
    std::vector<std::string> lines;  // "alt:", "delay:", "timestamp:" lines
};

// The settings lines of an index: size, origin, scale, alignment, palette
// and the given extra lines ("forced subs: ON", "langidx: 1", ...).
std::vector<std::string> IndexSettings(int version, int width, int height, const std::vector<uint32_t>& palette,
                                       const std::vector<std::string>& extra = {});
std::string IndexText(int version, const std::vector<std::string>& settings,
                      const std::vector<IndexLanguage>& languages);

// A palette as "rrggbb, ..." for the index, or "rrggbb,..." for ffmpeg.
std::string PaletteText(const std::vector<uint32_t>& palette, const char* separator);

// A DVD .ifo whose palette table holds the 16 (Y, Cr, Cb) entries.
std::string BuildIfo(const uint8_t ycrcb[16][3]);
