#include "platform/dshow/filters/AudioDecoder.h"

#include <algorithm>
#include <cstring>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/LavPayloads.h"
#include "platform/dshow/filters/StreamMediaType.h"

namespace {

// The packed format a decoder's own sample format is delivered in.
AVSampleFormat NativePacked(AVSampleFormat f)
{
    switch (av_get_packed_sample_fmt(f)) {
    case AV_SAMPLE_FMT_S16:
    case AV_SAMPLE_FMT_U8:
        return AV_SAMPLE_FMT_S16;
    case AV_SAMPLE_FMT_S32:
        return AV_SAMPLE_FMT_S32;
    default:
        return AV_SAMPLE_FMT_FLT;
    }
}

uint64_t MaskOf(const AVChannelLayout& layout)
{
    return layout.order == AV_CHANNEL_ORDER_NATIVE ? layout.u.mask : 0;
}

}  // namespace

CLavAudioDecoder::CLavAudioDecoder(IUnknown* outer) : CTransformFilter(L"Audio Decoder", outer, CLSID_AudioDecoder) {}

CLavAudioDecoder::~CLavAudioDecoder() { CloseCodec(); }

HRESULT CLavAudioDecoder::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CLavAudioDecoder>(outer, riid, object);
}

HRESULT CLavAudioDecoder::CheckInputType(const CMediaType* type)
{
    if (!type || type->majortype != MEDIATYPE_Audio) return VFW_E_TYPE_NOT_ACCEPTED;
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!params) return E_OUTOFMEMORY;
    bool ok = CodecParametersOfType(*type, params);
    avcodec_parameters_free(&params);
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void CLavAudioDecoder::CloseCodec()
{
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    swr_free(&resampler_);
    resamplerIn_ = AV_SAMPLE_FMT_NONE;
    resamplerRate_ = 0;
    av_channel_layout_uninit(&resamplerLayout_);
}

bool CLavAudioDecoder::OpenCodec(const CMediaType& input)
{
    CloseCodec();
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!params) return false;
    bool ok = CodecParametersOfType(input, params);
    const AVCodec* codec = ok ? avcodec_find_decoder(params->codec_id) : nullptr;
    codec_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    ok = codec_ && avcodec_parameters_to_context(codec_, params) >= 0;
    avcodec_parameters_free(&params);
    frame_ = av_frame_alloc();
    if (!ok || !frame_) {
        CloseCodec();
        return false;
    }
    codec_->pkt_timebase = AVRational{1, static_cast<int>(UNITS)};
    if (avcodec_open2(codec_, codec, nullptr) < 0 || codec_->sample_rate <= 0 || codec_->ch_layout.nb_channels <= 0) {
        CloseCodec();
        return false;
    }
    return true;
}

bool CLavAudioDecoder::FormatAt(int position, Format* format)
{
    if (!codec_ || position < 0) return false;
    Format f;
    f.channels = codec_->ch_layout.nb_channels;
    f.rate = codec_->sample_rate;
    f.mask = MaskOf(codec_->ch_layout);
    AVSampleFormat native = NativePacked(codec_->sample_fmt);
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

void CLavAudioDecoder::TypeOfFormat(const Format& f, CMediaType* type)
{
    type->Reset();
    bool isFloat = f.sampleFormat == AV_SAMPLE_FMT_FLT;
    const GUID& subtype = isFloat ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    bool extensible = f.channels > 2;
    ULONG size = extensible ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX);
    BYTE* block = type->AllocFormatBuffer(size);
    if (!block) return;
    auto* wfx = reinterpret_cast<WAVEFORMATEX*>(block);
    wfx->wFormatTag = extensible ? WAVE_FORMAT_EXTENSIBLE : (isFloat ? WAVE_FORMAT_IEEE_FLOAT : WAVE_FORMAT_PCM);
    wfx->nChannels = static_cast<WORD>(f.channels);
    wfx->nSamplesPerSec = static_cast<DWORD>(f.rate);
    wfx->wBitsPerSample = static_cast<WORD>(av_get_bytes_per_sample(f.sampleFormat) * 8);
    wfx->nBlockAlign = static_cast<WORD>(f.BlockBytes());
    wfx->nAvgBytesPerSec = wfx->nSamplesPerSec * wfx->nBlockAlign;
    wfx->cbSize = static_cast<WORD>(size - sizeof(WAVEFORMATEX));
    if (extensible) {
        auto* ext = reinterpret_cast<WAVEFORMATEXTENSIBLE*>(block);
        ext->Samples.wValidBitsPerSample = wfx->wBitsPerSample;
        ext->dwChannelMask = static_cast<DWORD>(f.mask & 0xFFFFFFFFu);
        ext->SubFormat = subtype;
    }
    type->SetType(MEDIATYPE_Audio);
    type->SetSubtype(subtype);
    type->SetFormatType(FORMAT_WaveFormatEx);
    type->SetSampleSize(wfx->nBlockAlign);
    type->SetTemporalCompression(false);
}

