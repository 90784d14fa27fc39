#include "platform/dshow/filters/AudioDecoder.h"

#include <algorithm>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/LavPayloads.h"
#include "platform/dshow/filters/StreamMediaType.h"

namespace {

// The packed format a decoder's own sample format is delivered in.
AVSampleFormat NativePacked(AVSampleFormat f)
{
    switch (av_get_packed_sample_fmt(f)) {
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_U8: return AV_SAMPLE_FMT_S16;
    case AV_SAMPLE_FMT_S32: return AV_SAMPLE_FMT_S32;
    default: return AV_SAMPLE_FMT_FLT;
    }
}

uint64_t MaskOf(const AVChannelLayout& layout) { return layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0; }

}  // namespace

CLavAudioDecoder::CLavAudioDecoder(IUnknown* outer)
    : CLavDecoder(L"Audio Decoder", outer, CLSID_AudioDecoder, MEDIATYPE_Audio, 8)
{
}

CLavAudioDecoder::~CLavAudioDecoder() { CloseCodec(); }

HRESULT CLavAudioDecoder::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CLavAudioDecoder>(outer, riid, object);
}

void CLavAudioDecoder::ResetConversion()
{
    swr_free(&resampler_);
    resamplerIn_ = AV_SAMPLE_FMT_NONE;
}

void CLavAudioDecoder::ReleaseCodecState()
{
    ResetConversion();
    resamplerRate_ = 0;
    av_channel_layout_uninit(&resamplerLayout_);
}

bool CLavAudioDecoder::CodecOpened(const CMediaType&)
{
    return Codec()->sample_rate > 0 && Codec()->ch_layout.nb_channels > 0;
}

bool CLavAudioDecoder::FormatAt(int position, PcmFormat* format)
{
    if (!Codec() || position < 0) return false;
    PcmFormat f;
    f.channels = Codec()->ch_layout.nb_channels;
    f.rate = Codec()->sample_rate;
    f.mask = MaskOf(Codec()->ch_layout);
    AVSampleFormat native = NativePacked(Codec()->sample_fmt);
    if (position == 0) {
        f.sampleFormat = native;
    } else if (position == 1 && native != AV_SAMPLE_FMT_S16) {
        f.sampleFormat = AV_SAMPLE_FMT_S16;
    } else {
        return false;
    }
    *format = f;
    return true;
}

HRESULT CLavAudioDecoder::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    if (!in || !out || CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    // The conversion writes the libraries' sample formats only.
    PcmFormat f;
    if (!PcmFormatOfType(*out, &f) || f.packed24) return VFW_E_TYPE_NOT_ACCEPTED;
    if (Codec() && (f.channels != Codec()->ch_layout.nb_channels || f.rate != Codec()->sample_rate))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CLavAudioDecoder::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    PcmFormat f;
    if (!FormatAt(position, &f)) return VFW_S_NO_MORE_ITEMS;
    PcmTypeOfFormat(f, type);
    return type->Format() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLavAudioDecoder::SetOutputType(const CMediaType& type)
{
    if (!PcmFormatOfType(type, &output_) || output_.packed24) return VFW_E_TYPE_NOT_ACCEPTED;
    if (!output_.mask && Codec()) output_.mask = MaskOf(Codec()->ch_layout);
    return S_OK;
}

bool CLavAudioDecoder::FrameIsOutputFormat(const AVFrame* f) const
{
    return f->format == output_.sampleFormat && f->sample_rate == output_.rate &&
           f->ch_layout.nb_channels == output_.channels && f->buf[0] && !f->buf[1] &&
           f->linesize[0] >= f->nb_samples * output_.BlockBytes();
}

HRESULT CLavAudioDecoder::DeliverFrame(AVFrame* f)
{
    if (f->nb_samples <= 0 || f->sample_rate <= 0) return S_OK;
    FrameTimes times;
    if (!TimeFrame(f, av_rescale(f->nb_samples, UNITS, f->sample_rate), &times)) return S_OK;

    int block = output_.BlockBytes();
    if (FrameIsOutputFormat(f)) {
        LONG bytes = f->nb_samples * block;
        return DeliverPayload(FramePayload::Share(f, f->data[0], bytes), bytes, times, true);
    }
    // Conversion, set up again whenever the frames' own format changes.
    if (!resampler_ || resamplerIn_ != f->format || resamplerRate_ != f->sample_rate ||
        av_channel_layout_compare(&resamplerLayout_, &f->ch_layout) != 0) {
        swr_free(&resampler_);
        AVChannelLayout out{};
        PcmChannelLayout(output_, &out);
        int r = swr_alloc_set_opts2(&resampler_, &out, output_.sampleFormat, output_.rate, &f->ch_layout,
                                    static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&out);
        if (r < 0 || swr_init(resampler_) < 0) {
            swr_free(&resampler_);
            return S_OK;
        }
        resamplerIn_ = static_cast<AVSampleFormat>(f->format);
        resamplerRate_ = f->sample_rate;
        av_channel_layout_uninit(&resamplerLayout_);
        av_channel_layout_copy(&resamplerLayout_, &f->ch_layout);
    }
    int room = swr_get_out_samples(resampler_, f->nb_samples);
    if (room <= 0) return S_OK;
    PayloadRef payload = CreateHeapPayload(room * block, 32);
    if (!payload) return E_OUTOFMEMORY;
    uint8_t* out[1] = {payload->Data()};
    int made = swr_convert(resampler_, out, room, const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
    if (made <= 0) return S_OK;
    return DeliverPayload(payload, made * block, times, true);
}
