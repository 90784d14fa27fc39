#include "encoder/pipeline/GraphAsfWriter.h"

#include "encoder/core/EncSettings.h"
#include "modules/api/WriterFilters.h"
#include "platform/wmf/WmInterfaces.h"

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
    BOOL result = CWriterGraph::ConfigureAfterRender(flags);
    // The profile describes the streams that actually reach the writer, so
    // it can only be made now that its inputs are connected.
    if (!m_pSettings || !m_pWriter) return result;
    ComPtr<IWMProfile> profile;
    if (FAILED(m_pSettings->WmvEncoder.CreateProfile(profile.GetAddressOf(), m_pWriter.Get(), m_pSettings)) || !profile)
        return result;
    ComPtr<IAsfWriterProfile> target;
    if (SUCCEEDED(m_pWriter.As(&target)) && target) target->SetProfile(profile.Get());
    return result;
}
