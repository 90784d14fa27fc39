#include "platform/dshow/filters/VideoDecoder.h"

#include <algorithm>
#include <cstring>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/LavPayloads.h"
#include "platform/dshow/filters/StreamMediaType.h"

namespace {

constexpr DWORD kFourCCI420 = 0x30323449;  // "I420"
// Room after a decoded picture for the codecs' reads past its end.
constexpr int kBufferTail = 256;

bool IsI420(int format) { return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P; }

}  // namespace

LONG CLavVideoDecoder::Layout::ImageBytes() const
{
    if (subtype == MEDIASUBTYPE_RGB32) return static_cast<LONG>(stride) * rows * 4;
    return static_cast<LONG>(stride) * rows + 2 * static_cast<LONG>(stride / 2) * (rows / 2);
}

CLavVideoDecoder::CLavVideoDecoder(IUnknown* outer) : CTransformFilter(L"Video Decoder", outer, CLSID_VideoDecoder) {}

CLavVideoDecoder::~CLavVideoDecoder() { CloseCodec(); }

HRESULT CLavVideoDecoder::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CLavVideoDecoder>(outer, riid, object);
}

HRESULT CLavVideoDecoder::CheckInputType(const CMediaType* type)
{
    if (!type || type->majortype != MEDIATYPE_Video) return VFW_E_TYPE_NOT_ACCEPTED;
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!params) return E_OUTOFMEMORY;
    bool ok = CodecParametersOfType(*type, params);
    avcodec_parameters_free(&params);
    return ok ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

void CLavVideoDecoder::CloseCodec()
{
    avcodec_free_context(&codec_);
    av_frame_free(&frame_);
    // Pictures still out keep the pool's buffers; the pool goes with the last.
    av_buffer_pool_uninit(&pool_);
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    decoded_ = Layout{};
}

bool CLavVideoDecoder::OpenCodec(const CMediaType& input)
{
    CloseCodec();
    AVCodecParameters* params = avcodec_parameters_alloc();
    if (!params) return false;
    bool ok = CodecParametersOfType(input, params);
    const AVCodec* codec = ok ? avcodec_find_decoder(params->codec_id) : nullptr;
    codec_ = codec ? avcodec_alloc_context3(codec) : nullptr;
    ok = codec_ && avcodec_parameters_to_context(codec_, params) >= 0;
    int width = params->width, height = params->height;
    avcodec_parameters_free(&params);
    frame_ = av_frame_alloc();
    if (!ok || !frame_) {
        CloseCodec();
        return false;
    }
    codec_->pkt_timebase = AVRational{1, static_cast<int>(UNITS)};
    codec_->thread_count = 0;
    codec_->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
#if FF_API_THREAD_SAFE_CALLBACKS
    // GetBuffer only reads what OpenCodec set and takes from a pool that
    // has a lock of its own: it may run on the decoder's threads. (Newer
    // libraries take that for granted and dropped the flag.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    codec_->thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif

    // The layout the decoder is given to write into: the picture padded as
    // the library says the codec needs, with strides that suit its
    // alignment for every plane.
    codec_->pix_fmt = AV_PIX_FMT_YUV420P;
    int w = width, h = height;
    int align[AV_NUM_DATA_POINTERS] = {};
    avcodec_align_dimensions2(codec_, &w, &h, align);
    codec_->pix_fmt = AV_PIX_FMT_NONE;
    int linesize[4] = {};
    int unaligned = 0;
    int stride = FFALIGN(w, 2);
    do {
        if (av_image_fill_linesizes(linesize, AV_PIX_FMT_YUV420P, stride) < 0) {
            CloseCodec();
            return false;
        }
        unaligned = 0;
        for (int i = 0; i < 3; ++i)
            if (align[i] > 0) unaligned |= linesize[i] % align[i];
        if (unaligned) stride += stride & ~(stride - 1);
    } while (unaligned);
    decoded_ = Layout{MEDIASUBTYPE_I420, width, height, linesize[0], FFALIGN(h, 2)};
    pool_ = av_buffer_pool_init(static_cast<size_t>(decoded_.ImageBytes()) + kBufferTail, nullptr);
    if (!pool_) {
        CloseCodec();
        return false;
    }
    codec_->opaque = this;
    codec_->get_buffer2 = &CLavVideoDecoder::GetBuffer;
    if (avcodec_open2(codec_, codec, nullptr) < 0) {
        CloseCodec();
        return false;
    }
    frameTime_ = FrameTimeOf(input);
    return true;
}

