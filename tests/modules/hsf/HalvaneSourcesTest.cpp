// The sources of HSF.ax, as the module in the program folder makes them:
// each renders the files of its family that the
// ffmpeg command line makes, through the system's decoders into null
// renderers, with the frame and sample counts ffprobe -count_frames gives;
// each refuses other families; the AVI source reads a file whose index was
// cut off when told to; the MP4 source lets go of everything when told the
// program releases it.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "modules/api/SourceFilters.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/support/GraphHelpers.h"
#include "tests/support/ProgramModules.h"
#include "tests/support/SampleSink.h"

namespace {

ComPtr<IBaseFilter> MakeSource(REFCLSID clsid) { return FilterFromProgramModule("HSF.ax", clsid); }

// How many open descriptors of this process name the file.
int OpenDescriptorsOf(const std::string& path)
{
    char real[PATH_MAX];
    if (!realpath(path.c_str(), real)) return -1;
    int found = 0;
    DIR* fds = opendir("/proc/self/fd");
    if (!fds) return -1;
    while (dirent* entry = readdir(fds)) {
        char target[PATH_MAX];
        std::string link = std::string("/proc/self/fd/") + entry->d_name;
        ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
        if (n <= 0) continue;
        target[n] = 0;
        if (std::string(target) == real) ++found;
    }
    closedir(fds);
    return found;
}

class HalvaneSourceTest : public SystemFilterTest {
protected:
    void SetUp() override
    {
        SystemFilterTest::SetUp();
        graph = CreateGraph();
        ASSERT_TRUE(graph);
    }
    void TearDown() override
    {
        ComPtr<IMediaControl> media;
        if (graph && SUCCEEDED(graph.As(&media))) media->Stop();
        graph.Reset();
        SystemFilterTest::TearDown();
    }

    // Loads the file into a new source of the class and puts it in the graph.
    ComPtr<IBaseFilter> Load(REFCLSID clsid, const std::string& path, HRESULT expect = S_OK, int aviOption = -1)
    {
        ComPtr<IBaseFilter> source = MakeSource(clsid);
        if (!source) return source;
        if (aviOption >= 0) {
            ComPtr<IAviSourceOption> option;
            EXPECT_EQ(source.As(&option), S_OK);
            if (option) {
                EXPECT_EQ(option->SetOption(aviOption), S_OK);
            }
        }
        ComPtr<IFileSourceFilter> load;
        EXPECT_EQ(source.As(&load), S_OK);
        EXPECT_EQ(load->Load(FromNativePath(path).c_str(), nullptr), expect);
        if (expect == S_OK) {
            EXPECT_EQ(graph->AddFilter(source.Get(), L"Halvane Source"), S_OK);
        }
        return source;
    }

    // Each output of the source decoded into a sink of its own.
    std::vector<CSampleSink*> Decode(IBaseFilter* source)
    {
        std::vector<CSampleSink*> sinks;
        for (const ComPtr<IPin>& out : FilterPins(source, PINDIR_OUTPUT)) {
            const bool video = FirstMediaType(out.Get()).majortype == MEDIATYPE_Video;
            ComPtr<IBaseFilter> decoder = CreateFilter(video ? CLSID_VideoDecoder : CLSID_AudioDecoder);
            EXPECT_TRUE(SUCCEEDED(graph->AddFilter(decoder.Get(), nullptr)));
            EXPECT_EQ(graph->ConnectDirect(out.Get(), FilterPins(decoder.Get(), PINDIR_INPUT)[0].Get(), nullptr), S_OK);
            CSampleSink* sink = nullptr;
            ComPtr<IBaseFilter> s = CSampleSink::Make(&sink);
            EXPECT_TRUE(SUCCEEDED(graph->AddFilter(s.Get(), nullptr)));
            EXPECT_EQ(graph->ConnectDirect(FilterPins(decoder.Get(), PINDIR_OUTPUT)[0].Get(),
                                           FilterPins(s.Get(), PINDIR_INPUT)[0].Get(), nullptr),
                      S_OK);
            sinks.push_back(sink);
        }
        return sinks;
    }

    // The counts the sinks saw, one per stream in stream order, against
    // ffprobe's.
    void ExpectCountsOf(const std::string& path, const std::vector<CSampleSink*>& sinks)
    {
        std::vector<ProbedStream> probed;
        for (const ProbedStream& s : ProbeFrameCounts(path))
            if (s.kind == "video" || s.kind == "audio") probed.push_back(s);
        ASSERT_EQ(sinks.size(), probed.size());
        for (size_t i = 0; i < sinks.size(); ++i) {
            EXPECT_GT(probed[i].frames, 0) << probed[i].kind;
            EXPECT_EQ(sinks[i]->Samples(), probed[i].frames) << "stream " << i << " (" << probed[i].kind << ")";
        }
    }

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
};

struct SourceCase {
    const CLSID* clsid;
    const char* file;
    const char* args;  // after one picture and one tone
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.file; }

class SourceFamilyTest : public HalvaneSourceTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SourceFamilyTest, RendersItsFamilyWithTheCountsFfprobeGives)
{
    const SourceCase& c = GetParam();
    std::string path = MakeMedia(dir, c.file, TestPicture(2.0) + " " + TestTone(2.0) + " " + c.args);
    ComPtr<IBaseFilter> source = Load(*c.clsid, path);
    ASSERT_TRUE(source);
    CLSID clsid{};
    EXPECT_EQ(source->GetClassID(&clsid), S_OK);
    EXPECT_EQ(clsid, *c.clsid);
    std::vector<CSampleSink*> sinks = Decode(source.Get());
    RunGraphToEnd(graph.Get());
    ExpectCountsOf(path, sinks);
}

