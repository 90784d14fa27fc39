// The graph's own building: a source found by its file's check bytes,
// rendering through registered filters in merit order with roll-back of
// dead ends, hidden pins left alone, and Connect through one filter.
#include "platform/dshow/FilterMapper.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/ShippedRegistrations.h"
#include "platform/win32/CodePage.h"
#include "tests/platform/dshow/GraphFixture.h"
#include "tests/support/TempDir.h"

namespace {

// The file type of the synthetic source: files that start with "SYNT".
const GUID kSyntheticSubtype{0x5A0E4001, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0}};

std::vector<std::wstring> FilterNames(IFilterGraph* graph)
{
    std::vector<std::wstring> names;
    ComPtr<IEnumFilters> e;
    graph->EnumFilters(e.GetAddressOf());
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        FILTER_INFO info{};
        f->QueryFilterInfo(&info);
        if (info.pGraph) info.pGraph->Release();
        names.push_back(info.achName);
        f->Release();
    }
    return names;
}

bool Connected(IPin* pin)
{
    ComPtr<IPin> peer;
    return SUCCEEDED(pin->ConnectedTo(peer.GetAddressOf())) && peer;
}

}  // namespace

class GraphBuildTest : public GraphTest {
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        RegisterSyntheticClasses();
        ShippedFileType type;
        type.major = MEDIATYPE_Stream;
        type.subtype = kSyntheticSubtype;
        type.lines = {L"0,4,,53594E54"};
        type.source = CLSID_SyntheticFileSource;
        ASSERT_EQ(AddShippedFileType(type), S_OK);
        ASSERT_EQ(CFilterMapper2::CreateInstance(nullptr, IID_IFilterMapper2,
                                                 reinterpret_cast<void**>(mapper.GetAddressOf())),
                  S_OK);
        file = dir.WFile("clip.synt");
        WriteBytes(dir.File("clip.synt"), "SYNT and more");
    }
    void TearDown() override
    {
        for (const auto& c : registered) mapper->UnregisterFilter(nullptr, nullptr, c);
        mapper.Reset();
        GraphTest::TearDown();
    }
    // Registers a video-in filter; with an output pin unless it renders.
    void Register(const CLSID& clsid, const wchar_t* name, DWORD merit, bool renders)
    {
        REGPINTYPES video{&MEDIATYPE_Video, &GUID_NULL};
        REGFILTERPINS2 pins[2] = {{renders ? REG_PINFLAG_B_RENDERER : 0u, 1, 1, &video, 0, nullptr, nullptr},
                                  {REG_PINFLAG_B_OUTPUT, 1, 1, &video, 0, nullptr, nullptr}};
        REGFILTER2 rf2{};
        rf2.dwVersion = 2;
        rf2.dwMerit = merit;
        rf2.cPins2 = renders ? 1 : 2;
        rf2.rgPins2 = pins;
        ASSERT_EQ(mapper->RegisterFilter(clsid, name, nullptr, nullptr, nullptr, &rf2), S_OK);
        registered.push_back(clsid);
    }

    TempDir dir;
    std::wstring file;
    ComPtr<IFilterMapper2> mapper;
    std::vector<CLSID> registered;
};

TEST_F(GraphBuildTest, RenderFileFindsTheSourceAndBuildsByMeritAroundDeadEnds)
{
    // The dead end has the best merit; its output (another major type) finds
    // no taker, so it is tried and taken out again.
    Register(CLSID_DeadEndTransform, L"Dead End", MERIT_PREFERRED + 2, false);
    Register(CLSID_PassTransform, L"Pass", MERIT_PREFERRED, false);
    Register(CLSID_CollectSink, L"Sink", MERIT_NORMAL, true);
    ASSERT_EQ(graph->RenderFile(file.c_str(), nullptr), S_OK);
    EXPECT_EQ(FilterNames(graph.Get()), (std::vector<std::wstring>{L"Sink", L"Pass", file}));

    ComPtr<IBaseFilter> source;
    ASSERT_EQ(graph->FindFilterByName(file.c_str(), source.GetAddressOf()), S_OK);
    auto* synthetic = static_cast<CSyntheticFileSource*>(source.Get());
    EXPECT_EQ(synthetic->loaded, file);
    EXPECT_EQ(synthetic->loadedType.majortype, MEDIATYPE_Stream);
    EXPECT_EQ(synthetic->loadedType.subtype, kSyntheticSubtype);
    EXPECT_TRUE(Connected(synthetic->GetPin(0)));
    EXPECT_FALSE(Connected(synthetic->GetPin(1)));  // "~Preview" is not rendered
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);
}

