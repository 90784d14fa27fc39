// CPullPin: the reading side of a pull connection, for splitters. Once
// connected to a pin that offers IAsyncReader, it runs a thread of its own
// while the filter is active (the splitter's streaming thread): buffer by
// buffer it reads the byte range from the start to the stop position and
// hands each sample to Receive, then calls EndOfStream. A read or Receive
// failure ends the loop through OnError. Seek moves the range: the loop
// stops, the reader and the derived class flush, and it starts again.
//
// Sample times given to Receive are byte positions times UNITS.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "platform/com/ComPtr.h"
#include "platform/dshow/SampleInterfaces.h"

class CPullPin {
public:
    CPullPin();
    virtual ~CPullPin();
    CPullPin(const CPullPin&) = delete;
    CPullPin& operator=(const CPullPin&) = delete;

    // Takes the reader of the output pin and settles an allocator (the
    // preferred one when the reader accepts it) of buffers of bufferBytes.
    // sync: read with SyncReadAligned instead of queued requests.
    HRESULT Connect(IUnknown* outputPin, IMemAllocator* preferred, LONG bufferBytes, bool sync);
    HRESULT Disconnect();
    // Starts the thread (the filter leaves the stopped state) / stops it.
    HRESULT Active();
    HRESULT Inactive();
    // Byte positions; stop -1 for the end of the stream.
    HRESULT Seek(LONGLONG start, LONGLONG stop);
    HRESULT Length(LONGLONG* bytes);
    IAsyncReader* Reader() const { return reader_.Get(); }
    IMemAllocator* Allocator() const { return allocator_.Get(); }

protected:
    // On the pull thread.
    virtual HRESULT Receive(IMediaSample* sample) = 0;
    virtual HRESULT EndOfStream() = 0;
    virtual void OnError(HRESULT hr) = 0;
    // Around a seek while active (on the caller's thread).
    virtual HRESULT BeginFlush() = 0;
    virtual HRESULT EndFlush() = 0;

private:
    void Loop();
    HRESULT ReadOne(LONGLONG position, LONG length, IMediaSample** sample);
    void StartThread();
    void StopThread(bool decommit);

    ComPtr<IAsyncReader> reader_;
    ComPtr<IMemAllocator> allocator_;
    LONG bufferBytes_ = 0;
    bool sync_ = true;
    std::mutex threadLock_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    LONGLONG start_ = 0;
    LONGLONG stopAt_ = -1;
};
