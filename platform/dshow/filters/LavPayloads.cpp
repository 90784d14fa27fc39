#include "platform/dshow/filters/LavPayloads.h"

#include <cstring>
#include <new>

#include "platform/dshow/MediaSample.h"

PacketPayload::PacketPayload(AVPacket* owned) : MediaPayload(owned->data, owned->size), packet_(owned) {}

PacketPayload::~PacketPayload() { av_packet_free(&packet_); }

PayloadRef PacketPayload::Take(AVPacket* packet)
{
    if (!packet || !packet->buf) return PayloadRef();
    AVPacket* owned = av_packet_alloc();
    if (!owned) return PayloadRef();
    av_packet_move_ref(owned, packet);
    auto* p = new (std::nothrow) PacketPayload(owned);
    if (!p) {
        av_packet_free(&owned);
        return PayloadRef();
    }
    return PayloadRef(p);
}

FramePayload::FramePayload(AVFrame* owned, BYTE* data, LONG size) : MediaPayload(data, size), frame_(owned) {}

FramePayload::~FramePayload() { av_frame_free(&frame_); }

PayloadRef FramePayload::Share(const AVFrame* frame, BYTE* data, LONG size)
{
    AVFrame* ref = av_frame_clone(frame);
    if (!ref) return PayloadRef();
    auto* p = new (std::nothrow) FramePayload(ref, data, size);
    if (!p) {
        av_frame_free(&ref);
        return PayloadRef();
    }
    return PayloadRef(p);
}

const AVPacket* PacketOfSample(IMediaSample* sample, PayloadRef* keep)
{
    IMediaSamplePayload* side = nullptr;
    if (!sample || FAILED(sample->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&side))))
        return nullptr;
    PayloadRef payload(side->GetPayload());
    side->Release();
    auto* packet = dynamic_cast<PacketPayload*>(payload.Get());
    if (!packet) return nullptr;
    // The sample must carry the whole packet, not a part of it.
    BYTE* data = nullptr;
    if (FAILED(sample->GetPointer(&data)) || data != packet->Data() || sample->GetActualDataLength() != packet->Size())
        return nullptr;
    *keep = std::move(payload);
    return packet->Packet();
}

HRESULT CopySampleToPacket(IMediaSample* sample, AVRational timeBase, AVPacket** packet)
{
    *packet = nullptr;
    BYTE* data = nullptr;
    LONG length = sample->GetActualDataLength();
    if (FAILED(sample->GetPointer(&data)) || length <= 0) return S_FALSE;
    AVPacket* own = av_packet_alloc();
    if (!own || av_new_packet(own, length) < 0) {
        av_packet_free(&own);
        return E_OUTOFMEMORY;
    }
    std::memcpy(own->data, data, static_cast<size_t>(length));
    REFERENCE_TIME start = 0, stop = 0;
    if (SUCCEEDED(sample->GetTime(&start, &stop))) own->pts = start;
    if (sample->IsSyncPoint() == S_OK) own->flags |= AV_PKT_FLAG_KEY;
    own->time_base = timeBase;
    *packet = own;
    return S_OK;
}
