#include "platform/dshow/PullPin.h"

#include <algorithm>

#include "platform/win32/ThreadName.h"

CPullPin::CPullPin() = default;

CPullPin::~CPullPin() { StopThread(true); }

HRESULT CPullPin::Connect(IUnknown* outputPin, IMemAllocator* preferred, LONG bufferBytes, bool sync)
{
    if (!outputPin) return E_POINTER;
    if (bufferBytes <= 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(threadLock_);
    if (thread_.joinable()) return VFW_E_FILTER_ACTIVE;
    ComPtr<IAsyncReader> reader;
    HRESULT hr = outputPin->QueryInterface(IID_IAsyncReader, reinterpret_cast<void**>(reader.GetAddressOf()));
    if (FAILED(hr)) return VFW_E_NO_TRANSPORT;
    ALLOCATOR_PROPERTIES props{2, bufferBytes, 1, 0};
    ComPtr<IMemAllocator> allocator;
    hr = reader->RequestAllocator(preferred, &props, allocator.GetAddressOf());
    if (FAILED(hr)) return hr;
    reader_ = reader;
    allocator_ = allocator;
    bufferBytes_ = bufferBytes;
    sync_ = sync;
    start_ = 0;
    stopAt_ = -1;
    return S_OK;
}

HRESULT CPullPin::Disconnect()
{
    StopThread(true);
    std::lock_guard<std::mutex> g(threadLock_);
    reader_.Reset();
    allocator_.Reset();
    return S_OK;
}

HRESULT CPullPin::Active()
{
    if (!allocator_) return VFW_E_NOT_CONNECTED;
    HRESULT hr = allocator_->Commit();
    if (FAILED(hr)) return hr;
    StartThread();
    return S_OK;
}

HRESULT CPullPin::Inactive()
{
    StopThread(true);
    return S_OK;
}

HRESULT CPullPin::Length(LONGLONG* bytes)
{
    if (!bytes) return E_POINTER;
    if (!reader_) return VFW_E_NOT_CONNECTED;
    LONGLONG available = 0;
    return reader_->Length(bytes, &available);
}

HRESULT CPullPin::Seek(LONGLONG start, LONGLONG stop)
{
    if (start < 0 || (stop >= 0 && stop < start)) return E_INVALIDARG;
    bool running;
    {
        std::lock_guard<std::mutex> g(threadLock_);
        running = thread_.joinable();
    }
    if (running) {
        BeginFlush();
        StopThread(false);
        EndFlush();
    }
    {
        std::lock_guard<std::mutex> g(threadLock_);
        start_ = start;
        stopAt_ = stop;
    }
    if (running) StartThread();
    return S_OK;
}

void CPullPin::StartThread()
{
    std::lock_guard<std::mutex> g(threadLock_);
    if (thread_.joinable() || !reader_) return;
    stop_.store(false, std::memory_order_release);
    thread_ = std::thread([this] { Loop(); });
}

void CPullPin::StopThread(bool decommit)
{
    std::lock_guard<std::mutex> g(threadLock_);
    stop_.store(true, std::memory_order_release);
    // Decommitting wakes a thread that waits for a buffer; flushing the
    // reader brings a queued read back at once.
    if (decommit && allocator_) allocator_->Decommit();
    if (!thread_.joinable()) return;
    if (reader_) reader_->BeginFlush();
    thread_.join();
    if (reader_) reader_->EndFlush();
}

HRESULT CPullPin::ReadOne(LONGLONG position, LONG length, IMediaSample** sample)
{
    IMediaSample* s = nullptr;
    HRESULT hr = allocator_->GetBuffer(&s, nullptr, nullptr, 0);
    if (FAILED(hr)) return hr;
    REFERENCE_TIME t0 = position * UNITS, t1 = (position + length) * UNITS;
    s->SetTime(&t0, &t1);
    if (sync_) {
        hr = reader_->SyncReadAligned(s);
    } else {
        hr = reader_->Request(s, 0);
        if (SUCCEEDED(hr)) {
            s->Release();  // the request holds it now
            s = nullptr;
            DWORD_PTR user = 0;
            hr = reader_->WaitForNext(INFINITE, &s, &user);
        }
    }
    if (FAILED(hr)) {
        if (s) s->Release();
        return hr;
    }
    *sample = s;
    return S_OK;
}

void CPullPin::Loop()
{
    NameCurrentThread("rivo-pull");
    LONGLONG total = 0, available = 0;
    if (FAILED(reader_->Length(&total, &available))) {
        OnError(E_FAIL);
        return;
    }
    LONGLONG position = start_;
    LONGLONG end = stopAt_ < 0 ? total : std::min(stopAt_, total);
    while (position < end) {
        if (stop_.load(std::memory_order_acquire)) return;
        LONG length = static_cast<LONG>(std::min<LONGLONG>(bufferBytes_, end - position));
        IMediaSample* sample = nullptr;
        HRESULT hr = ReadOne(position, length, &sample);
        if (stop_.load(std::memory_order_acquire)) {
            if (sample) sample->Release();
            return;
        }
        if (FAILED(hr)) {
            OnError(hr);
            return;
        }
        // A read past the stop position is cut back to it.
        if (sample->GetActualDataLength() > length) sample->SetActualDataLength(length);
        LONG got = sample->GetActualDataLength();
        hr = Receive(sample);
        sample->Release();
        if (hr != S_OK) {
            if (FAILED(hr)) OnError(hr);
            return;
        }
        if (got <= 0) break;  // nothing more to read
        position += got;
    }
    EndOfStream();
}
