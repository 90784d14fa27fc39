#include "platform/dshow/SeekPositions.h"

REFERENCE_TIME CSeekPositions::Start()
{
    std::lock_guard<std::mutex> g(lock_);
    return start_;
}

REFERENCE_TIME CSeekPositions::Stop()
{
    std::lock_guard<std::mutex> g(lock_);
    return stopSet_ ? stop_ : duration_;
}

bool CSeekPositions::StopSet()
{
    std::lock_guard<std::mutex> g(lock_);
    return stopSet_;
}

REFERENCE_TIME CSeekPositions::Duration()
{
    std::lock_guard<std::mutex> g(lock_);
    return duration_;
}

double CSeekPositions::Rate()
{
    std::lock_guard<std::mutex> g(lock_);
    return rate_;
}

void CSeekPositions::SetDuration(REFERENCE_TIME duration)
{
    std::lock_guard<std::mutex> g(lock_);
    duration_ = duration;
}

HRESULT CSeekPositions::SetRate(double rate)
{
    if (!(rate > 0)) return E_INVALIDARG;
    std::lock_guard<std::mutex> g(lock_);
    rate_ = rate;
    return S_OK;
}

void CSeekPositions::Reset(REFERENCE_TIME duration)
{
    std::lock_guard<std::mutex> g(lock_);
    start_ = 0;
    stop_ = duration;
    duration_ = duration;
    stopSet_ = false;
    rate_ = 1.0;
}

HRESULT CSeekPositions::Resolve(const LONGLONG* current, DWORD currentFlags, const LONGLONG* stop, DWORD stopFlags,
                                SeekChange* change)
{
    DWORD startHow = currentFlags & AM_SEEKING_PositioningBitsMask;
    DWORD stopHow = stopFlags & AM_SEEKING_PositioningBitsMask;
    if ((startHow != AM_SEEKING_NoPositioning && !current) || (stopHow != AM_SEEKING_NoPositioning && !stop))
        return E_POINTER;
    SeekChange c;
    {
        std::lock_guard<std::mutex> g(lock_);
        c.start = start_;
        c.stop = stopSet_ ? stop_ : duration_;
    }
    if (startHow == AM_SEEKING_AbsolutePositioning)
        c.start = *current;
    else if (startHow == AM_SEEKING_RelativePositioning || startHow == AM_SEEKING_IncrementalPositioning)
        c.start += *current;
    if (stopHow == AM_SEEKING_AbsolutePositioning)
        c.stop = *stop;
    else if (stopHow == AM_SEEKING_RelativePositioning)
        c.stop += *stop;
    else if (stopHow == AM_SEEKING_IncrementalPositioning)
        c.stop = c.start + *stop;
    if (c.start < 0 || c.stop < 0) return E_INVALIDARG;
    c.moveStart = startHow != AM_SEEKING_NoPositioning;
    c.moveStop = stopHow != AM_SEEKING_NoPositioning;
    *change = c;
    return S_OK;
}

void CSeekPositions::Apply(const SeekChange& change)
{
    std::lock_guard<std::mutex> g(lock_);
    if (change.moveStart) start_ = change.start;
    if (change.moveStop) {
        stop_ = change.stop;
        stopSet_ = true;
    }
}
