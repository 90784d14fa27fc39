// Seeking of a writer filter: calls travel upstream through every connected
// input (to the source that seeks), and the current position is how far
// the writer has encoded.
#pragma once

#include "platform/dshow/SeekingRelay.h"

class CWriterFilter;

class CWriterSeeking final : public CSeekingRelay {
public:
    explicit CWriterSeeking(CWriterFilter* writer) : m_pWriter(writer) {}

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;

protected:
    std::vector<ComPtr<IMediaSeeking>> Seekers() override;

private:
    CWriterFilter* m_pWriter;
};
