#include "encoder/pipeline/GraphAviWriter.h"

#include "encoder/core/EncSettings.h"

void CGraphAviWriter::ConfigureWriter(IBaseFilter* writer)
{
    if (!m_pSettings) return;
    ComPtr<IAviWriterFormat> format;
    if (SUCCEEDED(writer->QueryInterface(IID_IAviWriterFormat, reinterpret_cast<void**>(format.GetAddressOf()))) &&
        format)
        format->SetCodecSettings(&m_pSettings->AviEncoder);
    if (ComPtr<IWriterSettings> settings = WriterSettings())
        ConfigurePassesAndRates(settings.Get(), m_pSettings->AviEncoder.nVideoEncMode);
}
