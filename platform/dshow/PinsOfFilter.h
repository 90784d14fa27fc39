// The pins of a filter, as the graph and its building walk them.
#pragma once

#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/FilterInterfaces.h"

// The pins the filter's enumerator lists, in its order, each with a
// reference; none when the filter gives no enumerator.
std::vector<ComPtr<IPin>> PinsOfFilter(IBaseFilter* filter);
// Those of them that answer the direction asked for (a pin that does not
// answer its direction is left out).
std::vector<ComPtr<IPin>> PinsOfFilter(IBaseFilter* filter, PIN_DIRECTION direction);
