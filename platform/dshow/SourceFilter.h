// CSource and CSourceStream: a push source whose every output pin has a
// streaming thread of its own.
//
// The thread starts when the filter leaves the stopped state (so a paused
// graph fills its renderers before it runs) and ends when it stops. It
// announces the segment (NewSegment with the start and stop positions),
// then loops: a buffer from the allocator, FillBuffer, Deliver. FillBuffer
// answers S_FALSE at the end of the data; an error raises EC_ERRORABORT.
// Either way the stream ends with EndOfStream and the thread waits to be
// stopped or sought.
//
// Each pin seeks by itself (IMediaSeeking on the pin, answered by
// CStreamSeeking over the pin's positions): a new start or stop position
// while the stream is active flushes downstream, stops the loop, lets the
// derived class move (OnSeek) and starts again. Sample times count from the
// segment's start, so they begin again at 0 after every seek; a derived
// class stops at the stop position by answering S_FALSE.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/OutputPin.h"
#include "platform/dshow/StreamSeeking.h"

class CSourceStream;

class CSource : public CBaseFilter {
public:
    CSource(const wchar_t* name, IUnknown* outer, const CLSID& clsid);
    ~CSource() override;

    int GetPinCount() override;
    CBasePin* GetPin(int n) override;

    // Streams are made by the derived filter and owned here.
    void AddStream(std::unique_ptr<CSourceStream> stream);
    CSourceStream* Stream(int n);

private:
    std::vector<std::unique_ptr<CSourceStream>> streams_;
};

class CSourceStream : public CBaseOutputPin, public CStreamSeeking {
public:
    CSourceStream(CSource* filter, const wchar_t* name);
    ~CSourceStream() override;

    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT Active() override;
    HRESULT Inactive() override;

    // What a derived stream does (streaming thread).
    // Fills the sample and sets its times; S_FALSE at the end of the data.
    virtual HRESULT FillBuffer(IMediaSample* sample) = 0;
    // The stream is about to start at the current start position (before
    // the first FillBuffer and after every seek).
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    // The position changed (the thread is not running meanwhile).
    virtual void OnSeek() {}

    // The segment the thread plays: start and stop positions (stop is the
    // duration unless set) and the rate.
    REFERENCE_TIME StartPosition();
    REFERENCE_TIME StopPosition();
    double Rate();
    // The derived stream's length; the stop position follows it until one
    // is set.
    void SetDuration(REFERENCE_TIME duration);

protected:
    // IMediaSeeking (CStreamSeeking) over the stream's own positions.
    CSeekPositions& Positions() override { return positions_; }
    HRESULT Reposition(const SeekChange& change) override;

    // True once the thread has been told to stop what it is doing.
    bool StopRequested() const { return stopRequested_.load(std::memory_order_acquire); }

private:
    enum class Command { None, Play, Exit };
    void ThreadProc();
    void PlayLoop();
    void StartThread();
    void StopThread();
    void Post(Command c);
    // Stops the loop (after a flush downstream) and waits until it is idle.
    void HaltLoop();

    CSource* source_;
    std::thread thread_;
    std::mutex threadLock_;  // thread start and stop, seeking
    std::mutex commandLock_;
    std::condition_variable commandChanged_;
    Command command_ = Command::None;
    bool busy_ = false;
    std::atomic<bool> stopRequested_{false};

    CSeekPositions positions_;
};
