// One packet of an Ogg logical stream as the writer's encoders hand it to
// the OGM muxer: its bytes and its granule position (for Vorbis the number
// of samples up to its end).
#pragma once

#include <cstdint>
#include <vector>

struct OgmPacket {
    std::vector<uint8_t> data;
    int64_t granulepos = 0;
};
