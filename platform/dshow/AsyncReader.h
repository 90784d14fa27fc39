// The asynchronous file reader classes: a source that offers a byte stream
// to a splitter through IAsyncReader (pull mode) instead of pushing samples.
//
//  - CAsyncStream: the bytes (a file, memory); derived classes implement it.
//  - CAsyncIo: the I/O worker. Requests are queued and read by one worker
//    thread in order, each under the stream's lock, and collected with
//    WaitForNext; synchronous reads take the same lock.
//  - CAsyncOutputPin: the output pin; it answers IAsyncReader. A request
//    names its byte range by the sample's times (bytes x UNITS).
//  - CAsyncReader: the filter with that one pin, offering the stream under
//    one media type (MEDIATYPE_Stream and a subtype).
//
// Flushing (BeginFlush) fails the requests still queued, so a splitter's
// thread collecting them gets each one back; EndFlush opens the queue again.
#pragma once

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/BasePin.h"
#include "platform/dshow/SampleInterfaces.h"

class CAsyncStream {
public:
    virtual ~CAsyncStream() = default;
    virtual HRESULT SetPointer(LONGLONG position) = 0;
    // Reads up to count bytes at the pointer; S_OK also when fewer are
    // there (read tells how many).
    virtual HRESULT Read(BYTE* buffer, DWORD count, BOOL aligned, LPDWORD read) = 0;
    // The length; available (when asked) how much of it can be read now.
    virtual LONGLONG Size(LONGLONG* available = nullptr) = 0;
    virtual DWORD Alignment() = 0;
    virtual void Lock() = 0;
    virtual void Unlock() = 0;
};

class CAsyncIo {
public:
    explicit CAsyncIo(CAsyncStream* stream);
    ~CAsyncIo();
    CAsyncIo(const CAsyncIo&) = delete;
    CAsyncIo& operator=(const CAsyncIo&) = delete;

    // Queues a read of length bytes at position into buffer; context and
    // user come back with it. VFW_E_WRONG_STATE while flushing,
    // VFW_E_BADALIGN for an aligned request off the stream's alignment.
    HRESULT Request(LONGLONG position, LONG length, BOOL aligned, BYTE* buffer, void* context, DWORD_PTR user);
    // The next finished request: its result (S_FALSE for a short read at the
    // end), context, user and byte count. VFW_E_TIMEOUT when none finished
    // in time; VFW_E_WRONG_STATE while flushing with nothing left.
    HRESULT WaitForNext(DWORD msTimeout, void** context, DWORD_PTR* user, LONG* actual);
    HRESULT SyncRead(LONGLONG position, LONG length, BYTE* buffer, LONG* actual);
    HRESULT Length(LONGLONG* total, LONGLONG* available);
    LONG Alignment();
    HRESULT BeginFlush();
    HRESULT EndFlush();

private:
    struct Job {
        LONGLONG position;
        LONG length;
        BYTE* buffer;
        void* context;
        DWORD_PTR user;
        HRESULT result;
        LONG actual;
    };
    void Worker();
    void Perform(Job& job);

    CAsyncStream* stream_;
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<Job> queue_;
    std::deque<Job> done_;
    int busy_ = 0;  // jobs being read
    bool flushing_ = false;
    bool exit_ = false;
    std::thread worker_;
};

class CAsyncReader;

class CAsyncOutputPin final : public CBasePin, public IAsyncReader {
public:
    CAsyncOutputPin(CAsyncReader* reader, CAsyncIo* io);

    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT GetMediaType(int position, CMediaType* type) override;
    // The reading side must be able to pull.
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT EndOfStream() override { return E_UNEXPECTED; }

    // IAsyncReader
    HRESULT RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props, IMemAllocator** actual) override;
    HRESULT Request(IMediaSample* sample, DWORD_PTR user) override;
    HRESULT WaitForNext(DWORD msTimeout, IMediaSample** sample, DWORD_PTR* user) override;
    HRESULT SyncReadAligned(IMediaSample* sample) override;
    HRESULT SyncRead(LONGLONG position, LONG length, BYTE* buffer) override;
    HRESULT Length(LONGLONG* total, LONGLONG* available) override;
    // IAsyncReader's flush (IPin's methods of the same names are these too).
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

private:
    // The byte range of a sample's times, cut at the end of the stream.
    HRESULT RangeOf(IMediaSample* sample, LONGLONG* position, LONG* length, BYTE** buffer);

    CAsyncReader* reader_;
    CAsyncIo* io_;
};

class CAsyncReader : public CBaseFilter {
public:
    // The stream is not owned and must outlive the filter. result tells the
    // caller whether the filter came together.
    CAsyncReader(const wchar_t* name, IUnknown* outer, CAsyncStream* stream, const AM_MEDIA_TYPE& type, HRESULT* result,
                 const CLSID& clsid = CLSID{});
    ~CAsyncReader() override;

    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override;

    const CMediaType& OfferedType() const { return type_; }

protected:
    // A reader that learns its type after construction (a file source at
    // Load) sets it while its pin is not connected.
    void SetOfferedType(const AM_MEDIA_TYPE& type) { type_ = type; }

private:
    CMediaType type_;
    CAsyncIo io_;
    std::unique_ptr<CAsyncOutputPin> pin_;
};
