#include "modules/hwriter/CodecChoice.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "platform/win32/FourCC.h"

namespace {

struct VideoRow {
    uint32_t code;
    AVCodecID id;
    const char* encoder;
};

// MPEG-4 part 2 goes through the library's own encoder, which runs on
// several threads; every MPEG-4 FourCC here is a name for the same bit
// stream.
const VideoRow kVideo[] = {
    {FourCC("XVID"), AV_CODEC_ID_MPEG4, "mpeg4"},       {FourCC("DIVX"), AV_CODEC_ID_MPEG4, "mpeg4"},
    {FourCC("DX50"), AV_CODEC_ID_MPEG4, "mpeg4"},       {FourCC("FMP4"), AV_CODEC_ID_MPEG4, "mpeg4"},
    {FourCC("MP4V"), AV_CODEC_ID_MPEG4, "mpeg4"},       {FourCC("DIV3"), AV_CODEC_ID_MSMPEG4V3, "msmpeg4"},
    {FourCC("MP43"), AV_CODEC_ID_MSMPEG4V3, "msmpeg4"}, {FourCC("MP42"), AV_CODEC_ID_MSMPEG4V2, "msmpeg4v2"},
    {FourCC("WMV1"), AV_CODEC_ID_WMV1, "wmv1"},         {FourCC("WMV2"), AV_CODEC_ID_WMV2, "wmv2"},
    {FourCC("MJPG"), AV_CODEC_ID_MJPEG, "mjpeg"},       {FourCC("H264"), AV_CODEC_ID_H264, "libx264"},
    {FourCC("X264"), AV_CODEC_ID_H264, "libx264"},      {FourCC("AVC1"), AV_CODEC_ID_H264, "libx264"},
};

}  // namespace

bool CanEncodeH264() { return avcodec_find_encoder_by_name("libx264") != nullptr; }

bool ChooseVideoCodec(uint32_t fourcc, VideoCodecChoice* choice)
{
    uint32_t upper = FourCCUpper(fourcc);
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
    case 0x674F:
    case 0x6750:
    case 0x6751:
    case 0x676F:
    case 0x6770:
    case 0x6771: c = {AV_CODEC_ID_VORBIS, "libvorbis", static_cast<uint16_t>(waveTag)}; break;
    case 0x0160: c = {AV_CODEC_ID_WMAV1, "wmav1", 0x0160}; break;
    case 0x0161: c = {AV_CODEC_ID_WMAV2, "wmav2", 0x0161}; break;
    case 0x0001: c = {AV_CODEC_ID_PCM_S16LE, "pcm_s16le", 0x0001}; break;
    default: return false;
    }
    if (!avcodec_find_encoder_by_name(c.encoder)) return false;
    *choice = c;
    return true;
}
