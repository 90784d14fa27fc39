#include "modules/hwriter/OgmWriter.h"

#include "modules/hwriter/AviWriter.h"
#include "modules/hwriter/OgmOutput.h"

COgmWriter::COgmWriter(IUnknown* outer) : CWriterFilter(CLSID_HalvaneOgmWriter, L"Halvane Ogg Writer", outer) {}

HRESULT COgmWriter::NonDelegatingQueryInterface(REFIID riid, void** object)
{
    if (riid == IID_IOgmWriterFormat) return GetInterface(static_cast<IOgmWriterFormat*>(this), object);
    return CWriterFilter::NonDelegatingQueryInterface(riid, object);
}

HRESULT COgmWriter::SetCodecSettings(const SCodecSettings* codec)
{
    if (!codec) return E_POINTER;
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    m_codec = *codec;
    m_bCodecSet = true;
    return S_OK;
}

HRESULT COgmWriter::SetChannel(IUnknown* channel)
{
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    m_pChannel = channel;
    return S_OK;
}

bool COgmWriter::CodecRequestOfRun(EncoderRequest* request)
{
    if (!m_bCodecSet) return false;
    *request = RequestOfCodecBlock(m_codec);
    return true;
}

std::unique_ptr<WriterOutput> COgmWriter::CreateOutput(const std::wstring& path, const std::string&)
{
    return std::make_unique<OgmOutput>(path);
}
