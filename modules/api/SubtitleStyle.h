// The subtitle style record that the graph passes by pointer to the video
// treatment filter: a fixed 568-byte layout, and its defaults.
#pragma once

#include <cstddef>
#include <cstdint>

struct SubtitleStyleRecord {
    char16_t faceName[256];  // UTF-16, zero-terminated
    int32_t charSet;
    int32_t fontSize;
    int32_t weight;
    int32_t italic;
    int32_t blur;
    uint32_t bodyColor;  // 0x00BBGGRR
    uint32_t outlineColor;
    uint32_t shadowColor;
    uint8_t bodyAlpha;  // transparency
    uint8_t outlineAlpha;
    uint8_t shadowAlpha;
    uint8_t unused[5];  // never written
    double outlineWidth;
    double shadowDepth;
};
static_assert(offsetof(SubtitleStyleRecord, charSet) == 512);
static_assert(offsetof(SubtitleStyleRecord, fontSize) == 516);
static_assert(offsetof(SubtitleStyleRecord, weight) == 520);
static_assert(offsetof(SubtitleStyleRecord, italic) == 524);
static_assert(offsetof(SubtitleStyleRecord, blur) == 528);
static_assert(offsetof(SubtitleStyleRecord, bodyColor) == 532);
static_assert(offsetof(SubtitleStyleRecord, outlineColor) == 536);
static_assert(offsetof(SubtitleStyleRecord, shadowColor) == 540);
static_assert(offsetof(SubtitleStyleRecord, bodyAlpha) == 544);
static_assert(offsetof(SubtitleStyleRecord, shadowAlpha) == 546);
static_assert(offsetof(SubtitleStyleRecord, outlineWidth) == 552);
static_assert(offsetof(SubtitleStyleRecord, shadowDepth) == 560);
static_assert(sizeof(SubtitleStyleRecord) == 568);

// Face "arial", character set 1, size 26, weight 700, not italic, blur 1,
// white body, black outline and shadow, shadow transparency 160, outline
// 1.5 and shadow 3.0. The five unused bytes are left as they are.
void InitSubtitleStyle(SubtitleStyleRecord* style);
