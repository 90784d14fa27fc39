// The job record's probe graph through the maker's source module: the class
// each type code asks HSF.ax for, the option call of the AVI source before
// its load, the module's source as the graph's source, and the fall-back to
// the system's choice when the module's source does not load the file. The
// same cases run through the test's stand-in (fixtures/CoreSourceModule),
// which records the calls it gets, and through the real HSF.ax and HAF.ax of
// the program folder; each is copied into the test's program folder under
// the module's real name.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/MediaTypeNames.h"
#include "encoder/jobs/EncFileInfo.h"
#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphBuilder.h"
#include "foundation/PathHelpers.h"
#include "modules/api/AudioFilterControl.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"
#include "platform/win32/NativePath.h"
#include "tests/encoder/jobs/JobTestSupport.h"
#include "tests/encoder/jobs/fixtures/CoreSourceModule.h"
#include "tests/support/MediaFixtures.h"

namespace {

// The wrapped filter: the system's generic source, aggregated.
HRESULT MakeHostSource(IUnknown* outer, void** inner)
{
    return CoCreateInstance(CLSID_MediaSource, outer, CLSCTX_INPROC_SERVER, IID_IUnknown, inner);
}

struct ModuleCase {
    const char* file;
    const char* args;  // after one picture and one tone
    SourceTypeCode code;
    const char* calls;  // what the module is asked; "" when the code has no module source
};

void PrintTo(const ModuleCase& c, std::ostream* os) { *os << c.file; }

// The probe graph of a job, with the modules the test puts in its program
// folder.
class ProbeGraphTest : public JobTest {
protected:
    void TearDown() override
    {
        FreeFilterModules();
        JobTest::TearDown();
    }

    // Builds the probe graph for the file and gives the names of the graph's
    // source filter and of every filter in the graph (and the graph, when
    // asked for).
    std::string SourceFilterName(const std::string& path, SourceTypeCode code, std::vector<std::string>* names,
                                 ComPtr<IGraphBuilder>* built = nullptr)
    {
        ComPtr<IGraphBuilder> graph;
        EXPECT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_ALL, IID_IGraphBuilder,
                                         reinterpret_cast<void**>(graph.GetAddressOf())));
        CEncFileInfo job;
        {
            CGraphBuilder builder(graph.Get());
            EXPECT_TRUE(SUCCEEDED(job.BuildSourceGraph(&builder, CString(Utf8ToWide(path)), code)));
        }
        ComPtr<IEnumFilters> filters;
        graph->EnumFilters(filters.GetAddressOf());
        IBaseFilter* f = nullptr;
        while (filters->Next(1, &f, nullptr) == S_OK) {
            names->push_back(WideToUtf8(GetFilterName(f).str()));
            f->Release();
        }
        if (built) *built = graph;
        ComPtr<IBaseFilter> source;
        if (FAILED(FindSourceFilter(graph.Get(), source.GetAddressOf()))) return "";
        return WideToUtf8(GetFilterName(source.Get()).str());
    }

    // One case: the graph's source and the job made of the file; takeLog
    // gives what the stand-in was asked (empty for the real module, which
    // records nothing).
    void CheckCase(const ModuleCase& c, const std::function<std::string()>& takeLog);
};

class SourceModuleTest : public ProbeGraphTest {
protected:
    void SetUp() override
    {
        ProbeGraphTest::SetUp();
        std::string fixture = ToNativePath((GetModuleDirectory() + L"CoreSourceModule.ax").str());
        std::string module = ProgramFolder() + "HSF.ax";
        std::filesystem::copy_file(fixture, module);
        module_ = LoadLibraryW(Utf8ToWide(module).c_str());
        ASSERT_NE(nullptr, module_);
        reinterpret_cast<CoreSourceModuleSetHostFn>(GetProcAddress(module_, "CoreSourceModuleSetHost"))(MakeHostSource);
        failLoad_ = reinterpret_cast<CoreSourceModuleFailLoadFn>(GetProcAddress(module_, "CoreSourceModuleFailLoad"));
        log_ = reinterpret_cast<CoreSourceModuleLogFn>(GetProcAddress(module_, "CoreSourceModuleLog"));
        ASSERT_NE(nullptr, failLoad_);
        ASSERT_NE(nullptr, log_);
        failLoad_(0);
        TakeLog();
    }
    void TearDown() override
    {
        FreeFilterModules();
        if (module_) FreeLibrary(module_);
        ProbeGraphTest::TearDown();
    }

