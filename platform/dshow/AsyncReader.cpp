#include "platform/dshow/AsyncReader.h"

#include <chrono>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/MemAllocator.h"
#include "platform/win32/ThreadName.h"

// ---- CAsyncIo -------------------------------------------------------------------------------

CAsyncIo::CAsyncIo(CAsyncStream* stream) : stream_(stream) {}

CAsyncIo::~CAsyncIo()
{
    {
        std::lock_guard<std::mutex> g(lock_);
        exit_ = true;
        changed_.notify_all();
    }
    if (worker_.joinable()) worker_.join();
}

LONG CAsyncIo::Alignment()
{
    DWORD a = stream_->Alignment();
    return a ? static_cast<LONG>(a) : 1;
}

HRESULT CAsyncIo::Length(LONGLONG* total, LONGLONG* available)
{
    if (!total || !available) return E_POINTER;
    *total = stream_->Size(available);
    return S_OK;
}

void CAsyncIo::Perform(Job& job)
{
    stream_->Lock();
    DWORD read = 0;
    HRESULT hr = stream_->SetPointer(job.position);
    if (SUCCEEDED(hr)) hr = stream_->Read(job.buffer, static_cast<DWORD>(job.length), TRUE, &read);
    stream_->Unlock();
    job.actual = static_cast<LONG>(read);
    job.result = FAILED(hr) ? hr : (job.actual < job.length ? S_FALSE : S_OK);
}

HRESULT CAsyncIo::Request(LONGLONG position, LONG length, BOOL aligned, BYTE* buffer, void* context, DWORD_PTR user)
{
    if (position < 0 || length < 0 || (length > 0 && !buffer)) return E_INVALIDARG;
    if (aligned) {
        LONG a = Alignment();
        if (position % a || length % a || reinterpret_cast<uintptr_t>(buffer) % static_cast<uintptr_t>(a))
            return VFW_E_BADALIGN;
    }
    std::lock_guard<std::mutex> g(lock_);
    if (flushing_) return VFW_E_WRONG_STATE;
    if (!worker_.joinable()) worker_ = std::thread([this] { Worker(); });
    queue_.push_back(Job{position, length, buffer, context, user, S_OK, 0});
    changed_.notify_all();
    return S_OK;
}

void CAsyncIo::Worker()
{
    NameCurrentThread("rivo-file-read");
    std::unique_lock<std::mutex> l(lock_);
    for (;;) {
        changed_.wait(l, [&] { return exit_ || !queue_.empty(); });
        if (exit_) return;
        Job job = queue_.front();
        queue_.pop_front();
        ++busy_;
        l.unlock();
        Perform(job);
        l.lock();
        --busy_;
        done_.push_back(job);
        changed_.notify_all();
    }
}

HRESULT CAsyncIo::WaitForNext(DWORD msTimeout, void** context, DWORD_PTR* user, LONG* actual)
{
    std::unique_lock<std::mutex> l(lock_);
    auto ready = [&] { return !done_.empty() || (flushing_ && queue_.empty() && busy_ == 0); };
    if (msTimeout == INFINITE)
        changed_.wait(l, ready);
    else if (!changed_.wait_for(l, std::chrono::milliseconds(msTimeout), ready))
        return VFW_E_TIMEOUT;
    if (done_.empty()) return VFW_E_WRONG_STATE;
    Job job = done_.front();
    done_.pop_front();
    *context = job.context;
    *user = job.user;
    *actual = job.actual;
    return job.result;
}

HRESULT CAsyncIo::SyncRead(LONGLONG position, LONG length, BYTE* buffer, LONG* actual)
{
    if (position < 0 || length < 0 || (length > 0 && !buffer)) return E_INVALIDARG;
    Job job{position, length, buffer, nullptr, 0, S_OK, 0};
    Perform(job);
    if (actual) *actual = job.actual;
    return job.result;
}

HRESULT CAsyncIo::BeginFlush()
{
    std::lock_guard<std::mutex> g(lock_);
    flushing_ = true;
    // What is still queued comes back failed, for its owner to collect.
    while (!queue_.empty()) {
        Job job = queue_.front();
        queue_.pop_front();
        job.result = VFW_E_WRONG_STATE;
        job.actual = 0;
        done_.push_back(job);
    }
    changed_.notify_all();
    return S_OK;
}

HRESULT CAsyncIo::EndFlush()
{
    std::lock_guard<std::mutex> g(lock_);
    flushing_ = false;
    changed_.notify_all();
    return S_OK;
}

// ---- CAsyncOutputPin ------------------------------------------------------------------------

CAsyncOutputPin::CAsyncOutputPin(CAsyncReader* reader, CAsyncIo* io)
    : CBasePin(reader, L"Output", PINDIR_OUTPUT), reader_(reader), io_(io)
{
}

HRESULT CAsyncOutputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAsyncReader) return GetInterface(static_cast<IAsyncReader*>(this), object);
    return CBasePin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CAsyncOutputPin::CheckMediaType(const CMediaType* type)
{
    const CMediaType& offered = reader_->OfferedType();
    if (type->majortype != offered.majortype) return S_FALSE;
    if (offered.subtype != GUID_NULL && type->subtype != offered.subtype) return S_FALSE;
    return S_OK;
}

