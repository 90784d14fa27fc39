#include "platform/dshow/filters/LavDecoder.h"

#include <algorithm>

#include "platform/dshow/MediaSample.h"
#include "platform/dshow/filters/LavPayloads.h"
#include "platform/dshow/filters/StreamMediaType.h"

CLavDecoder::CLavDecoder(const wchar_t* name, IUnknown* outer, const CLSID& clsid, const GUID& majorType, LONG samples)
    : CTransformFilter(name, outer, clsid), majorType_(majorType), samples_(samples)
{
}

namespace {

// Codecs whose decoder reads one frame of each packet, while containers
// may hold several frames in one (a phone's 3GP keeps a second or more of
// speech in a sample): their packets are split into frames first.
bool SplitsPacketsIntoFrames(AVCodecID id) { return id == AV_CODEC_ID_AMR_NB || id == AV_CODEC_ID_AMR_WB; }

}  // namespace

CLavDecoder::~CLavDecoder()
{
    // The derived decoder has closed the codec (and let go of its state);
    // what is left is only what a failed construction may leave.
    av_parser_close(parser_);
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
}

HRESULT CLavDecoder::CheckInputType(const CMediaType* type)
{
    if (!type || type->majortype != majorType_) return VFW_E_TYPE_NOT_ACCEPTED;
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!params) return E_OUTOFMEMORY;
    bool ok = CodecParametersOfType(*type, params);
    avcodec_parameters_free(&params);
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    ALLOCATOR_PROPERTIES want{std::max<LONG>(props->cBuffers, samples_), 0, std::max<LONG>(props->cbAlign, 1), 0};
    ALLOCATOR_PROPERTIES got{};
    return allocator->SetProperties(&want, &got);
}

void CLavDecoder::CloseCodec()
{
    av_parser_close(parser_);
    parser_ = nullptr;
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    ReleaseCodecState();
}

bool CLavDecoder::OpenCodec(const CMediaType& input)
{
    CloseCodec();
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!params) return false;
    bool ok = CodecParametersOfType(input, params);
    const AVCodec* codec = ok ? avcodec_find_decoder(params->codec_id) : nullptr;
    codec_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    ok = codec_ && avcodec_parameters_to_context(codec_, params) >= 0;
    frame_ = av_frame_alloc();
    if (ok && frame_) {
        codec_->pkt_timebase = AVRational{1, static_cast<int>(UNITS)};
        ok = PrepareCodec(*params);
    }
    avcodec_parameters_free(&params);
    if (!ok || !frame_ || avcodec_open2(codec_, codec, nullptr) < 0 || !CodecOpened(input)) {
        CloseCodec();
        return false;
    }
    if (SplitsPacketsIntoFrames(codec_->codec_id) && !(parser_ = av_parser_init(codec_->codec_id))) {
        CloseCodec();
        return false;
    }
    return true;
}

HRESULT CLavDecoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    if (direction == PINDIR_INPUT) return OpenCodec(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return SetOutputType(*type);
}

HRESULT CLavDecoder::BreakConnect(PIN_DIRECTION direction)
{
    if (direction == PINDIR_INPUT) CloseCodec();
    return S_OK;
}

void CLavDecoder::ResetStream()
{
    if (codec_) avcodec_flush_buffers(codec_);
    if (parser_) {
        // A frame begun before the flush is not finished by what follows.
        av_parser_close(parser_);
        parser_ = av_parser_init(codec_->codec_id);
    }
    ResetConversion();
    haveNextTime_ = false;
    nextTime_ = 0;
    discontinuity_ = true;
}

HRESULT CLavDecoder::Receive(IMediaSample* sample)
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

