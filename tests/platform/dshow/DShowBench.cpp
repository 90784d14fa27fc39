// Cost of the media runtime itself: small samples pushed by one streaming
// thread through chains of pass-through transforms into a sink that does
// nothing, so what is measured is the runtime's work per sample and per
// hop (allocator, delivery, locks, counted payloads), not the filters'.
//
//   dshow_bench [samples]      (default 1000000)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/MediaGuids.h"
#include "tests/platform/dshow/SyntheticFilters.h"

namespace {

struct Result {
    double ms = 0;
    long delivered = 0;
    long rendered = 0;
};

// source -> passes x transforms -> sink; the time from Run to completion.
Result RunChain(int samples, int passes, bool attachPayloads)
{
    Result r;
    ComPtr<IGraphBuilder> graph;
    if (FAILED(
            CFilterGraph::CreateInstance(nullptr, IID_IGraphBuilder, reinterpret_cast<void**>(graph.GetAddressOf()))))
        return r;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    graph.As(&control);
    graph.As(&events);
    // No clock: the sink takes samples as fast as they come.
    ComPtr<IMediaFilter> asFilter;
    graph.As(&asFilter);
    asFilter->SetSyncSource(nullptr);

    SyntheticStreamSetup setup;
    setup.major = MEDIATYPE_Video;
    setup.samples = samples;
    setup.sampleDuration = 1;
    setup.bytes = 16;
    setup.attachPayloads = attachPayloads;
    auto* source = CSyntheticSource::Create({setup});
    auto* sink = CCollectSink::Create(MEDIATYPE_Video, L"Sink", false);
    graph->AddFilter(source, L"Source");
    graph->AddFilter(sink, L"Sink");
    IPin* out = source->GetPin(0);
    for (int i = 0; i < passes; ++i) {
        auto* pass = CPassTransform::Create(MEDIATYPE_Video);
        graph->AddFilter(pass, nullptr);
        graph->ConnectDirect(out, pass->GetPin(0), nullptr);
        out = pass->GetPin(1);
        pass->Release();
    }
    graph->ConnectDirect(out, sink->GetPin(0), nullptr);

    OAFilterState state;
    control->Pause();
    control->GetState(INFINITE, &state);  // the first sample is waiting in the sink
    auto t0 = std::chrono::steady_clock::now();
    control->Run();
    LONG code = 0;
    events->WaitForCompletion(INFINITE, &code);
    auto t1 = std::chrono::steady_clock::now();
    control->Stop();
    r.ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
    r.delivered = source->SyntheticStream(0)->delivered;
    r.rendered = sink->rendered;
    source->Release();
    sink->Release();
    return r;
}

}  // namespace

int main(int argc, char** argv)
{
    int samples = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (samples <= 0) {
        std::fprintf(stderr, "usage: dshow_bench [samples]\n");
        return 2;
    }
    std::printf("%-40s %10s %10s %12s %12s\n", "chain", "samples", "ms", "ns/sample", "ns/hop");
    struct Row {
        const char* name;
        int passes;
        bool attach;
    } rows[] = {
        {"source -> sink", 0, false},
        {"source -> pass -> sink", 1, false},
        {"source -> pass -> pass -> sink", 2, false},
        {"source -> pass x4 -> sink", 4, false},
        {"source -> pass -> sink (attached)", 1, true},
    };
    std::vector<double> perSample;
    for (const auto& row : rows) {
        RunChain(samples / 10 > 1000 ? 1000 : samples, row.passes, row.attach);  // warm-up
        Result r = RunChain(samples, row.passes, row.attach);
        if (r.rendered != samples) {
            std::fprintf(stderr, "%s: %ld of %d samples arrived\n", row.name, r.rendered, samples);
            return 1;
        }
        double ns = r.ms * 1e6 / samples;
        int hops = row.passes + 1;
        perSample.push_back(ns);
        std::printf("%-40s %10d %10.1f %12.1f %12.1f\n", row.name, samples, r.ms, ns, ns / hops);
    }
    // What one more pass-through hop adds, from the chains of 0, 1, 2 and 4.
    double slope = (perSample[3] - perSample[0]) / 4.0;
    std::printf("added cost of one pass-through hop: %.1f ns per sample\n", slope);
    return 0;
}