HRESULT CAsyncOutputPin::GetMediaType(int position, CMediaType* type)
{
    if (position < 0) return E_INVALIDARG;
    if (position > 0) return VFW_S_NO_MORE_ITEMS;
    *type = reader_->OfferedType();
    return S_OK;
}

HRESULT CAsyncOutputPin::CheckConnect(IPin* pin)
{
    // A pin that pulls is an input pin; it asks for IAsyncReader itself.
    return CBasePin::CheckConnect(pin);
}

HRESULT CAsyncOutputPin::RequestAllocator(IMemAllocator* preferred, ALLOCATOR_PROPERTIES* props, IMemAllocator** actual)
{
    if (!props || !actual) return E_POINTER;
    *actual = nullptr;
    ALLOCATOR_PROPERTIES want = *props;
    LONG align = io_->Alignment();
    if (want.cbAlign < align) want.cbAlign = align;
    ALLOCATOR_PROPERTIES got{};
    if (preferred && SUCCEEDED(preferred->SetProperties(&want, &got))) {
        preferred->AddRef();
        *actual = preferred;
        return S_OK;
    }
    IMemAllocator* own = nullptr;
    HRESULT hr = CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator, reinterpret_cast<void**>(&own));
    if (FAILED(hr)) return hr;
    hr = own->SetProperties(&want, &got);
    if (FAILED(hr)) {
        own->Release();
        return hr;
    }
    *actual = own;
    return S_OK;
}

HRESULT CAsyncOutputPin::RangeOf(IMediaSample* sample, LONGLONG* position, LONG* length, BYTE** buffer)
{
    REFERENCE_TIME start = 0, stop = 0;
    if (FAILED(sample->GetTime(&start, &stop))) return VFW_E_SAMPLE_TIME_NOT_SET;
    LONGLONG first = start / UNITS, end = stop / UNITS;
    if (first < 0 || end < first) return E_INVALIDARG;
    LONGLONG total = 0, available = 0;
    io_->Length(&total, &available);
    if (end > total) {
        // Cut at the end, rounded up to the alignment (the buffer is
        // aligned, so the rounded count still fits).
        LONG a = io_->Alignment();
        end = total < first ? first : total;
        end = first + ((end - first + a - 1) / a) * a;
    }
    if (end - first > sample->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    HRESULT hr = sample->GetPointer(buffer);
    if (FAILED(hr)) return hr;
    *position = first;
    *length = static_cast<LONG>(end - first);
    return S_OK;
}

HRESULT CAsyncOutputPin::Request(IMediaSample* sample, DWORD_PTR user)
{
    if (!sample) return E_POINTER;
    LONGLONG position = 0;
    LONG length = 0;
    BYTE* buffer = nullptr;
    HRESULT hr = RangeOf(sample, &position, &length, &buffer);
    if (FAILED(hr)) return hr;
    sample->AddRef();  // held while the request is out
    hr = io_->Request(position, length, TRUE, buffer, sample, user);
    if (FAILED(hr)) sample->Release();
    return hr;
}

HRESULT CAsyncOutputPin::WaitForNext(DWORD msTimeout, IMediaSample** sample, DWORD_PTR* user)
{
    if (!sample || !user) return E_POINTER;
    *sample = nullptr;
    *user = 0;
    void* context = nullptr;
    LONG actual = 0;
    HRESULT hr = io_->WaitForNext(msTimeout, &context, user, &actual);
    auto* s = static_cast<IMediaSample*>(context);
    if (s) {
        s->SetActualDataLength(actual);
        *sample = s;  // the request's reference goes to the caller
    }
    return hr;
}

HRESULT CAsyncOutputPin::SyncReadAligned(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    LONGLONG position = 0;
    LONG length = 0;
    BYTE* buffer = nullptr;
    HRESULT hr = RangeOf(sample, &position, &length, &buffer);
    if (FAILED(hr)) return hr;
    LONG actual = 0;
    hr = io_->SyncRead(position, length, buffer, &actual);
    sample->SetActualDataLength(actual);
    return hr;
}

HRESULT CAsyncOutputPin::SyncRead(LONGLONG position, LONG length, BYTE* buffer)
{
    if (!buffer && length > 0) return E_POINTER;
    return io_->SyncRead(position, length, buffer, nullptr);
}

HRESULT CAsyncOutputPin::Length(LONGLONG* total, LONGLONG* available) { return io_->Length(total, available); }

HRESULT CAsyncOutputPin::BeginFlush() { return io_->BeginFlush(); }

HRESULT CAsyncOutputPin::EndFlush() { return io_->EndFlush(); }

// ---- CAsyncReader ---------------------------------------------------------------------------

CAsyncReader::CAsyncReader(const wchar_t* name, IUnknown* outer, CAsyncStream* stream, const AM_MEDIA_TYPE& type,
                           HRESULT* result, const CLSID& clsid)
    : CBaseFilter(name, outer, clsid), type_(type), io_(stream), pin_(std::make_unique<CAsyncOutputPin>(this, &io_))
{
    if (result) *result = stream ? S_OK : E_POINTER;
}

CAsyncReader::~CAsyncReader() = default;

CBasePin* CAsyncReader::GetPin(int n) { return n == 0 ? pin_.get() : nullptr; }
