#include "platform/dshow/filters/LavDemuxFilter.h"
#include "platform/com/ComPtr.h"

#include <algorithm>
#include <chrono>
#include <cwchar>
#include <iterator>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MediaSample.h"
#include "platform/dshow/filters/FrameRate.h"
#include "platform/dshow/filters/LavPayloads.h"
#include "platform/dshow/filters/StreamMediaType.h"
#include "platform/win32/DebugOutput.h"
#include "platform/win32/ThreadName.h"

namespace {

// A queue may hold this much before the reading thread waits for room
// (about a second of pictures: reading a packet takes far less time than
// decoding one, so a deeper queue only holds more of the file in memory) ...
constexpr size_t kSoftPackets = 24;
constexpr size_t kSoftBytes = 16u << 20;
// ... and all queues together never more than this, even while another
// stream starves.
constexpr size_t kHardPackets = 8192;
constexpr size_t kHardBytes = 256u << 20;

constexpr AVRational kMediaTime{1, static_cast<int>(UNITS)};

// What is read at most, when the container is opened, to measure the rate
// of a video stream whose container states none.
constexpr size_t kMeasuredFrames = 120;
constexpr int kMeasuredPackets = 4096;
constexpr int64_t kMeasuredBytes = 64 << 20;
// A time stamp this far (or as far as the file lasts, when longer) before
// the start or beyond the end of the file is damaged.
constexpr REFERENCE_TIME kFarTimeMargin = 60 * UNITS;

REFERENCE_TIME ToMediaTime(int64_t ts, AVRational base) { return av_rescale_q(ts, base, kMediaTime); }

// The bytes of one sample of every channel of sound stored as it is played,
// interleaved; 0 for any other stream.
int InterleavedFrameBytes(const AVCodecParameters* p)
{
    switch (p->codec_id) {
    case AV_CODEC_ID_PCM_S16LE_PLANAR:
    case AV_CODEC_ID_PCM_S16BE_PLANAR:
    case AV_CODEC_ID_PCM_S8_PLANAR:
    case AV_CODEC_ID_PCM_S24LE_PLANAR:
    case AV_CODEC_ID_PCM_S32LE_PLANAR:
    case AV_CODEC_ID_PCM_S24DAUD: return 0;
    default: break;
    }
    if (p->codec_type != AVMEDIA_TYPE_AUDIO || p->codec_id < AV_CODEC_ID_PCM_S16LE ||
        p->codec_id >= AV_CODEC_ID_ADPCM_IMA_QT)
        return 0;
    const int bits = av_get_exact_bits_per_sample(p->codec_id);
    const int channels = p->ch_layout.nb_channels;
    return bits > 0 && bits % 8 == 0 && channels > 0 ? bits / 8 * channels : 0;
}

// Sound stored as it is played comes in large packets (a WAV file's hold
// 4096 bytes, half a second of 8-bit sound at 8 kHz): a packet that runs
// past the stop position (end, from the segment's start) keeps only the
// sound before it, so that a segment's sound ends where its pictures do.
// False when nothing of the packet is left.
bool CutSoundAtStop(AVPacket* packet, const AVCodecParameters* p, REFERENCE_TIME end)
{
    const int frameBytes = InterleavedFrameBytes(p);
    if (frameBytes <= 0 || p->sample_rate <= 0 || packet->pts == AV_NOPTS_VALUE) return true;
    const int64_t frames = packet->size / frameBytes;
    if (packet->pts + av_rescale(frames, UNITS, p->sample_rate) <= end) return true;
    const int64_t kept = std::clamp<int64_t>(av_rescale(end - packet->pts, p->sample_rate, UNITS), 0, frames);
    av_shrink_packet(packet, static_cast<int>(kept * frameBytes));
    packet->duration = av_rescale(kept, UNITS, p->sample_rate);
    return kept > 0;
}

// The time a queued packet (its times already in media time) is decoded
// at: its presentation time when the container gave no decoding time.
REFERENCE_TIME PacketTime(const AVPacket* packet)
{
    int64_t ts = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
    return ts == AV_NOPTS_VALUE ? kNoPacketTime : ts;
}

}  // namespace

// ---- CLavOutputPin --------------------------------------------------------------------------

