#include "platform/dshow/MemAllocator.h"

CMemAllocator::CMemAllocator(IUnknown* outer) : CUnknown(outer) {}

CMemAllocator::~CMemAllocator()
{
    // Only free samples can be left: every sample out holds a reference.
    for (CMediaSample* s : free_) delete s;
}

HRESULT CMemAllocator::CreateInstance(IUnknown* outer, REFIID riid, void** object)
{
    return CreateComObject<CMemAllocator>(outer, riid, object);
}

HRESULT CMemAllocator::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMemAllocator) return GetInterface(static_cast<IMemAllocator*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

HRESULT CMemAllocator::SetProperties(ALLOCATOR_PROPERTIES* request, ALLOCATOR_PROPERTIES* actual)
{
    if (!request || !actual) return E_POINTER;
    LONG align = request->cbAlign ? request->cbAlign : 1;
    if (align < 0 || (align & (align - 1)) != 0) return VFW_E_BADALIGN;
    if (request->cBuffers < 0 || request->cbBuffer < 0 || request->cbPrefix < 0) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(lock_);
    if (committed_) return VFW_E_ALREADY_COMMITTED;
    if (made_ > static_cast<LONG>(free_.size())) return VFW_E_BUFFERS_OUTSTANDING;
    props_.cBuffers = request->cBuffers > 0 ? request->cBuffers : 1;
    props_.cbBuffer = request->cbBuffer;
    props_.cbAlign = align;
    props_.cbPrefix = 0;
    propsSet_ = true;
    *actual = props_;
    return S_OK;
}

HRESULT CMemAllocator::GetProperties(ALLOCATOR_PROPERTIES* props)
{
    if (!props) return E_POINTER;
    std::lock_guard<std::mutex> g(lock_);
    *props = props_;
    return S_OK;
}

HRESULT CMemAllocator::Commit()
{
    std::unique_lock<std::mutex> lock(lock_);
    if (committed_) return S_OK;
    if (!propsSet_) return VFW_E_SIZENOTSET;
    // Samples of an earlier commit may still be out; they join the pool
    // when they come back, so only the missing ones are made.
    std::vector<CMediaSample*> fresh;
    if (props_.cbBuffer > 0 && (!pool_ || pool_->Size() != props_.cbBuffer || pool_->Align() != props_.cbAlign)) {
        // The blocks downstream holders give back wait there for the
        // samples that need another: as many as the samples themselves.
        pool_ = PayloadPool::Create(props_.cbBuffer, props_.cbAlign, static_cast<size_t>(props_.cBuffers));
        if (!pool_) return E_OUTOFMEMORY;
    }
    for (LONG i = made_; i < props_.cBuffers; ++i) {
        PayloadRef buffer;
        if (props_.cbBuffer > 0) {
            buffer = pool_->Take();
            if (!buffer) {
                for (CMediaSample* s : fresh) delete s;
                return E_OUTOFMEMORY;
            }
        }
        fresh.push_back(new CMediaSample(this, props_.cbBuffer > 0 ? pool_ : nullptr, std::move(buffer),
                                         props_.cbBuffer, props_.cbAlign));
    }
    made_ += static_cast<LONG>(fresh.size());
    free_.insert(free_.end(), fresh.begin(), fresh.end());
    committed_ = true;
    return S_OK;
}

void CMemAllocator::FreeIdleSamples(std::unique_lock<std::mutex>&)
{
    for (CMediaSample* s : free_) delete s;
    made_ -= static_cast<LONG>(free_.size());
    free_.clear();
}

HRESULT CMemAllocator::Decommit()
{
    std::unique_lock<std::mutex> lock(lock_);
    if (!committed_) return S_OK;
    committed_ = false;
    FreeIdleSamples(lock);
    // The kept blocks go with the pool once the samples still out are back.
    pool_.reset();
    freed_.notify_all();
    return S_OK;
}

HRESULT CMemAllocator::GetBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags)
{
    if (!sample) return E_POINTER;
    *sample = nullptr;
    CMediaSample* s = nullptr;
    {
        std::unique_lock<std::mutex> lock(lock_);
        for (;;) {
            if (!committed_) return VFW_E_NOT_COMMITTED;
            if (!free_.empty()) break;
            if (flags & AM_GBF_NOWAIT) return VFW_E_TIMEOUT;
            freed_.wait(lock);
        }
        s = free_.back();
        free_.pop_back();
    }
    GetOwner()->AddRef();  // released when the sample comes back
    s->refs_.store(1, std::memory_order_relaxed);
    if (start) s->SetTime(start, stop);
    *sample = s;
    return S_OK;
}

HRESULT CMemAllocator::ReleaseBuffer(IMediaSample* sample)
{
    auto* s = dynamic_cast<CMediaSample*>(sample);
    if (!s || s->allocator_ != this) return E_INVALIDARG;
    s->Recycle();
    {
        std::unique_lock<std::mutex> lock(lock_);
        if (committed_ && static_cast<LONG>(free_.size()) < props_.cBuffers) {
            free_.push_back(s);
            freed_.notify_one();
        } else {
            delete s;
            --made_;
        }
    }
    GetOwner()->Release();  // may end the allocator
    return S_OK;
}
