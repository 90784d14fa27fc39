// The connect search with filters that only connect: render results, hidden
// pins, connections to filters already in the graph, the two filters that
// hand a pin back to the graph, the class-once-per-path rule, typed
// connection of byte streams, dead ends and the overrides that block or
// prefer filters.
#include <gtest/gtest.h>

#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphBuilder.h"
#include "platform/dshow/MediaGuids.h"
#include "tests/encoder/pipeline/FakeFilters.h"

namespace {

constexpr CLSID kRenderItself{0xD3CD7858, 0x971A, 0x4838, {0xAC, 0xEC, 0x40, 0xCA, 0x5D, 0x52, 0x9D, 0xC8}};

FakePin In(const TypePairs& types, const wchar_t* name = L"In") { return FakePin{name, PINDIR_INPUT, types}; }
FakePin Out(const TypePairs& types, const wchar_t* name = L"Out") { return FakePin{name, PINDIR_OUTPUT, types}; }

FakeDesc Fake(int n, const wchar_t* name, std::vector<FakePin> pins) { return FakeDesc{FakeClsid(n), name, pins}; }

class GraphBuilderTest : public FakeFilterTest {
protected:
    // A fake added to the graph by the test, as a source is.
    ComPtr<IBaseFilter> AddSource(const std::vector<FakePin>& pins, const wchar_t* name = L"Source")
    {
        ComPtr<IBaseFilter> f = MakeFake(FakeDesc{FakeClsid(15), name, pins});
        EXPECT_EQ(graph->AddFilter(f.Get(), name), S_OK);
        return f;
    }
    IPin* OutputPin(IBaseFilter* f, int n = 0)
    {
        IPin* p = GetOutputPin(f, n);
        if (p) p->Release();  // the filter keeps it
        return p;
    }
    static bool IsConnected(IPin* pin)
    {
        ComPtr<IPin> peer;
        return SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf()));
    }
    int FiltersInGraph()
    {
        CGraphBuilder b(graph.Get());
        CPtrList list;
        b.GetGraphFilters(list);
        return list.GetCount();
    }
};

TEST_F(GraphBuilderTest, FilterWithNothingToRenderGivesSFalse)
{
    ComPtr<IBaseFilter> sink = AddSource({In({{kTypeX, kSubA}})}, L"Sink");
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(sink.Get()), S_FALSE);
    EXPECT_EQ(builder.RenderFilter(nullptr), E_POINTER);
    CGraphBuilder orphan(nullptr);
    EXPECT_EQ(orphan.RenderFilter(sink.Get()), E_POINTER);
    EXPECT_EQ(orphan.RenderFile(L"/nowhere"), E_POINTER);
}

