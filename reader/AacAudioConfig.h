// The decoder configuration of an AAC stream (the AudioSpecificConfig bytes
// that MP4 files carry in their ES descriptor and FLV files in their first
// AAC tag). Containers around AAC often state a sample rate or channel count
// of their own that does not match the stream (a mono track announced as
// stereo, every FLV announced as 44 kHz stereo); the configuration is what
// the decoder really uses.
#pragma once

#include <cstddef>
#include <cstdint>

struct AacAudioConfig {
    uint32_t objectType = 0;
    // The output sampling rate: the extension rate for explicitly signalled
    // SBR, else the core rate. 0 when the configuration does not say.
    uint32_t sampleRate = 0;
    // 0 when the configuration leaves the layout to a program config element.
    uint32_t channels = 0;

    // Reads the leading fields of a configuration; false when the bytes are
    // too few to hold them.
    static bool Parse(const uint8_t* bytes, size_t count, AacAudioConfig& out);
};
