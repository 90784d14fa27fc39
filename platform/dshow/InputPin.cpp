#include "platform/dshow/InputPin.h"

#include "platform/dshow/MemAllocator.h"

CBaseInputPin::CBaseInputPin(CBaseFilter* filter, const wchar_t* name) : CBasePin(filter, name, PINDIR_INPUT) {}

CBaseInputPin::~CBaseInputPin()
{
    if (allocator_) allocator_->Release();
}

HRESULT CBaseInputPin::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IMemInputPin) return GetInterface(static_cast<IMemInputPin*>(this), object);
    return CBasePin::NonDelegatingQueryInterface(riid, object);
}

HRESULT CBaseInputPin::GetAllocator(IMemAllocator** allocator)
{
    if (!allocator) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (!allocator_) {
        HRESULT hr = CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator, reinterpret_cast<void**>(&allocator_));
        if (FAILED(hr)) {
            *allocator = nullptr;
            return hr;
        }
    }
    allocator_->AddRef();
    *allocator = allocator_;
    return S_OK;
}

HRESULT CBaseInputPin::NotifyAllocator(IMemAllocator* allocator, BOOL readOnly)
{
    if (!allocator) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(lock_);
    allocator->AddRef();
    if (allocator_) allocator_->Release();
    allocator_ = allocator;
    readOnly_ = readOnly != FALSE;
    return S_OK;
}

// No requirements: the interface's own answer for that, not a gap.
HRESULT CBaseInputPin::GetAllocatorRequirements(ALLOCATOR_PROPERTIES*) { return E_NOTIMPL; }

HRESULT CBaseInputPin::CheckStreaming()
{
    if (!connected_) return VFW_E_NOT_CONNECTED;
    if (IsStopped()) return VFW_E_WRONG_STATE;
    if (IsFlushing()) return S_FALSE;
    if (runTimeError_.load(std::memory_order_acquire)) return VFW_E_RUNTIME_ERROR;
    return S_OK;
}

HRESULT CBaseInputPin::Receive(IMediaSample* sample)
{
    if (!sample) return E_POINTER;
    HRESULT hr = CheckStreaming();
    if (hr != S_OK) return hr;
    AM_MEDIA_TYPE* changed = nullptr;
    if (sample->GetMediaType(&changed) == S_OK && changed) {
        CMediaType type(*changed);
        DeleteMediaType(changed);
        if (CheckMediaType(&type) != S_OK) {
            SetRunTimeError();
            return VFW_E_INVALIDMEDIATYPE;
        }
        SetMediaType(&type);
    }
    return S_OK;
}

HRESULT CBaseInputPin::ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed)
{
    if (!samples || !processed) return E_POINTER;
    *processed = 0;
    HRESULT hr = S_OK;
    while (*processed < count) {
        hr = Receive(samples[*processed]);
        if (hr != S_OK) break;
        ++*processed;
    }
    return hr;
}

HRESULT CBaseInputPin::ReceiveCanBlock() { return S_OK; }

HRESULT CBaseInputPin::BeginFlush()
{
    flushing_.store(true, std::memory_order_release);
    return S_OK;
}

HRESULT CBaseInputPin::EndFlush()
{
    flushing_.store(false, std::memory_order_release);
    runTimeError_.store(false, std::memory_order_release);
    return S_OK;
}

HRESULT CBaseInputPin::Inactive()
{
    runTimeError_.store(false, std::memory_order_release);
    flushing_.store(false, std::memory_order_release);
    // The allocator is shared with the output pin upstream: decommitting it
    // here wakes a thread upstream that waits for a buffer.
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->Decommit();
}

HRESULT CBaseInputPin::BreakConnect()
{
    if (allocator_) {
        allocator_->Decommit();
        allocator_->Release();
        allocator_ = nullptr;
    }
    return S_OK;
}
