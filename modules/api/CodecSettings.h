// The per-format codec blocks of the settings record. A writer filter of
// hwriter.dll receives a pointer to its format's block and reads the 32-bit
// values that follow in this order, so the layouts are fixed.
//
// Field types: int is a signed 32-bit number, BOOL a 32-bit 0/1, a FourCC a
// 32-bit code with its first character in the lowest byte.
#pragma once

#include <cstddef>

#include "platform/win32/WinTypes.h"

// Codec block of the AVI and OGM formats.
struct SCodecSettings {
    DWORD fccVideoCodec = 0;
    int nVideoEncMode = 0;  // 0 constant bit rate, 1 quality, 2 two-pass constant bit rate
    int nVideoKBitrate = 0;
    int nVideoQuality = 0;
    int nSecPerKeyframe = 0;
    int nAudioCodec = 0;  // wave format tag
    int nAudioEncMode = 0;
    int nAudioKBitrate = 0;
    int nAudioQuality = 0;
};
static_assert(offsetof(SCodecSettings, nVideoEncMode) == 4);
static_assert(offsetof(SCodecSettings, nAudioCodec) == 20);
static_assert(offsetof(SCodecSettings, nAudioQuality) == 32);
static_assert(sizeof(SCodecSettings) == 36);

// Codec block of the MP4 format (it has no audio mode).
struct SMp4CodecSettings {
    BOOL bSupportPSP = 0;
    DWORD fccVideoCodec = 0;
    int nVideoEncMode = 0;
    int nVideoKBitrate = 0;
    int nVideoQuality = 0;
    int nSecPerKeyframe = 0;
    BOOL bH264Baseline13 = 0;
    int nAudioCodec = 0;
    int nAudioKBitrate = 0;
    int nAudioQuality = 0;
};
static_assert(offsetof(SMp4CodecSettings, fccVideoCodec) == 4);
static_assert(offsetof(SMp4CodecSettings, bH264Baseline13) == 24);
static_assert(offsetof(SMp4CodecSettings, nAudioQuality) == 36);
static_assert(sizeof(SMp4CodecSettings) == 40);