CLavOutputPin::CLavOutputPin(CLavDemuxFilter* filter, const std::wstring& name, int streamIndex, const CMediaType& type)
    : CBaseOutputPin(filter, name.c_str()), demux_(filter), stream_(streamIndex), type_(type)
{
}

CLavOutputPin::~CLavOutputPin()
{
    if (thread_.joinable()) thread_.join();
    for (AVPacket* p : queue_) av_packet_free(&p);
}

HRESULT CLavOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMediaSeeking) return GetInterface(static_cast<IMediaSeeking*>(this), object);
    return CBaseOutputPin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CLavOutputPin::CheckMediaType(const CMediaType* type)
{
    if (!type || type->majortype != type_.majortype || type->subtype != type_.subtype) return S_FALSE;
    if (type->formattype != GUID_NULL && type->formattype != type_.formattype) return S_FALSE;
    return S_OK;
}

HRESULT CLavOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = type_;
    return S_OK;
}

HRESULT CLavOutputPin::DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props)
{
    // Samples carry the packets themselves: no buffers of their own.
    ALLOCATOR_PROPERTIES want{std::max<LONG>(props->cBuffers, 16), 0, std::max<LONG>(props->cbAlign, 1), 0};
    ALLOCATOR_PROPERTIES got{};
    return allocator->SetProperties(&want, &got);
}

HRESULT CLavOutputPin::Active() { return CBaseOutputPin::Active(); }

HRESULT CLavOutputPin::Inactive() { return CBaseOutputPin::Inactive(); }

void CLavOutputPin::Deliver()
{
    NameCurrentThread(type_.majortype == MEDIATYPE_Video   ? "rivo-video"
                      : type_.majortype == MEDIATYPE_Audio ? "rivo-audio"
                                                           : "rivo-stream");
    CSeekPositions& positions = demux_->positions_;
    DeliverNewSegment(positions.Start(), positions.Stop(), positions.Rate());
    bool first = true;
    for (;;) {
        AVPacket* packet = nullptr;
        if (!demux_->Next(this, &packet)) return;
        if (!packet) {
            DeliverEndOfStream();
            return;
        }
        HRESULT hr = DeliverPacket(packet, first);
        first = false;
        if (hr != S_OK) {
            // Flushing, stopping or failed downstream: nothing more goes out
            // until the stream starts again.
            demux_->Abandon(this);
            return;
        }
    }
}