HRESULT CLavDecoder::Decode(const AVPacket* packet)
{
    if (!parser_) return SendPacket(packet);
    // Frame by frame; the first frame takes the packet's times, the others
    // follow it (null: what the splitting still holds comes out).
    const uint8_t* data = packet ? packet->data : nullptr;
    int size = packet ? packet->size : 0;
    int64_t pts = packet ? packet->pts : AV_NOPTS_VALUE;
    int64_t dts = packet ? packet->dts : AV_NOPTS_VALUE;
    AVPacket* frame = av_packet_alloc();
    if (!frame) return E_OUTOFMEMORY;
    HRESULT hr = S_OK;
    for (;;) {
        uint8_t* out = nullptr;
        int outSize = 0;
        int used = av_parser_parse2(parser_, codec_, &out, &outSize, data, size, pts, dts, packet ? packet->pos : -1);
        if (used < 0) break;
        data += used;
        size -= used;
        pts = dts = AV_NOPTS_VALUE;
        if (outSize > 0) {
            frame->data = out;
            frame->size = outSize;
            frame->pts = parser_->pts;
            frame->dts = parser_->dts;
            frame->flags = AV_PKT_FLAG_KEY;
            hr = SendPacket(frame);
            if (hr != S_OK) break;
        }
        // The end of the input: done once nothing more comes out.
        if (size <= 0 && (packet || outSize <= 0)) break;
    }
    av_packet_free(&frame);
    return hr;
}

HRESULT CLavDecoder::SendPacket(const AVPacket* packet)
{
    int r = avcodec_send_packet(codec_, packet);
    while (r == AVERROR(EAGAIN)) {
        HRESULT hr = Drain();
        if (hr != S_OK) return hr;
        r = avcodec_send_packet(codec_, packet);
    }
    // Damaged data is skipped, as the library skips it; only a lack of
    // memory stops the stream.
    if (r == AVERROR(ENOMEM)) {
        NotifyEvent(EC_ERRORABORT, E_OUTOFMEMORY, 0);
        Input()->SetRunTimeError();
        return E_OUTOFMEMORY;
    }
    return Drain();
}

HRESULT CLavDecoder::Drain()
{
    for (;;) {
        // EAGAIN, the end, or a frame the library gave up on.
        if (avcodec_receive_frame(codec_, frame_) < 0) return S_OK;
        HRESULT hr = DeliverFrame(frame_);
        av_frame_unref(frame_);
        if (hr != S_OK) return hr;
    }
}

bool CLavDecoder::TimeFrame(const AVFrame* frame, REFERENCE_TIME duration, FrameTimes* times)
{
    REFERENCE_TIME start = frame->best_effort_timestamp;
    times->timed = start != AV_NOPTS_VALUE || haveNextTime_;
    times->start = start != AV_NOPTS_VALUE ? start : nextTime_;
    times->stop = times->start + duration;
    nextTime_ = times->stop;
    haveNextTime_ = times->timed;
    return !(segmentStart_ > 0 && times->timed && times->stop <= 0);
}

HRESULT CLavDecoder::DeliverPayload(const PayloadRef& payload, LONG bytes, const FrameTimes& times, bool syncPoint)
{
    if (!payload) return E_OUTOFMEMORY;
    IMediaSample* sample = nullptr;
    HRESULT hr = Output()->GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    hr = PutPayload(sample, payload.Get(), payload->Data(), bytes);
    if (SUCCEEDED(hr)) {
        REFERENCE_TIME start = times.start, stop = times.stop;
        if (times.timed) sample->SetTime(&start, &stop);
        sample->SetSyncPoint(syncPoint ? TRUE : FALSE);
        sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
        discontinuity_ = false;
        hr = Output()->Deliver(sample);
    }
    sample->Release();
    return hr;
}

HRESULT CLavDecoder::StopStreaming()
{
    // Called with the receive lock held.
    ResetStream();
    return S_OK;
}

HRESULT CLavDecoder::EndOfStream()
{
    std::lock_guard<std::mutex> r(receiveLock_);
    if (codec_) {
        // The frames the splitting and the decoder still hold come out
        // first.
        if (parser_) Decode(nullptr);
        if (avcodec_send_packet(codec_, nullptr) >= 0) Drain();
        avcodec_flush_buffers(codec_);
    }
    return Output()->DeliverEndOfStream();
}

HRESULT CLavDecoder::EndFlush()
{
    {
        std::lock_guard<std::mutex> r(receiveLock_);
        ResetStream();
    }
    return CTransformFilter::EndFlush();
}

HRESULT CLavDecoder::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    {
        std::lock_guard<std::mutex> r(receiveLock_);
        segmentStart_ = start;
    }
    return CTransformFilter::NewSegment(start, stop, rate);
}
