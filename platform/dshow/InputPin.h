// CBaseInputPin: an input pin that receives pushed samples (IMemInputPin).
// It offers a CMemAllocator of its own, takes the allocator the output pin
// settles on, and keeps the flushing and error state that Receive checks.
// Derived pins override Receive and call CheckStreaming (or the base
// Receive) first.
#pragma once

#include <atomic>

#include "platform/dshow/BasePin.h"
#include "platform/dshow/SampleInterfaces.h"

class CBaseInputPin : public CBasePin, public IMemInputPin {
public:
    CBaseInputPin(CBaseFilter* filter, const wchar_t* name);
    ~CBaseInputPin() override;

    // Both interface bases answer through the pin.
    HRESULT QueryInterface(REFIID riid, void** object) override { return CBasePin::QueryInterface(riid, object); }
    ULONG AddRef() override { return CBasePin::AddRef(); }
    ULONG Release() override { return CBasePin::Release(); }
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // IMemInputPin
    HRESULT GetAllocator(IMemAllocator** allocator) override;
    HRESULT NotifyAllocator(IMemAllocator* allocator, BOOL readOnly) override;
    HRESULT GetAllocatorRequirements(ALLOCATOR_PROPERTIES* props) override;
    // Checks the streaming state and a media type that changes with the
    // sample; derived pins do the work.
    HRESULT Receive(IMediaSample* sample) override;
    HRESULT ReceiveMultiple(IMediaSample** samples, LONG count, LONG* processed) override;
    HRESULT ReceiveCanBlock() override;

    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;
    HRESULT Inactive() override;
    HRESULT BreakConnect() override;

    // S_OK while samples may flow: connected, not stopped, not flushing and
    // no run-time error. S_FALSE while flushing.
    HRESULT CheckStreaming();
    bool IsFlushing() const { return flushing_.load(std::memory_order_acquire); }
    // After an error on the data path, further samples are refused until the
    // filter stops or the stream is flushed.
    void SetRunTimeError() { runTimeError_.store(true, std::memory_order_release); }

protected:
    IMemAllocator* allocator_ = nullptr;  // counted
    bool readOnly_ = false;
    std::atomic<bool> flushing_{false};
    std::atomic<bool> runTimeError_{false};
};
