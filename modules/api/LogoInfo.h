// The logo-overlay record: the progress window fills it for a job, the graph
// keeps a copy and hands it unchanged to the video treatment filter. Its
// layout is fixed (1080 bytes) because the filter is built separately.
#pragma once

#include <cstddef>
#include <cstdint>

struct SLogoInfo {
    // The logo picture file (BMP, PNG or JPEG), UTF-16, zero-terminated.
    // An empty path means no logo.
    char16_t imagePath[260];
    // A grey-scale picture of the logo's size whose brightness is the logo's
    // opacity (white opaque, black transparent), UTF-16, zero-terminated;
    // empty: the picture's own alpha channel, or fully opaque without one.
    char16_t alphaPath[260];
    // Where the logo stands, in percent (0..100) of the room the picture
    // leaves beside it inside the margins: 0 against the left (top) margin,
    // 100 against the right (bottom) margin.
    int32_t posX;
    int32_t posY;
    // The margins, in percent (0..100) of the picture's width (height).
    int32_t marginX;
    int32_t marginY;
    // When the logo shows, in 100-ns units of the output's time line; an end
    // of INT64_MAX (kLogoToTheEnd) lasts to the end.
    int64_t start;
    int64_t end;
    // Non-zero: the logo fades in over the first second of its time and out
    // over the last (over half the time each when it is shorter than two
    // seconds).
    int32_t fade;
    // The logo's opacity, 0 invisible to 65535 opaque.
    uint16_t opacity;
    uint16_t alignment;  // completes the record; not read
};
static_assert(offsetof(SLogoInfo, imagePath) == 0);
static_assert(offsetof(SLogoInfo, alphaPath) == 520);
static_assert(offsetof(SLogoInfo, posX) == 1040);
static_assert(offsetof(SLogoInfo, posY) == 1044);
static_assert(offsetof(SLogoInfo, marginX) == 1048);
static_assert(offsetof(SLogoInfo, marginY) == 1052);
static_assert(offsetof(SLogoInfo, start) == 1056);
static_assert(offsetof(SLogoInfo, end) == 1064);
static_assert(offsetof(SLogoInfo, fade) == 1072);
static_assert(offsetof(SLogoInfo, opacity) == 1076);
static_assert(offsetof(SLogoInfo, alignment) == 1078);
static_assert(sizeof(SLogoInfo) == 1080);

// The end time that lasts to the end of the output.
inline constexpr int64_t kLogoToTheEnd = INT64_MAX;
