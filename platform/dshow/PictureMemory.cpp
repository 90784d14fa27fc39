#include "platform/dshow/PictureMemory.h"

#include <cstdlib>
#include <limits>

#include "platform/dshow/MediaSample.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace {

constexpr int kMaxSide = 32768;

}  // namespace

LONG PictureAllocationBytes(LONG imageBytes)
{
    if (imageBytes < 0 || imageBytes > std::numeric_limits<LONG>::max() - kPicturePadding) return 0;
    return imageBytes + kPicturePadding;
}

PayloadRef CreatePicturePayload(LONG imageBytes)
{
    LONG bytes = PictureAllocationBytes(imageBytes);
    if (bytes <= 0) return PayloadRef();
    return CreateHeapPayload(bytes, kPictureRowAlign);
}

bool HoldsPaddedPicture(const BYTE* data, LONG imageBytes, const BYTE* block, LONG blockSize)
{
    if (!data || !block || imageBytes < 0 || blockSize < 0 || data < block) return false;
    auto offset = static_cast<size_t>(data - block);
    return offset <= static_cast<size_t>(blockSize) &&
           static_cast<size_t>(blockSize) - offset >= static_cast<size_t>(imageBytes) + kPicturePadding;
}

bool SampleHoldsPaddedPicture(IMediaSample* sample, LONG imageBytes)
{
    BYTE* data = nullptr;
    if (!sample || FAILED(sample->GetPointer(&data)) || !data) return false;
    IMediaSamplePayload* side = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&side)))) {
        MediaPayload* payload = side->GetPayload();
        side->Release();
        if (payload) {
            bool holds = HoldsPaddedPicture(data, imageBytes, payload->Data(), payload->Size());
            payload->Release();
            return holds;
        }
    }
    return HoldsPaddedPicture(data, imageBytes, data, sample->GetSize());
}

bool RowsSuitLibraries(uint8_t* const planes[4], const int lineSizes[4])
{
    if (!planes[0]) return false;
    for (int i = 0; i < 4 && planes[i]; ++i)
        if (reinterpret_cast<uintptr_t>(planes[i]) % kPictureRowAlign || lineSizes[i] <= 0 ||
            lineSizes[i] % kPictureRowAlign)
            return false;
    return true;
}

PictureBuffer::~PictureBuffer() { Clear(); }

void PictureBuffer::Clear()
{
    std::free(memory_);
    memory_ = nullptr;
    bytes_ = 0;
    for (int i = 0; i < 4; ++i) {
        planes_[i] = nullptr;
        lineSizes_[i] = 0;
    }
    format_ = AV_PIX_FMT_NONE;
    width_ = height_ = 0;
}

bool PictureBuffer::Allocate(AVPixelFormat format, int width, int height)
{
    if (memory_ && format == format_ && width == width_ && height == height_) return true;
    Clear();
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc || (desc->flags & (AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_HWACCEL | AV_PIX_FMT_FLAG_BITSTREAM)))
        return false;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;
    int lines[4] = {};
    if (av_image_fill_linesizes(lines, format, width) < 0) return false;
    ptrdiff_t aligned[4] = {};
    for (int i = 0; i < 4; ++i) aligned[i] = FFALIGN(lines[i], kPictureRowAlign);
    size_t sizes[4] = {};
    if (av_image_fill_plane_sizes(sizes, format, height, aligned) < 0) return false;
    size_t total = kPicturePadding;
    for (size_t s : sizes) total += s;
    // Every plane's size is a whole number of aligned rows, so each plane
    // after the first starts aligned too.
    size_t rounded = (total + kPictureRowAlign - 1) / kPictureRowAlign * kPictureRowAlign;
    memory_ = static_cast<uint8_t*>(std::aligned_alloc(kPictureRowAlign, rounded));
    if (!memory_) return false;
    bytes_ = rounded;
    uint8_t* at = memory_;
    for (int i = 0; i < 4; ++i) {
        if (!sizes[i]) continue;
        planes_[i] = at;
        lineSizes_[i] = static_cast<int>(aligned[i]);
        at += sizes[i];
    }
    format_ = format;
    width_ = width;
    height_ = height;
    return true;
}