const SourceCase kSourceCases[] = {
    {&CLSID_HalvaneAsfSource, "a.asf", "-c:v wmv2 -c:a wmav2 -f asf"},
    {&CLSID_HalvaneAviSource, "a.avi", "-c:v mpeg4 -vtag XVID -c:a libmp3lame"},
    {&CLSID_HalvaneOggSource, "a.ogg", "-c:v libtheora -c:a libvorbis"},
    {&CLSID_HalvaneMpegSource, "a.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg"},
    {&CLSID_HalvaneMpegSource, "a.ts", "-c:v mpeg2video -c:a mp2 -f mpegts"},
    {&CLSID_HalvaneMatroskaSource, "a.mkv", "-c:v libx264 -preset ultrafast -c:a aac"},
    {&CLSID_HalvaneMp4Source, "a.mp4", "-c:v libx264 -preset ultrafast -bf 2 -c:a aac"},
    {&CLSID_HalvaneMp4Source, "a.3gp", "-c:v mpeg4 -c:a aac -ar 16000 -ac 1"},
    {&CLSID_HalvaneFlvSource, "a.flv", "-c:v flv1 -c:a libmp3lame -ar 44100"},
};

INSTANTIATE_TEST_SUITE_P(Kinds, SourceFamilyTest, ::testing::ValuesIn(kSourceCases),
                         [](const ::testing::TestParamInfo<SourceFamilyTest::ParamType>& i) {
                             std::string name = i.param.file;
                             name[name.find('.')] = '_';
                             return name;
                         });

