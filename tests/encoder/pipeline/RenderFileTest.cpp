// The connect search over the real system filters: files the ffmpeg command
// line makes are rendered by CGraphBuilder::RenderFile into counting null
// renderers (the system's video and audio renderers blocked), run to the
// end, and every stream's frames and sample blocks are counted against
// ffprobe -count_frames.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphBuilder.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/NullRenderer.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "tests/platform/dshow/MediaFiles.h"

namespace {

// {5A0E1201-...}: a null renderer that counts what reaches it.
constexpr CLSID CLSID_CountingRenderer{0x5A0E1201, 0x0000, 0x4000, {0x80, 0x00, 0x00, 0xA0, 0xB0, 0xC0, 0xD0, 0xE1}};

class CCountingRenderer final : public CNullRenderer {
public:
    using CNullRenderer::CNullRenderer;
    static HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object)
    {
        return CreateComObject<CCountingRenderer>(outer, riid, object);
    }
    HRESULT DoRenderSample(IMediaSample*) override
    {
        ++samples;
        return S_OK;
    }
    std::atomic<long> samples{0};
};

// The counting renderer takes what the null renderer takes.
void RegisterCountingRenderer()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (const ShippedFilter& f : SystemFilterRegistrations()) {
            if (f.clsid != CLSID_NullRenderer) continue;
            ShippedFilter counting = f;
            counting.clsid = CLSID_CountingRenderer;
            counting.name = L"Counting Renderer";
            AddShippedFilter(counting);
        }
    });
    static CClassFactory factory(&CCountingRenderer::CreateInstance);
    CoRegisterClassFactory(CLSID_CountingRenderer, &factory);
}

// Feeds the builder as the graph objects feed it for a run that ends in
// the counting renderers: the system renderers are blocked, the counting
// one preferred.
void PreferCountingRenderers(CGraphBuilder& builder)
{
    builder.AddOverrideFilter(new CGraphRegFilter(CLSID_VideoRenderer, kBlockedMerit));
    builder.AddOverrideFilter(new CGraphRegFilter(CLSID_DSoundRender, kBlockedMerit));
    builder.AddOverrideFilter(
        new CGraphRegFilter(CLSID_CountingRenderer, static_cast<ULONGLONG>(MERIT_PREFERRED) << 16));
}

std::vector<ComPtr<IBaseFilter>> Filters(IGraphBuilder* graph)
{
    std::vector<ComPtr<IBaseFilter>> out;
    ComPtr<IEnumFilters> e;
    graph->EnumFilters(e.GetAddressOf());
    IBaseFilter* f = nullptr;
    while (e->Next(1, &f, nullptr) == S_OK) {
        ComPtr<IBaseFilter> p;
        p.Attach(f);
        out.push_back(p);
    }
    return out;
}

// The name of the splitter's pin at the head of the chain that ends in the
// renderer ("Video", "Audio 2", ...).
std::wstring SourcePinOf(IBaseFilter* renderer)
{
    ComPtr<IBaseFilter> filter(renderer);
    for (int hops = 0; hops < 8; ++hops) {
        ComPtr<IPin> in;
        in.Attach(GetInputPin(filter.Get(), 0));
        if (!in) return L"";
        ComPtr<IPin> up;
        if (FAILED(in->ConnectedTo(up.GetAddressOf()))) return L"";
        IBaseFilter* owner = GetPinFilter(up.Get());
        int inputs = 0, outputs = 0;
        CountFilterPins(owner, &inputs, &outputs);
        // The splitter or source: several outputs, or no input of its own
        // that takes decoded data.
        ComPtr<IPin> ownerIn;
        ownerIn.Attach(GetInputPin(owner, 0));
        AM_MEDIA_TYPE mt{};
        bool fromBytes = !ownerIn || (SUCCEEDED(ownerIn->ConnectionMediaType(&mt)) && mt.majortype == MEDIATYPE_Stream);
        FreeMediaType(mt);
        if (fromBytes) return GetPinName(up.Get()).str();
        filter = owner;
    }
    return L"";
}

struct RenderCase {
    const char* name;
    const char* file;
    const char* args;  // codecs and options after the inputs
    int extraTones;    // inputs beyond one picture and one tone
    bool deadEnd;      // one stream has no decoder here
};