HRESULT CLavOutputPin::DeliverPacket(AVPacket* packet, bool discontinuity)
{
    REFERENCE_TIME start = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    REFERENCE_TIME duration = packet->duration > 0 ? packet->duration : 0;
    bool key = (packet->flags & AV_PKT_FLAG_KEY) != 0;
    // An empty packet carries nothing to deliver; one without counted
    // memory gets some, so that it can travel as a payload.
    if (packet->size <= 0) {
        av_packet_free(&packet);
        return S_OK;
    }
    if (av_packet_make_refcounted(packet) < 0) {
        av_packet_free(&packet);
        return E_OUTOFMEMORY;
    }
    PayloadRef payload = PacketPayload::Take(packet);
    av_packet_free(&packet);
    if (!payload) return E_OUTOFMEMORY;

    IMediaSample* sample = nullptr;
    HRESULT hr = GetDeliveryBuffer(&sample, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    hr = PutPayload(sample, payload.Get(), payload->Data(), payload->Size());
    if (SUCCEEDED(hr)) {
        if (start != AV_NOPTS_VALUE) {
            REFERENCE_TIME stop = start + duration;
            sample->SetTime(&start, duration > 0 ? &stop : nullptr);
        }
        sample->SetSyncPoint(key ? TRUE : FALSE);
        sample->SetDiscontinuity(discontinuity ? TRUE : FALSE);
        hr = CBaseOutputPin::Deliver(sample);
    }
    sample->Release();
    return hr;
}

CSeekPositions& CLavOutputPin::Positions() { return demux_->positions_; }

HRESULT CLavOutputPin::Reposition(const SeekChange& change) { return demux_->Seek(this, change); }

// ---- CLavDemuxFilter ------------------------------------------------------------------------

CLavDemuxFilter::CLavDemuxFilter(const wchar_t* name, IUnknown* outer, const CLSID& clsid)
    : CBaseFilter(name, outer, clsid)
{
}

CLavDemuxFilter::~CLavDemuxFilter()
{
    StopStreaming();
    CloseContainer();
}

int CLavDemuxFilter::OutputCount() { return static_cast<int>(outputs_.size()); }

CLavOutputPin* CLavDemuxFilter::Output(int n)
{
    if (n < 0 || n >= OutputCount()) return nullptr;
    return outputs_[static_cast<size_t>(n)].get();
}

int CLavDemuxFilter::Interrupted(void* filter)
{
    return static_cast<CLavDemuxFilter*>(filter)->stopping_.load(std::memory_order_acquire) ? 1 : 0;
}

HRESULT CLavDemuxFilter::OpenContainer(AVFormatContext* format, AVIOContext* io)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    format_ = format;
    io_ = io;
    format_->interrupt_callback.callback = &CLavDemuxFilter::Interrupted;
    format_->interrupt_callback.opaque = this;
    if (avformat_find_stream_info(format_, nullptr) < 0) {
        CloseContainer();
        return VFW_E_INVALID_FILE_FORMAT;
    }
    bool measured = MeasureFrameRates();
    fileStart_ = format_->start_time != AV_NOPTS_VALUE ? ToMediaTime(format_->start_time, AV_TIME_BASE_Q) : 0;
    REFERENCE_TIME duration = format_->duration != AV_NOPTS_VALUE && format_->duration > 0
                                  ? ToMediaTime(format_->duration, AV_TIME_BASE_Q)
                                  : 0;
    pinOfStream_.assign(format_->nb_streams, nullptr);
    int videos = 0, audios = 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        CMediaType type;
        // A cover picture attached to the file (an album's art, a
        // container's attachment) is no video stream of the source.
        if ((stream->disposition & AV_DISPOSITION_ATTACHED_PIC) || !MediaTypeOfStream(stream, &type)) {
            stream->discard = AVDISCARD_ALL;
            continue;
        }
        bool video = type.majortype == MEDIATYPE_Video;
        int n = video ? ++videos : ++audios;
        std::wstring name = video ? L"Video" : L"Audio";
        if (n > 1) name += L" " + std::to_wstring(n);
        outputs_.push_back(std::make_unique<CLavOutputPin>(this, name, static_cast<int>(i), type));
        pinOfStream_[i] = outputs_.back().get();
    }
    if (outputs_.empty()) {
        CloseContainer();
        return VFW_E_INVALID_FILE_FORMAT;
    }
    positions_.Reset(duration);
    // Streaming starts from the beginning again after the measuring.
    containerMoved_ = measured;
    IncrementPinVersion();
    return S_OK;
}

bool CLavDemuxFilter::MeasureFrameRates()
{
    // Matroska and FLV streams without a frame duration, and ASF, state no
    // average rate; the library's guess is then often the millisecond tick
    // of their time stamps. The stamps of the first packets tell the rate.
    std::vector<std::vector<int64_t>> stamps(format_->nb_streams);
    std::vector<bool> wanted(format_->nb_streams, false);
    size_t measuring = 0;
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        const AVStream* stream = format_->streams[i];
        if (stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO || (stream->disposition & AV_DISPOSITION_ATTACHED_PIC) ||
            IsPictureRate(stream->avg_frame_rate))
            continue;
        wanted[i] = true;
        ++measuring;
    }
    // Only a container that can go back to its start is read ahead.
    if (!measuring || !format_->pb || !(format_->pb->seekable & AVIO_SEEKABLE_NORMAL)) return false;
    AVPacket* packet = av_packet_alloc();
    if (!packet) return false;
    bool read = false;
    int64_t bytes = 0;
    for (int n = 0; n < kMeasuredPackets && bytes < kMeasuredBytes && measuring > 0; ++n) {
        if (av_read_frame(format_, packet) < 0) break;
        read = true;
        if (firstPacketPos_ < 0) firstPacketPos_ = packet->pos;
        auto index = static_cast<size_t>(packet->stream_index);
        int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        bytes += std::max(packet->size, 0);
        if (index < wanted.size() && wanted[index] && stamp != AV_NOPTS_VALUE) {
            stamps[index].push_back(stamp);
            if (stamps[index].size() >= kMeasuredFrames) {
                wanted[index] = false;
                --measuring;
            }
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (stamps[i].empty()) continue;
        AVRational rate = FrameRateOfStamps(std::move(stamps[i]), format_->streams[i]->time_base);
        if (IsPictureRate(rate)) format_->streams[i]->avg_frame_rate = rate;
    }
    return read;
}

