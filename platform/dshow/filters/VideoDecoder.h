// CLavVideoDecoder: the video decoder over the decoding library, for every
// video pair of the codec table (receiving, decoding, draining and timing
// are CLavDecoder's; the library's own frame and slice threads work inside).
// One sample goes out per decoded picture; it lasts the packet's duration,
// or the frame time of the input type.
//
// Output types, in the order offered:
//  1. I420 in the layout the decoder writes into: biWidth is the row stride
//     in pixels and biHeight the rows of the buffer, both padded as the
//     codec needs; rcSource and rcTarget give the picture. The decoder
//     allocates its pictures in this layout, and a sample carries the
//     decoded picture itself without a copy. A filter downstream that takes
//     this type must honour rcSource.
//  2. I420 packed at the picture's size (offered when it differs from 1).
//  3. RGB32 packed, bottom-up.
// Types 2 and 3, and pictures that come out in another layout, are
// converted (a copy). Pictures to be turned for showing keep the input's
// orientation in every output type (PictureOrientation.h); the decoder
// does not turn them.
#pragma once

#include "platform/dshow/PictureMemory.h"
#include "platform/dshow/PictureOrientation.h"
#include "platform/dshow/filters/LavDecoder.h"

// The decoding library's threads for a video decoder on a machine of the
// given processors: half of them, at least two (one on a single processor)
// and at most eight.
int VideoDecodingThreads(int processors);

class CLavVideoDecoder final : public CLavDecoder {
public:
    explicit CLavVideoDecoder(IUnknown* outer);
    ~CLavVideoDecoder() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;

    // A picture layout: subtype (I420 or RGB32), the picture's size, and
    // the buffer's row stride (pixels) and rows.
    struct Layout {
        GUID subtype{};
        int width = 0;
        int height = 0;
        int stride = 0;
        int rows = 0;
        LONG ImageBytes() const;
    };

protected:
    bool PrepareCodec(const AVCodecParameters& params) override;
    bool CodecOpened(const CMediaType& input) override;
    HRESULT SetOutputType(const CMediaType& type) override;
    HRESULT DeliverFrame(AVFrame* frame) override;
    void ReleaseCodecState() override;

private:
    bool LayoutAt(int position, Layout* layout);
    static bool LayoutOfType(const AM_MEDIA_TYPE& type, Layout* layout);
    void TypeOfLayout(const Layout& layout, CMediaType* type);
    bool FrameIsOutputLayout(const AVFrame* frame) const;
    HRESULT Convert(const AVFrame* frame, BYTE* image);
    static int GetBuffer(AVCodecContext* context, AVFrame* frame, int flags);

    AVBufferPool* pool_ = nullptr;
    Layout decoded_;  // the layout the decoder writes into
    Layout output_;   // the output connection's layout
    REFERENCE_TIME frameTime_ = 0;
    PictureOrientation orientation_;  // the input's
    // The input's picture aspect (width : height as shown); 0 when it says
    // none.
    DWORD aspectX_ = 0;
    DWORD aspectY_ = 0;
    SwsContext* scaler_ = nullptr;
    // What the scaler converts into when the output layout's rows do not
    // suit it (packed I420, bottom-up RGB32); the rows are copied from here.
    PictureBuffer converted_;
};
