// The decoding benchmark's program (bench/decode-graph.sh runs it): for each
// file, a graph is built by the connect search from the file's name to null
// renderers (the system's video and audio renderers blocked), run to the end
// without waiting for any clock, and the wall time from the first call to
// the end of the stream is printed in seconds.
//
//   decode_bench FILE...
#include <chrono>
#include <cstdio>
#include <string>

#include "encoder/pipeline/GraphBuilder.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/BenchGraphRun.h"

namespace {

int Decode(const char* path)
{
    auto begin = std::chrono::steady_clock::now();
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.GetAddressOf()))))
        return 1;
    {
        CGraphBuilder builder(graph.Get());
        builder.AddOverrideFilter(new CGraphRegFilter(CLSID_VideoRenderer, kBlockedMerit));
        builder.AddOverrideFilter(new CGraphRegFilter(CLSID_DSoundRender, kBlockedMerit));
        builder.AddOverrideFilter(
            new CGraphRegFilter(CLSID_NullRenderer, static_cast<ULONGLONG>(MERIT_PREFERRED) << 16));
        HRESULT hr = builder.RenderFile(FromNativePath(path).c_str());
        if (FAILED(hr)) {
            std::fprintf(stderr, "decode_bench: %s: cannot render (0x%08x)\n", path, static_cast<unsigned>(hr));
            return 1;
        }
    }
    return RunGraphTimed(graph.Get(), "decode_bench", path, begin);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: decode_bench FILE...\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || FAILED(RegisterSystemFilters())) return 1;
    int failed = 0;
    for (int i = 1; i < argc; ++i) failed |= Decode(argv[i]);
    CoUninitialize();
    return failed;
}