TEST_F(GraphBuilderTest, HiddenPinsAreNeitherRenderedNorCounted)
{
    Declare(Fake(0, L"Sink", {In({{kTypeX, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeY, kSubA}}, L"~Preview"), Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    EXPECT_FALSE(IsConnected(OutputPin(source.Get(), 0)));
    EXPECT_TRUE(IsConnected(OutputPin(source.Get(), 1)));
    EXPECT_EQ(builder.GetDeadEndCount(), 0);
}

TEST_F(GraphBuilderTest, DeadEndOfAFailedTryIsVoidedWhenTheStreamEndsLater)
{
    // The best transform's output goes nowhere; the next one's reaches a sink.
    Declare(Fake(0, L"Blind Transform", {In({{kTypeX, kSubA}}), Out({{kTypeY, kSubA}})}), MERIT_PREFERRED);
    Declare(Fake(1, L"Good Transform", {In({{kTypeX, kSubA}}), Out({{kTypeZ, kSubA}})}), MERIT_NORMAL);
    Declare(Fake(2, L"Sink", {In({{kTypeZ, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 1);
    EXPECT_EQ(builder.GetDeadEndCount(), 0);
    EXPECT_EQ(FiltersInGraph(), 3);  // the blind transform was taken out again
}

TEST_F(GraphBuilderTest, PinStaysConnectedToAFilterInTheGraphWhoseOutputsFail)
{
    Declare(Fake(0, L"Sink", {In({{kTypeX, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> stage = AddSource({In({{kTypeX, kSubA}}), Out({{kTypeY, kSubA}})}, L"Stage");
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderPin(OutputPin(source.Get())), E_FAIL);
    EXPECT_TRUE(IsConnected(OutputPin(source.Get())));
    // Only the stage's pin left a record; the source's pin was connected.
    ASSERT_EQ(builder.GetDeadEndCount(), 1);
    EXPECT_EQ(builder.GetDeadEnd(0)->filterName, CString(L"Stage"));
    EXPECT_EQ(builder.RenderPin(OutputPin(source.Get())), E_UNEXPECTED);  // connected now
}

TEST_F(GraphBuilderTest, BestCandidateOfTheSelfRenderingKindHandsThePinToTheGraph)
{
    // Registered for the pin's type but taking nothing: the graph's Render
    // cannot render the pin, and its failure comes back unchanged, with no
    // dead end of the search's own.
    FakePin refusing = In({{kTypeX, kSubA}});
    refusing.refuseAll = true;
    Declare(FakeDesc{kRenderItself, L"Renders Itself", {refusing}}, MERIT_PREFERRED);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderPin(OutputPin(source.Get())), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(builder.GetDeadEndCount(), 0);
    EXPECT_EQ(FiltersInGraph(), 1);
}

TEST_F(GraphBuilderTest, ClassOnThePathIsNeverTriedAgainAndItsDeadEndNamesThePath)
{
    // A transform whose output is its own input type, and nothing else.
    Declare(Fake(0, L"Loop Transform", {In({{kTypeX, kSubA}}), Out({{kTypeX, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), VFW_E_CANNOT_RENDER);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 1);
    EXPECT_EQ(FiltersInGraph(), 1);
    // The transform's pin found nothing; the source's pin had connected.
    ASSERT_EQ(builder.GetDeadEndCount(), 1);
    const CGraphBuilder::DeadEnd* d = builder.GetDeadEnd(0);
    EXPECT_EQ(d->filterName, CString(L"Loop Transform"));
    EXPECT_EQ(d->pinName, CString(L"Out"));
    ASSERT_EQ(d->names.GetCount(), 2);
    EXPECT_EQ(d->names.GetHead(), CString(L"Stream 0"));
    EXPECT_EQ(d->names.GetTail(), CString(L"Loop Transform"));
    ASSERT_EQ(d->mediaTypes.GetCount(), 1);
    EXPECT_EQ(d->mediaTypes.GetHead().majortype, kTypeX);
}

TEST_F(GraphBuilderTest, ByteStreamIsOfferedItsExactTypeFirstThenAnyType)
{
    FakePin input = In({{MEDIATYPE_Stream, kSubA}});
    input.refuseFormatNone = true;
    Declare(Fake(0, L"Splitter", {input}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{MEDIATYPE_Stream, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    std::vector<CMediaType> offered = CFakeFilter::OfferedTypes();
    ASSERT_GE(offered.size(), 2u);
    EXPECT_EQ(offered[0].formattype, FORMAT_None);
    EXPECT_EQ(offered[0].subtype, kSubA);
    EXPECT_TRUE(offered[0].bFixedSizeSamples);
    EXPECT_EQ(offered[0].lSampleSize, 1u);
    EXPECT_FALSE(offered[0].bTemporalCompression);
    EXPECT_NE(offered[1].formattype, FORMAT_None);
}

TEST_F(GraphBuilderTest, TypedFirstTryIsOnlyForAByteStreamOfOneSubtype)
{
    Declare(Fake(0, L"Splitter", {In({{MEDIATYPE_Stream, GUID_NULL}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{MEDIATYPE_Stream, kSubA}, {MEDIATYPE_Stream, kSubB}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    for (const CMediaType& t : CFakeFilter::OfferedTypes()) EXPECT_NE(t.formattype, FORMAT_None);
}

struct LonePinCase {
    const char* name;
    GUID major;
    GUID subtype;
    bool recorded;
};

class LonePinTest : public GraphBuilderTest, public ::testing::WithParamInterface<LonePinCase> {};

TEST_P(LonePinTest, PinNothingTakesLeavesADeadEndUnlessItIsNoStreamTheUserLost)
{
    const LonePinCase& c = GetParam();
    ComPtr<IBaseFilter> source = AddSource({Out({{c.major, c.subtype}}, L"Pin")});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), VFW_E_CANNOT_RENDER);
    ASSERT_EQ(builder.GetDeadEndCount(), c.recorded ? 1 : 0);
    if (c.recorded) {
        const CGraphBuilder::DeadEnd* d = builder.GetDeadEnd(0);
        EXPECT_EQ(d->streamNumber, 0);
        EXPECT_EQ(d->filterName, CString(L"Source"));
        EXPECT_EQ(d->pinName, CString(L"Pin"));
        ASSERT_EQ(d->names.GetCount(), 1);
        EXPECT_EQ(d->names.GetHead(), CString(L"Stream 0"));
    }
    builder.ResetDeadEnds();
    EXPECT_EQ(builder.GetDeadEndCount(), 0);
}

const LonePinCase kLonePins[] = {
    {"UnknownVideo", MEDIATYPE_Video, kSubA, true},
    {"FakeMajorType", kTypeX, kSubA, true},
    {"ByteStream", MEDIATYPE_Stream, kSubA, false},
    {"UntypedText", MEDIATYPE_Text, GUID_NULL, false},
    {"TypedText", MEDIATYPE_Text, kSubA, true},
    {"Subtitles", MEDIATYPE_Subtitle, kSubA, false},
    {"DvdSubpicture", MEDIATYPE_Video, MEDIASUBTYPE_DVD_SUBPICTURE, false},
};

INSTANTIATE_TEST_SUITE_P(Pins, LonePinTest, ::testing::ValuesIn(kLonePins),
                         [](const ::testing::TestParamInfo<LonePinCase>& i) { return std::string(i.param.name); });

TEST_F(GraphBuilderTest, BlockedFilterIsNeverTakenAndTheNextOneIs)
{
    Declare(Fake(0, L"Best Sink", {In({{kTypeX, kSubA}})}), MERIT_PREFERRED);
    Declare(Fake(1, L"Other Sink", {In({{kTypeX, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    builder.AddOverrideFilter(new CGraphRegFilter(FakeClsid(0), kBlockedMerit));
    builder.AddOverrideFilter(nullptr);  // ignored
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 0);
    ComPtr<IPin> peer;
    ASSERT_EQ(OutputPin(source.Get())->ConnectedTo(peer.GetAddressOf()), S_OK);
    EXPECT_EQ(GetFilterClsid(GetPinFilter(peer.Get())), FakeClsid(1));
}

TEST_F(GraphBuilderTest, PreferredOverrideJoinsEvenBelowTheMeritFloor)
{
    // Registered where the mapper never looks, preferred by the caller.
    Declare(Fake(0, L"Hidden Sink", {In({{kTypeX, kSubA}})}), MERIT_DO_NOT_USE);
    Declare(Fake(1, L"Normal Sink", {In({{kTypeX, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    builder.AddOverrideFilter(new CGraphRegFilter(FakeClsid(0), static_cast<ULONGLONG>(MERIT_PREFERRED) << 16));
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 1);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(1)), 0);
    // The entry belongs to the builder and serves the next search too.
    ComPtr<IBaseFilter> second = AddSource({Out({{kTypeX, kSubA}})}, L"Second Source");
    EXPECT_EQ(builder.RenderFilter(second.Get()), S_OK);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 2);
}

TEST_F(GraphBuilderTest, AtEqualMeritTheExactMatchGoesFirst)
{
    Declare(Fake(0, L"Any Sink", {In({{kTypeX, GUID_NULL}})}), MERIT_NORMAL);
    Declare(Fake(1, L"Exact Sink", {In({{kTypeX, kSubA}})}), MERIT_NORMAL);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 0);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(1)), 1);
}

TEST_F(GraphBuilderTest, CachedFilterIsTriedBeforeTheGraphsAndTheRegisteredOnes)
{
    Declare(Fake(0, L"Registered Sink", {In({{kTypeX, kSubA}})}), MERIT_PREFERRED);
    ComPtr<IBaseFilter> cached = MakeFake(FakeDesc{FakeClsid(14), L"Cached Sink", {In({{kTypeX, kSubA}})}});
    ComPtr<IGraphConfig> config;
    ASSERT_EQ(graph.As(&config), S_OK);
    ASSERT_EQ(config->AddFilterToCache(cached.Get()), S_OK);
    ComPtr<IBaseFilter> source = AddSource({Out({{kTypeX, kSubA}})});
    CGraphBuilder builder(graph.Get());
    EXPECT_EQ(builder.RenderFilter(source.Get()), S_OK);
    EXPECT_EQ(CFakeFilter::Made(FakeClsid(0)), 0);
    EXPECT_EQ(config->RemoveFilterFromCache(cached.Get()), S_FALSE);  // taken out of the cache
}

TEST_F(GraphBuilderTest, MissingFileGivesTheSourcesError)
{
    CGraphBuilder builder(graph.Get());
    TempDir dir;
    std::wstring path = dir.WFile("missing.avi");
    EXPECT_EQ(builder.RenderFile(path.c_str()), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

}  // namespace
