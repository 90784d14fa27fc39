// The report's vocabulary of codec names: video codecs by FourCC and audio
// formats by their 16-bit format tag. Both tables are searched linearly from
// the first row, so for a key listed twice the first row answers.
#pragma once

#include <cstddef>

#include "platform/win32/WinTypes.h"

struct VideoCodecRow {
    wchar_t key[5];  // four characters and a terminator
    const wchar_t* name;
};

struct AudioCodecRow {
    WORD tag;
    const wchar_t* name;
};

// The name of the first row whose key equals the four characters exactly
// (case-sensitive: callers upper-case the FourCC first); null when none.
const wchar_t* FindVideoCodecName(const wchar_t* fourcc);
// The name of the row with that tag; null when none.
const wchar_t* FindAudioCodecName(WORD tag);

// The whole tables, in row order.
const VideoCodecRow* GetVideoCodecTable(size_t* count);
const AudioCodecRow* GetAudioCodecTable(size_t* count);