int CLavVideoDecoder::GetBuffer(AVCodecContext* context, AVFrame* frame, int flags)
{
    auto* self = static_cast<CLavVideoDecoder*>(context->opaque);
    const Layout& l = self->decoded_;
    if (self->pool_ && IsI420(frame->format)) {
        int w = frame->width, h = frame->height;
        int align[AV_NUM_DATA_POINTERS] = {};
        avcodec_align_dimensions2(context, &w, &h, align);
        bool fits = w <= l.stride && h <= l.rows;
        for (int i = 0; i < 3 && fits; ++i)
            if (align[i] > 0 && (i == 0 ? l.stride : l.stride / 2) % align[i]) fits = false;
        if (fits) {
            AVBufferRef* buffer = av_buffer_pool_get(self->pool_);
            if (buffer) {
                frame->buf[0] = buffer;
                frame->data[0] = buffer->data;
                frame->data[1] = frame->data[0] + static_cast<ptrdiff_t>(l.stride) * l.rows;
                frame->data[2] = frame->data[1] + static_cast<ptrdiff_t>(l.stride / 2) * (l.rows / 2);
                frame->linesize[0] = l.stride;
                frame->linesize[1] = frame->linesize[2] = l.stride / 2;
                frame->extended_data = frame->data;
                return 0;
            }
        }
    }
    return avcodec_default_get_buffer2(context, frame, flags);
}

bool CLavVideoDecoder::LayoutAt(int position, Layout* layout)
{
    if (!codec_) return false;
    int w = decoded_.width, h = decoded_.height;
    Layout packed{MEDIASUBTYPE_I420, w, h, FFALIGN(w, 2), FFALIGN(h, 2)};
    bool samePacked = packed.stride == decoded_.stride && packed.rows == decoded_.rows;
    std::vector<Layout> offered{decoded_};
    if (!samePacked) offered.push_back(packed);
    offered.push_back(Layout{MEDIASUBTYPE_RGB32, w, h, w, h});
    if (position < 0 || static_cast<size_t>(position) >= offered.size()) return false;
    *layout = offered[static_cast<size_t>(position)];
    return true;
}

void CLavVideoDecoder::TypeOfLayout(const Layout& layout, CMediaType* type)
{
    type->Reset();
    type->SetType(MEDIATYPE_Video);
    type->SetSubtype(layout.subtype);
    type->SetFormatType(FORMAT_VideoInfo);
    type->SetTemporalCompression(false);
    type->SetSampleSize(static_cast<ULONG>(layout.ImageBytes()));
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(type->AllocFormatBuffer(sizeof(VIDEOINFOHEADER)));
    if (!vih) return;
    vih->rcSource = RECT{0, 0, layout.width, layout.height};
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = frameTime_;
    if (frameTime_ > 0)
        vih->dwBitRate = static_cast<DWORD>(std::min<LONGLONG>(
            0xFFFFFFFFLL, static_cast<LONGLONG>(layout.ImageBytes()) * 8 * UNITS / frameTime_));
    BITMAPINFOHEADER& bih = vih->bmiHeader;
    bih.biSize = sizeof(BITMAPINFOHEADER);
    bih.biWidth = layout.stride;
    bih.biHeight = layout.rows;
    bih.biPlanes = 1;
    bih.biBitCount = layout.subtype == MEDIASUBTYPE_RGB32 ? 32 : 12;
    bih.biCompression = layout.subtype == MEDIASUBTYPE_RGB32 ? BI_RGB : kFourCCI420;
    bih.biSizeImage = static_cast<DWORD>(layout.ImageBytes());
}

