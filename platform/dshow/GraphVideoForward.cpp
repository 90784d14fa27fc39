#include "platform/dshow/GraphVideoForward.h"

#include "platform/win32/DebugOutput.h"

// One forwarded call: find the interface, call, let go.
#define RIVO_FORWARD(Interface, name, parameters, arguments)                                           \
    HRESULT CGraphVideoForward::name parameters                                                        \
    {                                                                                                  \
        Interface* target = nullptr;                                                                   \
        HRESULT hr = finder_->FindFilterInterface(IID_##Interface, reinterpret_cast<void**>(&target)); \
        if (FAILED(hr)) return hr;                                                                     \
        hr = target->name arguments;                                                                   \
        target->Release();                                                                             \
        return hr;                                                                                     \
    }
#define RIVO_FORWARD_VIDEO_WINDOW(name, parameters, arguments) RIVO_FORWARD(IVideoWindow, name, parameters, arguments)
#define RIVO_FORWARD_BASIC_VIDEO(name, parameters, arguments) RIVO_FORWARD(IBasicVideo, name, parameters, arguments)

RIVO_IDISPATCH_NOT_OFFERED(CGraphVideoForward)

RIVO_IVIDEOWINDOW_METHODS(RIVO_FORWARD_VIDEO_WINDOW)
RIVO_IBASICVIDEO_METHODS(RIVO_FORWARD_BASIC_VIDEO)

#undef RIVO_FORWARD_BASIC_VIDEO
#undef RIVO_FORWARD_VIDEO_WINDOW
#undef RIVO_FORWARD
