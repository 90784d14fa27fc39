#include "modules/hwriter/WriterSeeking.h"

#include "modules/hwriter/WriterFilter.h"

HRESULT CWriterSeeking::QueryInterface(REFIID riid, void** object) { return m_pWriter->QueryInterface(riid, object); }

ULONG CWriterSeeking::AddRef() { return m_pWriter->AddRef(); }

ULONG CWriterSeeking::Release() { return m_pWriter->Release(); }

HRESULT CWriterSeeking::GetCurrentPosition(LONGLONG* current) { return m_pWriter->GetEncodedPosition(current); }

HRESULT CWriterSeeking::GetPositions(LONGLONG* current, LONGLONG* stop)
{
    if (current) {
        HRESULT hr = GetCurrentPosition(current);
        if (FAILED(hr)) return hr;
    }
    return stop ? GetStopPosition(stop) : S_OK;
}

std::vector<ComPtr<IMediaSeeking>> CWriterSeeking::Seekers()
{
    std::vector<ComPtr<IMediaSeeking>> out;
    for (int i = 0; i < m_pWriter->GetPinCount(); ++i) {
        CBasePin* pin = m_pWriter->GetPin(i);
        IPin* peer = pin ? pin->GetConnected() : nullptr;
        ComPtr<IMediaSeeking> seeking;
        if (peer &&
            SUCCEEDED(peer->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(seeking.GetAddressOf()))))
            out.push_back(seeking);
    }
    return out;
}
