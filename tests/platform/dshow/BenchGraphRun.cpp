#include "tests/platform/dshow/BenchGraphRun.h"

#include <cstdio>

#include "platform/com/ComPtr.h"

int RunGraphTimed(IGraphBuilder* graph, const char* program, const char* path,
                  std::chrono::steady_clock::time_point begin)
{
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(control.GetAddressOf()));
    graph->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(events.GetAddressOf()));
    if (!control || !events || FAILED(control->Run())) {
        std::fprintf(stderr, "%s: %s: the graph does not run\n", program, path);
        return 1;
    }
    LONG code = 0;
    HRESULT hr = events->WaitForCompletion(600000, &code);
    auto end = std::chrono::steady_clock::now();
    control->Stop();
    if (FAILED(hr) || code != EC_COMPLETE) {
        std::fprintf(stderr, "%s: %s: the run did not complete\n", program, path);
        return 1;
    }
    std::printf("%s %.3f\n", path, std::chrono::duration<double>(end - begin).count());
    return 0;
}