void CLavDemuxFilter::CloseContainer()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    for (auto& pin : outputs_) {
        ComPtr<IPin> peer;
        if (SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer) {
            peer->Disconnect();
            pin->Disconnect();
        }
        pin->ClearQueue();
    }
    // Somebody may still hold a pin it enumerated: the pins stay alive, out
    // of the list, as long as the filter.
    for (auto& pin : outputs_) retired_.push_back(std::move(pin));
    bool hadPins = !outputs_.empty();
    outputs_.clear();
    pinOfStream_.clear();
    if (format_) avformat_close_input(&format_);
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    positions_.SetDuration(0);
    fileStart_ = 0;
    firstPacketPos_ = -1;
    if (hadPins) IncrementPinVersion();
}

HRESULT CLavDemuxFilter::Pause()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    bool fromStopped = IsStopped();
    HRESULT hr = CBaseFilter::Pause();
    if (FAILED(hr)) return hr;
    if (fromStopped && format_) StartStreaming();
    return S_OK;
}

HRESULT CLavDemuxFilter::Stop()
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    if (IsActive()) StopStreaming();
    return CBaseFilter::Stop();
}

void CLavDemuxFilter::StartStreaming()
{
    if (containerMoved_) SeekContainer();
    stopping_.store(false, std::memory_order_release);
    ClearQueues();
    for (auto& pin : outputs_) {
        if (!pin->IsConnected()) continue;
        if (pin->Allocator()) pin->Allocator()->Commit();
        {
            std::lock_guard<std::mutex> q(queueLock_);
            pin->live_ = true;
            pin->endQueued_ = false;
        }
        pin->mendedTimes_ = 0;
        pin->thread_ = std::thread([p = pin.get()] { p->Deliver(); });
    }
    reader_ = std::thread([this] { ReadContainer(); });
}

void CLavDemuxFilter::StopStreaming()
{
    stopping_.store(true, std::memory_order_release);
    {
        std::lock_guard<std::mutex> q(queueLock_);
        room_.notify_all();
        for (auto& pin : outputs_) pin->ready_.notify_all();
    }
    // A pin thread waiting for a buffer wakes when its allocator goes.
    for (auto& pin : outputs_)
        if (pin->Allocator()) pin->Allocator()->Decommit();
    if (reader_.joinable()) reader_.join();
    for (auto& pin : outputs_)
        if (pin->thread_.joinable()) pin->thread_.join();
    ClearQueues();
}

void CLavOutputPin::ClearQueue()
{
    for (AVPacket* p : queue_) av_packet_free(&p);
    queue_.clear();
    queuedBytes_ = 0;
    lastQueuedTime_ = kNoPacketTime;
}

void CLavDemuxFilter::ClearQueues()
{
    std::lock_guard<std::mutex> q(queueLock_);
    for (auto& pin : outputs_) {
        pin->ClearQueue();
        pin->live_ = false;
        pin->endQueued_ = false;
    }
}

bool CLavDemuxFilter::MustWait(bool resuming)
{
    // A reader that had to wait goes on only once the queues are down to
    // half, not after each packet taken: the two threads then take turns
    // in runs of packets instead of waking each other for every one.
    const size_t softPackets = resuming ? kSoftPackets / 2 : kSoftPackets;
    const size_t softBytes = resuming ? kSoftBytes / 2 : kSoftBytes;
    size_t packets = 0, bytes = 0;
    bool full = false;
    // The earliest time waiting in a full queue: an empty stream starves
    // only while what it last got lies before that. A stream whose
    // consumer merely runs ahead of the others (sound taken as fast as it
    // comes) would otherwise keep the reader going until the hard limits,
    // holding most of the file in memory.
    REFERENCE_TIME fullHead = INT64_MAX;
    for (auto& pin : outputs_) {
        if (!pin->live_ || pin->endQueued_) continue;
        packets += pin->queue_.size();
        bytes += pin->queuedBytes_;
        if (pin->queue_.size() >= softPackets || pin->queuedBytes_ >= softBytes) {
            full = true;
            // A packet without a time compares with nothing: any empty
            // stream then starves.
            fullHead = std::min(fullHead, PacketTime(pin->queue_.front()));
        }
    }
    if (packets >= kHardPackets || bytes >= kHardBytes) return true;
    if (!full) return false;
    for (auto& pin : outputs_) {
        if (!pin->live_ || pin->endQueued_ || !pin->queue_.empty()) continue;
        if (fullHead == kNoPacketTime || pin->lastQueuedTime_ == kNoPacketTime || pin->lastQueuedTime_ < fullHead)
            return false;
    }
    return true;
}

