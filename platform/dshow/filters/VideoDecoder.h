// CLavVideoDecoder: the video decoder over the decoding library, for every
// video pair of the codec table. It decodes on the thread that delivers
// each sample (the library's own frame and slice threads inside), and
// delivers one sample per decoded picture, timed by the picture's
// presentation time.
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
// converted (a copy).
//
// After a seek (a segment that does not start at 0) pictures that end
// before the segment's start are decoded but not delivered.
#pragma once

#include "platform/dshow/TransformFilter.h"
#include "platform/dshow/filters/LavHeaders.h"

class CLavVideoDecoder final : public CTransformFilter {
public:
    explicit CLavVideoDecoder(IUnknown* outer);
    ~CLavVideoDecoder() override;

    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckInputType(const CMediaType* type) override;
    HRESULT CheckTransform(const CMediaType* in, const CMediaType* out) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT BreakConnect(PIN_DIRECTION direction) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT StopStreaming() override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

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

private:
    bool OpenCodec(const CMediaType& input);
    void CloseCodec();
    bool LayoutAt(int position, Layout* layout);
    static bool LayoutOfType(const AM_MEDIA_TYPE& type, Layout* layout);
    void TypeOfLayout(const Layout& layout, CMediaType* type);
    HRESULT Decode(const AVPacket* packet);
    HRESULT Drain();
    HRESULT DeliverFrame(AVFrame* frame);
    bool FrameIsOutputLayout(const AVFrame* frame) const;
    HRESULT Convert(const AVFrame* frame, BYTE* image);
    void ResetTiming();
    static int GetBuffer(AVCodecContext* context, AVFrame* frame, int flags);

    AVCodecContext* codec_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVBufferPool* pool_ = nullptr;
    Layout decoded_;  // the layout the decoder writes into
    Layout output_;   // the output connection's layout
    REFERENCE_TIME frameTime_ = 0;
    SwsContext* scaler_ = nullptr;

    // Streaming state, under the receive lock.
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME nextTime_ = 0;
    bool haveNextTime_ = false;
    bool discontinuity_ = true;
};
