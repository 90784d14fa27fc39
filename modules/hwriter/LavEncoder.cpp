#include "modules/hwriter/LavEncoder.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/win32/DebugOutput.h"

namespace {

// Quality 1..100 as the MPEG family's quantiser: 31 (worst) to 2 (best).
int QuantiserOfQuality(int quality)
{
    quality = std::clamp(quality, 1, 100);
    return 31 - static_cast<int>(std::lround((quality - 1) * 29.0 / 99.0));
}

// Quality 1..100 as libx264's constant rate factor: 45 (worst) to 18.
double RateFactorOfQuality(int quality) { return 45.0 - std::clamp(quality, 1, 100) * 0.27; }

// LAME's variable-bit-rate level nearest a mean bit rate.
int LameLevelOfBitrate(int kbps)
{
    struct Row {
        int kbps;
        int level;
    };
    static const Row kRows[] = {{245, 0}, {225, 1}, {190, 2}, {175, 3}, {165, 4},
                                {130, 5}, {115, 6}, {100, 7}, {85, 8}};
    for (const Row& r : kRows)
        if (kbps >= r.kbps) return r.level;
    return 9;
}

// The largest term of the frame rate's fraction a codec's bit stream
// holds: MPEG-4 part 2 keeps its time base's denominator in 16 bits.
int MaxFrameRateTerm(AVCodecID id) { return id == AV_CODEC_ID_MPEG4 ? 65535 : INT_MAX; }

int RateNearest(const AVCodec* codec, int rate)
{
    if (!codec->supported_samplerates) return rate;
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r)
        if (!best || std::abs(*r - rate) < std::abs(best - rate)) best = *r;
    return best ? best : rate;
}

// The nearest bit rate, in kbit/s, the audio encoder takes for sound of the
// rate and channels: LAME's layer III rates (32 to 320 at the MPEG-1 rates,
// 8 to 160 below), up to AAC's largest frame (6144 bits a channel), from
// the Windows Media Audio encoders' lowest (24). A setting outside (a preset
// may hold any number) would fail the job or, taken as it is, give a header
// whose rate nothing has.
int AcceptedAudioKbps(AVCodecID id, int rate, int channels, int kbps)
{
    int low = 8, high = 2000;
    switch (id) {
    case AV_CODEC_ID_MP3:
        low = rate >= 32000 ? 32 : 8;
        high = rate >= 32000 ? 320 : 160;
        break;
    case AV_CODEC_ID_AAC: high = std::max(low, static_cast<int>(6144LL * channels * rate / 1024 / 1000)); break;
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2: low = 24; break;
    default: break;
    }
    return std::clamp(kbps, low, high);
}

void TraceClamped(const wchar_t* what, int asked, int used)
{
    OutputDebugStringW((L"hwriter.dll: the " + std::wstring(what) + L" bit rate of " + std::to_wstring(asked) +
                        L" kbit/s is outside what the encoder takes; " + std::to_wstring(used) + L" kbit/s is used")
                           .c_str());
}

}  // namespace

LavEncoder::~LavEncoder()
{
    // The second pass's statistics are the caller's to free.
    if (m_pContext) av_freep(&m_pContext->stats_in);
    avcodec_free_context(&m_pContext);
    sws_freeContext(m_pScaler);
    av_frame_free(&m_pScaled);
    swr_free(&m_pResampler);
    if (m_pFifo) av_audio_fifo_free(m_pFifo);
    av_frame_free(&m_pAudioFrame);
}

bool LavEncoder::Open(const AVCodec* codec, AVDictionary** options)
{
    int result = avcodec_open2(m_pContext, codec, options);
    av_dict_free(options);
    return result >= 0;
}

