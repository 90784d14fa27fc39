// CAudioRenderer: the system's audio renderer (the class id of the sound
// renderer). No sound device is driven here: the renderer keeps each sample
// until its time comes on the graph's clock and lets it go, so that a
// preview plays at its own pace.
#pragma once

#include "platform/dshow/BaseRenderer.h"

class CAudioRenderer final : public CBaseRenderer {
public:
    explicit CAudioRenderer(IUnknown* outer);
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
};
