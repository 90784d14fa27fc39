#include "encoder/pipeline/GraphMp4Writer.h"

#include "encoder/core/EncSettings.h"

namespace {

constexpr DWORD kFourCcAvc1 = 0x31637661;  // "avc1"
constexpr DWORD kFourCcH264 = 0x34363268;  // "h264"

}  // namespace

void CGraphMp4Writer::ConfigureWriter(IBaseFilter* writer)
{
    if (!m_pSettings) return;
    const SMp4CodecSettings& codec = m_pSettings->Mp4Encoder;
    ComPtr<IMp4WriterFormat> format;
    if (SUCCEEDED(writer->QueryInterface(IID_IMp4WriterFormat, reinterpret_cast<void**>(format.GetAddressOf()))) &&
        format)
        format->SetCodecSettings(&codec);
    ComPtr<IWriterSettings> settings = WriterSettings();
    if (!settings) return;
    if (!codec.bSupportPSP) {
        ConfigurePassesAndRates(settings.Get(), codec.nVideoEncMode);
        return;
    }
    // A PSP plays 15 or 30 frames per second only.
    settings->SetPassMode(codec.nVideoEncMode == 2 ? 1 : 0);
    const int rate = m_pSettings->nVideoFrameRate;
    const int scale = m_pSettings->nVideoFrameScale;
    if (scale != 0 && rate / scale == 15)
        settings->SetFrameRate(15000, 1000);
    else
        settings->SetFrameRate(30000, 1000);
    settings->SetPlaybackRate(PlaybackRate());
}

BOOL CGraphMp4Writer::BuildFilterChain(SourceTypeCode sourceType, CWnd* previewWindow, CWnd* ownerWindow)
{
    if (!CWriterGraph::BuildFilterChain(sourceType, previewWindow, ownerWindow)) return FALSE;
    if (!m_pSettings) return TRUE;
    const SMp4CodecSettings& codec = m_pSettings->Mp4Encoder;
    int rate = m_pSettings->nAudioSRate;
    if (codec.nAudioKBitrate < 64) {
        if (rate <= 8000 || rate >= 24000) rate = 24000;
        SetAudioSampleRate(rate);
        if (codec.nAudioKBitrate < 32) SetAudioChannels(1);
    } else {
        if (rate <= 8000 || rate >= 48000) rate = 48000;
        SetAudioSampleRate(rate);
    }
    if (codec.bSupportPSP)
        SetAudioSampleRate(codec.fccVideoCodec == kFourCcAvc1 || codec.fccVideoCodec == kFourCcH264 ? 48000 : 24000);
    return TRUE;
}

HRESULT CGraphMp4Writer::Stop() { return CWriterGraph::Stop(); }
