#include "modules/hwriter/AviWriter.h"

EncoderRequest RequestOfCodecBlock(const SCodecSettings& c)
{
    EncoderRequest r;
    r.videoFourCC = c.fccVideoCodec;
    r.videoMode = c.nVideoEncMode;
    r.videoKBitrate = c.nVideoKBitrate;
    r.videoQuality = c.nVideoQuality;
    r.secPerKeyframe = c.nSecPerKeyframe;
    r.audioTag = c.nAudioCodec;
    r.audioMode = c.nAudioEncMode;
    r.audioKBitrate = c.nAudioKBitrate;
    r.audioQuality = c.nAudioQuality;
    return r;
}

CAviWriter::CAviWriter(IUnknown* outer) : CWriterFilter(CLSID_HalvaneAviWriter, L"Halvane Avi Writer", outer) {}

HRESULT CAviWriter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IAviWriterFormat) return GetInterface(static_cast<IAviWriterFormat*>(this), object);
    return CWriterFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT CAviWriter::SetCodecSettings(const SCodecSettings* codec)
{
    if (!codec) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    m_codec = *codec;
    m_bCodecSet = true;
    return S_OK;
}

bool CAviWriter::CodecRequestOfRun(EncoderRequest* request)
{
    if (!m_bCodecSet) return false;
    *request = RequestOfCodecBlock(m_codec);
    return true;
}