    std::string TakeLog()
    {
        char text[512];
        log_(text, sizeof text);
        return text;
    }

    HMODULE module_ = nullptr;
    CoreSourceModuleFailLoadFn failLoad_ = nullptr;
    CoreSourceModuleLogFn log_ = nullptr;
};

// The program folder holds the real source and audio modules the build made.
class RealSourceModuleTest : public ProbeGraphTest {
protected:
    void SetUp() override
    {
        ProbeGraphTest::SetUp();
        const char* built = std::getenv("RIVO_BIN_DIR");
        ASSERT_NE(nullptr, built);
        for (const char* module : {"HSF.ax", "HAF.ax"})
            std::filesystem::copy_file(std::string(built) + "/" + module, ProgramFolder() + module);
    }
};

class SourceModuleCaseTest : public SourceModuleTest, public ::testing::WithParamInterface<ModuleCase> {};

void ProbeGraphTest::CheckCase(const ModuleCase& c, const std::function<std::string()>& takeLog)
{
    std::string path = MakeMedia(temp(), c.file, TestPicture(2.0) + " " + TestTone(2.0) + " " + c.args);
    ProbedFile probed = ProbeFile(path);

    std::vector<std::string> names;
    std::string source = SourceFilterName(path, c.code, &names);
    if (takeLog) {
        EXPECT_EQ(c.calls, takeLog());
    }
    const bool module = *c.calls != 0;
    EXPECT_EQ(module ? "Halvane Source" : "", module ? source : std::string()) << source;
    EXPECT_EQ(module, std::find(names.begin(), names.end(), "Halvane Source") != names.end());
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "Video Renderer"));

    CEncFileInfo job;
    job.Init(CString(Utf8ToWide(path)));
    EXPECT_EQ(c.code, job.m_nTypeCode);
    ASSERT_FALSE(job.m_sSourcePath.IsEmpty());
    if (takeLog) {
        EXPECT_EQ(c.calls, takeLog());
    }
    BITMAPINFOHEADER picture{};
    ASSERT_EQ(1, GetBitmapInfoHeader(job.m_pVideoType, &picture));
    int width = 0;
    for (const ProbedStreamInfo& s : probed.streams)
        if (s.kind == "video") width = s.width;
    EXPECT_EQ(width, picture.biWidth);
    EXPECT_EQ(1, job.m_nAudioStreamCount);
    EXPECT_EQ(static_cast<int>(probed.duration), job.m_nDuration);
}

TEST_P(SourceModuleCaseTest, TheModulesSourceReadsTheKindsItServes)
{
    CheckCase(GetParam(), [this] { return TakeLog(); });
}

const ModuleCase kModuleCases[] = {
    {"movie.avi", "-c:v mpeg4 -vtag XVID -c:a libmp3lame", kSourceAvi, "class:avi option:1 load "},
    {"movie.asf", "-c:v wmv2 -c:a wmav2 -f asf", kSourceAsf, "class:asf load "},
    {"movie.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg", kSourceMpegProgram, "class:mpeg load "},
    {"movie.ts", "-c:v mpeg2video -c:a mp2 -f mpegts", kSourceMpegTransport, "class:mpeg load "},
    {"movie.mp4", "-c:v mpeg4 -c:a aac", kSourceMp4, "class:mp4 load "},
    {"movie.ogg", "-c:v libtheora -c:a libvorbis", kSourceOgg, "class:ogg load "},
    {"movie.mkv", "-c:v mpeg4 -c:a libvorbis", kSourceMatroska, "class:mkv load "},
    {"movie.flv", "-c:v flv1 -c:a libmp3lame -ar 44100", kSourceFlv, "class:flv load "},
    // The system reads these itself.
    {"movie.dmb", "-c:v mpeg2video -c:a mp2 -f mpegts", kSourceMpegTransportDmb, ""},
    {"movie.rm", "-c:v rv20 -c:a ac3 -f rm", kSourceRealMedia, ""},
    {"movie.mov", "-c:v mpeg4 -c:a aac", kSourceUnknown, ""},
};

