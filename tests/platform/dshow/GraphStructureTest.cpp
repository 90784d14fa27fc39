// The graph's filters: enumeration order, names, removal, direct
// connection through the graph, the filter cache and the forwarded video
// interfaces, and the calls the graph does not offer.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/PinsOfFilter.h"
#include "tests/platform/dshow/GraphFixture.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TraceViewer.h"

namespace {

std::vector<IBaseFilter*> Enumerate(IFilterGraph* graph)
{
    std::vector<IBaseFilter*> out;
    ComPtr<IEnumFilters> e;
    EXPECT_EQ(graph->EnumFilters(e.GetAddressOf()), S_OK);
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        out.push_back(f);
        f->Release();  // the graph keeps it
    }
    return out;
}

std::wstring NameOf(IBaseFilter* f)
{
    FILTER_INFO info{};
    EXPECT_EQ(f->QueryFilterInfo(&info), S_OK);
    if (info.pGraph) info.pGraph->Release();
    return info.achName;
}

}  // namespace

TEST_F(GraphTest, FiltersEnumerateNewestFirstWithUniqueNames)
{
    // The order in which a writer graph comes together: writer, treatment
    // filters, then the source.
    auto* writer = Add(CCollectSink::Create(GUID_NULL), L"Writer");
    auto* videoStage = Add(CPassTransform::Create(MEDIATYPE_Video), L"Stage");
    auto* audioStage = Add(CPassTransform::Create(MEDIATYPE_Audio), L"Stage");
    auto* source = AddSource({VideoStream(3)});
    EXPECT_EQ(Enumerate(graph.Get()), (std::vector<IBaseFilter*>{source, audioStage, videoStage, writer}));
    EXPECT_EQ(NameOf(audioStage), L"Stage 0001");
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(graph->FindFilterByName(L"Stage 0001", found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(audioStage));
    EXPECT_EQ(graph->FindFilterByName(L"stage 0001", found.ReleaseAndGetAddressOf()), VFW_E_NOT_FOUND);

    // A second name taken again gets the next number and says so.
    auto* again = CPassTransform::Create(MEDIATYPE_Video);
    EXPECT_EQ(graph->AddFilter(again, L"Stage"), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(NameOf(again), L"Stage 0002");
    EXPECT_EQ(graph->AddFilter(again, L"Other"), E_INVALIDARG);  // already in the graph
    again->Release();

    // The graph the filter reports is this graph.
    FILTER_INFO info{};
    ASSERT_EQ(source->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, static_cast<IFilterGraph*>(graph.Get()));
    info.pGraph->Release();
}

TEST_F(GraphTest, EnumeratorNoticesChangesUntilReset)
{
    auto* sink = Add(CCollectSink::Create(GUID_NULL), L"Sink");
    ComPtr<IEnumFilters> e;
    ASSERT_EQ(graph->EnumFilters(e.GetAddressOf()), S_OK);
    AddSource({VideoStream(1)});
    IBaseFilter* f = nullptr;
    EXPECT_EQ(e->Next(1, &f, nullptr), VFW_E_ENUM_OUT_OF_SYNC);
    ASSERT_EQ(e->Reset(), S_OK);
    ULONG got = 0;
    IBaseFilter* two[3] = {};
    EXPECT_EQ(e->Next(3, two, &got), S_FALSE);
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(two[1], static_cast<IBaseFilter*>(sink));
    two[0]->Release();
    two[1]->Release();
}

TEST_F(GraphTest, ConnectDirectChecksPinsAndRemoveFilterBreaksConnections)
{
    auto* sink = Add(CCollectSink::Create(MEDIATYPE_Video), L"Sink");
    auto* source = AddSource({VideoStream(3), AudioStream(3)});
    auto* outside = CCollectSink::Create(MEDIATYPE_Video);
    IPin* video = source->GetPin(0);
    IPin* audio = source->GetPin(1);
    IPin* in = sink->GetPin(0);

    EXPECT_EQ(graph->ConnectDirect(video, outside->GetPin(0), nullptr), VFW_E_NOT_IN_GRAPH);
    EXPECT_EQ(graph->ConnectDirect(in, video, nullptr), VFW_E_INVALID_DIRECTION);
    EXPECT_EQ(graph->ConnectDirect(audio, in, nullptr), VFW_E_NO_ACCEPTABLE_TYPES);
    CMediaType wrong = MakeTestType(MEDIATYPE_Audio);
    EXPECT_EQ(graph->ConnectDirect(video, in, &wrong), VFW_E_TYPE_NOT_ACCEPTED);
    CMediaType partial(MEDIATYPE_Video);
    EXPECT_EQ(graph->ConnectDirect(video, in, &partial), S_OK);
    outside->Release();

    // Running, the graph's shape is fixed.
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    EXPECT_EQ(graph->RemoveFilter(sink), VFW_E_NOT_STOPPED);
    EXPECT_EQ(graph->Disconnect(video), VFW_E_NOT_STOPPED);
    ASSERT_EQ(control->Stop(), S_OK);

    sink->AddRef();
    EXPECT_EQ(graph->RemoveFilter(sink), S_OK);
    ComPtr<IPin> peer;
    EXPECT_EQ(video->ConnectedTo(peer.GetAddressOf()), VFW_E_NOT_CONNECTED);
    EXPECT_EQ(in->ConnectedTo(peer.ReleaseAndGetAddressOf()), VFW_E_NOT_CONNECTED);
    FILTER_INFO info{};
    ASSERT_EQ(sink->QueryFilterInfo(&info), S_OK);
    EXPECT_EQ(info.pGraph, nullptr);
    EXPECT_EQ(graph->RemoveFilter(sink), VFW_E_NOT_FOUND);
    sink->Release();
}

TEST_F(GraphTest, FilterCacheHoldsFiltersOutsideTheGraph)
{
    ComPtr<IGraphConfig> config;
    ASSERT_EQ(graph.As(&config), S_OK);
    auto* sink = Add(CCollectSink::Create(GUID_NULL), L"Sink");
    auto* source = AddSource({VideoStream(1)});
    Connect(source->GetPin(0), sink->GetPin(0));
    sink->AddRef();
    ASSERT_EQ(config->AddFilterToCache(sink), S_OK);
    EXPECT_EQ(config->AddFilterToCache(sink), S_FALSE);
    // It left the graph and its connection.
    EXPECT_EQ(Enumerate(graph.Get()), std::vector<IBaseFilter*>{source});
    ComPtr<IPin> peer;
    EXPECT_EQ(source->GetPin(0)->ConnectedTo(peer.GetAddressOf()), VFW_E_NOT_CONNECTED);
    ComPtr<IEnumFilters> cached;
    ASSERT_EQ(config->EnumCacheFilter(cached.GetAddressOf()), S_OK);
    IBaseFilter* f = nullptr;
    ASSERT_EQ(cached->Next(1, &f, nullptr), S_OK);
    EXPECT_EQ(f, static_cast<IBaseFilter*>(sink));
    EXPECT_EQ(config->RemoveFilterFromCache(f), S_OK);
    EXPECT_EQ(config->RemoveFilterFromCache(f), S_FALSE);
    f->Release();
    cached.Reset();
    EXPECT_EQ(sink->GetRefCount(), 1);  // only the test's own reference is left
    sink->Release();
}

// A filter's pins in its enumerator's order, all of them or those of one
// direction, each named as the filter names it.
TEST_F(GraphTest, PinsOfFilterInTheirOrder)
{
    auto names = [](const std::vector<ComPtr<IPin>>& pins) {
        std::vector<std::wstring> out;
        for (const ComPtr<IPin>& p : pins) {
            PIN_INFO info{};
            EXPECT_EQ(p->QueryPinInfo(&info), S_OK);
            if (info.pFilter) info.pFilter->Release();
            out.push_back(info.achName);
        }
        return out;
    };
    SyntheticStreamSetup video = VideoStream(1), audio = AudioStream(1);
    video.name = L"Video";
    audio.name = L"Audio";
    struct Case {
        const char* what;
        IBaseFilter* filter;
        std::vector<std::wstring> inputs, outputs;
    };
    auto* file = new CSyntheticFileSource(nullptr);
    file->NonDelegatingAddRef();
    const Case cases[] = {
        {"a source of two streams", AddSource({video, audio}), {}, {L"Video", L"Audio"}},
        {"a source with a hidden output", Add(file, L"File"), {}, {L"Video", L"~Preview"}},
        {"a sink", Add(CCollectSink::Create(GUID_NULL), L"Sink"), {L"In"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::wstring> all = c.inputs;
        all.insert(all.end(), c.outputs.begin(), c.outputs.end());
        std::vector<std::wstring> listed = names(PinsOfFilter(c.filter));
        std::sort(listed.begin(), listed.end());
        std::sort(all.begin(), all.end());
        EXPECT_EQ(all, listed);
        EXPECT_EQ(c.inputs, names(PinsOfFilter(c.filter, PINDIR_INPUT)));
        EXPECT_EQ(c.outputs, names(PinsOfFilter(c.filter, PINDIR_OUTPUT)));
    }
}

TEST_F(GraphTest, VideoInterfacesNeedAFilterThatHasThem)
{
    ComPtr<IVideoWindow> window;
    ComPtr<IBasicVideo> basic;
    ASSERT_EQ(graph.As(&window), S_OK);
    ASSERT_EQ(graph.As(&basic), S_OK);
    Add(CCollectSink::Create(GUID_NULL), L"Sink");
    LONG w = -1, h = -1;
    EXPECT_EQ(basic->GetVideoSize(&w, &h), E_NOINTERFACE);
    EXPECT_EQ(window->put_Visible(0), E_NOINTERFACE);
    // Both count on the graph: the graph's identity answers for them.
    ComPtr<IUnknown> a, b;
    ASSERT_EQ(window.As(&a), S_OK);
    ASSERT_EQ(graph.As(&b), S_OK);
    EXPECT_EQ(a.Get(), b.Get());
}

TEST_F(GraphTest, CallsNotOfferedAnswerNotImplementedAndShowInTheTraceOnce)
{
    // A runtime folder of the test's own, so that no real viewer listens.
    RuntimeFolder runtime;
    TraceViewer viewer;
    ASSERT_TRUE(viewer.bound());
    ComPtr<IGraphConfig> config;
    ASSERT_EQ(ComPtr<IGraphBuilder>(graph).As(&config), S_OK);
    ComPtr<IVideoWindow> window;
    ASSERT_EQ(graph.As(&window), S_OK);
    struct Case {
        const char* line;
        std::function<HRESULT()> call;
    };
    const Case cases[] = {
        {"gap: CFilterGraph::GetEventHandle: not implemented",
         [&] {
             OAEVENT handle = 1;
             return events->GetEventHandle(&handle);
         }},
        {"gap: CFilterGraph::get_FilterCollection: not implemented",
         [&] {
             IDispatch* collection = nullptr;
             return control->get_FilterCollection(&collection);
         }},
        {"gap: CFilterGraph::Reconfigure: not implemented",
         [&] { return config->Reconfigure(nullptr, nullptr, 0, nullptr); }},
        {"gap: CFilterGraph::GetTypeInfo: not implemented",
         [&] {
             ITypeInfo* info = nullptr;
             return control->GetTypeInfo(0, 0, &info);
         }},
        {"gap: CGraphVideoForward::Invoke: not implemented",
         [&] {
             DISPPARAMS params{};
             return window->Invoke(1, GUID_NULL, 0, 0, &params, nullptr, nullptr, nullptr);
         }},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < 2; ++i) EXPECT_EQ(c.call(), E_NOTIMPL) << c.line;
        EXPECT_EQ(viewer.Lines(), std::vector<std::string>{c.line});
    }
}
