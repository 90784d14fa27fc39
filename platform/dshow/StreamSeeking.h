// CStreamSeeking: IMediaSeeking for a stream that seeks by itself, the
// output pin of a source. Everything is answered from the stream's positions
// (CSeekPositions, which the derived class keeps, alone or shared by all the
// pins of one filter), as told at each call below; the rest is
// CMediaTimeSeeking's.
#pragma once

#include "platform/dshow/MediaTimeSeeking.h"
#include "platform/dshow/SeekPositions.h"

class CStreamSeeking : public CMediaTimeSeeking {
public:
    // Resolves the request against the positions (E_POINTER, E_INVALIDARG as
    // CSeekPositions says, nothing changed then), hands the result to
    // Reposition, which moves the stream and applies it, and returns the new
    // positions where AM_SEEKING_ReturnTime asks for them.
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
    // The start position as the current one, and the stop.
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    // E_NOTIMPL, without a trace: only the renderers know how far the data
    // has come, and the graph asks them.
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    // Absolute seeking, forwards and backwards, stop position and duration.
    HRESULT GetCapabilities(DWORD* capabilities) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    HRESULT GetDuration(LONGLONG* duration) override;
    // 0 to the duration.
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT GetRate(double* rate) override;
    HRESULT SetRate(double rate) override;

protected:
    virtual CSeekPositions& Positions() = 0;
    // Carries out a resolved change (the owner's thread): a stream that is
    // active flushes and starts again at the new start; one that is not
    // simply takes the positions. Calls Positions().Apply(change) unless it
    // leaves the move to another pin of its filter.
    virtual HRESULT Reposition(const SeekChange& change) = 0;
};
