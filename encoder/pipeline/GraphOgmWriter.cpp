#include "encoder/pipeline/GraphOgmWriter.h"

#include "encoder/core/EncSettings.h"

CGraphOgmWriter::~CGraphOgmWriter()
{
    // The worker is told to quit and waited for before anything of the
    // graph is released.
    CPmsCon::Close();
    if (m_pChannel) m_pChannel->Release();
}

void CGraphOgmWriter::ConfigureWriter(IBaseFilter* writer)
{
    if (!m_pSettings) return;
    ComPtr<IOgmWriterFormat> format;
    if (SUCCEEDED(writer->QueryInterface(IID_IOgmWriterFormat, reinterpret_cast<void**>(format.GetAddressOf()))) &&
        format) {
        format->SetCodecSettings(&m_pSettings->OgmEncoder);
        if (m_pChannel) format->SetChannel(m_pChannel);
    }
    if (ComPtr<IWriterSettings> settings = WriterSettings())
        ConfigurePassesAndRates(settings.Get(), m_pSettings->OgmEncoder.nVideoEncMode);
}
