#include "platform/dshow/OutputPin.h"

#include "platform/dshow/MemAllocator.h"

CBaseOutputPin::CBaseOutputPin(CBaseFilter* filter, const wchar_t* name) : CBasePin(filter, name, PINDIR_OUTPUT) {}

CBaseOutputPin::~CBaseOutputPin()
{
    if (allocator_) allocator_->Release();
    if (input_) input_->Release();
}

HRESULT CBaseOutputPin::CheckConnect(IPin* pin)
{
    HRESULT hr = CBasePin::CheckConnect(pin);
    if (FAILED(hr)) return hr;
    IMemInputPin* input = nullptr;
    if (FAILED(pin->QueryInterface(IID_IMemInputPin, reinterpret_cast<void**>(&input)))) return VFW_E_NO_TRANSPORT;
    if (input_) input_->Release();
    input_ = input;
    return S_OK;
}

HRESULT CBaseOutputPin::CompleteConnect(IPin*)
{
    if (!input_) return E_UNEXPECTED;
    return DecideAllocator(input_, &allocator_);
}

HRESULT CBaseOutputPin::BreakConnect()
{
    if (allocator_) {
        allocator_->Decommit();
        allocator_->Release();
        allocator_ = nullptr;
    }
    if (input_) {
        input_->Release();
        input_ = nullptr;
    }
    return S_OK;
}

HRESULT CBaseOutputPin::DecideAllocator(IMemInputPin* input, IMemAllocator** allocator)
{
    if (*allocator) {
        (*allocator)->Release();
        *allocator = nullptr;
    }
    ALLOCATOR_PROPERTIES wanted{};
    input->GetAllocatorRequirements(&wanted);  // E_NOTIMPL leaves it zero
    if (wanted.cbAlign == 0) wanted.cbAlign = 1;

    IMemAllocator* candidate = nullptr;
    if (SUCCEEDED(input->GetAllocator(&candidate)) && candidate) {
        ALLOCATOR_PROPERTIES props = wanted;
        HRESULT hr = DecideBufferSize(candidate, &props);
        if (SUCCEEDED(hr)) hr = input->NotifyAllocator(candidate, FALSE);
        if (SUCCEEDED(hr)) {
            *allocator = candidate;
            return S_OK;
        }
        candidate->Release();
        candidate = nullptr;
    }
    HRESULT hr = CMemAllocator::CreateInstance(nullptr, IID_IMemAllocator, reinterpret_cast<void**>(&candidate));
    if (FAILED(hr)) return hr;
    ALLOCATOR_PROPERTIES props = wanted;
    hr = DecideBufferSize(candidate, &props);
    if (SUCCEEDED(hr)) hr = input->NotifyAllocator(candidate, FALSE);
    if (FAILED(hr)) {
        candidate->Release();
        return hr;
    }
    *allocator = candidate;
    return S_OK;
}

HRESULT CBaseOutputPin::Active()
{
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->Commit();
}

HRESULT CBaseOutputPin::Inactive()
{
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->Decommit();
}

HRESULT CBaseOutputPin::EndOfStream() { return E_UNEXPECTED; }

HRESULT CBaseOutputPin::BeginFlush() { return E_UNEXPECTED; }

HRESULT CBaseOutputPin::EndFlush() { return E_UNEXPECTED; }

HRESULT CBaseOutputPin::GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop,
                                          DWORD flags)
{
    if (!allocator_) return VFW_E_NO_ALLOCATOR;
    return allocator_->GetBuffer(sample, start, stop, flags);
}

HRESULT CBaseOutputPin::Deliver(IMediaSample* sample)
{
    if (!input_) return VFW_E_NOT_CONNECTED;
    return input_->Receive(sample);
}

HRESULT CBaseOutputPin::DeliverEndOfStream()
{
    if (!connected_) return VFW_E_NOT_CONNECTED;
    return connected_->EndOfStream();
}

HRESULT CBaseOutputPin::DeliverBeginFlush()
{
    if (!connected_) return VFW_E_NOT_CONNECTED;
    return connected_->BeginFlush();
}

HRESULT CBaseOutputPin::DeliverEndFlush()
{
    if (!connected_) return VFW_E_NOT_CONNECTED;
    return connected_->EndFlush();
}

HRESULT CBaseOutputPin::DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate)
{
    if (!connected_) return VFW_E_NOT_CONNECTED;
    return connected_->NewSegment(start, stop, rate);
}
