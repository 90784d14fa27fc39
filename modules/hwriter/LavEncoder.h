// One encoder of the encoding library for one stream of a writer: opened
// from the codec block's values (codec, rate-control mode, bit rate,
// quality, key-frame spacing), it takes pictures or interleaved sound and
// hands the packets it makes to the writer's output.
//
// Video modes: 0 constant bit rate, 1 constant quality (1..100, 100 best),
// 2 two passes at the bit rate. In the first pass the encoder gathers its
// statistics (Stats, or for H.264 the libx264 file named by the setup); the
// second pass reads them back.
//
// Sound is converted to what the encoder takes (sample format, at most two
// channels, a sample rate it supports) and cut into its frame size; its
// time stamps count the samples from the first one given.
#pragma once

#include <functional>
#include <string>

#include "modules/hwriter/CodecChoice.h"
#include "platform/dshow/filters/LavHeaders.h"
#include "platform/dshow/filters/PcmFormat.h"

extern "C" {
#include <libavutil/audio_fifo.h>
}

struct VideoEncoderSetup {
    VideoCodecChoice codec;
    int width = 0;
    int height = 0;
    AVRational frameRate{25, 1};    // frames per second
    AVRational sampleAspect{1, 1};  // the shape of a pixel (width : height)
    int mode = 0;
    int kbps = 0;
    int quality = 0;
    int secPerKeyframe = 0;
    bool baseline13 = false;    // H.264 baseline profile at level 1.3
    int pass = 0;               // 0 one pass, 1 first, 2 second of two
    std::string statsIn;        // second pass, statistics of the first (not H.264)
    std::string x264StatsPath;  // H.264: the file libx264 keeps its statistics in
    bool globalHeader = false;  // the container keeps the codec's headers
    bool inOrder = false;       // frames leave in their own order (no B-frames)
};

struct AudioEncoderSetup {
    AudioCodecChoice codec;
    PcmFormat input;
    int mode = 0;  // 0 constant bit rate, 1 variable
    int kbps = 0;
    int quality = 0;
    // The sound the stream carries when the format names it (0: as the
    // input comes, within what the encoder takes).
    int outputRate = 0;
    int outputChannels = 0;
    bool globalHeader = false;
};

class LavEncoder {
public:
    // Takes one packet (stream times in the encoder's time base); false when
    // it cannot be written, which ends the encoding.
    using PacketSink = std::function<bool(AVPacket*)>;

    LavEncoder() = default;
    ~LavEncoder();
    LavEncoder(const LavEncoder&) = delete;
    LavEncoder& operator=(const LavEncoder&) = delete;

    bool OpenVideo(const VideoEncoderSetup& setup);
    bool OpenAudio(const AudioEncoderSetup& setup);
    const AVCodecContext* Context() const { return m_pContext; }
    bool IsVideo() const { return m_bVideo; }

    // A picture with its pts in the encoder's time base (1 / frame rate).
    // False when the encoder fails or the sink refuses a packet.
    bool EncodeVideo(AVFrame* frame, const PacketSink& sink);
    // Interleaved samples in the setup's input format; firstPts (in samples
    // of the encoder's rate) places the first samples ever given.
    bool EncodeAudio(const uint8_t* data, int frames, int64_t firstPts, const PacketSink& sink);
    // The last packets; the encoder takes nothing afterwards.
    bool Flush(const PacketSink& sink);

    // The first pass's statistics gathered so far (not for H.264).
    const std::string& Stats() const { return m_stats; }

private:
    bool Open(const AVCodec* codec, AVDictionary** options);
    // A fresh sound encoder context at the bit rate; false when it does not open.
    bool OpenAudioAt(const AVCodec* codec, const AudioEncoderSetup& s, int kbps);
    bool Drain(const PacketSink& sink);
    bool SendAudioFrames(bool all, const PacketSink& sink);
    AVFrame* Converted(AVFrame* frame);

    AVCodecContext* m_pContext = nullptr;
    bool m_bVideo = false;
    bool m_bFlushed = false;
    std::string m_stats;
    // Video: a scaler for pictures not in the encoder's layout.
    SwsContext* m_pScaler = nullptr;
    AVFrame* m_pScaled = nullptr;
    // Sound.
    SwrContext* m_pResampler = nullptr;
    AVAudioFifo* m_pFifo = nullptr;
    AVFrame* m_pAudioFrame = nullptr;
    int m_nFrameSize = 0;
    int m_nInputBlock = 0;
    int64_t m_nNextPts = AV_NOPTS_VALUE;
};