bool CLavDemuxFilter::Queue(CLavOutputPin* pin, AVPacket* packet)
{
    std::unique_lock<std::mutex> q(queueLock_);
    if (MustWait(false))
        room_.wait(q, [&] { return stopping_.load() || !pin->live_ || pin->endQueued_ || !MustWait(true); });
    if (stopping_.load() || !pin->live_ || pin->endQueued_) return false;
    AVPacket* held = av_packet_alloc();
    if (!held) return false;
    av_packet_move_ref(held, packet);
    pin->queuedBytes_ += static_cast<size_t>(held->size > 0 ? held->size : 0);
    REFERENCE_TIME time = PacketTime(held);
    if (time != kNoPacketTime) pin->lastQueuedTime_ = time;
    pin->queue_.push_back(held);
    pin->ready_.notify_one();
    return true;
}

void CLavDemuxFilter::QueueEnd(CLavOutputPin* pin)
{
    std::lock_guard<std::mutex> q(queueLock_);
    if (!pin->live_ || pin->endQueued_) return;
    pin->endQueued_ = true;
    pin->ready_.notify_one();
    room_.notify_all();
}

bool CLavDemuxFilter::Next(CLavOutputPin* pin, AVPacket** packet)
{
    std::unique_lock<std::mutex> q(queueLock_);
    pin->ready_.wait(q, [&] { return stopping_.load() || !pin->queue_.empty() || pin->endQueued_; });
    if (stopping_.load()) return false;
    if (pin->queue_.empty()) {
        *packet = nullptr;  // the end of the stream
        return true;
    }
    *packet = pin->queue_.front();
    pin->queue_.pop_front();
    pin->queuedBytes_ -= static_cast<size_t>((*packet)->size > 0 ? (*packet)->size : 0);
    if (!MustWait(true)) room_.notify_one();
    return true;
}

void CLavDemuxFilter::Abandon(CLavOutputPin* pin)
{
    std::lock_guard<std::mutex> q(queueLock_);
    pin->live_ = false;
    pin->ClearQueue();
    room_.notify_all();
}

