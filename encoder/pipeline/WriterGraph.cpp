#include "encoder/pipeline/WriterGraph.h"

#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "platform/mfc/CWnd.h"

void CWriterGraph::CloseGraph()
{
    Stop();
    CGraphMain::CloseGraph();
}

HRESULT CWriterGraph::Build(IGraphBuilder* graph)
{
    m_pWriter.Reset();
    const CLSID* clsid = WriterClassId();
    if (clsid) m_pWriter = CreateFilterFromModule(kWriterModuleFile, *clsid, true);
    if (!m_pWriter) {
        AddRenderLog(L"The writer cannot be made.");
        return REGDB_E_CLASSNOTREG;
    }
    if (!graph) return E_POINTER;
    HRESULT hr = graph->AddFilter(m_pWriter.Get(), WriterName());
    ConfigureWriter(m_pWriter.Get());
    ComPtr<IWriterPreview> preview;
    HWND pane = m_pPreviewWnd ? m_pPreviewWnd->GetSafeHwnd() : nullptr;
    if (pane && SUCCEEDED(m_pWriter.As(&preview)) && preview) {
        if (!m_pPreviewSink) m_pPreviewSink = new PreviewPaneSink;
        m_pPreviewSink->Attach(pane);
        preview->SetPreviewSink(m_pPreviewSink.Get());
    }
    return hr;
}

int CWriterGraph::Open(const CString& sourcePath, const CString& outputPath)
{
    SetOutputFile(outputPath);
    return CGraphMain::Open(sourcePath, outputPath);
}

LONGLONG CWriterGraph::GetPosition() { return CurrentPositionOf(m_pWriter.Get()); }

HRESULT CWriterGraph::SetOutputFile(const CString& path)
{
    m_sOutputPath.Empty();
    if (path.IsEmpty()) return E_POINTER;
    ComPtr<IFileSinkFilter> sink;
    if (!m_pWriter || FAILED(m_pWriter.As(&sink)) || !sink) return E_NOINTERFACE;
    HRESULT hr = sink->SetFileName(path, nullptr);
    if (SUCCEEDED(hr)) m_sOutputPath = path;
    return hr;
}

void CWriterGraph::ConfigurePassesAndRates(IWriterSettings* settings, int videoEncMode)
{
    if (!m_pSettings) return;
    settings->SetPassMode(videoEncMode == 2 ? 1 : 0);
    if (m_pSettings->nVideoFrameRate > 0 && m_pSettings->nVideoFrameScale > 0)
        settings->SetFrameRate(m_pSettings->nVideoFrameRate, m_pSettings->nVideoFrameScale);
    settings->SetPlaybackRate(PlaybackRate());
}

double CWriterGraph::PlaybackRate() const { return m_pSettings ? m_pSettings->nEtcPBRate * 0.01 : 1.0; }