bool CLavVideoDecoder::LayoutOfType(const AM_MEDIA_TYPE& type, Layout* layout)
{
    if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo || !type.pbFormat ||
        type.cbFormat < sizeof(VIDEOINFOHEADER))
        return false;
    bool i420 = type.subtype == MEDIASUBTYPE_I420 || type.subtype == MEDIASUBTYPE_IYUV;
    if (!i420 && type.subtype != MEDIASUBTYPE_RGB32) return false;
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const BITMAPINFOHEADER& bih = vih->bmiHeader;
    // Top-down RGB and odd I420 strides are not written here.
    if (bih.biWidth <= 0 || bih.biHeight <= 0 || bih.biWidth > 32768 || bih.biHeight > 32768) return false;
    if (i420 && (bih.biWidth % 2 || bih.biHeight % 2)) return false;
    const RECT& r = vih->rcSource;
    bool whole = r.right <= r.left || r.bottom <= r.top;
    Layout l{i420 ? MEDIASUBTYPE_I420 : MEDIASUBTYPE_RGB32, whole ? bih.biWidth : r.right - r.left,
             whole ? bih.biHeight : r.bottom - r.top, bih.biWidth, bih.biHeight};
    if (!whole && (r.left != 0 || r.top != 0)) return false;
    if (l.width > l.stride || l.height > l.rows) return false;
    *layout = l;
    return true;
}

HRESULT CLavVideoDecoder::CheckTransform(const CMediaType* in, const CMediaType* out)
{
    if (!in || !out || CheckInputType(in) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
    Layout l;
    if (!LayoutOfType(*out, &l)) return VFW_E_TYPE_NOT_ACCEPTED;
    const BITMAPINFOHEADER* bih = BitmapHeaderOf(*in);
    int height = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
    return l.width == bih->biWidth && l.height == height ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavVideoDecoder::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    Layout l;
    if (!LayoutAt(position, &l)) return VFW_S_NO_MORE_ITEMS;
    TypeOfLayout(l, type);
    return type->Format() ? S_OK : E_OUTOFMEMORY;
}

HRESULT CLavVideoDecoder::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    // Samples carry pictures made elsewhere: no buffers of their own.
    ALLOCATOR_PROPERTIES want{std::max<LONG>(props->cBuffers, 4), 0, std::max<LONG>(props->cbAlign, 1), 0};
    ALLOCATOR_PROPERTIES got{};
    return allocator->SetProperties(&want, &got);
}

