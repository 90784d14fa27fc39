#include "platform/dshow/GraphVideoForward.h"

#include "platform/win32/DebugOutput.h"

// One forwarded call: find the interface, call, let go.
#define RIVO_FORWARD(Interface, call)                                                      \
    Interface* target = nullptr;                                                           \
    HRESULT hr = finder_->FindFilterInterface(IID_##Interface, reinterpret_cast<void**>(&target)); \
    if (FAILED(hr)) return hr;                                                             \
    hr = target->call;                                                                     \
    target->Release();                                                                     \
    return hr

HRESULT CGraphVideoForward::GetTypeInfoCount(UINT* count)
{
    if (count) *count = 0;
    return S_OK;
}

HRESULT CGraphVideoForward::GetTypeInfo(UINT, LCID, ITypeInfo**) { return RIVO_NOT_IMPLEMENTED(); }

HRESULT CGraphVideoForward::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CGraphVideoForward::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)
{
    return RIVO_NOT_IMPLEMENTED();
}

HRESULT CGraphVideoForward::put_Caption(BSTR caption)
{
    RIVO_FORWARD(IVideoWindow, put_Caption(caption));
}

HRESULT CGraphVideoForward::get_Caption(BSTR* caption)
{
    RIVO_FORWARD(IVideoWindow, get_Caption(caption));
}

HRESULT CGraphVideoForward::put_WindowStyle(LONG style)
{
    RIVO_FORWARD(IVideoWindow, put_WindowStyle(style));
}

HRESULT CGraphVideoForward::get_WindowStyle(LONG* style)
{
    RIVO_FORWARD(IVideoWindow, get_WindowStyle(style));
}

HRESULT CGraphVideoForward::put_WindowStyleEx(LONG style)
{
    RIVO_FORWARD(IVideoWindow, put_WindowStyleEx(style));
}

HRESULT CGraphVideoForward::get_WindowStyleEx(LONG* style)
{
    RIVO_FORWARD(IVideoWindow, get_WindowStyleEx(style));
}

HRESULT CGraphVideoForward::put_AutoShow(LONG autoShow)
{
    RIVO_FORWARD(IVideoWindow, put_AutoShow(autoShow));
}

HRESULT CGraphVideoForward::get_AutoShow(LONG* autoShow)
{
    RIVO_FORWARD(IVideoWindow, get_AutoShow(autoShow));
}

HRESULT CGraphVideoForward::put_WindowState(LONG state)
{
    RIVO_FORWARD(IVideoWindow, put_WindowState(state));
}

HRESULT CGraphVideoForward::get_WindowState(LONG* state)
{
    RIVO_FORWARD(IVideoWindow, get_WindowState(state));
}

HRESULT CGraphVideoForward::put_BackgroundPalette(LONG palette)
{
    RIVO_FORWARD(IVideoWindow, put_BackgroundPalette(palette));
}

HRESULT CGraphVideoForward::get_BackgroundPalette(LONG* palette)
{
    RIVO_FORWARD(IVideoWindow, get_BackgroundPalette(palette));
}

HRESULT CGraphVideoForward::put_Visible(LONG visible)
{
    RIVO_FORWARD(IVideoWindow, put_Visible(visible));
}

HRESULT CGraphVideoForward::get_Visible(LONG* visible)
{
    RIVO_FORWARD(IVideoWindow, get_Visible(visible));
}

HRESULT CGraphVideoForward::put_Left(LONG left)
{
    RIVO_FORWARD(IVideoWindow, put_Left(left));
}

HRESULT CGraphVideoForward::get_Left(LONG* left)
{
    RIVO_FORWARD(IVideoWindow, get_Left(left));
}

HRESULT CGraphVideoForward::put_Width(LONG width)
{
    RIVO_FORWARD(IVideoWindow, put_Width(width));
}

HRESULT CGraphVideoForward::get_Width(LONG* width)
{
    RIVO_FORWARD(IVideoWindow, get_Width(width));
}

HRESULT CGraphVideoForward::put_Top(LONG top)
{
    RIVO_FORWARD(IVideoWindow, put_Top(top));
}

