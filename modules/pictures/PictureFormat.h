// The uncompressed pictures the filter modules exchange (the video
// treatment filter takes and gives them, the writers take them), as media
// types describe them: which uncompressed layouts it reads, where the picture
// lies in a sample's buffer (the buffer may be padded, rcSource giving the
// picture), and the packed layouts it writes.
//
// Input pictures travel into the picture chain without a copy: a frame of
// the decoding library is made over the sample's bytes and keeps the
// sample's payload alive for as long as the chain holds the frame.
#pragma once

#include "platform/dshow/MediaType.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/dshow/SampleInterfaces.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct PictureFormat {
    AVPixelFormat pixelFormat = AV_PIX_FMT_NONE;
    // The picture.
    int width = 0;
    int height = 0;
    // Its top-left in the buffer (rcSource).
    int left = 0;
    int top = 0;
    // The buffer: bytes per row of the first plane, and rows.
    int rowBytes = 0;
    int rows = 0;
    // Rows stored bottom-up (RGB with a positive height).
    bool bottomUp = false;
    // The second and third planes swapped (YV12 holds V before U).
    bool swapChroma = false;
    // The shape the picture is shown with (width / height); 0 square pixels.
    double displayAspect = 0;
    REFERENCE_TIME frameTime = 0;  // 0 when unknown
    // How the picture is turned to be seen as meant (read from a
    // VIDEOINFOHEADER2; the packed layouts are upright).
    PictureOrientation orientation;

    // The bytes a sample of this layout holds.
    LONG ImageBytes() const;
    bool IsValid() const { return pixelFormat != AV_PIX_FMT_NONE && width > 0 && height > 0; }
};

// The layout of an uncompressed video type this filter reads: I420, IYUV,
// YV12, NV12, YUY2, RGB24, RGB32 and ARGB32, with a VIDEOINFOHEADER or
// VIDEOINFOHEADER2; false for anything else, for sizes beyond 16384, and for
// a picture rectangle that does not lie inside the buffer (or, for 4:2:0
// and 4:2:2 layouts, does not start on even coordinates).
bool PictureFormatOfType(const AM_MEDIA_TYPE& type, PictureFormat* format);

// The packed output layouts: I420 (rowBytes = width) or RGB32 bottom-up.
PictureFormat PackedPictureFormat(bool rgb32, int width, int height, REFERENCE_TIME frameTime);
// The media type of a layout: a packed one, or an I420 one in a padded
// buffer (biWidth and biHeight give the buffer, rcSource the picture).
void TypeOfPictureFormat(const PictureFormat& format, CMediaType* type);

// The shape of one of the layout's pixels (width : height), its terms at
// most maxTerm; 1:1 for square pixels.
AVRational PixelAspectOf(const PictureFormat& format, int maxTerm);

// The plane pointers and line sizes of a picture in the layout held at
// data (which holds at least ImageBytes()). Bottom-up rows give the top
// row's address and a negative line size.
void PicturePlanes(const PictureFormat& format, BYTE* data, uint8_t* planes[4], int lineSizes[4]);

// A frame over the sample's picture (timed with the sample's start in
// 100-ns units as pts, its duration as pkt_duration): the sample's own
// payload when it carries one of this runtime with the room the libraries
// may read after the picture, else a copy of its bytes with that room.
// Null when the sample holds fewer bytes than the layout needs or memory
// is short.
AVFrame* FrameOfSample(IMediaSample* sample, const PictureFormat& format);