HRESULT CLavVideoDecoder::SetMediaType(PIN_DIRECTION direction, const CMediaType* type)
{
    if (direction == PINDIR_INPUT) return OpenCodec(*type) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
    return LayoutOfType(*type, &output_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
}

HRESULT CLavVideoDecoder::BreakConnect(PIN_DIRECTION direction)
{
    if (direction == PINDIR_INPUT) CloseCodec();
    return S_OK;
}

void CLavVideoDecoder::ResetTiming()
{
    haveNextTime_ = false;
    nextTime_ = 0;
    discontinuity_ = true;
}

HRESULT CLavVideoDecoder::Receive(IMediaSample* sample)
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

HRESULT CLavVideoDecoder::Decode(const AVPacket* packet)
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

HRESULT CLavVideoDecoder::Drain()
{
    for (;;) {
        int r = avcodec_receive_frame(codec_, frame_);
        if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return S_OK;
        if (r < 0) return S_OK;
        HRESULT hr = DeliverFrame(frame_);
        av_frame_unref(frame_);
        if (hr != S_OK) return hr;
    }
}

bool CLavVideoDecoder::FrameIsOutputLayout(const AVFrame* f) const
{
    const Layout& l = output_;
    if (l.subtype != MEDIASUBTYPE_I420 || !IsI420(f->format) || f->width != l.width || f->height != l.height)
        return false;
    if (!f->buf[0] || f->data[0] != f->buf[0]->data || f->buf[1]) return false;
    if (f->linesize[0] != l.stride || f->linesize[1] != l.stride / 2 || f->linesize[2] != l.stride / 2) return false;
    if (f->data[1] != f->data[0] + static_cast<ptrdiff_t>(l.stride) * l.rows) return false;
    if (f->data[2] != f->data[1] + static_cast<ptrdiff_t>(l.stride / 2) * (l.rows / 2)) return false;
    return f->buf[0]->size >= static_cast<size_t>(l.ImageBytes());
}

HRESULT CLavVideoDecoder::Convert(const AVFrame* f, BYTE* image)
{
    const Layout& l = output_;
    bool rgb = l.subtype == MEDIASUBTYPE_RGB32;
    scaler_ = sws_getCachedContext(scaler_, f->width, f->height, static_cast<AVPixelFormat>(f->format), l.width,
                                   l.height, rgb ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr);
    if (!scaler_) return E_FAIL;
    uint8_t* planes[4] = {};
    int strides[4] = {};
    if (rgb) {
        // Bottom-up: the first row of the picture is the buffer's last.
        planes[0] = image + static_cast<ptrdiff_t>(l.rows - 1) * l.stride * 4;
        strides[0] = -l.stride * 4;
    } else {
        planes[0] = image;
        planes[1] = image + static_cast<ptrdiff_t>(l.stride) * l.rows;
        planes[2] = planes[1] + static_cast<ptrdiff_t>(l.stride / 2) * (l.rows / 2);
        strides[0] = l.stride;
        strides[1] = strides[2] = l.stride / 2;
    }
    sws_scale(scaler_, f->data, f->linesize, 0, f->height, planes, strides);
    return S_OK;
}

HRESULT CLavVideoDecoder::DeliverFrame(AVFrame* f)
{
    REFERENCE_TIME start = f->best_effort_timestamp;
    bool timed = start != AV_NOPTS_VALUE || haveNextTime_;
    if (start == AV_NOPTS_VALUE) start = nextTime_;
    REFERENCE_TIME duration = f->pkt_duration > 0 ? f->pkt_duration : frameTime_;
    REFERENCE_TIME stop = start + std::max<REFERENCE_TIME>(duration, 1);
    nextTime_ = stop;
    haveNextTime_ = timed;
    if (segmentStart_ > 0 && timed && stop <= 0) return S_OK;  // before the point sought

    PayloadRef payload;
    LONG bytes = output_.ImageBytes();
    if (FrameIsOutputLayout(f)) {
        payload = FramePayload::Share(f, f->data[0], bytes);
    } else {
        payload = CreateHeapPayload(bytes, 32);
        if (payload && FAILED(Convert(f, payload->Data()))) return S_OK;
    }
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
        sample->SetSyncPoint(f->key_frame ? TRUE : FALSE);
        sample->SetDiscontinuity(discontinuity_ ? TRUE : FALSE);
        discontinuity_ = false;
        hr = Output()->Deliver(sample);
    }
    sample->Release();
    return hr;
}

HRESULT CLavVideoDecoder::StopStreaming()
{
    // Called with the receive lock held.
    if (codec_) avcodec_flush_buffers(codec_);
    ResetTiming();
    return S_OK;
}

HRESULT CLavVideoDecoder::EndOfStream()
{
    std::lock_guard<std::mutex> r(receiveLock_);
    if (codec_) {
        // The pictures the decoder still holds come out first.
        if (avcodec_send_packet(codec_, nullptr) >= 0) Drain();
        avcodec_flush_buffers(codec_);
    }
    return Output()->DeliverEndOfStream();
}

HRESULT CLavVideoDecoder::EndFlush()
{
    {
        std::lock_guard<std::mutex> r(receiveLock_);
        if (codec_) avcodec_flush_buffers(codec_);
        ResetTiming();
    }
    return CTransformFilter::EndFlush();
}

HRESULT CLavVideoDecoder::NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    {
        std::lock_guard<std::mutex> r(receiveLock_);
        segmentStart_ = start;
    }
    return CTransformFilter::NewSegment(start, stop, rate);
}
