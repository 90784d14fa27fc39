// CAudioRenderer: the system's audio renderer (the class id of the sound
// renderer). It keeps each sample until its time comes on the graph's
// clock, so that a preview plays at its own pace, and then plays it on the
// desktop's sound server when one answers (PulseAudioOutput). Without a
// server, or for a format the server cannot play, it only keeps time.
#pragma once

#include <memory>
#include <mutex>

#include "platform/dshow/BaseRenderer.h"
#include "platform/dshow/filters/PulseAudioOutput.h"

class CAudioRenderer final : public CBaseRenderer {
public:
    explicit CAudioRenderer(IUnknown* outer);
    ~CAudioRenderer() override;
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT SetMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
    void OnBeginFlush() override;

    HRESULT Stop() override;
    HRESULT Pause() override;
    HRESULT Run(REFERENCE_TIME start) override;

    // True while the samples go to a sound server.
    bool IsPlayingSound() const { return output_.IsOpen(); }

private:
    std::mutex formatLock_;
    PulseAudioFormat format_;
    bool formatKnown_ = false;
    // The format the open stream was made for; a new one opens it again.
    PulseAudioFormat opened_;
    PulseAudioOutput output_;
};