TEST_F(HalvaneSourceTest, EachSourceRefusesAnotherFamilysFile)
{
    struct {
        const CLSID* clsid;
        const char* file;
        const char* args;
    } cases[] = {
        {&CLSID_HalvaneAviSource, "x.mp4", "-c:v mpeg4 -c:a aac"},
        {&CLSID_HalvaneMp4Source, "x.avi", "-c:v mpeg4 -c:a mp2"},
        {&CLSID_HalvaneAsfSource, "x.mkv", "-c:v mpeg4 -c:a mp2"},
        {&CLSID_HalvaneMatroskaSource, "x.ogg", "-c:v libtheora -c:a libvorbis"},
        {&CLSID_HalvaneOggSource, "x.flv", "-c:v flv1 -c:a libmp3lame -ar 44100"},
        {&CLSID_HalvaneFlvSource, "x.ts", "-c:v mpeg2video -c:a mp2 -f mpegts"},
        {&CLSID_HalvaneMpegSource, "x.asf", "-c:v wmv2 -c:a wmav2 -f asf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        std::string path = MakeMedia(dir, c.file, TestPicture(0.5) + " " + TestTone(0.5) + " " + c.args);
        ComPtr<IBaseFilter> source = Load(*c.clsid, path, VFW_E_UNKNOWN_FILE_TYPE);
        EXPECT_TRUE(FilterPins(source.Get(), PINDIR_OUTPUT).empty());
    }
}

TEST_F(HalvaneSourceTest, AviSourceReadsAFileWhoseIndexIsCutOrMissingOnlyWhenToldTo)
{
    std::string whole =
        MakeMedia(dir, "whole.avi", TestPicture(2.0) + " " + TestTone(2.0) + " -c:v mpeg4 -vtag XVID -c:a libmp3lame");
    std::string bytes = ReadBytes(whole);
    const size_t idx1 = bytes.rfind("idx1");
    ASSERT_NE(idx1, std::string::npos);
    const std::string cut = dir.File("cut.avi"), missing = dir.File("missing.avi");
    WriteBytes(cut, bytes.substr(0, idx1 + 8 + (bytes.size() - idx1 - 8) / 3));
    WriteBytes(missing, bytes.substr(0, idx1));

    struct {
        const std::string* path;
        int option;
        HRESULT expect;
    } cases[] = {
        {&whole, 0, S_OK},
        {&whole, 1, S_OK},
        {&cut, 0, VFW_E_INVALID_FILE_FORMAT},
        {&cut, 1, S_OK},
        {&missing, 0, VFW_E_INVALID_FILE_FORMAT},
        {&missing, 1, S_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(*c.path + " with option " + std::to_string(c.option));
        TearDown();
        SetUp();
        ComPtr<IBaseFilter> source = Load(CLSID_HalvaneAviSource, *c.path, c.expect, c.option);
        if (c.expect != S_OK) continue;
        std::vector<CSampleSink*> sinks = Decode(source.Get());
        RunGraphToEnd(graph.Get());
        ExpectCountsOf(*c.path, sinks);
        // Once a file is loaded the option stays.
        ComPtr<IAviSourceOption> option;
        ASSERT_EQ(source.As(&option), S_OK);
        EXPECT_EQ(option->SetOption(0), VFW_E_WRONG_STATE);
    }
    ComPtr<IAviSourceOption> option;
    ASSERT_EQ(MakeSource(CLSID_HalvaneAviSource).As(&option), S_OK);
    EXPECT_EQ(option->SetOption(2), E_INVALIDARG);
    EXPECT_EQ(option->SetOption(-1), E_INVALIDARG);
}

// Little-endian chunk bytes for made-up AVI files.
std::string Le32(uint32_t v)
{
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
                       static_cast<char>(v >> 24)};
}
std::string Chunk(const std::string& id, const std::string& body)
{
    return id + Le32(static_cast<uint32_t>(body.size())) + body;
}
std::string Riff(const std::string& body)
{
    return "RIFF" + Le32(static_cast<uint32_t>(body.size() + 4)) + "AVI " + body;
}

TEST_F(HalvaneSourceTest, AviSourceLooksAtDamagedChunksSafelyAndRefusesThem)
{
    std::string manyEmpty;
    for (int i = 0; i < 200000; ++i) manyEmpty += Chunk("JUNK", "");
    struct {
        const char* name;
        std::string bytes;
        HRESULT expect;  // with option 0
    } cases[] = {
        {"a list running past the file", Riff("LIST" + Le32(0xFFFFFFF0u) + "hdrl" + Chunk("avih", std::string(56, 0))),
         VFW_E_INVALID_FILE_FORMAT},
        {"a chunk of the largest size", Riff(Chunk("JUNK", "") + "JUNK" + Le32(0xFFFFFFFFu)),
         VFW_E_INVALID_FILE_FORMAT},
        {"a stream list smaller than its type", Riff("LIST" + Le32(2) + "hdrl" + "LIST" + Le32(1) + "st"),
         VFW_E_INVALID_FILE_FORMAT},
        {"a super index but the movie cut short",
         Riff(Chunk("LIST", "hdrl" + Chunk("LIST", "strl" + Chunk("indx", std::string(24, 0)))) + "LIST" +
              Le32(100000) + "movi"),
         VFW_E_INVALID_FILE_FORMAT},
        {"an index too small to hold one entry", Riff(Chunk("LIST", "movi") + Chunk("idx1", std::string(8, 0))),
         VFW_E_INVALID_FILE_FORMAT},
        {"more empty chunks than are looked at", Riff(manyEmpty), VFW_E_INVALID_FILE_FORMAT},
        {"the form's head alone", "RIFF" + Le32(4), VFW_E_UNKNOWN_FILE_TYPE},
        {"an empty file", "", VFW_E_UNKNOWN_FILE_TYPE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.File("damaged.avi");
        WriteBytes(path, c.bytes);
        Load(CLSID_HalvaneAviSource, path, c.expect, 0);
    }
}

TEST_F(HalvaneSourceTest, Mp4SourceToldOfItsReleaseLetsGoOfEverythingAtOnce)
{
    std::string path = MakeMedia(dir, "long.mp4", TestPicture(20.0) + " " + TestTone(20.0) + " -c:v mpeg4 -c:a aac");
    ComPtr<IBaseFilter> source = Load(CLSID_HalvaneMp4Source, path);
    ComPtr<IMp4SourceControl> control;
    ASSERT_EQ(source.As(&control), S_OK);
    EXPECT_EQ(control->NotifyRelease(0), E_INVALIDARG);
    std::vector<CSampleSink*> sinks = Decode(source.Get());
    ASSERT_EQ(sinks.size(), 2u);
    EXPECT_GE(OpenDescriptorsOf(path), 1);

    // Running, with samples on their way.
    ComPtr<IMediaControl> media;
    ASSERT_EQ(graph.As(&media), S_OK);
    ASSERT_EQ(media->Run(), S_OK);
    for (int i = 0; i < 500 && sinks[0]->Samples() < 5; ++i) usleep(10000);
    EXPECT_GE(sinks[0]->Samples(), 5);

    EXPECT_EQ(control->NotifyRelease(1), S_OK);
    EXPECT_TRUE(FilterPins(source.Get(), PINDIR_OUTPUT).empty());
    EXPECT_EQ(OpenDescriptorsOf(path), 0);
    ComPtr<IFileSourceFilter> load;
    ASSERT_EQ(source.As(&load), S_OK);
    LPOLESTR name = nullptr;
    EXPECT_EQ(load->GetCurFile(&name, nullptr), E_FAIL);
    const long seen = sinks[0]->Samples();
    usleep(100000);
    EXPECT_EQ(sinks[0]->Samples(), seen);  // nothing more comes

    // The program lets go of it; the graph stops and goes without waiting on it.
    control.Reset();
    load.Reset();
    source.Reset();
    media->Stop();
}

}  // namespace
