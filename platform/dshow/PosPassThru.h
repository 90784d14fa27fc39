// Seeking that passes upstream. A filter that does not seek by itself (a
// transform's output pin, a renderer) answers IMediaSeeking with this
// object, which hands each call to the output pin connected to its input
// pin; the call travels up until it reaches the pin of a source that seeks.
// Without such a pin upstream the calls answer as CSeekingRelay does with
// nobody to ask. Only media time (100 ns) is spoken.
//
// CRendererPosPassThru answers the current position itself: the stop time of
// the last sample the renderer handled, counted from the start of the
// segment, so that a graph's position shows how far the data has really
// come.
#pragma once

#include <mutex>

#include "platform/dshow/BasePin.h"
#include "platform/dshow/SeekingRelay.h"

class CPosPassThru : public CSeekingRelay {
public:
    // owner: where IUnknown calls go (the pin or filter that shows this
    // interface). input: the pin whose upstream peer is asked.
    CPosPassThru(IUnknown* owner, CBasePin* input);
    virtual ~CPosPassThru() = default;

    HRESULT QueryInterface(REFIID riid, void** object) override { return owner_->QueryInterface(riid, object); }
    ULONG AddRef() override { return owner_->AddRef(); }
    ULONG Release() override { return owner_->Release(); }

protected:
    // The upstream peer's seeking, when the input is connected to a pin
    // that has it.
    std::vector<ComPtr<IMediaSeeking>> Seekers() override;

private:
    IUnknown* owner_;
    CBasePin* input_;
};

class CRendererPosPassThru final : public CPosPassThru {
public:
    using CPosPassThru::CPosPassThru;

    HRESULT GetCurrentPosition(LONGLONG* current) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;

    // The renderer reports its progress: the segment's start (the position
    // that sample time 0 stands for) and the end of the last sample handled.
    void SetSegmentStart(REFERENCE_TIME start);
    void SetRenderedTime(REFERENCE_TIME streamTime);
    // After end of stream the position is the segment's stop (when known).
    void SetEndOfStream();
    void Reset();

private:
    std::mutex lock_;
    REFERENCE_TIME segmentStart_ = 0;
    REFERENCE_TIME rendered_ = 0;
    bool atEnd_ = false;
};
