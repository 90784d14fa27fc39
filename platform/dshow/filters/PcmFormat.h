// Interleaved sound as the media types that carry it (PCM or float in a wave
// format, the extensible form for more than two channels) and as the
// decoding library's packed sample formats, both ways.
#pragma once

#include <cstdint>

#include "platform/dshow/MediaType.h"
#include "platform/dshow/filters/LavHeaders.h"

struct PcmFormat {
    AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;  // packed: FLT, S32 or S16
    int channels = 0;
    int rate = 0;
    uint64_t mask = 0;  // the channel mask of the extensible form; 0 when none was given

    int BlockBytes() const { return channels * av_get_bytes_per_sample(sampleFormat); }
    bool operator==(const PcmFormat&) const = default;
};

// False unless the type is PCM (16 or 32 bits) or 32-bit float in a wave
// format with channels and a rate.
bool PcmFormatOfType(const AM_MEDIA_TYPE& type, PcmFormat* format);
// The media type of the format (the extensible form above two channels);
// the type is left empty when memory is short.
void PcmTypeOfFormat(const PcmFormat& format, CMediaType* type);
// The channel layout the format stands for: its mask when that names as
// many channels as it has, else the library's default for the count.
void PcmChannelLayout(const PcmFormat& format, AVChannelLayout* layout);
