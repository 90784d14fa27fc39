// CSeekPositions: the positions of a stream that seeks by itself (the
// output pins of a source): where it starts, where it stops, how long it is
// and at what rate it plays. Safe to read from any thread; the owner's
// thread changes it.
//
// The stop position follows the duration until one is set; once set, it
// stays until set again.
//
// Resolve turns the arguments of IMediaSeeking::SetPositions into the
// positions they ask for, against the current ones:
//  - AM_SEEKING_AbsolutePositioning: the value given;
//  - AM_SEEKING_RelativePositioning: the current position plus the value;
//  - AM_SEEKING_IncrementalPositioning: for the start, as relative; for the
//    stop, the new start plus the value;
//  - AM_SEEKING_NoPositioning: unchanged (the value is not read).
// A position that is asked for but has no pointer gives E_POINTER, a
// negative result E_INVALIDARG; nothing changes until Apply.
#pragma once

#include <mutex>

#include "platform/dshow/DShowTypes.h"

// What a SetPositions call asks for, resolved: the new start and stop (the
// current ones where a position is not moved) and which of them move.
struct SeekChange {
    bool moveStart = false;
    bool moveStop = false;
    REFERENCE_TIME start = 0;
    REFERENCE_TIME stop = 0;
};

class CSeekPositions {
public:
    REFERENCE_TIME Start();
    // The stop set, or the duration when none is.
    REFERENCE_TIME Stop();
    bool StopSet();
    REFERENCE_TIME Duration();
    double Rate();

    void SetDuration(REFERENCE_TIME duration);
    // E_INVALIDARG for a rate that is not above 0.
    HRESULT SetRate(double rate);
    // Start 0, no stop set, rate 1, and the stream's new duration.
    void Reset(REFERENCE_TIME duration);

    HRESULT Resolve(const LONGLONG* current, DWORD currentFlags, const LONGLONG* stop, DWORD stopFlags,
                    SeekChange* change);
    // Takes the positions that move.
    void Apply(const SeekChange& change);

private:
    std::mutex lock_;
    REFERENCE_TIME start_ = 0;
    REFERENCE_TIME stop_ = 0;
    REFERENCE_TIME duration_ = 0;
    bool stopSet_ = false;
    double rate_ = 1.0;
};
