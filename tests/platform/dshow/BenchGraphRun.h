// The end of every benchmark program's measurement: the graph runs to the
// end of its streams without waiting for any clock, and the wall time from
// the program's first call to the end of the run is printed in seconds.
#pragma once

#include <chrono>

#include "platform/dshow/GraphInterfaces.h"

// Runs the graph to its end (ten minutes at most) and stops it; prints
// "<path> <seconds>" and gives 0, or says on the error output (after the
// program's name) that the run did not complete and gives 1.
int RunGraphTimed(IGraphBuilder* graph, const char* program, const char* path,
                  std::chrono::steady_clock::time_point begin);
