// CNullRenderer (CLSID_NullRenderer): takes decoded pictures or sound and
// lets each sample go at once, without waiting for its time. It ends
// streams in graphs that run as fast as they can (tests, measurements). It
// is registered below the merit the connect search looks at, so it is only
// ever used when a graph asks for it.
#pragma once

#include "platform/dshow/BaseRenderer.h"

class CNullRenderer : public CBaseRenderer {
public:
    explicit CNullRenderer(IUnknown* outer);
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object);

    HRESULT CheckMediaType(const CMediaType* type) override;
    HRESULT DoRenderSample(IMediaSample* sample) override;
};
