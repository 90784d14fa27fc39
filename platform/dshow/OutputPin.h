// CBaseOutputPin: an output pin that pushes samples into the connected
// input pin's IMemInputPin. On connection it settles the allocator: the
// input pin's own when it offers one, else a CMemAllocator, sized by
// DecideBufferSize. The allocator is committed while the filter is active
// and decommitted when it stops, which wakes a thread waiting for a buffer.
#pragma once

#include "platform/dshow/BasePin.h"
#include "platform/dshow/SampleInterfaces.h"

class CBaseOutputPin : public CBasePin {
public:
    CBaseOutputPin(CBaseFilter* filter, const wchar_t* name);
    ~CBaseOutputPin() override;

    // The input pin must offer IMemInputPin.
    HRESULT CheckConnect(IPin* pin) override;
    HRESULT CompleteConnect(IPin* receivePin) override;
    HRESULT BreakConnect() override;
    HRESULT Active() override;
    HRESULT Inactive() override;

    // Calls made on an output pin from downstream make no sense.
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    // Sets the allocator's properties from what the input pin asked for
    // (props) and what the pin needs.
    virtual HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) = 0;
    virtual HRESULT DecideAllocator(IMemInputPin* input, IMemAllocator** allocator);

    // The data path (streaming thread). Each fails with VFW_E_NOT_CONNECTED
    // when the pin is not connected.
    HRESULT GetDeliveryBuffer(IMediaSample** sample, REFERENCE_TIME* start, REFERENCE_TIME* stop, DWORD flags);
    HRESULT Deliver(IMediaSample* sample);
    HRESULT DeliverEndOfStream();
    HRESULT DeliverBeginFlush();
    HRESULT DeliverEndFlush();
    HRESULT DeliverNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

    IMemAllocator* Allocator() const { return allocator_; }

protected:
    IMemAllocator* allocator_ = nullptr;  // counted
    IMemInputPin* input_ = nullptr;       // counted
};
