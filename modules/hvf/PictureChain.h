// The picture treatments as one graph of the filtering library, built once
// for a source layout and a set of picture settings and used for every
// picture until one of them changes. In order:
//
//   deinterlacing (yadif, the field-blending post-processing filter, or one
//   field with its lines doubled), the output frame rate (fps), deblocking
//   of the 8x8 coding blocks (deblock), the turn that shows the picture as
//   it is meant to be seen (transpose, hflip, vflip), the vertical flip
//   (vflip), the part of the source kept (crop), scaling (scale),
//   brightness, contrast and saturation (eq), hue (hue), blur (gblur),
//   sharpening (unsharp), the black bars (pad), and the output format.
//
// Adjustments and filters work on the scaled picture, inside the bars: the
// bars stay black, and a picture made smaller is treated at its new size.
//
// Strengths (0..100) map to the library's filters as:
//   deblocking  deblock=filter=strong:block=8 with alpha = 0.0098 x s and
//               beta = gamma = delta = 0.005 x s (10: the filter's defaults)
//   blur        gblur with sigma = s / 64
//   sharpening  unsharp on luma, 5x5, amount = s / 64
#pragma once

#include <string>

#include "modules/hvf/PictureGeometry.h"
#include "modules/hvf/VideoFilterSettings.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

struct AVFilterGraph;
struct AVFilterContext;

// What enters the chain: pictures as they are stored, with the turn that
// shows them as meant. The layout the chain is built with is that of the
// turned picture.
struct ChainInput {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    int width = 0;
    int height = 0;
    AVRational sampleAspect{1, 1};
    PictureOrientation orientation{};
    bool operator==(const ChainInput& o) const
    {
        return format == o.format && width == o.width && height == o.height &&
               av_cmp_q(sampleAspect, o.sampleAspect) == 0 && orientation == o.orientation;
    }
};

class PictureChain {
public:
    PictureChain() = default;
    ~PictureChain();
    PictureChain(const PictureChain&) = delete;
    PictureChain& operator=(const PictureChain&) = delete;

    // The filters between the chain's source and its sink, as the
    // library's graph text ("null" when the pictures pass unchanged).
    // rgbOutput: the chain ends in packed BGRA instead of planar 4:2:0.
    static std::string Describe(const ChainInput& input, const PictureSettings& settings, const PictureLayout& layout,
                                bool rgbOutput);

    // Builds the graph; false (with the library's words in *error) when it
    // cannot be built. Any earlier graph is let go first.
    bool Build(const ChainInput& input, const PictureSettings& settings, const PictureLayout& layout, bool rgbOutput,
               std::string* error);
    bool IsBuilt() const { return m_graph != nullptr; }
    const ChainInput& Input() const { return m_input; }
    void Reset();

    // Hands a picture to the chain (its pts and pkt_duration in 100-ns
    // units), taking over the frame's reference (the frame itself stays the
    // caller's); null ends the stream where the last picture ends, or, when
    // the frame rate changes and no picture has come out yet, one output
    // frame after the last picture's start, so that a stream of pictures
    // never ends as a stream without one. A negative error code of the
    // library on failure.
    int Push(AVFrame* frame);
    // The next treated picture: 0 with the frame filled (pts in 100-ns
    // units), AVERROR(EAGAIN) while the chain needs more pictures,
    // AVERROR_EOF after the end.
    int Pull(AVFrame* frame);

private:
    AVFilterGraph* m_graph = nullptr;
    AVFilterContext* m_source = nullptr;
    AVFilterContext* m_sink = nullptr;
    ChainInput m_input;
    AVRational m_sinkTimeBase{1, 10000000};
    int64_t m_end = AV_NOPTS_VALUE;   // where the last picture pushed ends
    int64_t m_last = AV_NOPTS_VALUE;  // where it starts
    int64_t m_outputFrame = 0;        // the output frame time when the rate changes, else 0
    int64_t m_pulled = 0;             // pictures that came out
};
