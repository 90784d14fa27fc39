// The graph code's pin and filter helpers over real filters of the media
// runtime: counting and finding pins, telling stages, renderers and sources
// apart, names and identity.
#include <gtest/gtest.h>

#include <memory>

#include "encoder/pipeline/FilterPins.h"
#include "platform/com/ComPtr.h"
#include "platform/dshow/FilterGraph.h"
#include "platform/dshow/MediaGuids.h"
#include "tests/platform/dshow/SyntheticFilters.h"

namespace {

// A pin that cannot tell its direction.
class MutePin final : public CBasePin {
public:
    explicit MutePin(CBaseFilter* filter) : CBasePin(filter, L"Mute", PINDIR_INPUT) {}
    HRESULT QueryDirection(PIN_DIRECTION*) override { return E_FAIL; }
    HRESULT CheckMediaType(const CMediaType*) override { return S_OK; }
};

class MuteFilter final : public CBaseFilter {
public:
    MuteFilter() : CBaseFilter(L"Mute", nullptr, CLSID{}), pin_(std::make_unique<MutePin>(this)) {}
    int GetPinCount() override { return 1; }
    CBasePin* GetPin(int n) override { return n == 0 ? pin_.get() : nullptr; }

private:
    std::unique_ptr<MutePin> pin_;
};

// A filter without pins.
class EmptyFilter final : public CBaseFilter {
public:
    EmptyFilter() : CBaseFilter(L"Empty", nullptr, CLSID{}) {}
    int GetPinCount() override { return 0; }
    CBasePin* GetPin(int) override { return nullptr; }
};

template <class T>
ComPtr<IBaseFilter> Own(T* made)
{
    ComPtr<IBaseFilter> f;
    f.Attach(made);
    return f;
}

ComPtr<IGraphBuilder> MakeGraph()
{
    ComPtr<IGraphBuilder> g;
    EXPECT_EQ(CFilterGraph::CreateInstance(nullptr, IID_IGraphBuilder, reinterpret_cast<void**>(g.GetAddressOf())),
              S_OK);
    return g;
}

SyntheticStreamSetup Stream(const GUID& major)
{
    SyntheticStreamSetup s;
    s.major = major;
    return s;
}

}  // namespace

TEST(FilterPinsTest, CountsAndFindsPinsByDirection)
{
    auto* pass = CPassTransform::Create(MEDIATYPE_Video);
    ComPtr<IBaseFilter> transform = Own(pass);
    int in = -1, out = -1;
    EXPECT_EQ(CountFilterPins(transform.Get(), &in, &out), S_OK);
    EXPECT_EQ(in, 1);
    EXPECT_EQ(out, 1);
    EXPECT_EQ(CountFilterPins(transform.Get(), nullptr, &out), E_POINTER);

    // A pin whose direction is unknown counts as an output.
    auto* muteMade = new MuteFilter;
    muteMade->NonDelegatingAddRef();
    ComPtr<IBaseFilter> mute = Own(muteMade);
    EXPECT_EQ(CountFilterPins(mute.Get(), &in, &out), E_FAIL);
    EXPECT_EQ(in, 0);
    EXPECT_EQ(out, 1);
    auto* emptyMade = new EmptyFilter;
    emptyMade->NonDelegatingAddRef();
    ComPtr<IBaseFilter> empty = Own(emptyMade);
    EXPECT_EQ(CountFilterPins(empty.Get(), &in, &out), E_FAIL);

    IPin* pin = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(FindFilterPin(transform.Get(), PINDIR_OUTPUT, 1, &pin), E_FAIL);
    EXPECT_EQ(pin, nullptr);
    ASSERT_EQ(FindFilterPin(transform.Get(), PINDIR_OUTPUT, 0, &pin), S_OK);
    EXPECT_EQ(pin, pass->GetPin(1));
    pin->Release();
    ComPtr<IPin> input;
    input.Attach(GetInputPin(transform.Get(), 0));
    EXPECT_EQ(input.Get(), pass->GetPin(0));
    EXPECT_EQ(GetOutputPin(transform.Get(), 1), nullptr);
    // Borrowed: the filter's count does not change.
    LONG before = pass->GetRefCount();
    EXPECT_EQ(FindPinByDirection(transform.Get(), PINDIR_OUTPUT), pass->GetPin(1));
    EXPECT_EQ(pass->GetRefCount(), before);
    EXPECT_EQ(FindPinByDirection(nullptr, PINDIR_OUTPUT), nullptr);
}

