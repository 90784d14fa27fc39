// CLavAudioDecoder: the audio decoder over the decoding library, for every
// audio pair of the codec table. One sample goes out per decoded frame,
// timed by its presentation time.
//
// Output types, in the order offered: interleaved samples in the precision
// the codec decodes to (32-bit float for the float codecs, 32-bit or 16-bit
// integers for the others), then 16-bit PCM. More than two channels use the
// extensible wave format with the channel mask. A frame that is already
// interleaved in the connection's format travels without a copy; any other
// is converted (and resampled, should its rate differ from the
// connection's).
#pragma once

#include "platform/dshow/MediaPayload.h"
#include "platform/dshow/TransformFilter.h"
#include "platform/dshow/filters/LavHeaders.h"

class CLavAudioDecoder final : public CTransformFilter {
public:
    explicit CLavAudioDecoder(IUnknown* outer);
    ~CLavAudioDecoder() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT BreakConnect(PIN_DIRECTION direction) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT StopStreaming() override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

    // An interleaved output format.
    struct Format {
        AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;  // packed: FLT, S32 or S16
        int channels = 0;
        int rate = 0;
        uint64_t mask = 0;
        int BlockBytes() const { return channels * av_get_bytes_per_sample(sampleFormat); }
    };

private:
    bool OpenCodec(const CMediaType& input);
    void CloseCodec();
    bool FormatAt(int position, Format* format);
    static bool FormatOfType(const AM_MEDIA_TYPE& type, Format* format);
    static void TypeOfFormat(const Format& format, CMediaType* type);
    HRESULT Decode(const AVPacket* packet);
    HRESULT Drain();
    HRESULT DeliverFrame(AVFrame* frame);
    HRESULT DeliverPayload(PayloadRef payload, LONG bytes, REFERENCE_TIME start, REFERENCE_TIME stop, bool timed);
    bool FrameIsOutputFormat(const AVFrame* frame) const;
    void ResetTiming();

    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    Format output_;
    SwrContext* resampler_ = nullptr;
    // What the resampler was set up for.
    AVSampleFormat resamplerIn_ = AV_SAMPLE_FMT_NONE;
    int resamplerRate_ = 0;
    AVChannelLayout resamplerLayout_{};

    // Streaming state, under the receive lock.
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME nextTime_ = 0;
    bool haveNextTime_ = false;
    bool discontinuity_ = true;
};