HRESULT CGraphVideoForward::get_Top(LONG* top)
{
    RIVO_FORWARD(IVideoWindow, get_Top(top));
}

HRESULT CGraphVideoForward::put_Height(LONG height)
{
    RIVO_FORWARD(IVideoWindow, put_Height(height));
}

HRESULT CGraphVideoForward::get_Height(LONG* height)
{
    RIVO_FORWARD(IVideoWindow, get_Height(height));
}

HRESULT CGraphVideoForward::put_Owner(OAHWND owner)
{
    RIVO_FORWARD(IVideoWindow, put_Owner(owner));
}

HRESULT CGraphVideoForward::get_Owner(OAHWND* owner)
{
    RIVO_FORWARD(IVideoWindow, get_Owner(owner));
}

HRESULT CGraphVideoForward::put_MessageDrain(OAHWND drain)
{
    RIVO_FORWARD(IVideoWindow, put_MessageDrain(drain));
}

HRESULT CGraphVideoForward::get_MessageDrain(OAHWND* drain)
{
    RIVO_FORWARD(IVideoWindow, get_MessageDrain(drain));
}

HRESULT CGraphVideoForward::get_BorderColor(LONG* color)
{
    RIVO_FORWARD(IVideoWindow, get_BorderColor(color));
}

HRESULT CGraphVideoForward::put_BorderColor(LONG color)
{
    RIVO_FORWARD(IVideoWindow, put_BorderColor(color));
}

HRESULT CGraphVideoForward::get_FullScreenMode(LONG* mode)
{
    RIVO_FORWARD(IVideoWindow, get_FullScreenMode(mode));
}

HRESULT CGraphVideoForward::put_FullScreenMode(LONG mode)
{
    RIVO_FORWARD(IVideoWindow, put_FullScreenMode(mode));
}

HRESULT CGraphVideoForward::SetWindowForeground(LONG focus)
{
    RIVO_FORWARD(IVideoWindow, SetWindowForeground(focus));
}

HRESULT CGraphVideoForward::NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam)
{
    RIVO_FORWARD(IVideoWindow, NotifyOwnerMessage(window, message, wParam, lParam));
}

HRESULT CGraphVideoForward::SetWindowPosition(LONG left, LONG top, LONG width, LONG height)
{
    RIVO_FORWARD(IVideoWindow, SetWindowPosition(left, top, width, height));
}

HRESULT CGraphVideoForward::GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    RIVO_FORWARD(IVideoWindow, GetWindowPosition(left, top, width, height));
}

HRESULT CGraphVideoForward::GetMinIdealImageSize(LONG* width, LONG* height)
{
    RIVO_FORWARD(IVideoWindow, GetMinIdealImageSize(width, height));
}

HRESULT CGraphVideoForward::GetMaxIdealImageSize(LONG* width, LONG* height)
{
    RIVO_FORWARD(IVideoWindow, GetMaxIdealImageSize(width, height));
}

HRESULT CGraphVideoForward::GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    RIVO_FORWARD(IVideoWindow, GetRestorePosition(left, top, width, height));
}

HRESULT CGraphVideoForward::HideCursor(LONG hide)
{
    RIVO_FORWARD(IVideoWindow, HideCursor(hide));
}

HRESULT CGraphVideoForward::IsCursorHidden(LONG* hidden)
{
    RIVO_FORWARD(IVideoWindow, IsCursorHidden(hidden));
}

HRESULT CGraphVideoForward::get_AvgTimePerFrame(REFTIME* time)
{
    RIVO_FORWARD(IBasicVideo, get_AvgTimePerFrame(time));
}

HRESULT CGraphVideoForward::get_BitRate(LONG* rate)
{
    RIVO_FORWARD(IBasicVideo, get_BitRate(rate));
}

HRESULT CGraphVideoForward::get_BitErrorRate(LONG* rate)
{
    RIVO_FORWARD(IBasicVideo, get_BitErrorRate(rate));
}