class RenderFileTest : public SystemFilterTest, public ::testing::WithParamInterface<RenderCase> {
protected:
    void SetUp() override
    {
        SystemFilterTest::SetUp();
        RegisterCountingRenderer();
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                   reinterpret_cast<void**>(graph.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override
    {
        ComPtr<IMediaControl> control;
        if (graph && SUCCEEDED(graph.As(&control))) control->Stop();
        graph.Reset();
        SystemFilterTest::TearDown();
    }

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
};

TEST_P(RenderFileTest, RendersEveryDecodableStreamAndDeliversWhatFfprobeCounts)
{
    const RenderCase& c = GetParam();
    std::string inputs = TestPicture() + " " + TestTone();
    std::string maps;
    for (int i = 0; i < c.extraTones; ++i) {
        inputs += " " + TestTone(2.0, i == 0 ? 22050 : 48000);
        maps += " -map " + std::to_string(i + 2);
    }
    if (c.extraTones) maps = " -map 0 -map 1" + maps;
    std::string path = MakeMedia(dir, c.file, inputs + maps + " " + c.args);
    if (c.deadEnd) {
        // No muxer writes a FourCC that no codec has: the tag is changed
        // in the stream header and the bitmap header afterwards.
        std::string bytes = ReadBytes(path);
        for (size_t at = bytes.find("XVID"); at != std::string::npos && at < 4096; at = bytes.find("XVID", at))
            bytes.replace(at, 4, "ZZZZ");
        WriteBytes(path, bytes);
    }
    std::vector<ProbedStream> probed = ProbeFrameCounts(path);
    ASSERT_FALSE(probed.empty());

    CGraphBuilder builder(graph.Get());
    PreferCountingRenderers(builder);
    std::wstring wpath(path.begin(), path.end());
    HRESULT hr = builder.RenderFile(wpath.c_str());
    // The splitter renders partially, which is success for the source's
    // one pin: the left-out stream shows only in its dead-end record.
    EXPECT_EQ(hr, S_OK);
    if (c.deadEnd) {
        ASSERT_EQ(builder.GetDeadEndCount(), 1);
        const CGraphBuilder::DeadEnd* d = builder.GetDeadEnd(0);
        EXPECT_EQ(d->pinName, CString(L"Video"));
        ASSERT_EQ(d->mediaTypes.GetCount(), 1);
        EXPECT_EQ(d->mediaTypes.GetHead().subtype, FourCCGuid(0x5A5A5A5A));  // "ZZZZ"
        ASSERT_GE(d->names.GetCount(), 2);
        EXPECT_EQ(d->names.GetHead().Left(7), CString(L"Stream "));
        EXPECT_EQ(d->names.GetAt(d->names.FindIndex(1)), CString(L"AVI Splitter"));
    } else {
        EXPECT_EQ(builder.GetDeadEndCount(), 0);
    }

    // Expected counts by stream kind and place among its kind.
    std::map<std::wstring, long long> expected;
    int videos = 0, audios = 0;
    for (const ProbedStream& s : probed) {
        if (s.kind != "video" && s.kind != "audio") continue;
        bool video = s.kind == "video";
        int n = video ? ++videos : ++audios;
        std::wstring pin = video ? L"Video" : L"Audio";
        if (n > 1) pin += L" " + std::to_wstring(n);
        if (c.deadEnd && video) continue;
        expected[pin] = s.frames;
    }

    ComPtr<IMediaControl> control;
    ComPtr<IMediaEvent> events;
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(graph.As(&events), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    LONG code = 0;
    ASSERT_EQ(events->WaitForCompletion(60000, &code), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    ASSERT_EQ(control->Stop(), S_OK);

    std::map<std::wstring, long long> counted;
    for (auto& f : Filters(graph.Get())) {
        auto* counter = dynamic_cast<CCountingRenderer*>(f.Get());
        if (counter) counted[SourcePinOf(f.Get())] = counter->samples.load();
    }
    EXPECT_EQ(counted, expected) << c.file;
}

const RenderCase kCases[] = {
    {"Avi", "mpeg4_mp3.avi", "-c:v mpeg4 -vtag XVID -c:a libmp3lame -b:a 64k", 0, false},
    {"Matroska", "h264_vorbis.mkv", "-c:v libx264 -preset veryfast -c:a libvorbis", 0, false},
    {"Ogg", "theora_vorbis.ogg", "-c:v libtheora -c:a libvorbis", 0, false},
    {"TransportStream", "h264_aac.ts", "-c:v libx264 -preset veryfast -c:a aac -f mpegts", 0, false},
    {"ProgramStream", "mpeg1_mp2.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", 0, false},
    {"Mp4", "h264_aac.mp4", "-c:v libx264 -preset veryfast -c:a aac", 0, false},
    {"Flv", "flv1_mp3.flv", "-c:v flv1 -c:a libmp3lame -ar 44100", 0, false},
    {"Asf", "wmv2_wmav2.asf", "-c:v wmv2 -c:a wmav2 -f asf", 0, false},
    {"RealMedia", "rv20_ac3.rm", "-c:v rv20 -c:a ac3 -f rm", 0, false},
    {"ThreeAudioStreams", "three_audio.mkv", "-c:v mpeg4 -c:a:0 aac -c:a:1 mp2 -c:a:2 flac", 2, false},
    {"UndecodableVideo", "unknown_video.avi", "-c:v mpeg4 -vtag XVID -c:a pcm_s16le", 0, true},
};

INSTANTIATE_TEST_SUITE_P(Containers, RenderFileTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RenderCase>& i) { return std::string(i.param.name); });

TEST_F(RenderFileTest, BytesNoSplitterReadsGiveAClearFailure)
{
    std::string junk = dir.File("junk.avi");
    std::string bytes;
    for (int i = 0; i < 20000; ++i) bytes.push_back(static_cast<char>((i * 7919) >> 3));
    WriteBytes(junk, bytes);
    std::string empty = dir.File("empty.mkv");
    WriteBytes(empty, "");
    for (const std::string& path : {junk, empty}) {
        CGraphBuilder builder(graph.Get());
        std::wstring wpath(path.begin(), path.end());
        EXPECT_EQ(builder.RenderFile(wpath.c_str()), VFW_E_CANNOT_RENDER) << path;
        // A byte stream that nothing reads is no lost stream of the user's.
        EXPECT_EQ(builder.GetDeadEndCount(), 0);
    }
}

}  // namespace
