// CHalvaneMp4Source: the MP4 source of HSF.ax, a source of the QuickTime
// family (MP4, MOV, 3GP) with the control the program calls just before it
// releases the source.
#pragma once

#include "modules/api/SourceFilters.h"
#include "platform/dshow/filters/LavSource.h"

class CHalvaneMp4Source : public CLavSource, public UncalledPlaces<IMp4SourceControl> {
public:
    explicit CHalvaneMp4Source(IUnknown* outer);

    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override;

    // NotifyRelease(1): the source stops (its threads end), its pins
    // disconnect and go, and its file closes, at once, even while others
    // still hold references to it. It may load a file again afterwards.
    // Other values: E_INVALIDARG.
    HRESULT NotifyRelease(int releasing) override;
};