HRESULT CGraphVideoForward::get_VideoWidth(LONG* width)
{
    RIVO_FORWARD(IBasicVideo, get_VideoWidth(width));
}

HRESULT CGraphVideoForward::get_VideoHeight(LONG* height)
{
    RIVO_FORWARD(IBasicVideo, get_VideoHeight(height));
}

HRESULT CGraphVideoForward::put_SourceLeft(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_SourceLeft(value));
}

HRESULT CGraphVideoForward::get_SourceLeft(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_SourceLeft(value));
}

HRESULT CGraphVideoForward::put_SourceWidth(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_SourceWidth(value));
}

HRESULT CGraphVideoForward::get_SourceWidth(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_SourceWidth(value));
}

HRESULT CGraphVideoForward::put_SourceTop(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_SourceTop(value));
}

HRESULT CGraphVideoForward::get_SourceTop(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_SourceTop(value));
}

HRESULT CGraphVideoForward::put_SourceHeight(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_SourceHeight(value));
}

HRESULT CGraphVideoForward::get_SourceHeight(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_SourceHeight(value));
}

HRESULT CGraphVideoForward::put_DestinationLeft(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_DestinationLeft(value));
}

HRESULT CGraphVideoForward::get_DestinationLeft(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_DestinationLeft(value));
}

HRESULT CGraphVideoForward::put_DestinationWidth(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_DestinationWidth(value));
}

HRESULT CGraphVideoForward::get_DestinationWidth(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_DestinationWidth(value));
}

HRESULT CGraphVideoForward::put_DestinationTop(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_DestinationTop(value));
}

HRESULT CGraphVideoForward::get_DestinationTop(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_DestinationTop(value));
}

HRESULT CGraphVideoForward::put_DestinationHeight(LONG value)
{
    RIVO_FORWARD(IBasicVideo, put_DestinationHeight(value));
}

HRESULT CGraphVideoForward::get_DestinationHeight(LONG* value)
{
    RIVO_FORWARD(IBasicVideo, get_DestinationHeight(value));
}

HRESULT CGraphVideoForward::SetSourcePosition(LONG left, LONG top, LONG width, LONG height)
{
    RIVO_FORWARD(IBasicVideo, SetSourcePosition(left, top, width, height));
}

HRESULT CGraphVideoForward::GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    RIVO_FORWARD(IBasicVideo, GetSourcePosition(left, top, width, height));
}

HRESULT CGraphVideoForward::SetDefaultSourcePosition()
{
    RIVO_FORWARD(IBasicVideo, SetDefaultSourcePosition());
}

HRESULT CGraphVideoForward::SetDestinationPosition(LONG left, LONG top, LONG width, LONG height)
{
    RIVO_FORWARD(IBasicVideo, SetDestinationPosition(left, top, width, height));
}

HRESULT CGraphVideoForward::GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height)
{
    RIVO_FORWARD(IBasicVideo, GetDestinationPosition(left, top, width, height));
}

HRESULT CGraphVideoForward::SetDefaultDestinationPosition()
{
    RIVO_FORWARD(IBasicVideo, SetDefaultDestinationPosition());
}

HRESULT CGraphVideoForward::GetVideoSize(LONG* width, LONG* height)
{
    RIVO_FORWARD(IBasicVideo, GetVideoSize(width, height));
}

HRESULT CGraphVideoForward::GetVideoPaletteEntries(LONG start, LONG count, LONG* retrieved, LONG* palette)
{
    RIVO_FORWARD(IBasicVideo, GetVideoPaletteEntries(start, count, retrieved, palette));
}

HRESULT CGraphVideoForward::GetCurrentImage(LONG* bufferSize, LONG* image)
{
    RIVO_FORWARD(IBasicVideo, GetCurrentImage(bufferSize, image));
}

HRESULT CGraphVideoForward::IsUsingDefaultSource()
{
    RIVO_FORWARD(IBasicVideo, IsUsingDefaultSource());
}

HRESULT CGraphVideoForward::IsUsingDefaultDestination()
{
    RIVO_FORWARD(IBasicVideo, IsUsingDefaultDestination());
}

#undef RIVO_FORWARD
