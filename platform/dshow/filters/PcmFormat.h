// Interleaved sound as the media types that carry it (PCM or float in a wave
// format, the extensible form for more than two channels) and as the
// decoding library's packed sample formats, both ways.
#pragma once

#include <cstdint>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/filters/LavHeaders.h"

struct PcmFormat {
    // Packed: U8, S16, S32, FLT or DBL. Samples of three bytes have no
    // format of the libraries: they are S32 with packed24 set, and are
    // widened to S32 before the libraries see them (WidenPacked24).
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;
    int channels = 0;
    int rate = 0;
    uint64_t mask = 0;  // the channel mask of the extensible form; 0 when none was given
    bool packed24 = false;

    int SampleBytes() const { return packed24 ? 3 : av_get_bytes_per_sample(sampleFormat); }
    int BlockBytes() const { return channels * SampleBytes(); }
    bool operator==(const PcmFormat&) const = default;
};

// False unless the type is PCM (unsigned 8 bits, signed 16, 24 or 32 bits,
// little-endian) or float (32 or 64 bits) in a wave format with channels
// and a rate.
bool PcmFormatOfType(const AM_MEDIA_TYPE& type, PcmFormat* format);
// Widens signed little-endian samples of three bytes into 32-bit ones
// (the low byte zero), count samples from `from`.
void WidenPacked24(const uint8_t* from, size_t count, int32_t* to);
// The media type of the format (the extensible form above two channels);
// the type is left empty when memory is short.
void PcmTypeOfFormat(const PcmFormat& format, CMediaType* type);
// The channel layout the format stands for: its mask when that names as
// many channels as it has, else the library's default for the count.
void PcmChannelLayout(const PcmFormat& format, AVChannelLayout* layout);