bool CLavAudioDecoder::FormatOfType(const AM_MEDIA_TYPE& type, Format* format)
{
    const WAVEFORMATEX* wfx = WaveFormatOf(type);
    if (type.majortype != MEDIATYPE_Audio || !wfx || wfx->nChannels == 0 || wfx->nSamplesPerSec == 0) return false;
    bool isFloat = type.subtype == MEDIASUBTYPE_IEEE_FLOAT;
    if (!isFloat && type.subtype != MEDIASUBTYPE_PCM) return false;
    Format f;
    if (isFloat && wfx->wBitsPerSample == 32)
        f.sampleFormat = AV_SAMPLE_FMT_FLT;
    else if (!isFloat && wfx->wBitsPerSample == 32)
        f.sampleFormat = AV_SAMPLE_FMT_S32;
    else if (!isFloat && wfx->wBitsPerSample == 16)
        f.sampleFormat = AV_SAMPLE_FMT_S16;
    else
        return false;
    f.channels = wfx->nChannels;
    f.rate = static_cast<int>(wfx->nSamplesPerSec);
    if (wfx->wFormatTag == WAVE_FORMAT_EXTENSIBLE && type.cbFormat >= sizeof(WAVEFORMATEXTENSIBLE))
        f.mask = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(type.pbFormat)->dwChannelMask;
    *format = f;
    return true;
}

HRESULT CLavAudioDecoder::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    if (!in || !out || CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    Format f;
    if (!FormatOfType(*out, &f)) return VFW_E_TYPE_NOT_ACCEPTED;
    if (codec_ && (f.channels != codec_->ch_layout.nb_channels || f.rate != codec_->sample_rate))
        return VFW_E_TYPE_NOT_ACCEPTED;
    return S_OK;
}

HRESULT CLavAudioDecoder::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    Format f;
    if (!FormatAt(position, &f)) return VFW_S_NO_MORE_ITEMS;
    TypeOfFormat(f, type);
    return type->Format() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLavAudioDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    ALLOCATOR_PROPERTIES want{std::max<LONG>(props->cBuffers, 8), 0, std::max<LONG>(props->cbAlign, 1), 0};
    ALLOCATOR_PROPERTIES got{};
    return allocator->SetProperties(&want, &got);
}

HRESULT CLavAudioDecoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    if (direction == PINDIR_INPUT) return OpenCodec(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    if (!FormatOfType(*type, &output_)) return VFW_E_TYPE_NOT_ACCEPTED;
    if (!output_.mask && codec_) output_.mask = MaskOf(codec_->ch_layout);
    return S_OK;
}

HRESULT CLavAudioDecoder::BreakConnect(PIN_DIRECTION direction)
{
    if (direction == PINDIR_INPUT) CloseCodec();
    return S_OK;
}

void CLavAudioDecoder::ResetTiming()
{
    haveNextTime_ = false;
    nextTime_ = 0;
    discontinuity_ = true;
}

HRESULT CLavAudioDecoder::Receive(IMediaSample* sample)
{
    std::lock_guard<std::mutex> r(receiveLock_);
    if (!codec_) return VFW_E_NOT_CONNECTED;
    if (sample->IsDiscontinuity() == S_OK) discontinuity_ = true;
    PayloadRef keep;
    const AVPacket* packet = PacketOfSample(sample, &keep);
    if (packet) return Decode(packet);
    AVPacket* own = nullptr;
    HRESULT copied = CopySampleToPacket(sample, codec_->pkt_timebase, &own);
    if (copied != S_OK) return SUCCEEDED(copied) ? S_OK : copied;
    HRESULT hr = Decode(own);
    av_packet_free(&own);
    return hr;
}