TEST(FilterPinsTest, StagesRenderersAndSources)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    auto* source = CSyntheticSource::Create({Stream(MEDIATYPE_Video)});
    auto* stage = CPassTransform::Create(MEDIATYPE_Video);
    auto* sink = CCollectSink::Create(MEDIATYPE_Video);
    for (IBaseFilter* f : std::initializer_list<IBaseFilter*>{sink, stage, source}) {
        ASSERT_EQ(graph->AddFilter(f, nullptr), S_OK);
        f->Release();
    }
    // Nothing is connected yet: no stage and no renderer.
    EXPECT_FALSE(IsFilterOfType(stage, nullptr));
    EXPECT_FALSE(IsRendererFor(sink, nullptr));
    ASSERT_EQ(graph->ConnectDirect(source->GetPin(0), stage->GetPin(0), nullptr), S_OK);
    EXPECT_FALSE(IsVideoFilter(stage));  // its output is still open
    ASSERT_EQ(graph->ConnectDirect(stage->GetPin(1), sink->GetPin(0), nullptr), S_OK);
    EXPECT_TRUE(IsVideoFilter(stage));
    EXPECT_FALSE(IsAudioFilter(stage));
    EXPECT_TRUE(IsFilterOfType(stage, nullptr));
    EXPECT_FALSE(IsVideoFilter(source));  // no input pin
    EXPECT_TRUE(IsRendererFor(sink, &MEDIATYPE_Video));
    EXPECT_FALSE(IsRendererFor(sink, &MEDIATYPE_Audio));
    EXPECT_FALSE(IsRendererFor(stage, nullptr));
    ComPtr<IBaseFilter> found;
    ASSERT_EQ(FindSourceFilter(graph.Get(), found.GetAddressOf()), S_OK);
    EXPECT_EQ(found.Get(), static_cast<IBaseFilter*>(source));
    EXPECT_EQ(FindSourceFilter(nullptr, found.ReleaseAndGetAddressOf()), E_NOINTERFACE);
}

TEST(FilterPinsTest, SourceFilterIsWhicheverTheGraphListsFirst)
{
    for (bool splitterLast : {true, false}) {
        ComPtr<IGraphBuilder> graph = MakeGraph();
        auto* reader = CSyntheticSource::Create({Stream(MEDIATYPE_Stream)});
        auto* splitter = CPassTransform::Create(MEDIATYPE_Stream);
        IBaseFilter* order[2] = {reader, splitter};
        if (!splitterLast) std::swap(order[0], order[1]);
        for (IBaseFilter* f : order) {
            ASSERT_EQ(graph->AddFilter(f, nullptr), S_OK);
            f->Release();
        }
        ASSERT_EQ(graph->ConnectDirect(reader->GetPin(0), splitter->GetPin(0), nullptr), S_OK);
        ComPtr<IBaseFilter> found;
        ASSERT_EQ(FindSourceFilter(graph.Get(), found.GetAddressOf()), S_OK);
        // The most recently added filter is listed first.
        EXPECT_EQ(found.Get(), order[1]) << splitterLast;
    }
    // A filter without pins ends the walk.
    ComPtr<IGraphBuilder> graph = MakeGraph();
    auto* reader = CSyntheticSource::Create({Stream(MEDIATYPE_Stream)});
    auto* empty = new EmptyFilter;
    empty->NonDelegatingAddRef();
    graph->AddFilter(reader, nullptr);
    graph->AddFilter(empty, nullptr);
    reader->Release();
    empty->Release();
    ComPtr<IBaseFilter> found;
    EXPECT_EQ(FindSourceFilter(graph.Get(), found.GetAddressOf()), E_FAIL);
    EXPECT_EQ(found.Get(), nullptr);
}

TEST(FilterPinsTest, NamesAndIdentity)
{
    ComPtr<IGraphBuilder> graph = MakeGraph();
    auto* sink = CCollectSink::Create(MEDIATYPE_Video);
    ASSERT_EQ(graph->AddFilter(sink, L"Halvane Video"), S_OK);
    EXPECT_EQ(GetFilterName(sink), CString(L"Halvane Video"));
    EXPECT_EQ(GetFilterName(nullptr), CString());
    EXPECT_EQ(GetPinName(sink->GetPin(0)), CString(L"In"));
    EXPECT_EQ(GetPinName(nullptr), CString());
    EXPECT_EQ(GetFilterClsid(sink), CLSID_CollectSink);
    EXPECT_EQ(GetFilterClsid(nullptr), GUID_NULL);
    LONG before = sink->GetRefCount();
    EXPECT_EQ(GetPinFilter(sink->GetPin(0)), static_cast<IBaseFilter*>(sink));
    EXPECT_EQ(sink->GetRefCount(), before);
    EXPECT_EQ(GetPinFilter(nullptr), nullptr);
    FILTER_INFO info{};
    ASSERT_EQ(sink->QueryFilterInfo(&info), S_OK);
    ASSERT_NE(info.pGraph, nullptr);
    ReleaseFilterInfo(&info);
    EXPECT_EQ(info.pGraph, nullptr);
    ReleaseFilterInfo(&info);  // nothing left to release
    sink->Release();
}
