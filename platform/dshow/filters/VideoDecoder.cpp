#include "platform/dshow/filters/VideoDecoder.h"

#include <algorithm>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/LavPayloads.h"
#include "platform/dshow/filters/StreamMediaType.h"

extern "C" {
#include <libavutil/cpu.h>
}

namespace {

constexpr DWORD kFourCCI420 = 0x30323449;  // "I420"

bool IsI420(int format) { return format == AV_PIX_FMT_YUV420P || format == AV_PIX_FMT_YUVJ420P; }

}  // namespace

int VideoDecodingThreads(int processors)
{
    // It runs on a streaming thread of its own, beside the treatment and
    // the encoders downstream, so it only has to keep ahead of them, not
    // hide its own time behind theirs: half the processors do that with
    // room to spare. Each frame thread holds a decoding state and pictures
    // of its own (some 6 MB for 1080p H.264), and threads beyond what keeps
    // the stream flowing only add memory and hand-overs; on one processor a
    // second one would only hold a picture back.
    if (processors <= 1) return 1;
    return std::clamp(processors / 2, 2, 8);
}

LONG CLavVideoDecoder::Layout::ImageBytes() const
{
    if (subtype == MEDIASUBTYPE_RGB32) return static_cast<LONG>(stride) * rows * 4;
    return static_cast<LONG>(stride) * rows + 2 * static_cast<LONG>(stride / 2) * (rows / 2);
}

CLavVideoDecoder::CLavVideoDecoder(IUnknown* outer)
    : CLavDecoder(L"Video Decoder", outer, CLSID_VideoDecoder, MEDIATYPE_Video, 4)
{
}

CLavVideoDecoder::~CLavVideoDecoder() { CloseCodec(); }

HRESULT CLavVideoDecoder::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CLavVideoDecoder>(outer, riid, object);
}

void CLavVideoDecoder::ReleaseCodecState()
{
    // Pictures still out keep the pool's buffers; the pool goes with the last.
    av_buffer_pool_uninit(&pool_);
    sws_freeContext(scaler_);
    scaler_ = nullptr;
    converted_.Clear();
    decoded_ = Layout{};
    orientation_ = PictureOrientation{};
    aspectX_ = aspectY_ = 0;
}

bool CLavVideoDecoder::PrepareCodec(const AVCodecParameters& params)
{
    AVCodecContext* codec = Codec();
    codec->thread_count = VideoDecodingThreads(av_cpu_count());
    codec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
#if FF_API_THREAD_SAFE_CALLBACKS
    // GetBuffer only reads what PrepareCodec set and takes from a pool that
    // has a lock of its own: it may run on the decoder's threads. (Newer
    // libraries take that for granted and dropped the flag.)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    codec->thread_safe_callbacks = 1;
#pragma GCC diagnostic pop
#endif

    // The layout the decoder is given to write into: the picture padded as
    // the library says the codec needs, with strides that suit its
    // alignment for every plane.
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    int w = params.width, h = params.height;
    int align[AV_NUM_DATA_POINTERS] = {};
    avcodec_align_dimensions2(codec, &w, &h, align);
    codec->pix_fmt = AV_PIX_FMT_NONE;
    int linesize[4] = {};
    int unaligned = 0;
    int stride = FFALIGN(w, 2);
    do {
        if (av_image_fill_linesizes(linesize, AV_PIX_FMT_YUV420P, stride) < 0) return false;
        unaligned = 0;
        for (int i = 0; i < 3; ++i)
            if (align[i] > 0) unaligned |= linesize[i] % align[i];
        if (unaligned) stride += stride & ~(stride - 1);
    } while (unaligned);
    decoded_ = Layout{MEDIASUBTYPE_I420, params.width, params.height, linesize[0], FFALIGN(h, 2)};
    // Room after each picture for the codecs' reads past its end. The
    // pictures go on to the encoders in these very buffers, so the room is
    // cleared once, when a buffer is made: what is read there is never
    // left over from an earlier use of the memory.
    pool_ = av_buffer_pool_init(static_cast<size_t>(PictureAllocationBytes(decoded_.ImageBytes())), &av_buffer_allocz);
    if (!pool_) return false;
    codec->opaque = this;
    codec->get_buffer2 = &CLavVideoDecoder::GetBuffer;
    return true;
}

