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
// Each pin seeks by itself (IMediaSeeking on the pin): a new start or stop
// position while the stream is active flushes downstream, stops the loop,
// lets the derived class move (OnSeek) and starts again. Sample times count
// from the segment's start, so they begin again at 0 after every seek; a
// derived class stops at the stop position by answering S_FALSE.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/OutputPin.h"

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

class CSourceStream : public CBaseOutputPin, public IMediaSeeking {
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

    // IMediaSeeking. Media time only.
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT CheckCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    // Answered by the renderers, which know what they have handled.
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                              const GUID* sourceFormat) override;
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT SetRate(double rate) override;
    HRESULT GetRate(double* rate) override;
    HRESULT GetPreroll(LONGLONG* preroll) override;

    // The segment the thread plays: start and stop positions (stop is the
    // duration unless set) and the rate.
    REFERENCE_TIME StartPosition();
    REFERENCE_TIME StopPosition();
    double Rate();
    // The derived stream's length; the stop position follows it until one
    // is set.
    void SetDuration(REFERENCE_TIME duration);

protected:
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

    std::mutex positionLock_;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    REFERENCE_TIME duration_ = 0;
    bool stopSet_ = false;
    double rate_ = 1.0;
};
