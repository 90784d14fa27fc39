// CMediaTimeSeeking: the part of IMediaSeeking that reads the same wherever
// seeking is answered, for objects that speak media time (100 ns units), the
// only time format of this runtime. Every seeking object of the runtime
// builds on it: the graph and the pass-through of transforms and renderers
// (through CSeekingRelay), the output pins of sources (through
// CStreamSeeking), and any filter of a module that answers seeking itself.
//
// What it answers:
//  - IsFormatSupported, IsUsingTimeFormat: S_OK for TIME_FORMAT_MEDIA_TIME,
//    S_FALSE for any other format.
//  - QueryPreferredFormat, GetTimeFormat: TIME_FORMAT_MEDIA_TIME.
//  - SetTimeFormat: S_OK for media time, E_INVALIDARG for any other format.
//  - ConvertTimeFormat: media time to media time gives the value itself (a
//    null format stands for the current one, media time); any other format
//    gives E_INVALIDARG.
//  - CheckCapabilities: the asked flags narrowed to what GetCapabilities
//    answers; S_OK when all of them are there, S_FALSE when some, E_FAIL
//    when none. A failing GetCapabilities fails it with its own code.
//  - GetPreroll: 0 (nothing here needs data before the start position).
//  - GetPositions: GetCurrentPosition for the current position and
//    GetStopPosition for the stop, each only when asked; the first failure
//    ends the call.
// A null pointer where a result goes gives E_POINTER.
//
// What the class that uses it answers itself: GetCapabilities, GetDuration,
// GetStopPosition, GetCurrentPosition, SetPositions, GetAvailable, SetRate
// and GetRate (GetPositions may be answered differently too), and IUnknown:
// QueryInterface, AddRef and Release are those of the pin or filter that
// shows the interface.
#pragma once

#include "platform/dshow/GraphInterfaces.h"

class CMediaTimeSeeking : public IMediaSeeking {
public:
    HRESULT CheckCapabilities(DWORD* capabilities) override;
    HRESULT IsFormatSupported(const GUID* format) override;
    HRESULT QueryPreferredFormat(GUID* format) override;
    HRESULT GetTimeFormat(GUID* format) override;
    HRESULT IsUsingTimeFormat(const GUID* format) override;
    HRESULT SetTimeFormat(const GUID* format) override;
    HRESULT ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                              const GUID* sourceFormat) override;
    HRESULT GetPositions(LONGLONG* current, LONGLONG* stop) override;
    HRESULT GetPreroll(LONGLONG* preroll) override;

protected:
    CMediaTimeSeeking() = default;
    ~CMediaTimeSeeking() = default;
    CMediaTimeSeeking(const CMediaTimeSeeking&) = delete;
    CMediaTimeSeeking& operator=(const CMediaTimeSeeking&) = delete;
};