HRESULT CLavAudioDecoder::Decode(const AVPacket* packet)
{
    int r = avcodec_send_packet(codec_, packet);
    while (r == AVERROR(EAGAIN)) {
        HRESULT hr = Drain();
        if (hr != S_OK) return hr;
        r = avcodec_send_packet(codec_, packet);
    }
    if (r == AVERROR(ENOMEM)) {
        NotifyEvent(EC_ERRORABORT, E_OUTOFMEMORY, 0);
        Input()->SetRunTimeError();
        return E_OUTOFMEMORY;
    }
    return Drain();
}

HRESULT CLavAudioDecoder::Drain()
{
    for (;;) {
        int r = avcodec_receive_frame(codec_, frame_);
        if (r < 0) return S_OK;  // EAGAIN, the end, or a frame the library gave up on
        HRESULT hr = DeliverFrame(frame_);
        av_frame_unref(frame_);
        if (hr != S_OK) return hr;
    }
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
    REFERENCE_TIME start = f->best_effort_timestamp;
    bool timed = start != AV_NOPTS_VALUE || haveNextTime_;
    if (start == AV_NOPTS_VALUE) start = nextTime_;
    REFERENCE_TIME stop = start + av_rescale(f->nb_samples, UNITS, f->sample_rate);
    nextTime_ = stop;
    haveNextTime_ = timed;
    if (segmentStart_ > 0 && timed && stop <= 0) return S_OK;  // before the point sought

    int block = output_.BlockBytes();
    if (FrameIsOutputFormat(f)) {
        LONG bytes = f->nb_samples * block;
        return DeliverPayload(FramePayload::Share(f, f->data[0], bytes), bytes, start, stop, timed);
    }
    // Conversion, set up again whenever the frames' own format changes.
    if (!resampler_ || resamplerIn_ != f->format || resamplerRate_ != f->sample_rate ||
        av_channel_layout_compare(&resamplerLayout_, &f->ch_layout) != 0) {
        swr_free(&resampler_);
        AVChannelLayout out{};
        if (output_.mask && av_popcount64(output_.mask) == output_.channels)
            av_channel_layout_from_mask(&out, output_.mask);
        else
            av_channel_layout_default(&out, output_.channels);
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
    return DeliverPayload(std::move(payload), made * block, start, stop, timed);
}

HRESULT CLavAudioDecoder::DeliverPayload(PayloadRef payload, LONG bytes, REFERENCE_TIME start, REFERENCE_TIME stop,
                                         bool timed)
{
    if (!payload) return E_OUTOFMEMORY;
    IMediaSample* sample = nullptr;
    HRESULT hr = Output()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    IMediaSamplePayload* side = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&side)))) {
        hr = side->AttachPayload(payload.Get(), payload->Data(), bytes);
        side->Release();
    } else {
        BYTE* data = nullptr;
        hr = sample->GetPointer(&data);
        if (SUCCEEDED(hr) && sample->GetSize() < bytes) hr = VFW_E_BUFFER_OVERFLOW;
        if (SUCCEEDED(hr)) {
            std::memcpy(data, payload->Data(), static_cast<size_t>(bytes));
            hr = sample->SetActualDataLength(bytes);
        }
    }
    if (SUCCEEDED(hr)) {
        if (timed) sample->SetTime(&start, &stop);
        sample->SetSyncPoint(TRUE);
        sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
        discontinuity_ = false;
        hr = Output()->Deliver(sample);
    }
    sample->Release();
    return hr;
}

HRESULT CLavAudioDecoder::StopStreaming()
{
    if (codec_) avcodec_flush_buffers(codec_);
    swr_free(&resampler_);
    resamplerIn_ = AV_SAMPLE_FMT_NONE;
    ResetTiming();
    return S_OK;
}

HRESULT CLavAudioDecoder::EndOfStream()
{
    std::lock_guard<std::mutex> r(receiveLock_);
    if (codec_) {
        if (avcodec_send_packet(codec_, nullptr) >= 0) Drain();
        avcodec_flush_buffers(codec_);
    }
    return Output()->DeliverEndOfStream();
}

HRESULT CLavAudioDecoder::EndFlush()
{
    {
        std::lock_guard<std::mutex> r(receiveLock_);
        if (codec_) avcodec_flush_buffers(codec_);
        swr_free(&resampler_);
        resamplerIn_ = AV_SAMPLE_FMT_NONE;
        ResetTiming();
    }
    return CTransformFilter::EndFlush();
}

HRESULT CLavAudioDecoder::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    {
        std::lock_guard<std::mutex> r(receiveLock_);
        segmentStart_ = start;
    }
    return CTransformFilter::NewSegment(start, stop, rate);
}
