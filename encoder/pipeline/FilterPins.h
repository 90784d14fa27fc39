// Free functions that the graph classes, the job record's probe graph and
// the connect search share to look at filters and pins: counting and
// finding pins by direction, telling stages, renderers and the source
// apart, filter and pin names, and a filter's identity (class id, the
// filter of a pin, the graph reference of a FILTER_INFO).
//
// Pin directions are PINDIR_INPUT (0) and PINDIR_OUTPUT (1); "first" means
// first in IBaseFilter::EnumPins order. Nothing here keeps state.
#pragma once

#include "platform/dshow/GraphInterfaces.h"
#include "platform/win32/CString.h"

// E_POINTER when any argument is null. Both counts start at 0; each pin is
// counted by its QueryDirection, a pin whose QueryDirection fails as an
// output. The code of the last QueryDirection; E_FAIL when EnumPins fails
// or the filter has no pin.
HRESULT CountFilterPins(IBaseFilter* filter, int* inputs, int* outputs);
// The n-th pin (from 0) of the direction, with a reference for the caller.
// The out pin is null first; EnumPins' failure is returned as it is;
// E_FAIL when there are not enough such pins.
HRESULT FindFilterPin(IBaseFilter* filter, PIN_DIRECTION direction, int n, IPin** pin);
// The n-th input or output pin with a reference, or null.
IPin* GetInputPin(IBaseFilter* filter, int n);
IPin* GetOutputPin(IBaseFilter* filter, int n);
// The first pin of the direction, borrowed: its reference is given back,
// and the pointer stays valid while the filter holds the pin. Null when the
// filter is null, EnumPins fails or there is none.
IPin* FindPinByDirection(IBaseFilter* filter, PIN_DIRECTION direction);

// At least one input and one output pin, the first of each connected (it
// gives a connection media type), and, when a major type is given, both
// connections of that major type.
bool IsFilterOfType(IBaseFilter* filter, const GUID* major);
bool IsVideoFilter(IBaseFilter* filter);
bool IsAudioFilter(IBaseFilter* filter);
// Input pins and no output pin, the first input connected, and, when a
// major type is given, of that major type.
bool IsRendererFor(IBaseFilter* filter, const GUID* major);
// The first filter of the graph's enumeration that has an output pin and
// either no input pin or exactly one whose connection is a byte stream
// (MEDIATYPE_Stream) or interleaved ("iavs"); with a reference.
// E_NOINTERFACE without a graph, E_FAIL when there is none; a
// CountFilterPins failure ends the walk with its code.
HRESULT FindSourceFilter(IFilterGraph* graph, IBaseFilter** filter);

// The name from QueryFilterInfo (its graph reference given back); empty
// when the filter is null or the call fails.
CString GetFilterName(IBaseFilter* filter);
// The name from QueryPinInfo (its filter reference given back); empty when
// the pin is null or the call fails.
CString GetPinName(IPin* pin);

// IPersist::GetClassID of the filter (any IPersist); all zero when the call
// fails or the filter is null.
CLSID GetFilterClsid(IPersist* filter);
// The filter that owns the pin (QueryPinInfo), borrowed: no reference is
// kept for the caller. Null on failure.
IBaseFilter* GetPinFilter(IPin* pin);
// Releases the record's graph reference when there is one.
void ReleaseFilterInfo(FILTER_INFO* info);
