#include "modules/hwriter/CodecChoice.h"

#include <cctype>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

uint32_t Upper(uint32_t fourcc)
{
    uint32_t out = 0;
    for (int i = 0; i < 4; ++i) {
        unsigned c = (fourcc >> (8 * i)) & 0xFF;
        out |= static_cast<uint32_t>(std::toupper(static_cast<int>(c)) & 0xFF) << (8 * i);
    }
    return out;
}

constexpr uint32_t Code(const char (&s)[5])
{
    return static_cast<uint32_t>(static_cast<unsigned char>(s[0])) |
           static_cast<uint32_t>(static_cast<unsigned char>(s[1])) << 8 |
           static_cast<uint32_t>(static_cast<unsigned char>(s[2])) << 16 |
           static_cast<uint32_t>(static_cast<unsigned char>(s[3])) << 24;
}

struct VideoRow {
    uint32_t code;
    AVCodecID id;
    const char* encoder;
};

// MPEG-4 part 2 goes through the library's own encoder, which runs on
// several threads; every MPEG-4 FourCC here is a name for the same bit
// stream.
const VideoRow kVideo[] = {
    {Code("XVID"), AV_CODEC_ID_MPEG4, "mpeg4"},      {Code("DIVX"), AV_CODEC_ID_MPEG4, "mpeg4"},
    {Code("DX50"), AV_CODEC_ID_MPEG4, "mpeg4"},      {Code("FMP4"), AV_CODEC_ID_MPEG4, "mpeg4"},
    {Code("MP4V"), AV_CODEC_ID_MPEG4, "mpeg4"},      {Code("DIV3"), AV_CODEC_ID_MSMPEG4V3, "msmpeg4"},
    {Code("MP43"), AV_CODEC_ID_MSMPEG4V3, "msmpeg4"}, {Code("MP42"), AV_CODEC_ID_MSMPEG4V2, "msmpeg4v2"},
    {Code("WMV1"), AV_CODEC_ID_WMV1, "wmv1"},        {Code("WMV2"), AV_CODEC_ID_WMV2, "wmv2"},
    {Code("MJPG"), AV_CODEC_ID_MJPEG, "mjpeg"},      {Code("H264"), AV_CODEC_ID_H264, "libx264"},
    {Code("X264"), AV_CODEC_ID_H264, "libx264"},     {Code("AVC1"), AV_CODEC_ID_H264, "libx264"},
};

}  // namespace

bool CanEncodeH264() { return avcodec_find_encoder_by_name("libx264") != nullptr; }

bool ChooseVideoCodec(uint32_t fourcc, VideoCodecChoice* choice)
{
    uint32_t upper = Upper(fourcc);
    for (const VideoRow& row : kVideo) {
        if (row.code != upper) continue;
        if (!avcodec_find_encoder_by_name(row.encoder)) return false;
        *choice = VideoCodecChoice{row.id, row.encoder, fourcc, row.id == AV_CODEC_ID_H264};
        return true;
    }
    return false;
}

bool ChooseAudioCodec(int waveTag, AudioCodecChoice* choice)
{
    AudioCodecChoice c;
    switch (waveTag) {
    case 0x0055: c = {AV_CODEC_ID_MP3, "libmp3lame", 0x0055}; break;
    case 0x00FF: c = {AV_CODEC_ID_AAC, "aac", 0x00FF}; break;
    case 0x674F: case 0x6750: case 0x6751: case 0x676F: case 0x6770: case 0x6771:
        c = {AV_CODEC_ID_VORBIS, "libvorbis", static_cast<uint16_t>(waveTag)};
        break;
    case 0x0160: c = {AV_CODEC_ID_WMAV1, "wmav1", 0x0160}; break;
    case 0x0161: c = {AV_CODEC_ID_WMAV2, "wmav2", 0x0161}; break;
    case 0x0001: c = {AV_CODEC_ID_PCM_S16LE, "pcm_s16le", 0x0001}; break;
    default: return false;
    }
    if (!avcodec_find_encoder_by_name(c.encoder)) return false;
    *choice = c;
    return true;
}