bool LavEncoder::OpenVideo(const VideoEncoderSetup& s)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(s.codec.encoder);
    if (!codec || s.width <= 0 || s.height <= 0 || s.frameRate.num <= 0 || s.frameRate.den <= 0) return false;
    m_pContext = avcodec_alloc_context3(codec);
    if (!m_pContext) return false;
    m_bVideo = true;
    AVCodecContext* c = m_pContext;
    c->width = s.width;
    c->height = s.height;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->sample_aspect_ratio = s.sampleAspect.num > 0 && s.sampleAspect.den > 0 ? s.sampleAspect : AVRational{1, 1};
    // A rate whose terms the codec cannot hold becomes the nearest one it
    // can (60000/1001 fits; 120000/1001 does not in MPEG-4 part 2).
    AVRational rate = s.frameRate;
    const int maxTerm = MaxFrameRateTerm(codec->id);
    if (rate.num > maxTerm || rate.den > maxTerm) rate = av_d2q(av_q2d(rate), maxTerm);
    c->framerate = rate;
    c->time_base = av_inv_q(rate);
    c->codec_tag = s.codec.tag;
    c->thread_count = 0;
    // Motion JPEG's full-range variant is the only one it names officially;
    // the pictures arrive in the video range.
    c->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    double fps = av_q2d(rate);
    int seconds = s.secPerKeyframe > 0 ? s.secPerKeyframe : 10;
    c->gop_size = std::max(1, static_cast<int>(std::lround(seconds * fps)));
    if (s.globalHeader) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (s.inOrder) c->max_b_frames = 0;

    AVDictionary* options = nullptr;
    if (s.mode == 1) {
        if (s.codec.h264) {
            av_dict_set(&options, "crf", std::to_string(RateFactorOfQuality(s.quality)).c_str(), 0);
        } else {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * QuantiserOfQuality(s.quality);
        }
    } else {
        const int kbps = std::max(1, s.kbps);
        if (kbps != s.kbps) TraceClamped(L"video", s.kbps, kbps);
        c->bit_rate = static_cast<int64_t>(kbps) * 1000;
        // Constant bit rate: a buffer of one second at the rate keeps every
        // second near it (the second of two passes spreads the bits by its
        // statistics instead).
        if (s.mode == 0) {
            c->rc_max_rate = c->bit_rate;
            c->rc_buffer_size = static_cast<int>(std::min<int64_t>(c->bit_rate, INT32_MAX));
        }
    }
    if (s.mode == 2 && s.pass == 1) c->flags |= AV_CODEC_FLAG_PASS1;
    if (s.mode == 2 && s.pass == 2) {
        c->flags |= AV_CODEC_FLAG_PASS2;
        if (!s.codec.h264) {
            c->stats_in = av_strdup(s.statsIn.c_str());
            if (!c->stats_in) return false;
        }
    }
    if (s.codec.h264) {
        if (s.mode == 2) av_dict_set(&options, "stats", s.x264StatsPath.c_str(), 0);
        if (s.baseline13) {
            av_dict_set(&options, "profile", "baseline", 0);
            c->level = 13;
        }
    }
    return Open(codec, &options);
}

bool LavEncoder::OpenAudioAt(const AVCodec* codec, const AudioEncoderSetup& s, int kbps)
{
    avcodec_free_context(&m_pContext);
    m_pContext = avcodec_alloc_context3(codec);
    if (!m_pContext) return false;
    AVCodecContext* c = m_pContext;
    c->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    c->sample_rate = RateNearest(codec, s.outputRate > 0 ? s.outputRate : s.input.rate);
    av_channel_layout_default(&c->ch_layout,
                              std::clamp(s.outputChannels > 0 ? s.outputChannels : s.input.channels, 1, 2));
    c->time_base = AVRational{1, c->sample_rate};
    c->codec_tag = s.codec.tag;
    if (s.globalHeader) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    switch (s.codec.id) {
    case AV_CODEC_ID_MP3:
        if (s.mode == 1) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * LameLevelOfBitrate(kbps);
        } else {
            c->bit_rate = static_cast<int64_t>(kbps) * 1000;
        }
        // Quality 100 asks LAME for its careful search, lower for its fast one.
        c->compression_level = s.quality >= 100 ? 2 : 5;
        break;
    case AV_CODEC_ID_AAC:
        c->bit_rate = static_cast<int64_t>(kbps) * 1000;
        if (s.quality < 100) av_dict_set(&options, "aac_coder", "fast", 0);
        break;
    case AV_CODEC_ID_VORBIS:
        if (s.mode == 1) {
            c->flags |= AV_CODEC_FLAG_QSCALE;
            c->global_quality = FF_QP2LAMBDA * std::clamp(s.quality, 0, 10);
        } else {
            c->bit_rate = static_cast<int64_t>(kbps) * 1000;
        }
        break;
    case AV_CODEC_ID_PCM_S16LE: break;
    default: c->bit_rate = static_cast<int64_t>(kbps) * 1000; break;
    }
    return Open(codec, &options);
}