bool CLavVideoDecoder::CodecOpened(const CMediaType& input)
{
    frameTime_ = FrameTimeOf(input);
    orientation_ = OrientationOfType(input);
    if (!PictureAspectOfType(input, &aspectX_, &aspectY_)) aspectX_ = aspectY_ = 0;
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
    if (!Codec()) return false;
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
    // Pictures to be turned for showing keep their orientation on the way
    // to the video treatment, and pictures of pixels that are not square
    // their shape, in the second form of the header.
    const bool turned = !orientation_.IsUpright();
    const bool shaped = aspectX_ > 0 && aspectY_ > 0 &&
                        static_cast<uint64_t>(aspectX_) * static_cast<uint64_t>(layout.height) !=
                            static_cast<uint64_t>(aspectY_) * static_cast<uint64_t>(layout.width);
    const bool info2 = turned || shaped;
    type->SetFormatType(info2 ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
    type->SetTemporalCompression(false);
    type->SetSampleSize(static_cast<ULONG>(layout.ImageBytes()));
    BYTE* block = type->AllocFormatBuffer(info2 ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER));
    if (!block) return;
    // The fields up to the frame time stand alike in both headers.
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(block);
    vih->rcSource = RECT{0, 0, layout.width, layout.height};
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = frameTime_;
    if (frameTime_ > 0)
        vih->dwBitRate = static_cast<DWORD>(
            std::min<LONGLONG>(0xFFFFFFFFLL, static_cast<LONGLONG>(layout.ImageBytes()) * 8 * UNITS / frameTime_));
    BITMAPINFOHEADER& bih = info2 ? reinterpret_cast<VIDEOINFOHEADER2*>(block)->bmiHeader : vih->bmiHeader;
    if (info2) {
        auto* v2 = reinterpret_cast<VIDEOINFOHEADER2*>(block);
        v2->dwPictAspectRatioX = shaped ? aspectX_ : static_cast<DWORD>(layout.width);
        v2->dwPictAspectRatioY = shaped ? aspectY_ : static_cast<DWORD>(layout.height);
        v2->dwControlFlags = OrientationControlFlags(orientation_);
    }
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
    if (type.majortype != MEDIATYPE_Video ||
        (type.formattype != FORMAT_VideoInfo && type.formattype != FORMAT_VideoInfo2))
        return false;
    const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
    if (!header) return false;
    bool i420 = type.subtype == MEDIASUBTYPE_I420 || type.subtype == MEDIASUBTYPE_IYUV;
    if (!i420 && type.subtype != MEDIASUBTYPE_RGB32) return false;
    // rcSource stands alike in both headers.
    const auto* vih = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    const BITMAPINFOHEADER& bih = *header;
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

HRESULT CLavVideoDecoder::SetOutputType(const CMediaType& type)
{
    return LayoutOfType(type, &output_) ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
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
    scaler_ =
        sws_getCachedContext(scaler_, f->width, f->height, static_cast<AVPixelFormat>(f->format), l.width, l.height,
                             rgb ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr);
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
    // The scaler writes whole blocks past a row's end, and some of its
    // paths need aligned rows: it writes straight into a buffer (padded
    // after the picture) only whose rows are laid out for it. Rows going
    // upwards never are: a row's overrun would land on the row above, which
    // is already written.
    if (!rgb && RowsSuitLibraries(planes, strides)) {
        sws_scale(scaler_, f->data, f->linesize, 0, f->height, planes, strides);
        return S_OK;
    }
    AVPixelFormat target = rgb ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P;
    if (!converted_.Allocate(target, l.width, l.height)) return E_OUTOFMEMORY;
    sws_scale(scaler_, f->data, f->linesize, 0, f->height, converted_.Planes(), converted_.LineSizes());
    av_image_copy(planes, strides, const_cast<const uint8_t**>(converted_.Planes()), converted_.LineSizes(), target,
                  l.width, l.height);
    return S_OK;
}

HRESULT CLavVideoDecoder::DeliverFrame(AVFrame* f)
{
    REFERENCE_TIME duration = f->pkt_duration > 0 ? f->pkt_duration : frameTime_;
    FrameTimes times;
    if (!TimeFrame(f, std::max<REFERENCE_TIME>(duration, 1), &times)) return S_OK;

    PayloadRef payload;
    LONG bytes = output_.ImageBytes();
    if (FrameIsOutputLayout(f)) {
        // The whole buffer, so that those who hand the picture on to the
        // libraries see the room after it.
        payload = FramePayload::Share(f, f->data[0], static_cast<LONG>(f->buf[0]->size));
    } else {
        payload = CreatePicturePayload(bytes);
        if (payload && FAILED(Convert(f, payload->Data()))) return S_OK;
    }
    return DeliverPayload(payload, bytes, times, f->key_frame != 0);
}