void CLavDemuxFilter::ReadContainer()
{
    NameCurrentThread("rivo-demux");
    AVPacket* packet = av_packet_alloc();
    if (!packet) {
        NotifyEvent(EC_ERRORABORT, E_OUTOFMEMORY, 0);
    }
    while (packet && !stopping_.load(std::memory_order_acquire)) {
        int r = av_read_frame(format_, packet);
        if (r == AVERROR(EAGAIN)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (r < 0) {
            // A damaged or cut container ends where the library gives up;
            // only a failing read of the bytes themselves is an error.
            if (r == AVERROR(EIO) && !stopping_.load()) NotifyEvent(EC_ERRORABORT, E_FAIL, 0);
            break;
        }
        if (!containerMoved_ && firstPacketPos_ < 0 && positions_.Start() == 0) firstPacketPos_ = packet->pos;
        containerMoved_ = true;
        CLavOutputPin* pin = static_cast<size_t>(packet->stream_index) < pinOfStream_.size()
                                 ? pinOfStream_[static_cast<size_t>(packet->stream_index)]
                                 : nullptr;
        if (!pin || !pin->IsConnected()) {
            av_packet_unref(packet);
            continue;
        }
        AVRational base = format_->streams[packet->stream_index]->time_base;
        REFERENCE_TIME segmentStart = positions_.Start();
        REFERENCE_TIME offset = fileStart_ + segmentStart;
        if (packet->pts != AV_NOPTS_VALUE) packet->pts = ToMediaTime(packet->pts, base) - offset;
        if (packet->dts != AV_NOPTS_VALUE) packet->dts = ToMediaTime(packet->dts, base) - offset;
        packet->duration = packet->duration > 0 ? ToMediaTime(packet->duration, base) : 0;
        packet->time_base = kMediaTime;
        MendFarTime(pin, packet, segmentStart);

        REFERENCE_TIME at = packet->dts != AV_NOPTS_VALUE ? packet->dts : packet->pts;
        if (at != AV_NOPTS_VALUE && positions_.StopSet() && at > positions_.Stop() - segmentStart) {
            av_packet_unref(packet);
            QueueEnd(pin);
            std::lock_guard<std::mutex> q(queueLock_);
            bool allEnded =
                std::all_of(outputs_.begin(), outputs_.end(), [](const auto& o) { return !o->live_ || o->endQueued_; });
            if (allEnded) break;
            continue;
        }
        if (positions_.StopSet() && !CutSoundAtStop(packet, format_->streams[packet->stream_index]->codecpar,
                                                    positions_.Stop() - segmentStart)) {
            av_packet_unref(packet);
            continue;
        }
        if (!Queue(pin, packet)) av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (!stopping_.load())
        for (auto& pin : outputs_) QueueEnd(pin.get());
}

void CLavDemuxFilter::MendFarTime(CLavOutputPin* pin, AVPacket* packet, REFERENCE_TIME segmentStart)
{
    // Only a span the container knows from its time stamps or its header
    // is a measure; one estimated from the bit rate may be far off.
    REFERENCE_TIME span = positions_.Duration();
    if (span <= 0 || format_->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) return;
    REFERENCE_TIME at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
    if (at == AV_NOPTS_VALUE) return;
    // A time far outside the file is a damaged stamp, not a place in it:
    // the packet keeps no time and follows the one before it, as the
    // decoders count on.
    REFERENCE_TIME margin = std::max(kFarTimeMargin, span);
    REFERENCE_TIME inFile = at + segmentStart;
    if (inFile >= -margin && inFile <= span + margin) return;
    packet->pts = packet->dts = AV_NOPTS_VALUE;
    if (pin->mendedTimes_++ == 0) {
        wchar_t line[200];
        std::swprintf(line, std::size(line),
                      L"Splitter: stream %d: a time stamp at %.3f s lies far outside the file's %.3f s; the packet "
                      L"takes its place after the one before it",
                      pin->StreamIndex(), static_cast<double>(inFile) / UNITS, static_cast<double>(span) / UNITS);
        OutputDebugStringW(line);
    }
}

bool CLavDemuxFilter::IsMaster(CLavOutputPin* pin)
{
    for (auto& o : outputs_)
        if (o->IsConnected()) return o.get() == pin;
    return outputs_.empty() || outputs_.front().get() == pin;
}

void CLavDemuxFilter::SeekContainer()
{
    REFERENCE_TIME start = positions_.Start();
    int64_t target = av_rescale_q(start + fileStart_, kMediaTime, AV_TIME_BASE_Q);
    if (avformat_seek_file(format_, -1, INT64_MIN, target, target, 0) < 0 &&
        av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) < 0 && start == 0 && format_->pb) {
        // A container without an index whose first picture comes after its
        // start (FLV): back to the bytes of its first packet, or its first
        // byte when none was read.
        if (firstPacketPos_ < 0 ||
            avformat_seek_file(format_, -1, firstPacketPos_, firstPacketPos_, firstPacketPos_, AVSEEK_FLAG_BYTE) < 0)
            avio_seek(format_->pb, 0, SEEK_SET);
    }
    containerMoved_ = false;
}

HRESULT CLavDemuxFilter::Seek(CLavOutputPin* from, const SeekChange& change)
{
    std::lock_guard<std::recursive_mutex> g(filterLock_);
    // Every renderer passes the graph's seek up to its own pin: the first
    // connected pin acts for all.
    if (!IsMaster(from)) return S_OK;
    bool restart = change.moveStart && IsActive() && format_;
    if (restart) {
        for (auto& pin : outputs_)
            if (pin->IsConnected()) pin->DeliverBeginFlush();
        StopStreaming();
        for (auto& pin : outputs_)
            if (pin->IsConnected()) pin->DeliverEndFlush();
    }
    positions_.Apply(change);
    if (change.moveStart) containerMoved_ = true;
    if (restart) StartStreaming();
    return S_OK;
}
