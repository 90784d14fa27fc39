// Which encoder of the encoding library writes the codec a codec block names:
// the video FourCCs the codec pages offer (and a few more that the same
// encoders write) and the audio wave format tags.
#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

struct VideoCodecChoice {
    AVCodecID id = AV_CODEC_ID_NONE;
    const char* encoder = nullptr;  // the encoder's name in the library
    uint32_t tag = 0;               // the FourCC the file names the stream with
    bool h264 = false;
};

struct AudioCodecChoice {
    AVCodecID id = AV_CODEC_ID_NONE;
    const char* encoder = nullptr;
    uint16_t tag = 0;
};

// The letters are compared without regard to case; the tag keeps the case
// the block gives. False for a code no encoder here writes, and for H.264
// when the library has no libx264 encoder.
bool ChooseVideoCodec(uint32_t fourcc, VideoCodecChoice* choice);
// 0x0055 MP3, 0x00FF AAC, 0x674F..0x6751 and 0x676F..0x6771 Vorbis, 0x0160
// and 0x0161 Windows Media Audio 1 and 2, 0x0001 PCM.
bool ChooseAudioCodec(int waveTag, AudioCodecChoice* choice);

// True when the library here can encode H.264.
bool CanEncodeH264();
