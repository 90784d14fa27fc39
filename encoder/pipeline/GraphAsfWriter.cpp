#include "encoder/pipeline/GraphAsfWriter.h"

#include "encoder/core/EncSettings.h"

void CGraphAsfWriter::ConfigureWriter(IBaseFilter*)
{
    if (!m_pSettings) return;
    ComPtr<IWriterSettings> settings = WriterSettings();
    if (!settings) return;
    if (m_pSettings->nVideoFrameRate > 0 && m_pSettings->nVideoFrameScale > 0)
        settings->SetFrameRate(m_pSettings->nVideoFrameRate, m_pSettings->nVideoFrameScale);
    settings->SetPlaybackRate(PlaybackRate());
}

BOOL CGraphAsfWriter::BuildFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow)
{
    if (!CWriterGraph::BuildFilterChain(sourceType, previewWindow, ownerWindow)) return FALSE;
    SetAudioSampleRate(48000);
    return TRUE;
}

BOOL CGraphAsfWriter::ConfigureAfterRender(int flags)
{
    return CWriterGraph::ConfigureAfterRender(flags);
}
