// CLavDecoder: what the decoders over the decoding library share, for one
// major type (video or audio) of the codec table.
//
// The input type opens the codec (SetMediaType on the input pin); breaking
// the input connection closes it. Each sample is decoded on the thread that
// delivers it: the packet of one of our splitters is taken as it is, any
// other sample's bytes are copied into a packet of our own; for codecs
// whose decoder reads one frame a packet (AMR) each packet is split into
// its frames first. Damaged data is skipped as the library skips it; only
// a lack of memory stops the stream (EC_ERRORABORT). Every frame the
// library gives back goes to the derived decoder's DeliverFrame, which
// times it (TimeFrame) and delivers it (DeliverPayload). At the end of the stream the frames the codec still
// holds come out before EndOfStream; a flush or a stop drops them.
//
// Timing: a frame's start is its presentation time, or, without one, where
// the previous frame ended; a frame without either is delivered untimed.
// After a seek (a segment that does not start at 0) frames that end before
// the segment's start are decoded but not delivered. The first sample after
// a discontinuity, a flush or a stop is marked as one.
//
// A derived decoder prepares the codec before it opens (PrepareCodec),
// checks it once open (CodecOpened), keeps its output state
// (SetOutputType, ReleaseCodecState, ResetConversion) and must call
// CloseCodec in its own destructor, so that its state goes while it still
// exists.
#pragma once

#include "platform/dshow/MediaPayload.h"
#include "platform/dshow/TransformFilter.h"
#include "platform/dshow/filters/LavHeaders.h"

class CLavDecoder : public CTransformFilter {
public:
    // samples: how many output samples may be on their way at once.
    CLavDecoder(const wchar_t* name, IUnknown* outer, const CLSID& clsid, const GUID& majorType, LONG samples);
    ~CLavDecoder() override;

    HRESULT CheckInputType(const CMediaType* type) override;
    // Samples carry frames made by the library or by a conversion: they
    // have no buffers of their own.
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    HRESULT SetMediaType(PIN_DIRECTION direction, const CMediaType* type) override;
    HRESULT BreakConnect(PIN_DIRECTION direction) override;
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT StopStreaming() override;
    HRESULT EndOfStream() override;
    HRESULT EndFlush() override;
    HRESULT NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

protected:
    // The times of one decoded frame.
    struct FrameTimes {
        REFERENCE_TIME start = 0;
        REFERENCE_TIME stop = 0;
        bool timed = false;
    };

    // Before the codec opens: the context has the input's parameters (and
    // the packets' time base); params are those parameters. False refuses
    // the input type. Nothing to prepare by default.
    virtual bool PrepareCodec(const AVCodecParameters&) { return true; }
    // Once the codec is open (input the type that opened it). False refuses
    // the input type.
    virtual bool CodecOpened(const CMediaType& input) = 0;
    // The output connection's type (SetMediaType on the output pin).
    virtual HRESULT SetOutputType(const CMediaType& type) = 0;
    // Delivers one decoded frame: S_OK to go on, anything else stops the
    // decoding of the current sample and is its result.
    virtual HRESULT DeliverFrame(AVFrame* frame) = 0;
    // The codec closes: the derived decoder lets go of what it made for it.
    virtual void ReleaseCodecState() {}
    // The stream starts again (stop, flush): conversions that keep state
    // between frames start afresh.
    virtual void ResetConversion() {}

    AVCodecContext* Codec() const { return codec_; }
    void CloseCodec();
    // Times a frame that lasts duration; false when it ends before the point
    // sought and is not to be delivered.
    bool TimeFrame(const AVFrame* frame, REFERENCE_TIME duration, FrameTimes* times);
    // Delivers bytes of the payload as one sample with the frame's times.
    HRESULT DeliverPayload(const PayloadRef& payload, LONG bytes, const FrameTimes& times, bool syncPoint);

private:
    bool OpenCodec(const CMediaType& input);
    // Decodes a packet, split into frames first for the codecs that need
    // it; null ends the splitting.
    HRESULT Decode(const AVPacket* packet);
    HRESULT SendPacket(const AVPacket* packet);
    HRESULT Drain();
    // Drops what the codec holds and starts the timing afresh (the receive
    // lock held, or no stream running).
    void ResetStream();

    GUID majorType_;
    LONG samples_;
    AVCodecContext* codec_ = nullptr;
    AVCodecParserContext* parser_ = nullptr;  // splits packets into frames, or null
    AVFrame* frame_ = nullptr;

    // Streaming state, under the receive lock.
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME nextTime_ = 0;
    bool haveNextTime_ = false;
    bool discontinuity_ = true;
};
