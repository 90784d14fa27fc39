// PreviewPaneSink: the program's side of a writer's preview. It shows the
// pictures the writer hands it in a window of its own inside the graph's
// preview window (the progress window's preview pane), at their shape and
// as large as the pane holds; the window lets clicks through to the pane's
// page, which turns the preview on and off.
//
// Made, attached and released on the user-interface thread, which also
// paints; the writer's streaming thread only asks whether a picture is
// welcome and hands one over, and neither waits for the painting.
#pragma once

#include <memory>

#include "encoder/pipeline/WriterFilters.h"
#include "platform/com/UnknownImpl.h"
#include "platform/win32/WindowMessages.h"

class VideoWindowPresenter;

class PreviewPaneSink final : public CUnknown, public IWriterPreviewSink {
public:
    PreviewPaneSink();
    ~PreviewPaneSink() override;

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // The pane the pictures are shown in (a new job's pane, or the same
    // one); nothing is shown until the next picture.
    void Attach(HWND pane);
    // The window the pictures are painted in, for tests; null before Attach.
    HWND PictureWindow() const;

    // IWriterPreviewSink
    HRESULT GetPictureBox(int* width, int* height) override;
    HRESULT ShowPicture(const BYTE* pixels, int width, int height, int stride) override;
    HRESULT ClearPicture() override;

private:
    std::unique_ptr<VideoWindowPresenter> m_pPresenter;
};