bool LavEncoder::OpenAudio(const AudioEncoderSetup& s)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(s.codec.encoder);
    if (!codec || s.input.channels <= 0 || s.input.rate <= 0) return false;
    // Vorbis takes a bit rate only within what its modes give the sound's
    // rate and channels (at most 80 kbit/s for 22,050 Hz mono): a higher one
    // is lowered step by step instead of failing the job.
    int kbps = s.kbps;
    const bool usesRate = s.codec.id != AV_CODEC_ID_PCM_S16LE && !(s.codec.id == AV_CODEC_ID_VORBIS && s.mode == 1);
    if (usesRate) {
        const int rate = RateNearest(codec, s.outputRate > 0 ? s.outputRate : s.input.rate);
        const int channels = std::clamp(s.outputChannels > 0 ? s.outputChannels : s.input.channels, 1, 2);
        kbps = AcceptedAudioKbps(s.codec.id, rate, channels, s.kbps);
        if (kbps != s.kbps) TraceClamped(L"audio", s.kbps, kbps);
    }
    for (;;) {
        if (OpenAudioAt(codec, s, kbps)) break;
        if (s.codec.id != AV_CODEC_ID_VORBIS || s.mode == 1 || kbps <= 8) return false;
        kbps = std::max(8, kbps * 3 / 4);
    }
    AVCodecContext* c = m_pContext;

    AVChannelLayout in{};
    PcmChannelLayout(s.input, &in);
    int made = swr_alloc_set_opts2(&m_pResampler, &c->ch_layout, c->sample_fmt, c->sample_rate, &in,
                                   s.input.sampleFormat, s.input.rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    if (made < 0 || swr_init(m_pResampler) < 0) return false;
    m_nFrameSize = c->frame_size > 0 ? c->frame_size : 1024;
    m_nInputBlock = s.input.BlockBytes();
    m_pFifo = av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, m_nFrameSize * 4);
    m_pAudioFrame = av_frame_alloc();
    return m_pFifo && m_pAudioFrame;
}

AVFrame* LavEncoder::Converted(AVFrame* frame)
{
    if (frame->format == m_pContext->pix_fmt && frame->width == m_pContext->width &&
        frame->height == m_pContext->height)
        return frame;
    m_pScaler = sws_getCachedContext(m_pScaler, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                     m_pContext->width, m_pContext->height, m_pContext->pix_fmt, SWS_BILINEAR, nullptr,
                                     nullptr, nullptr);
    if (!m_pScaler) return nullptr;
    if (!m_pScaled) {
        m_pScaled = av_frame_alloc();
        if (!m_pScaled) return nullptr;
        m_pScaled->format = m_pContext->pix_fmt;
        m_pScaled->width = m_pContext->width;
        m_pScaled->height = m_pContext->height;
        if (av_frame_get_buffer(m_pScaled, 0) < 0) return nullptr;
    }
    // The encoder may still hold the last picture.
    if (av_frame_make_writable(m_pScaled) < 0) return nullptr;
    sws_scale(m_pScaler, frame->data, frame->linesize, 0, frame->height, m_pScaled->data, m_pScaled->linesize);
    m_pScaled->pts = frame->pts;
    return m_pScaled;
}