TEST_F(GraphBuildTest, BlockedFiltersAreNeverUsedAndFailuresLeaveNothingBehind)
{
    Register(CLSID_PassTransform, L"Pass", MERIT_DO_NOT_USE, false);
    Register(CLSID_CollectSink, L"Sink", MERIT_DO_NOT_USE, true);
    EXPECT_EQ(graph->RenderFile(file.c_str(), nullptr), VFW_E_CANNOT_RENDER);
    EXPECT_TRUE(FilterNames(graph.Get()).empty());
    WriteBytes(dir.File("plain.txt"), "no known bytes");
    EXPECT_EQ(graph->RenderFile(dir.WFile("plain.txt").c_str(), nullptr), REGDB_E_CLASSNOTREG);  // no file reader yet
    EXPECT_EQ(graph->RenderFile(dir.WFile("missing.synt").c_str(), nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(FilterNames(graph.Get()).empty());
}

TEST_F(GraphBuildTest, RenderUsesFiltersAlreadyInTheGraphFirst)
{
    Register(CLSID_CollectSink, L"Registered Sink", MERIT_PREFERRED, true);
    auto* mine = Add(CCollectSink::Create(MEDIATYPE_Video), L"Mine");
    auto* source = AddSource({VideoStream(4), VideoStream(4)});
    ASSERT_EQ(graph->Render(source->GetPin(0)), S_OK);
    ComPtr<IPin> peer;
    ASSERT_EQ(source->GetPin(0)->ConnectedTo(peer.GetAddressOf()), S_OK);
    EXPECT_EQ(peer.Get(), mine->GetPin(0));
    // The second stream finds the first sink taken and gets a registered one.
    ASSERT_EQ(graph->Render(source->GetPin(1)), S_OK);
    EXPECT_EQ(FilterNames(graph.Get()), (std::vector<std::wstring>{L"Registered Sink", L"Source", L"Mine"}));
    EXPECT_EQ(graph->Render(source->GetPin(1)), VFW_E_ALREADY_CONNECTED);
}

TEST_F(GraphBuildTest, ConnectPutsOneFilterBetweenWhenNeeded)
{
    // The only registered filter turns video into another major type.
    Register(CLSID_DeadEndTransform, L"Converter", MERIT_NORMAL, false);
    auto* video = Add(CCollectSink::Create(MEDIATYPE_Video), L"Video Target");
    auto* other = Add(CCollectSink::Create(MEDIATYPE_Midi), L"Other Target");
    auto* audio = Add(CCollectSink::Create(MEDIATYPE_Audio), L"Audio Target");
    auto* source = AddSource({VideoStream(4), VideoStream(4), VideoStream(4)});
    // Direct when the types allow it.
    ASSERT_EQ(graph->Connect(source->GetPin(0), video->GetPin(0)), S_OK);
    EXPECT_EQ(FilterNames(graph.Get()).size(), 4u);
    // Through the converter otherwise.
    ASSERT_EQ(graph->Connect(source->GetPin(1), other->GetPin(0)), S_OK);
    EXPECT_EQ(FilterNames(graph.Get()).front(), L"Converter");
    // No way at all: the converter tried on the way is taken out again.
    EXPECT_EQ(graph->Connect(source->GetPin(2), audio->GetPin(0)), VFW_E_CANNOT_CONNECT);
    EXPECT_EQ(FilterNames(graph.Get()).size(), 5u);
    EXPECT_FALSE(Connected(source->GetPin(2)));
    EXPECT_EQ(RunToEnd(), EC_COMPLETE);  // the audio target, unconnected, takes no part
}
