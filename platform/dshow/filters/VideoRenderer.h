// CVideoRenderer (CLSID_VideoRenderer): shows decoded pictures in time on
// the graph's clock. It answers IBasicVideo (the picture's size, frame time,
// source and destination rectangles) and IVideoWindow (owner, style,
// visibility, position): while it has an owner window and is visible, each
// picture is handed to a child window of the window layer
// (VideoWindowPresenter.h); otherwise, as in a headless run, pictures are
// let go in time without being drawn.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/PictureMemory.h"

class VideoWindowPresenter;

class CVideoRenderer final : public CBaseRenderer, public IBasicVideo, public IVideoWindow {
public:
    explicit CVideoRenderer(IUnknown* outer);
    ~CVideoRenderer() override;
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    // Paused, the picture of the new position shows at once.
    void OnPausedSample(IMediaSample* sample) override { DoRenderSample(sample); }
    // With AutoShow on (the default) a hidden window that has an owner
    // shows itself when the graph pauses or runs.
    HRESULT Pause() override;

    // IDispatch: not offered.
    HRESULT GetTypeInfoCount(UINT* count) override;
    HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
    HRESULT Invoke(DISPID id, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* exception, UINT* argError) override;

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

private:
    struct Rect {
        LONG left = 0, top = 0, width = 0, height = 0;
    };
    // The connected picture's size; false while not connected.
    bool PictureSize(LONG* width, LONG* height);
    // Applies the window state to the presenter (the caller's thread).
    void UpdateWindow();

    std::mutex stateLock_;
    CMediaType type_;
    Rect source_, destination_;
    bool defaultSource_ = true, defaultDestination_ = true;
    // IVideoWindow state.
    std::wstring caption_ = L"ActiveMovie Window";
    LONG style_ = 0, styleEx_ = 0, autoShow_ = -1, windowState_ = 0, backgroundPalette_ = 0;
    LONG visible_ = 0, borderColor_ = 0, cursorHidden_ = 0;
    OAHWND owner_ = 0, drain_ = 0;
    Rect window_{0, 0, 240, 180};
    std::unique_ptr<VideoWindowPresenter> presenter_;
    // The streaming thread's pictures for the scaler: a copy of a sample
    // without room after its picture, and the window's pixels.
    PictureBuffer input_, output_;
};
