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
#include "platform/dshow/filters/PcmFormat.h"

class CLavAudioDecoder final : public CLavDecoder {
public:
    explicit CLavAudioDecoder(IUnknown* outer);
    ~CLavAudioDecoder() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;

protected:
    bool CodecOpened(const CMediaType& input) override;
    HRESULT SetOutputType(const CMediaType& type) override;
    HRESULT DeliverFrame(AVFrame* frame) override;
    void ReleaseCodecState() override;
    void ResetConversion() override;

private:
    bool FormatAt(int position, PcmFormat* format);
    bool FrameIsOutputFormat(const AVFrame* frame) const;

    PcmFormat output_;
    SwrContext* resampler_ = nullptr;
    // What the resampler was set up for.
    AVSampleFormat resamplerIn_ = AV_SAMPLE_FMT_NONE;
    int resamplerRate_ = 0;
    AVChannelLayout resamplerLayout_{};
};
