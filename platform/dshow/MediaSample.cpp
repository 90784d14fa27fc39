#include "platform/dshow/MediaSample.h"

#include <cstring>

#include "platform/dshow/MemAllocator.h"

CMediaSample::CMediaSample(CMemAllocator* allocator, std::shared_ptr<PayloadPool> pool, PayloadRef own, LONG bufferSize,
                           LONG align)
    : allocator_(allocator), bufferSize_(bufferSize), align_(align), pool_(std::move(pool)), own_(std::move(own))
{
    UseOwnBuffer();
}

CMediaSample::~CMediaSample() { DeleteMediaType(type_); }

void CMediaSample::UseOwnBuffer()
{
    data_ = own_ ? own_->Data() : nullptr;
    size_ = own_ ? own_->Size() : 0;
    actual_ = 0;
}

HRESULT CMediaSample::QueryInterface(REFIID riid, void** object)
{
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IMediaSample) {
        *object = static_cast<IMediaSample*>(this);
    } else if (riid == IID_IMediaSamplePayload) {
        *object = static_cast<IMediaSamplePayload*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG CMediaSample::AddRef() { return static_cast<ULONG>(refs_.fetch_add(1, std::memory_order_relaxed) + 1); }

ULONG CMediaSample::Release()
{
    LONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0) {
        // Back to the pool; the sample may be gone when this returns.
        allocator_->ReleaseBuffer(static_cast<IMediaSample*>(this));
        return 0;
    }
    return static_cast<ULONG>(left);
}

void CMediaSample::Recycle()
{
    current_.Reset();
    if (own_ && own_->IsShared()) {
        // Somebody downstream still reads these bytes: the sample takes
        // another block instead of writing over them (one its pool kept
        // from a sample before, where there is one).
        own_ = pool_ ? pool_->Take() : CreateHeapPayload(bufferSize_, align_);
    }
    UseOwnBuffer();
    hasTime_ = hasStop_ = hasMediaTime_ = false;
    sync_ = preroll_ = discontinuity_ = false;
    start_ = stop_ = mediaStart_ = mediaStop_ = 0;
    DeleteMediaType(type_);
    type_ = nullptr;
}

HRESULT CMediaSample::GetPointer(BYTE** buffer)
{
    if (!buffer) return E_POINTER;
    *buffer = data_;
    return data_ || size_ == 0 ? S_OK : VFW_E_BUFFER_NOTSET;
}

LONG CMediaSample::GetSize() { return size_; }

HRESULT CMediaSample::GetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    if (!start || !stop) return E_POINTER;
    if (!hasTime_) return VFW_E_SAMPLE_TIME_NOT_SET;
    *start = start_;
    if (!hasStop_) {
        *stop = start_ + 1;
        return VFW_S_NO_STOP_TIME;
    }
    *stop = stop_;
    return S_OK;
}

HRESULT CMediaSample::SetTime(REFERENCE_TIME* start, REFERENCE_TIME* stop)
{
    hasTime_ = start != nullptr;
    hasStop_ = start != nullptr && stop != nullptr;
    start_ = start ? *start : 0;
    stop_ = hasStop_ ? *stop : 0;
    return S_OK;
}

HRESULT CMediaSample::IsSyncPoint() { return sync_ ? S_OK : S_FALSE; }

HRESULT CMediaSample::SetSyncPoint(BOOL sync)
{
    sync_ = sync != FALSE;
    return S_OK;
}

HRESULT CMediaSample::IsPreroll() { return preroll_ ? S_OK : S_FALSE; }

HRESULT CMediaSample::SetPreroll(BOOL preroll)
{
    preroll_ = preroll != FALSE;
    return S_OK;
}

LONG CMediaSample::GetActualDataLength() { return actual_; }

HRESULT CMediaSample::SetActualDataLength(LONG length)
{
    if (length < 0 || length > size_) return VFW_E_BUFFER_OVERFLOW;
    actual_ = length;
    return S_OK;
}

