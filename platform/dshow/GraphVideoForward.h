// The graph's IVideoWindow and IBasicVideo: every call goes to the first
// filter of the graph (in enumeration order) that offers the interface,
// usually the video renderer; E_NOINTERFACE when none does. The interfaces
// count on the graph.
#pragma once

#include "platform/dshow/GraphInterfaces.h"

// Finds a filter interface for the forwarder (a reference), E_NOINTERFACE
// when no filter of the graph has it.
class IFilterInterfaceFinder {
public:
    virtual HRESULT FindFilterInterface(REFIID riid, void** object) = 0;

protected:
    ~IFilterInterfaceFinder() = default;
};

class CGraphVideoForward final : public IVideoWindow, public IBasicVideo {
public:
    CGraphVideoForward(IUnknown* owner, IFilterInterfaceFinder* finder) : owner_(owner), finder_(finder) {}

    HRESULT QueryInterface(REFIID riid, void** object) override { return owner_->QueryInterface(riid, object); }
    ULONG AddRef() override { return owner_->AddRef(); }
    ULONG Release() override { return owner_->Release(); }

    // IDispatch: not offered.
    RIVO_IDISPATCH_METHODS(RIVO_OVERRIDE_METHOD)

    RIVO_IVIDEOWINDOW_METHODS(RIVO_OVERRIDE_METHOD)
    RIVO_IBASICVIDEO_METHODS(RIVO_OVERRIDE_METHOD)

private:
    IUnknown* owner_;
    IFilterInterfaceFinder* finder_;
};
