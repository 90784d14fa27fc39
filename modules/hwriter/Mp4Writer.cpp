#include "modules/hwriter/Mp4Writer.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest picture the PSP plays.
constexpr int kPspWidth = 320;
constexpr int kPspHeight = 240;

}  // namespace

CMp4Writer::CMp4Writer(IUnknown* outer) : CCodecBlockWriter(CLSID_HalvaneMp4Writer, L"Halvane Mp4 Writer", outer) {}

bool CMp4Writer::CodecRequestOfRun(EncoderRequest* request)
{
    SMp4CodecSettings c;
    if (!CodecBlock(&c)) return false;
    EncoderRequest r;
    r.videoFourCC = c.fccVideoCodec;
    r.videoMode = c.nVideoEncMode;
    r.videoKBitrate = c.nVideoKBitrate;
    r.videoQuality = c.nVideoQuality;
    r.secPerKeyframe = c.nSecPerKeyframe;
    r.h264Baseline13 = c.bH264Baseline13 != 0;
    r.audioTag = c.nAudioCodec;
    r.audioMode = 0;  // the MP4 block has no audio mode: AAC at its bit rate
    r.audioKBitrate = c.nAudioKBitrate;
    r.audioQuality = c.nAudioQuality;
    *request = r;
    return true;
}

bool CMp4Writer::ForPsp() const
{
    SMp4CodecSettings c;
    return CodecBlock(&c) && c.bSupportPSP;
}

bool CMp4Writer::H264() const
{
    SMp4CodecSettings c;
    VideoCodecChoice video;
    return CodecBlock(&c) && ChooseVideoCodec(c.fccVideoCodec, &video) && video.h264;
}

const char* CMp4Writer::ContainerName() const { return ForPsp() ? "psp" : "mp4"; }

void CMp4Writer::AdjustVideo(VideoEncoderSetup* v)
{
    if (!ForPsp()) return;
    // The PSP plays 15 or 30 frames per second: 15 when asked, else 30.
    v->frameRate = std::lround(av_q2d(v->frameRate)) == 15 ? AVRational{15, 1} : AVRational{30, 1};
    if (v->width > kPspWidth || v->height > kPspHeight) {
        double scale = std::min(static_cast<double>(kPspWidth) / v->width, static_cast<double>(kPspHeight) / v->height);
        v->width = std::max(2, static_cast<int>(v->width * scale) & ~1);
        v->height = std::max(2, static_cast<int>(v->height * scale) & ~1);
    }
    // H.264 on the PSP: the baseline profile, whose level 1.3 holds such a
    // picture at 30 frames per second.
    if (v->codec.h264) v->baseline13 = true;
}

void CMp4Writer::AdjustAudio(AudioEncoderSetup* audio)
{
    if (ForPsp()) audio->outputRate = H264() ? 48000 : 24000;
}
