// Payloads that carry the decoding library's own packets and frames through
// the graph without copying: a sample of a splitter holds a reference on the
// demultiplexed packet, a sample of a decoder on the decoded frame, and the
// library's memory goes back when the last sample lets go.
//
// A decoder of ours that receives a packet payload takes the packet itself
// (with its timing and side data); any other sample is read as bytes.
#pragma once

#include "platform/dshow/MediaPayload.h"
#include "platform/dshow/filters/LavHeaders.h"

class PacketPayload final : public MediaPayload {
public:
    // Takes over the packet's reference (the packet is left blank). Empty
    // when memory is short or the packet has no counted data.
    static PayloadRef Take(AVPacket* packet);
    const AVPacket* Packet() const { return packet_; }

private:
    explicit PacketPayload(AVPacket* owned);
    ~PacketPayload() override;
    AVPacket* packet_;
};

class FramePayload final : public MediaPayload {
public:
    // A reference on the frame; its bytes are the size bytes at data, which
    // lie inside the frame's buffers. Empty when memory is short.
    static PayloadRef Share(const AVFrame* frame, BYTE* data, LONG size);

private:
    FramePayload(AVFrame* owned, BYTE* data, LONG size);
    ~FramePayload() override;
    AVFrame* frame_;
};

// The packet behind a sample of one of our splitters, or null.
const AVPacket* PacketOfSample(struct IMediaSample* sample, PayloadRef* keep);

// Bytes from elsewhere: a packet of our own holding a copy of the sample's
// bytes, timed by the sample (start as pts in timeBase units), marked key
// when the sample is a sync point. S_OK with the packet (the caller frees it
// with av_packet_free), S_FALSE when the sample holds no bytes,
// E_OUTOFMEMORY when no packet can be had.
HRESULT CopySampleToPacket(struct IMediaSample* sample, AVRational timeBase, AVPacket** packet);
