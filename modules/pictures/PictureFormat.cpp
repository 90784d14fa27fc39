#include "modules/pictures/PictureFormat.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/PictureMemory.h"

extern "C" {
#include <libavutil/buffer.h>
#include <libavutil/rational.h>
}

namespace {

constexpr DWORD kFourCCI420 = 0x30323449;  // "I420"
constexpr int kMaxSide = 16384;

bool IsSubsampled420(AVPixelFormat f) { return f == AV_PIX_FMT_YUV420P || f == AV_PIX_FMT_NV12; }

// The bytes per row of a layout's first plane for a stride in pixels.
int RowBytesOf(AVPixelFormat f, int stride)
{
    switch (f) {
    case AV_PIX_FMT_YUYV422: return stride * 2;
    case AV_PIX_FMT_BGR24: return (stride * 3 + 3) & ~3;
    case AV_PIX_FMT_BGRA:
    case AV_PIX_FMT_BGR0: return stride * 4;
    default: return stride;
    }
}

const VIDEOINFOHEADER2* Info2Of(const AM_MEDIA_TYPE& type)
{
    if (type.formattype != FORMAT_VideoInfo2 || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER2))
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
}

const RECT* SourceRectOf(const AM_MEDIA_TYPE& type)
{
    if (const VIDEOINFOHEADER2* v2 = Info2Of(type)) return &v2->rcSource;
    if (type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER))
        return &reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->rcSource;
    return nullptr;
}

void ReleasePayload(void* opaque, uint8_t*) { static_cast<MediaPayload*>(opaque)->Release(); }

}  // namespace

LONG PictureFormat::ImageBytes() const
{
    LONG plane = static_cast<LONG>(rowBytes) * rows;
    switch (pixelFormat) {
    case AV_PIX_FMT_YUV420P: return plane + 2 * static_cast<LONG>(rowBytes / 2) * (rows / 2);
    case AV_PIX_FMT_NV12: return plane + static_cast<LONG>(rowBytes) * (rows / 2);
    default: return plane;
    }
}

bool PictureFormatOfType(const AM_MEDIA_TYPE& type, PictureFormat* format)
{
    if (!format || type.majortype != MEDIATYPE_Video) return false;
    if (type.formattype != FORMAT_VideoInfo && type.formattype != FORMAT_VideoInfo2) return false;
    const BITMAPINFOHEADER* bih = BitmapHeaderOf(type);
    const RECT* source = SourceRectOf(type);
    if (!bih || !source) return false;

    PictureFormat f;
    const GUID& s = type.subtype;
    if (s == MEDIASUBTYPE_I420 || s == MEDIASUBTYPE_IYUV) {
        f.pixelFormat = AV_PIX_FMT_YUV420P;
    } else if (s == MEDIASUBTYPE_YV12) {
        f.pixelFormat = AV_PIX_FMT_YUV420P;
        f.swapChroma = true;
    } else if (s == MEDIASUBTYPE_NV12) {
        f.pixelFormat = AV_PIX_FMT_NV12;
    } else if (s == MEDIASUBTYPE_YUY2) {
        f.pixelFormat = AV_PIX_FMT_YUYV422;
    } else if (s == MEDIASUBTYPE_RGB24 && bih->biBitCount == 24) {
        f.pixelFormat = AV_PIX_FMT_BGR24;
    } else if (s == MEDIASUBTYPE_RGB32 && bih->biBitCount == 32) {
        f.pixelFormat = AV_PIX_FMT_BGR0;
    } else if (s == MEDIASUBTYPE_ARGB32 && bih->biBitCount == 32) {
        f.pixelFormat = AV_PIX_FMT_BGRA;
    } else {
        return false;
    }
    bool rgb =
        f.pixelFormat == AV_PIX_FMT_BGR24 || f.pixelFormat == AV_PIX_FMT_BGR0 || f.pixelFormat == AV_PIX_FMT_BGRA;
    if (bih->biWidth <= 0 || bih->biWidth > kMaxSide || bih->biHeight == 0 || bih->biHeight < -kMaxSide ||
        bih->biHeight > kMaxSide)
        return false;
    int stride = bih->biWidth;
    f.rows = bih->biHeight < 0 ? -bih->biHeight : bih->biHeight;
    f.bottomUp = rgb && bih->biHeight > 0;
    bool subsampled = IsSubsampled420(f.pixelFormat) || f.pixelFormat == AV_PIX_FMT_YUYV422;
    if (subsampled && stride % 2) return false;
    if (IsSubsampled420(f.pixelFormat) && f.rows % 2) return false;
    f.rowBytes = RowBytesOf(f.pixelFormat, stride);

    bool whole = source->right <= source->left || source->bottom <= source->top;
    if (whole) {
        f.width = stride;
        f.height = f.rows;
    } else {
        if (source->left < 0 || source->top < 0 || source->right > stride || source->bottom > f.rows) return false;
        f.left = source->left;
        f.top = source->top;
        f.width = source->right - source->left;
        f.height = source->bottom - source->top;
        if (subsampled && f.left % 2) return false;
        if (IsSubsampled420(f.pixelFormat) && f.top % 2) return false;
    }
    DWORD aspectX = 0, aspectY = 0;
    if (PictureAspectOfType(type, &aspectX, &aspectY)) f.displayAspect = static_cast<double>(aspectX) / aspectY;
    f.frameTime = FrameTimeOf(type);
    f.orientation = OrientationOfType(type);
    *format = f;
    return true;
}

