// CLavAudioDecoder: the audio decoder over the decoding library, for every
// audio pair of the codec table (receiving, decoding, draining and timing
// are CLavDecoder's). One sample goes out per decoded frame.
//
// Output types, in the order offered: interleaved samples in the precision
// the codec decodes to (32-bit float for the float codecs, 32-bit or 16-bit
// integers for the others), then 16-bit PCM. More than two channels use the
// extensible wave format with the channel mask. A frame that is already
// interleaved in the connection's format travels without a copy; any other
// is converted (and resampled, should its rate differ from the
// connection's).
#pragma once

#include "platform/dshow/filters/LavDecoder.h"

class CLavAudioDecoder final : public CLavDecoder {
public:
    explicit CLavAudioDecoder(IUnknown* outer);
    ~CLavAudioDecoder() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;

    // An interleaved output format.
    struct Format {
        AVSampleFormat sampleFormat = AV_SAMPLE_FMT_NONE;  // packed: FLT, S32 or S16
        int channels = 0;
        int rate = 0;
        uint64_t mask = 0;
        int BlockBytes() const { return channels * av_get_bytes_per_sample(sampleFormat); }
    };

protected:
    bool CodecOpened(const CMediaType& input) override;
    HRESULT SetOutputType(const CMediaType& type) override;
    HRESULT DeliverFrame(AVFrame* frame) override;
    void ReleaseCodecState() override;
    void ResetConversion() override;

private:
    bool FormatAt(int position, Format* format);
    static bool FormatOfType(const AM_MEDIA_TYPE& type, Format* format);
    static void TypeOfFormat(const Format& format, CMediaType* type);
    bool FrameIsOutputFormat(const AVFrame* frame) const;

    Format output_;
    SwrContext* resampler_ = nullptr;
    // What the resampler was set up for.
    AVSampleFormat resamplerIn_ = AV_SAMPLE_FMT_NONE;
    int resamplerRate_ = 0;
    AVChannelLayout resamplerLayout_{};
};
