// Memory of ours for pictures that the decoding, scaling and filtering
// libraries read or write, laid out by their rules rather than packed:
//
// - libswscale's vector code converts whole blocks of pixels and writes up
//   to 16 four-byte pixels past a row's last one, and wants rows (and
//   their starts) aligned to the vector width;
// - frames handed to libavfilter and libswscale may be read up to 16 bytes
//   past their planes, and a decoder's pictures padded as
//   avcodec_align_dimensions2 says and followed by 16 + the stride
//   alignment - 1 bytes.
//
// So rows start on a 64-byte boundary (the widest vector; 16 four-byte
// pixels) and every picture is followed by padding. A packed layout that a
// media type fixes (RGB32 rows of exactly width x 4 bytes) is never written
// by the libraries directly: they write a PictureBuffer, and the rows are
// copied.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/dshow/MediaPayload.h"
#include "platform/dshow/SampleInterfaces.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

// The boundary each row of a PictureBuffer starts on.
constexpr int kPictureRowAlign = 64;
// Bytes after a picture's last plane that the libraries may touch.
constexpr LONG kPicturePadding = 256;

// The bytes to allocate for a picture that takes imageBytes: the picture
// and the padding after it. 0 when imageBytes is negative or the sum does
// not fit.
LONG PictureAllocationBytes(LONG imageBytes);

// A payload of our own for a picture of imageBytes at its start: aligned to
// kPictureRowAlign, with the padding after it (counted in Size()). Empty
// when memory is short or the size is not usable.
PayloadRef CreatePicturePayload(LONG imageBytes);

// Whether the memory block holds a picture of imageBytes at data and the
// padding after it, so that the picture may be handed to the libraries as it
// is.
bool HoldsPaddedPicture(const BYTE* data, LONG imageBytes, const BYTE* block, LONG blockSize);
// The same for the picture at a sample's pointer, in the memory behind the
// sample (its payload, else its buffer).
bool SampleHoldsPaddedPicture(IMediaSample* sample, LONG imageBytes);

// Whether the libraries may write rows at these planes as they are: each
// plane up to the first null one starts on kPictureRowAlign and has a
// positive line size that is a multiple of it. (The memory must also hold
// the padding after the picture.)
bool RowsSuitLibraries(uint8_t* const planes[4], const int lineSizes[4]);

// A picture of one format in memory of its own, each plane's rows aligned to
// kPictureRowAlign and the padding after the last plane.
class PictureBuffer {
public:
    PictureBuffer() = default;
    ~PictureBuffer();
    PictureBuffer(const PictureBuffer&) = delete;
    PictureBuffer& operator=(const PictureBuffer&) = delete;

    // Lays out a picture of the format and size, keeping the memory when
    // both are the ones it already has. False (and no picture) for
    // paletted, hardware and bitstream formats, sizes outside 1..32768,
    // or when memory is short.
    bool Allocate(AVPixelFormat format, int width, int height);
    // Lets the memory go.
    void Clear();

    uint8_t* const* Planes() const { return planes_; }
    const int* LineSizes() const { return lineSizes_; }
    AVPixelFormat Format() const { return format_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // The bytes held: the planes and the padding.
    size_t Bytes() const { return bytes_; }

private:
    uint8_t* memory_ = nullptr;
    size_t bytes_ = 0;
    uint8_t* planes_[4] = {};
    int lineSizes_[4] = {};
    AVPixelFormat format_ = AV_PIX_FMT_NONE;
    int width_ = 0;
    int height_ = 0;
};