PictureFormat PackedPictureFormat(bool rgb32, int width, int height, REFERENCE_TIME frameTime)
{
    PictureFormat f;
    f.pixelFormat = rgb32 ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P;
    f.width = width;
    f.height = height;
    f.rows = height;
    f.rowBytes = RowBytesOf(f.pixelFormat, width);
    f.bottomUp = rgb32;
    f.frameTime = frameTime;
    return f;
}

void TypeOfPictureFormat(const PictureFormat& format, CMediaType* type)
{
    bool rgb = format.pixelFormat == AV_PIX_FMT_BGRA || format.pixelFormat == AV_PIX_FMT_BGR0;
    type->Reset();
    type->SetType(MEDIATYPE_Video);
    type->SetSubtype(rgb ? MEDIASUBTYPE_RGB32 : MEDIASUBTYPE_I420);
    // Pixels that are not square keep the picture's shape in the second
    // form of the header; the fields up to the frame time stand alike in
    // both.
    const bool shaped = format.displayAspect > 0 && format.width > 0 && format.height > 0 &&
                        std::fabs(format.displayAspect * format.height / format.width - 1.0) > 1e-6;
    type->SetFormatType(shaped ? FORMAT_VideoInfo2 : FORMAT_VideoInfo);
    type->SetTemporalCompression(false);
    type->SetSampleSize(static_cast<ULONG>(format.ImageBytes()));
    BYTE* block = type->AllocFormatBuffer(shaped ? sizeof(VIDEOINFOHEADER2) : sizeof(VIDEOINFOHEADER));
    if (!block) return;
    auto* vih = reinterpret_cast<VIDEOINFOHEADER*>(block);
    if (shaped) {
        const AVRational aspect = av_d2q(format.displayAspect, 65535);
        auto* v2 = reinterpret_cast<VIDEOINFOHEADER2*>(block);
        v2->dwPictAspectRatioX = static_cast<DWORD>(aspect.num);
        v2->dwPictAspectRatioY = static_cast<DWORD>(aspect.den);
    }
    vih->rcSource = RECT{0, 0, format.width, format.height};
    vih->rcTarget = vih->rcSource;
    vih->AvgTimePerFrame = format.frameTime;
    if (format.frameTime > 0) {
        long double bits = static_cast<long double>(format.ImageBytes()) * 8 * UNITS / format.frameTime;
        vih->dwBitRate = bits > 4294967295.0L ? 0xFFFFFFFFu : static_cast<DWORD>(bits);
    }
    BITMAPINFOHEADER& bih = shaped ? reinterpret_cast<VIDEOINFOHEADER2*>(block)->bmiHeader : vih->bmiHeader;
    // A padded I420 buffer: the row stride and the rows of the buffer, the
    // picture in rcSource.
    bih.biWidth = rgb ? format.width : std::max(format.width, format.rowBytes);
    bih.biHeight = rgb ? format.height : std::max(format.height, format.rows);
    bih.biBitCount = rgb ? 32 : 12;
    bih.biCompression = rgb ? BI_RGB : kFourCCI420;
    bih.biSizeImage = static_cast<DWORD>(format.ImageBytes());
}

AVRational PixelAspectOf(const PictureFormat& format, int maxTerm)
{
    if (format.displayAspect <= 0 || format.width <= 0 || format.height <= 0) return AVRational{1, 1};
    return av_d2q(format.displayAspect * format.height / format.width, maxTerm);
}

