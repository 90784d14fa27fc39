// The video treatment benchmark's program (bench/hvf-treatment.sh runs it):
// the file's video is read by the system's source and splitter (chosen by
// the file's extension), decoded, treated by the video treatment filter
// (deinterlaced, brightness, contrast and saturation, sharpened and scaled
// to 640x360, with the values the program passes) and let go by a null
// renderer as fast as it can; the wall time from the first call to the end
// of the stream is printed in seconds.
//
//   hvf_bench FILE [THREADS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "encoder/pipeline/FilterPins.h"
#include "modules/hvf/VideoFilter.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/BenchGraphRun.h"

namespace {

ComPtr<IBaseFilter> Make(const CLSID& clsid)
{
    ComPtr<IBaseFilter> f;
    CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IBaseFilter, reinterpret_cast<void**>(f.GetAddressOf()));
    return f;
}

CLSID SplitterFor(const std::string& path)
{
    std::string ext = path.substr(path.rfind('.') + 1);
    if (ext == "avi") return CLSID_AviSplitter;
    if (ext == "ts" || ext == "mpg") return CLSID_MpegSplitter;
    return CLSID_MatroskaSplitter;
}

int Treat(const char* path, int threads)
{
    auto begin = std::chrono::steady_clock::now();
    ComPtr<IGraphBuilder> graph;
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                reinterpret_cast<void**>(graph.GetAddressOf()))))
        return 1;
    ComPtr<IBaseFilter> source, splitter = Make(SplitterFor(path)), decoder = Make(CLSID_VideoDecoder),
                                renderer = Make(CLSID_NullRenderer), video;
    CVideoFilter::CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(video.GetAddressOf()));
    ComPtr<IVideoFilterControl> control;
    if (!splitter || !decoder || !renderer || !video || FAILED(video.As(&control))) return 1;
    if (FAILED(graph->AddSourceFilter(FromNativePath(path).c_str(), L"Source", source.GetAddressOf()))) return 1;
    graph->AddFilter(splitter.Get(), L"Splitter");
    graph->AddFilter(decoder.Get(), L"Decoder");
    graph->AddFilter(video.Get(), kVideoFilterName);
    graph->AddFilter(renderer.Get(), L"Renderer");
    // What the program passes for these settings, in its order.
    control->SetVideoPresetC(threads);
    control->SetVideoPresetA(1);
    control->SetVideoPresetB(3);
    control->SetVideoResizeA(1);
    control->SetVideoResizeB(2);
    control->SetVideoResizeC(1);
    control->SetVideoSize(640, 360);
    control->SetVideoBrightness(55);
    control->SetVideoContrast(55);
    control->SetVideoSaturation(60);
    control->SetVideoHue(50);
    control->SetVideoSharpenEnabled(1);
    control->SetVideoSharpenStrength(64);
    control->SetVideoFlip(0);
    control->SetVideoDeinterlace(1);
    const std::vector<std::pair<IBaseFilter*, IBaseFilter*>> links = {{source.Get(), splitter.Get()},
                                                                      {splitter.Get(), decoder.Get()},
                                                                      {decoder.Get(), video.Get()},
                                                                      {video.Get(), renderer.Get()}};
    for (auto [from, to] : links) {
        HRESULT hr = graph->ConnectDirect(FindPinByDirection(from, PINDIR_OUTPUT), FindPinByDirection(to, PINDIR_INPUT),
                                          nullptr);
        if (FAILED(hr)) {
            std::fprintf(stderr, "hvf_bench: %s: cannot connect (0x%08x)\n", path, static_cast<unsigned>(hr));
            return 1;
        }
    }
    return RunGraphTimed(graph.Get(), "hvf_bench", path, begin);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: hvf_bench FILE [THREADS]\n");
        return 2;
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) || FAILED(RegisterSystemFilters())) return 1;
    int failed = Treat(argv[1], argc > 2 ? std::atoi(argv[2]) : 0);
    CoUninitialize();
    return failed;
}