bool LavEncoder::Drain(const PacketSink& sink)
{
    AVPacket* packet = av_packet_alloc();
    if (!packet) return false;
    bool ok = true;
    for (;;) {
        int r = avcodec_receive_packet(m_pContext, packet);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
        if (r < 0) {
            ok = false;
            break;
        }
        if (m_pContext->stats_out) m_stats += m_pContext->stats_out;
        bool taken = sink(packet);
        av_packet_unref(packet);
        if (!taken) {
            ok = false;
            break;
        }
    }
    av_packet_free(&packet);
    return ok;
}

bool LavEncoder::EncodeVideo(AVFrame* frame, const PacketSink& sink)
{
    if (!m_pContext || !m_bVideo || m_bFlushed) return false;
    AVFrame* picture = Converted(frame);
    if (!picture) return false;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    if (avcodec_send_frame(m_pContext, picture) < 0) return false;
    return Drain(sink);
}

bool LavEncoder::SendAudioFrames(bool all, const PacketSink& sink)
{
    while (av_audio_fifo_size(m_pFifo) >= m_nFrameSize || (all && av_audio_fifo_size(m_pFifo) > 0)) {
        int count = std::min(av_audio_fifo_size(m_pFifo), m_nFrameSize);
        // Encoders that take whole frames only get the last one padded with
        // silence.
        bool pad = count < m_nFrameSize && m_pContext->frame_size > 0 &&
                   !(m_pContext->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
        av_frame_unref(m_pAudioFrame);
        m_pAudioFrame->nb_samples = pad ? m_nFrameSize : count;
        m_pAudioFrame->format = m_pContext->sample_fmt;
        m_pAudioFrame->sample_rate = m_pContext->sample_rate;
        if (av_channel_layout_copy(&m_pAudioFrame->ch_layout, &m_pContext->ch_layout) < 0) return false;
        if (av_frame_get_buffer(m_pAudioFrame, 0) < 0) return false;
        if (pad)
            av_samples_set_silence(m_pAudioFrame->data, 0, m_nFrameSize, m_pContext->ch_layout.nb_channels,
                                   m_pContext->sample_fmt);
        if (av_audio_fifo_read(m_pFifo, reinterpret_cast<void**>(m_pAudioFrame->data), count) != count) return false;
        m_pAudioFrame->pts = m_nNextPts;
        m_nNextPts += count;
        if (avcodec_send_frame(m_pContext, m_pAudioFrame) < 0) return false;
        if (!Drain(sink)) return false;
    }
    return true;
}

bool LavEncoder::EncodeAudio(const uint8_t* data, int frames, int64_t firstPts, const PacketSink& sink)
{
    if (!m_pContext || m_bVideo || m_bFlushed || frames < 0) return false;
    if (m_nNextPts == AV_NOPTS_VALUE) m_nNextPts = std::max<int64_t>(0, firstPts);
    int room = swr_get_out_samples(m_pResampler, frames);
    if (room < 0) return false;
    uint8_t** out = nullptr;
    if (av_samples_alloc_array_and_samples(&out, nullptr, m_pContext->ch_layout.nb_channels, std::max(room, 1),
                                           m_pContext->sample_fmt, 0) < 0)
        return false;
    const uint8_t* in[1] = {data};
    int made = swr_convert(m_pResampler, out, room, frames > 0 ? in : nullptr, frames);
    bool ok = made >= 0 && av_audio_fifo_write(m_pFifo, reinterpret_cast<void**>(out), made) == made;
    av_freep(&out[0]);
    av_freep(&out);
    return ok && SendAudioFrames(false, sink);
}

bool LavEncoder::Flush(const PacketSink& sink)
{
    if (!m_pContext || m_bFlushed) return false;
    bool ok = true;
    if (!m_bVideo && m_pResampler && m_nNextPts != AV_NOPTS_VALUE) {
        // What the resampler still holds, then the last short frame.
        ok = EncodeAudio(nullptr, 0, 0, sink) && SendAudioFrames(true, sink);
    }
    m_bFlushed = true;
    if (avcodec_send_frame(m_pContext, nullptr) < 0) return false;
    return Drain(sink) && ok;
}
