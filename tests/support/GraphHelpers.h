// Small helpers of the tests that build filter graphs by hand.
#pragma once

#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/MediaType.h"

// A new filter graph from the component runtime (fails the test when there
// is none).
ComPtr<IGraphBuilder> CreateGraph();
// A filter of the class from the component runtime (fails the test when
// there is none).
ComPtr<IBaseFilter> CreateFilter(const CLSID& clsid);
// The filter's pins of one direction in its order, or only those not
// connected.
std::vector<ComPtr<IPin>> FilterPins(IBaseFilter* filter, PIN_DIRECTION direction, bool unconnectedOnly = false);
// The first media type the pin offers (empty when it offers none).
CMediaType FirstMediaType(IPin* pin);
// Runs the graph and waits, up to the time-out, for the end of its
// streams; the completion code (fails the test unless it is EC_COMPLETE).
// The graph is stopped again.
LONG RunGraphToEnd(IGraphBuilder* graph, DWORD timeoutMs = 60000);
