#include "modules/hwriter/Mp4Writer.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest picture the PSP plays.
constexpr int kPspWidth = 320;
constexpr int kPspHeight = 240;

}  // namespace

CMp4Writer::CMp4Writer(IUnknown* outer) : CWriterFilter(CLSID_HalvaneMp4Writer, L"Halvane Mp4 Writer", outer) {}

HRESULT CMp4Writer::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMp4WriterFormat) return GetInterface(static_cast<IMp4WriterFormat*>(this), object);
    return CWriterFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CMp4Writer::SetCodecSettings(const SMp4CodecSettings* codec)
{
    if (!codec) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    m_codec = *codec;
    m_bCodecSet = true;
    return S_OK;
}

bool CMp4Writer::CodecRequestOfRun(EncoderRequest* request)
{
    if (!m_bCodecSet) return false;
    EncoderRequest r;
    r.videoFourCC = m_codec.fccVideoCodec;
    r.videoMode = m_codec.nVideoEncMode;
    r.videoKBitrate = m_codec.nVideoKBitrate;
    r.videoQuality = m_codec.nVideoQuality;
    r.secPerKeyframe = m_codec.nSecPerKeyframe;
    r.h264Baseline13 = m_codec.bH264Baseline13 != 0;
    r.audioTag = m_codec.nAudioCodec;
    r.audioMode = 0;  // the MP4 block has no audio mode: AAC at its bit rate
    r.audioKBitrate = m_codec.nAudioKBitrate;
    r.audioQuality = m_codec.nAudioQuality;
    *request = r;
    return true;
}

const char* CMp4Writer::ContainerName() const { return m_bCodecSet && m_codec.bSupportPSP ? "psp" : "mp4"; }

void CMp4Writer::AdjustVideo(VideoEncoderSetup* v)
{
    if (!m_bCodecSet || !m_codec.bSupportPSP) return;
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
    if (!m_bCodecSet || !m_codec.bSupportPSP) return;
    VideoCodecChoice video;
    bool h264 = ChooseVideoCodec(m_codec.fccVideoCodec, &video) && video.h264;
    audio->outputRate = h264 ? 48000 : 24000;
}
