// CLavDemuxFilter: the common part of the splitters and the generic source
// over the demultiplexing library. Once a container is open, every video
// and audio stream gets an output pin whose media type comes from the codec
// table (CodecTable.h); other streams (subtitles, data, attachments, and
// pictures attached to the file such as cover art) get no pin.
//
// Threads: while the filter is active, one thread reads the container and
// sorts the packets into the queues of the connected pins; each such pin
// has a streaming thread of its own that delivers its queue downstream
// (the packet travels as the sample's payload, without a copy). A queue is
// held to a moderate size, but may grow while another connected stream has
// nothing queued, so that a downstream filter that waits for one stream
// while another is full cannot stall the container.
//
// Sample times count in 100 ns from the start of the current segment; the
// container's own start time is time 0 of the file. The packet inside the
// payload carries the same times, with time base 1/10,000,000. A packet
// whose time lies far outside the file's span (a damaged stamp) goes out
// without a time, and the debug trace says so once per stream and run.
//
// A video stream's media type carries its average frame rate; where the
// container states none, the first packets are read when the container is
// opened and their stamps give it.
//
// Seeking: a new position given to the first connected pin flushes
// downstream, moves the container and starts again (the other pins follow
// it and answer their own SetPositions without acting). A stop position
// ends each stream at the first packet after it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/OutputPin.h"
#include "platform/dshow/StreamSeeking.h"
#include "platform/dshow/filters/LavHeaders.h"

class CLavDemuxFilter;

// A packet time the container did not give.
inline constexpr REFERENCE_TIME kNoPacketTime = INT64_MIN;

class CLavOutputPin final : public CBaseOutputPin, public CStreamSeeking {
public:
    CLavOutputPin(CLavDemuxFilter* filter, const std::wstring& name, int streamIndex, const CMediaType& type);
    ~CLavOutputPin() override;

    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override;
    // The filter starts and stops the pin's thread; these only commit and
    // decommit the allocator.
    HRESULT Active() override;
    HRESULT Inactive() override;

    int StreamIndex() const { return stream_; }

private:
    friend class CLavDemuxFilter;

    // IMediaSeeking (CStreamSeeking) over the filter's positions.
    CSeekPositions& Positions() override;
    HRESULT Reposition(const SeekChange& change) override;

    // The pin's streaming thread.
    void Deliver();
    HRESULT DeliverPacket(AVPacket* packet, bool discontinuity);
    // Frees what is queued (the filter's queue lock held, or no thread
    // running).
    void ClearQueue();

    CLavDemuxFilter* demux_;
    int stream_;
    CMediaType type_;

    // Guarded by the filter's queue lock.
    std::deque<AVPacket*> queue_;
    size_t queuedBytes_ = 0;
    bool endQueued_ = false;  // the end of the stream is in the queue
    // The stream time of the newest packet queued; kNoPacketTime before the
    // first or when the container gave none.
    REFERENCE_TIME lastQueuedTime_ = kNoPacketTime;
    bool live_ = false;  // the thread runs and downstream takes samples
    // Time stamps of this run found far outside the file (the reading thread's).
    int mendedTimes_ = 0;
    std::condition_variable ready_;
    std::thread thread_;
};

class CLavDemuxFilter : public CBaseFilter {
public:
    CLavDemuxFilter(const wchar_t* name, IUnknown* outer, const CLSID& clsid);
    ~CLavDemuxFilter() override;

    HRESULT Stop() override;
    HRESULT Pause() override;

    // The output pins in stream order, after the pins a derived filter puts
    // first.
    int OutputCount();
    CLavOutputPin* Output(int n);

protected:
    // Takes an opened container (and the I/O context behind it, null when
    // the library opened the source itself): reads the stream information
    // and makes the output pins. On failure everything is closed.
    HRESULT OpenContainer(AVFormatContext* format, AVIOContext* io);
    // Disconnects and deletes the output pins and closes the container
    // (stopped only).
    void CloseContainer();
    bool HasContainer() const { return format_ != nullptr; }
    // For the library's interrupt callback: true while a stop is asked.
    static int Interrupted(void* filter);

private:
    friend class CLavOutputPin;

    // Gives the video streams whose container states no average rate the
    // rate their first time stamps show; true when packets were read.
    bool MeasureFrameRates();
    void StartStreaming();
    void StopStreaming();
    void ReadContainer();
    // Takes the times off a packet (times from the segment start) whose time
    // lies far outside the file's span, and traces the first of each run.
    void MendFarTime(CLavOutputPin* pin, AVPacket* packet, REFERENCE_TIME segmentStart);
    // Queues a packet for its pin (waiting for room); false when the pin
    // takes no packets or streaming stops.
    bool Queue(CLavOutputPin* pin, AVPacket* packet);
    void QueueEnd(CLavOutputPin* pin);
    // The pin's next packet (null for the end of the stream); false when
    // streaming stops.
    bool Next(CLavOutputPin* pin, AVPacket** packet);
    // Downstream refused a sample: the pin's packets are dropped from now on.
    void Abandon(CLavOutputPin* pin);
    // Whether the reader must wait for room; resuming: whether a reader that
    // waits must go on waiting.
    bool MustWait(bool resuming);
    void ClearQueues();

    // A pin's resolved seek: the first connected pin acts for all.
    HRESULT Seek(CLavOutputPin* from, const SeekChange& change);
    bool IsMaster(CLavOutputPin* pin);
    // Moves the container to the segment start (no thread reading).
    void SeekContainer();

    AVFormatContext* format_ = nullptr;
    AVIOContext* io_ = nullptr;
    std::vector<std::unique_ptr<CLavOutputPin>> outputs_;
    std::vector<std::unique_ptr<CLavOutputPin>> retired_;  // of a closed container
    std::vector<CLavOutputPin*> pinOfStream_;              // by stream index, null for none
    REFERENCE_TIME fileStart_ = 0;                         // the container's start, 100 ns
    int64_t firstPacketPos_ = -1;                          // where the first packet lay in the bytes, -1 unknown

    // The segment every pin plays; its duration is the container's.
    CSeekPositions positions_;
    std::atomic<bool> containerMoved_{false};  // packets were read since the last seek

    std::mutex queueLock_;
    std::condition_variable room_;  // the reading thread waits for room
    std::atomic<bool> stopping_{false};
    std::thread reader_;
};
