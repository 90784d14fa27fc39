// CSeekingRelay: IMediaSeeking answered by asking other seeking objects,
// the ones Seekers() lists at the time of the call. The graph asks its
// renderers; the pass-through of a transform or a renderer asks the pin
// upstream, so that a call travels up until it reaches a source that seeks.
//
// How the answers combine is told at each call below: a seeker that fails
// a call is left out of it. A call that changes something succeeds when one
// seeker succeeds; when none does, it fails with the first failure other
// than E_NOTIMPL (E_NOTIMPL when there is nothing else, or no seeker at
// all). Every "no answer" here is a plain answer of the relay, not a gap in
// the runtime: it is not traced. The rest is CMediaTimeSeeking's.
#pragma once

#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/MediaTimeSeeking.h"

class CSeekingRelay : public CMediaTimeSeeking {
public:
    // The flags every answer has; E_NOTIMPL (and 0) when none answers.
    HRESULT GetCapabilities(DWORD* capabilities) override;
    // The largest answers.
    HRESULT GetDuration(LONGLONG* duration) override;
    HRESULT GetStopPosition(LONGLONG* stop) override;
    // The smallest answer: the stream that has come least far tells how far
    // the whole has come.
    HRESULT GetCurrentPosition(LONGLONG* current) override;
    // The smallest current and the largest stop, each asked of the seekers'
    // own GetPositions alone (a source answers its start there).
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    // Every seeker gets the caller's values; the first that succeeds answers
    // back the times AM_SEEKING_ReturnTime asks for.
    HRESULT SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
    // E_INVALIDARG for a rate not above 0; else every seeker.
    HRESULT SetRate(double rate) override;
    // The first answers; GetRate gives 1.0 when none answers.
    HRESULT GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
    HRESULT GetRate(double* rate) override;

protected:
    // The objects to ask, in the order they are asked.
    virtual std::vector<ComPtr<IMediaSeeking>> Seekers() = 0;
};
