#include "encoder/pipeline/PreviewPaneSink.h"

#include "platform/dshow/filters/VideoWindowPresenter.h"

PreviewPaneSink::PreviewPaneSink() : CUnknown(nullptr), m_pPresenter(std::make_unique<VideoWindowPresenter>()) {}

PreviewPaneSink::~PreviewPaneSink() = default;

HRESULT PreviewPaneSink::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IWriterPreviewSink) return GetInterface(static_cast<IWriterPreviewSink*>(this), object);
    return CUnknown::NonDelegatingQueryInterface(riid, object);
}

void PreviewPaneSink::Attach(HWND pane) { m_pPresenter->ConfigureFitted(pane); }

HWND PreviewPaneSink::PictureWindow() const { return m_pPresenter->Window(); }

HRESULT PreviewPaneSink::GetPictureBox(int* width, int* height)
{
    if (!width || !height) return E_POINTER;
    m_pPresenter->OwnerSize(width, height);
    if (!m_pPresenter->Window() || *width <= 0 || *height <= 0 || m_pPresenter->IsBusy()) return S_FALSE;
    return S_OK;
}

HRESULT PreviewPaneSink::ShowPicture(const BYTE* pixels, int width, int height, int stride)
{
    if (!pixels) return E_POINTER;
    return m_pPresenter->Present(pixels, width, height, stride, false) ? S_OK : S_FALSE;
}

HRESULT PreviewPaneSink::ClearPicture()
{
    m_pPresenter->Clear();
    return S_OK;
}