HRESULT CMediaSample::GetMediaType(AM_MEDIA_TYPE** type)
{
    if (!type) return E_POINTER;
    *type = nullptr;
    if (!type_) return S_FALSE;
    *type = CreateMediaType(type_);
    return *type ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::SetMediaType(AM_MEDIA_TYPE* type)
{
    DeleteMediaType(type_);
    type_ = nullptr;
    if (!type) return S_OK;
    type_ = CreateMediaType(type);
    return type_ ? S_OK : E_OUTOFMEMORY;
}

HRESULT CMediaSample::IsDiscontinuity() { return discontinuity_ ? S_OK : S_FALSE; }

HRESULT CMediaSample::SetDiscontinuity(BOOL discontinuity)
{
    discontinuity_ = discontinuity != FALSE;
    return S_OK;
}

HRESULT CMediaSample::GetMediaTime(LONGLONG* start, LONGLONG* stop)
{
    if (!start || !stop) return E_POINTER;
    if (!hasMediaTime_) return VFW_E_MEDIA_TIME_NOT_SET;
    *start = mediaStart_;
    *stop = mediaStop_;
    return S_OK;
}

HRESULT CMediaSample::SetMediaTime(LONGLONG* start, LONGLONG* stop)
{
    if (!start || !stop) {
        hasMediaTime_ = false;
        return S_OK;
    }
    hasMediaTime_ = true;
    mediaStart_ = *start;
    mediaStop_ = *stop;
    return S_OK;
}

HRESULT CMediaSample::AttachPayload(MediaPayload* payload, BYTE* data, LONG size)
{
    if (!payload) return E_POINTER;
    BYTE* begin = payload->Data();
    if (size < 0 || (size > 0 && !data) ||
        (size > 0 && (data < begin || data > begin + payload->Size() || size > begin + payload->Size() - data)))
        return E_INVALIDARG;
    current_ = PayloadRef::Share(payload);
    data_ = data;
    size_ = size;
    actual_ = size;
    return S_OK;
}

MediaPayload* CMediaSample::GetPayload()
{
    MediaPayload* p = current_ ? current_.Get() : own_.Get();
    if (!p || !data_) return nullptr;
    p->AddRef();
    return p;
}

HRESULT ShareSampleData(IMediaSample* in, IMediaSample* out)
{
    if (!in || !out) return E_POINTER;
    BYTE* source = nullptr;
    HRESULT hr = in->GetPointer(&source);
    if (FAILED(hr)) return hr;
    LONG length = in->GetActualDataLength();
    IMediaSamplePayload* from = nullptr;
    IMediaSamplePayload* to = nullptr;
    if (SUCCEEDED(in->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&from))) &&
        SUCCEEDED(out->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&to)))) {
        MediaPayload* payload = from->GetPayload();
        hr = payload ? to->AttachPayload(payload, source, length) : E_FAIL;
        if (payload) payload->Release();
        from->Release();
        to->Release();
        if (SUCCEEDED(hr)) return hr;
    } else if (from) {
        from->Release();
    }
    BYTE* dest = nullptr;
    hr = out->GetPointer(&dest);
    if (FAILED(hr)) return hr;
    if (length > out->GetSize()) return VFW_E_BUFFER_OVERFLOW;
    if (length > 0) std::memcpy(dest, source, static_cast<size_t>(length));
    return out->SetActualDataLength(length);
}

HRESULT PutPayload(IMediaSample* sample, MediaPayload* payload, BYTE* data, LONG size)
{
    if (!sample || !payload) return E_POINTER;
    IMediaSamplePayload* side = nullptr;
    if (SUCCEEDED(sample->QueryInterface(IID_IMediaSamplePayload, reinterpret_cast<void**>(&side)))) {
        HRESULT hr = side->AttachPayload(payload, data, size);
        side->Release();
        return hr;
    }
    // A foreign allocator's sample: the bytes are copied when they fit.
    BYTE* begin = payload->Data();
    BYTE* end = begin + payload->Size();
    if (size < 0 || (size > 0 && (!data || data < begin || data > end || size > end - data))) return E_INVALIDARG;
    BYTE* buffer = nullptr;
    HRESULT hr = sample->GetPointer(&buffer);
    if (FAILED(hr)) return hr;
    if (sample->GetSize() < size) return VFW_E_BUFFER_OVERFLOW;
    if (size > 0) std::memcpy(buffer, data, static_cast<size_t>(size));
    return sample->SetActualDataLength(size);
}

void CopySampleProperties(IMediaSample* in, IMediaSample* out)
{
    REFERENCE_TIME start = 0, stop = 0;
    HRESULT hr = in->GetTime(&start, &stop);
    if (hr == S_OK)
        out->SetTime(&start, &stop);
    else if (hr == VFW_S_NO_STOP_TIME)
        out->SetTime(&start, nullptr);
    else
        out->SetTime(nullptr, nullptr);
    LONGLONG mstart = 0, mstop = 0;
    if (SUCCEEDED(in->GetMediaTime(&mstart, &mstop)))
        out->SetMediaTime(&mstart, &mstop);
    else
        out->SetMediaTime(nullptr, nullptr);
    out->SetSyncPoint(in->IsSyncPoint() == S_OK);
    out->SetPreroll(in->IsPreroll() == S_OK);
    out->SetDiscontinuity(in->IsDiscontinuity() == S_OK);
}