std::string CaseName(const ::testing::TestParamInfo<ModuleCase>& info)
{
    std::string name = info.param.file;
    name[name.find('.')] = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Kinds, SourceModuleCaseTest, ::testing::ValuesIn(kModuleCases), CaseName);

class RealSourceModuleCaseTest : public RealSourceModuleTest, public ::testing::WithParamInterface<ModuleCase> {};

TEST_P(RealSourceModuleCaseTest, TheModulesSourceReadsTheKindsItServes) { CheckCase(GetParam(), nullptr); }

INSTANTIATE_TEST_SUITE_P(Kinds, RealSourceModuleCaseTest, ::testing::ValuesIn(kModuleCases), CaseName);

TEST_F(SourceModuleTest, ASourceThatCannotLoadTheFileGivesWayToTheSystem)
{
    std::string path =
        MakeMedia(temp(), "cut.avi", TestPicture(2.0) + " " + TestTone(2.0) + " -c:v mpeg4 -vtag XVID -c:a libmp3lame");
    failLoad_(1);
    std::vector<std::string> names;
    std::string source = SourceFilterName(path, kSourceAvi, &names);
    EXPECT_EQ("class:avi option:1 load ", TakeLog());
    EXPECT_NE("Halvane Source", source);
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "Halvane Source"));

    CEncFileInfo job;
    job.Init(CString(Utf8ToWide(path)));
    EXPECT_FALSE(job.m_sSourcePath.IsEmpty());
    EXPECT_NE(nullptr, job.m_pVideoType);
    EXPECT_EQ(1, job.m_nAudioStreamCount);
    EXPECT_EQ("class:avi option:1 load ", TakeLog());
}

TEST_F(RealSourceModuleTest, ASourceThatCannotLoadTheFileGivesWayToTheSystem)
{
    // Named and probed as AVI, but a Matroska file: the AVI source refuses it.
    std::string path = MakeMedia(temp(), "other.avi",
                                 TestPicture(2.0) + " " + TestTone(2.0) + " -c:v mpeg4 -c:a libvorbis -f matroska");
    std::vector<std::string> names;
    std::string source = SourceFilterName(path, kSourceAvi, &names);
    EXPECT_NE("Halvane Source", source);
    EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), "Halvane Source"));
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), "Halvane Audio"));
}

TEST_F(RealSourceModuleTest, EveryAudioStreamOfTheSourceCountsThroughTheAudioModule)
{
    std::string path = MakeMedia(temp(), "three.mkv",
                                 TestPicture(2.0) + " " + TestTone(2.0) + " " + TestTone(2.0, 22050) + " " +
                                     TestTone(2.0, 48000) + " -map 0 -map 1 -map 2 -map 3 -c:v mpeg4 -c:a libvorbis");
    std::vector<std::string> names;
    ComPtr<IGraphBuilder> graph;
    EXPECT_EQ("Halvane Source", SourceFilterName(path, kSourceMatroska, &names, &graph));
    ComPtr<IBaseFilter> audio;
    ASSERT_EQ(S_OK, graph->FindFilterByName(kAudioFilterName, audio.GetAddressOf()));
    ComPtr<IAudioFilterControl> control;
    ASSERT_EQ(S_OK, audio.As(&control));
    int streams = 0;
    EXPECT_EQ(S_OK, control->GetAudioStreamCount(&streams));
    EXPECT_EQ(3, streams);
    control.Reset();
    audio.Reset();
    graph.Reset();

    CEncFileInfo job;
    job.Init(CString(Utf8ToWide(path)));
    ASSERT_FALSE(job.m_sSourcePath.IsEmpty());
    EXPECT_EQ(3, job.m_nAudioStreamCount);
    EXPECT_EQ(0, job.m_nAudioStream);
    const WAVEFORMATEX* first = WaveFormatOf(*job.m_pAudioType);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(44100u, static_cast<DWORD>(first->nSamplesPerSec));
}

}  // namespace
