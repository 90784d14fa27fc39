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

    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) override;

    // IVideoWindow
    HRESULT put_Caption(BSTR caption) override;
    HRESULT get_Caption(BSTR* caption) override;
    HRESULT put_WindowStyle(LONG style) override;
    HRESULT get_WindowStyle(LONG* style) override;
    HRESULT put_WindowStyleEx(LONG style) override;
    HRESULT get_WindowStyleEx(LONG* style) override;
    HRESULT put_AutoShow(LONG autoShow) override;
    HRESULT get_AutoShow(LONG* autoShow) override;
    HRESULT put_WindowState(LONG state) override;
    HRESULT get_WindowState(LONG* state) override;
    HRESULT put_BackgroundPalette(LONG palette) override;
    HRESULT get_BackgroundPalette(LONG* palette) override;
    HRESULT put_Visible(LONG visible) override;
    HRESULT get_Visible(LONG* visible) override;
    HRESULT put_Left(LONG left) override;
    HRESULT get_Left(LONG* left) override;
    HRESULT put_Width(LONG width) override;
    HRESULT get_Width(LONG* width) override;
    HRESULT put_Top(LONG top) override;
    HRESULT get_Top(LONG* top) override;
    HRESULT put_Height(LONG height) override;
    HRESULT get_Height(LONG* height) override;
    HRESULT put_Owner(OAHWND owner) override;
    HRESULT get_Owner(OAHWND* owner) override;
    HRESULT put_MessageDrain(OAHWND drain) override;
    HRESULT get_MessageDrain(OAHWND* drain) override;
    HRESULT get_BorderColor(LONG* color) override;
    HRESULT put_BorderColor(LONG color) override;
    HRESULT get_FullScreenMode(LONG* mode) override;
    HRESULT put_FullScreenMode(LONG mode) override;
    HRESULT SetWindowForeground(LONG focus) override;
    HRESULT NotifyOwnerMessage(OAHWND window, LONG message, LONG_PTR wParam, LONG_PTR lParam) override;
    HRESULT SetWindowPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetWindowPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT GetMinIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetMaxIdealImageSize(LONG* width, LONG* height) override;
    HRESULT GetRestorePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT HideCursor(LONG hide) override;
    HRESULT IsCursorHidden(LONG* hidden) override;

    // IBasicVideo
    HRESULT get_AvgTimePerFrame(REFTIME* time) override;
    HRESULT get_BitRate(LONG* rate) override;
    HRESULT get_BitErrorRate(LONG* rate) override;
    HRESULT get_VideoWidth(LONG* width) override;
    HRESULT get_VideoHeight(LONG* height) override;
    HRESULT put_SourceLeft(LONG value) override;
    HRESULT get_SourceLeft(LONG* value) override;
    HRESULT put_SourceWidth(LONG value) override;
    HRESULT get_SourceWidth(LONG* value) override;
    HRESULT put_SourceTop(LONG value) override;
    HRESULT get_SourceTop(LONG* value) override;
    HRESULT put_SourceHeight(LONG value) override;
    HRESULT get_SourceHeight(LONG* value) override;
    HRESULT put_DestinationLeft(LONG value) override;
    HRESULT get_DestinationLeft(LONG* value) override;
    HRESULT put_DestinationWidth(LONG value) override;
    HRESULT get_DestinationWidth(LONG* value) override;
    HRESULT put_DestinationTop(LONG value) override;
    HRESULT get_DestinationTop(LONG* value) override;
    HRESULT put_DestinationHeight(LONG value) override;
    HRESULT get_DestinationHeight(LONG* value) override;
    HRESULT SetSourcePosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetSourcePosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultSourcePosition() override;
    HRESULT SetDestinationPosition(LONG left, LONG top, LONG width, LONG height) override;
    HRESULT GetDestinationPosition(LONG* left, LONG* top, LONG* width, LONG* height) override;
    HRESULT SetDefaultDestinationPosition() override;
    HRESULT GetVideoSize(LONG* width, LONG* height) override;
    HRESULT GetVideoPaletteEntries(LONG start, LONG count, LONG* retrieved, LONG* palette) override;
    HRESULT GetCurrentImage(LONG* bufferSize, LONG* image) override;
    HRESULT IsUsingDefaultSource() override;
    HRESULT IsUsingDefaultDestination() override;

private:
    IUnknown* owner_;
    IFilterInterfaceFinder* finder_;
};