void PicturePlanes(const PictureFormat& f, BYTE* data, uint8_t* planes[4], int lineSizes[4])
{
    for (int i = 0; i < 4; ++i) {
        planes[i] = nullptr;
        lineSizes[i] = 0;
    }
    ptrdiff_t plane = static_cast<ptrdiff_t>(f.rowBytes) * f.rows;
    switch (f.pixelFormat) {
    case AV_PIX_FMT_YUV420P: {
        int c = f.rowBytes / 2;
        BYTE* u = data + plane;
        BYTE* v = u + static_cast<ptrdiff_t>(c) * (f.rows / 2);
        if (f.swapChroma) std::swap(u, v);
        planes[0] = data + static_cast<ptrdiff_t>(f.top) * f.rowBytes + f.left;
        planes[1] = u + static_cast<ptrdiff_t>(f.top / 2) * c + f.left / 2;
        planes[2] = v + static_cast<ptrdiff_t>(f.top / 2) * c + f.left / 2;
        lineSizes[0] = f.rowBytes;
        lineSizes[1] = lineSizes[2] = c;
        break;
    }
    case AV_PIX_FMT_NV12:
        planes[0] = data + static_cast<ptrdiff_t>(f.top) * f.rowBytes + f.left;
        planes[1] = data + plane + static_cast<ptrdiff_t>(f.top / 2) * f.rowBytes + f.left;
        lineSizes[0] = lineSizes[1] = f.rowBytes;
        break;
    default: {
        int pixelBytes = f.pixelFormat == AV_PIX_FMT_YUYV422 ? 2 : f.pixelFormat == AV_PIX_FMT_BGR24 ? 3 : 4;
        int row = f.bottomUp ? f.rows - 1 - f.top : f.top;
        planes[0] = data + static_cast<ptrdiff_t>(row) * f.rowBytes + static_cast<ptrdiff_t>(f.left) * pixelBytes;
        lineSizes[0] = f.bottomUp ? -f.rowBytes : f.rowBytes;
        break;
    }
    }
}

AVFrame* FrameOfSample(IMediaSample* sample, const PictureFormat& format)
{
    if (!sample || !format.IsValid()) return nullptr;
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || !data) return nullptr;
    LONG length = sample->GetActualDataLength();
    LONG needed = format.ImageBytes();
    if (length < needed) return nullptr;

    AVBufferRef* buffer = nullptr;
    IMediaSamplePayload* side = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&side)))) {
        MediaPayload* payload = side->GetPayload();
        side->Release();
        // The libraries may read past the picture: the payload is taken
        // as it is when it holds the room after it.
        if (payload && HoldsPaddedPicture(data, needed, payload->Data(), payload->Size())) {
            // The payload stays alive while the frame (or any frame made
            // from it in the chain) holds the buffer; it is not ours to
            // write into. The buffer reaches to the payload's end, so that
            // whoever passes the frame on still sees the room after the
            // picture and need not copy it.
            const auto room = static_cast<size_t>(payload->Data() + payload->Size() - data);
            buffer = av_buffer_create(data, room, &ReleasePayload, payload, AV_BUFFER_FLAG_READONLY);
            if (!buffer) payload->Release();
        } else if (payload) {
            payload->Release();
        }
    }
    if (!buffer) {
        buffer = av_buffer_alloc(static_cast<size_t>(PictureAllocationBytes(needed)));
        if (!buffer) return nullptr;
        std::memcpy(buffer->data, data, static_cast<size_t>(needed));
        std::memset(buffer->data + needed, 0, static_cast<size_t>(kPicturePadding));
        data = buffer->data;
    }
    AVFrame* frame = av_frame_alloc();
    if (!frame) {
        av_buffer_unref(&buffer);
        return nullptr;
    }
    frame->buf[0] = buffer;
    frame->format = format.pixelFormat;
    frame->width = format.width;
    frame->height = format.height;
    PicturePlanes(format, data, frame->data, frame->linesize);
    frame->extended_data = frame->data;
    frame->sample_aspect_ratio = PixelAspectOf(format, 100000);
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT timed = sample->GetTime(&start, &stop);
    frame->pts = SUCCEEDED(timed) ? start : AV_NOPTS_VALUE;
    if (timed == S_OK && stop > start) frame->pkt_duration = stop - start;
    return frame;
}
