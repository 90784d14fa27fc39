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
    RIVO_IDISPATCH_METHODS(RIVO_OVERRIDE_METHOD)

    RIVO_IBASICVIDEO_METHODS(RIVO_OVERRIDE_METHOD)
    RIVO_IVIDEOWINDOW_METHODS(RIVO_OVERRIDE_METHOD)

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
