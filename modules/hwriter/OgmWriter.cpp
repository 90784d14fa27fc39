#include "modules/hwriter/OgmWriter.h"

#include "modules/hwriter/AviWriter.h"
#include "modules/hwriter/OgmOutput.h"

COgmWriter::COgmWriter(IUnknown* outer) : CCodecBlockWriter(CLSID_HalvaneOgmWriter, L"Halvane Ogg Writer", outer, true)
{
}

HRESULT COgmWriter::SetChannel(IUnknown* channel)
{
    std::lock_guard<std::recursive_mutex> g(FilterLock());
    m_pChannel = channel;
    return S_OK;
}

bool COgmWriter::CodecRequestOfRun(EncoderRequest* request)
{
    SCodecSettings block;
    if (!CodecBlock(&block)) return false;
    *request = RequestOfCodecBlock(block);
    return true;
}

std::unique_ptr<WriterOutput> COgmWriter::CreateOutput(const std::wstring& path, const std::string&)
{
    return std::make_unique<OgmOutput>(path);
}
