// The graph base and the writer graphs over the recording stand-ins of the
// treatment filters and writers: what BuildFilterChain pushes into the
// filters and in which order, what Open renders and refuses, the messages a
// job posts, two passes, the writers' failures, seeking, and the blocked
// filters. Sources are made by the ffmpeg command line; ffprobe counts
// their frames.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "encoder/pipeline/FilterPins.h"
#include "encoder/pipeline/GraphAsfWriter.h"
#include "encoder/pipeline/GraphAviWriter.h"
#include "encoder/pipeline/GraphMp4Writer.h"
#include "encoder/pipeline/GraphOgmWriter.h"
#include "encoder/pipeline/GraphPreview.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/pipeline/GraphTestSupport.h"
#include "tests/support/MediaFixtures.h"

namespace {

constexpr LONGLONG kSecond = 10000000;

// A graph object whose graph a test may look at.
template <class Graph>
class Exposed : public Graph {
public:
    using Graph::Graph;
    using Graph::m_pAudioFilter;
    using Graph::m_pGraph;
    using Graph::m_pVideoFilter;
};

std::string FileText(const std::string& path) { return std::filesystem::exists(path) ? ReadBytes(path) : ""; }

class GraphMainTest : public GraphTest {
protected:
    // A 2-second MPEG-4 and MP3 AVI, made once per test.
    std::string Movie()
    {
        if (movie_.empty())
            movie_ = MakeMedia(temp(), "movie.avi",
                               TestPicture(2.0) + " " + TestTone(2.0) + " -c:v mpeg4 -c:a libmp3lame -shortest");
        return movie_;
    }
    std::string Output(const std::string& name = "out.avi") const { return temp().File(name); }

    std::string movie_;
};

// ---- What BuildFilterChain pushes into the treatment filters ----------------------------------------

struct ChainCase {
    const char* name;
    void (*adjust)(CEncSettings&);
    std::vector<std::string> video;
    std::vector<std::string> audio;
};

const std::vector<std::string> kDefaultAudio = {
    "audio.SetAudioSampleRate(0)",     "audio.SetAudioNormalize(1)",       "audio.SetAudioNormalizeLevel(100)",
    "audio.SetAudioPresetA(1)",        "audio.SetAudioGainLimit(2.51189)", "audio.SetAudioChannels(2)",
    "audio.SetAudioBitsPerSample(16)", "audio.SetAudioPlaybackRate(1)",    "audio.SetAudioPitchFix(1)",
};

const ChainCase kChainCases[] = {
    {"defaults",
     [](CEncSettings&) {},
     {"video.SetVideoPresetC(0)", "video.SetVideoPresetA(1)", "video.SetVideoPresetB(3)",
      "video.SetVideoBrightness(50)", "video.SetVideoContrast(50)", "video.SetVideoSaturation(50)",
      "video.SetVideoHue(50)", "video.SetVideoFlip(0)", "video.SetVideoDeinterlace(2)"},
     kDefaultAudio},
    {"everything",
     [](CEncSettings& s) {
         s.nVideoFrameRate = 30000;
         s.nVideoFrameScale = 1001;
         s.nJobOutputWidth = 320;
         s.nJobOutputHeight = 240;
         s.bVideoKeepRatio = 1;
         s.nVideoRatioMethod = 1;
         s.nVideoBrightness = 60;
         s.nVideoContrast = 40;
         s.nVideoSaturation = 70;
         s.nVideoHue = 30;
         s.bVideoDeblock = s.bVideoDeblockMore = 1;
         s.bVideoBlur = 1;
         s.bVideoSharpen = s.bVideoSharpenMore = 1;
         s.bVideoFlip = 1;
         s.bVideoDeinterlace = 1;
         s.nAudioSRate = 22050;
         s.nAudioChannels = 1;
         s.bAudioNM = 0;
         s.nAudioNMValue = 80;
         s.nEtcPBRate = 150;
         s.bEtcPBRatePitchFix = 0;
     },
     {"video.SetVideoPresetC(0)",        "video.SetVideoPresetA(1)",
      "video.SetVideoPresetB(3)",        "video.SetVideoFrameRate(29.97)",
      "video.SetVideoResizeA(1)",        "video.SetVideoResizeB(2)",
      "video.SetVideoResizeC(1)",        "video.SetVideoSize(320, 240)",
      "video.SetVideoAspectMode(2)",     "video.SetVideoAspectRatio(1.33333)",
      "video.SetVideoBrightness(60)",    "video.SetVideoContrast(40)",
      "video.SetVideoSaturation(70)",    "video.SetVideoHue(30)",
      "video.SetVideoDeblockMode(0, 0)", "video.SetVideoDeblockStrength(20)",
      "video.SetVideoBlurEnabled(1)",    "video.SetVideoBlurStrength(64)",
      "video.SetVideoSharpenEnabled(1)", "video.SetVideoSharpenStrength(100)",
      "video.SetVideoFlip(1)",           "video.SetVideoDeinterlace(1)"},
     {"audio.SetAudioSampleRate(22050)", "audio.SetAudioNormalize(0)", "audio.SetAudioNormalizeLevel(80)",
      "audio.SetAudioPresetA(1)", "audio.SetAudioGainLimit(2.51189)", "audio.SetAudioChannels(1)",
      "audio.SetAudioBitsPerSample(16)", "audio.SetAudioPlaybackRate(1.5)", "audio.SetAudioPitchFix(0)"}},
    // Without a size for the job, neither resizing nor the shape is asked
    // for, even when the shape is to be kept; a frame rate needs both
    // values.
    {"keep ratio without a size",
     [](CEncSettings& s) {
         s.bVideoKeepRatio = 1;
         s.nJobOutputWidth = 320;
         s.nJobOutputHeight = 0;
         s.nVideoFrameRate = 25;
         s.nVideoFrameScale = 0;
         s.bVideoDeblock = 1;
         s.bVideoBlur = s.bVideoBlurMore = 1;
     },
     {"video.SetVideoPresetC(0)", "video.SetVideoPresetA(1)", "video.SetVideoPresetB(3)",
      "video.SetVideoBrightness(50)", "video.SetVideoContrast(50)", "video.SetVideoSaturation(50)",
      "video.SetVideoHue(50)", "video.SetVideoDeblockMode(0, 0)", "video.SetVideoDeblockStrength(10)",
      "video.SetVideoBlurEnabled(1)", "video.SetVideoBlurStrength(100)", "video.SetVideoFlip(0)",
      "video.SetVideoDeinterlace(2)"},
     kDefaultAudio},
    {"borders and automatic fit",
     [](CEncSettings& s) {
         s.nJobOutputWidth = 640;
         s.nJobOutputHeight = 360;
         s.bVideoKeepRatio = 1;
         s.nVideoRatioMethod = 0;
         s.bVideoSharpen = 1;
     },
     {"video.SetVideoPresetC(0)", "video.SetVideoPresetA(1)", "video.SetVideoPresetB(3)", "video.SetVideoResizeA(1)",
      "video.SetVideoResizeB(2)", "video.SetVideoResizeC(1)", "video.SetVideoSize(640, 360)",
      "video.SetVideoAspectMode(1)", "video.SetVideoAspectRatio(1.77778)", "video.SetVideoBrightness(50)",
      "video.SetVideoContrast(50)", "video.SetVideoSaturation(50)", "video.SetVideoHue(50)",
      "video.SetVideoSharpenEnabled(1)", "video.SetVideoSharpenStrength(64)", "video.SetVideoFlip(0)",
      "video.SetVideoDeinterlace(2)"},
     kDefaultAudio},
};

TEST_F(GraphMainTest, BuildFilterChainSetsTheFiltersInOrder)
{
    for (const ChainCase& c : kChainCases) {
        settings_.SetDefaultSettings();
        settings_.nJobOutputWidth = settings_.nJobOutputHeight = 0;
        c.adjust(settings_);
        RecordingLog::Clear();
        CGraphPreview graph(&settings_);
        ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, nullptr, &owner_)) << c.name;
        EXPECT_EQ(Joined(RecordingLog::Lines("video.")), Joined(c.video)) << c.name;
        EXPECT_EQ(Joined(RecordingLog::Lines("audio.")), Joined(c.audio)) << c.name;
        // The ratio method 2 (and anything else) fits automatically.
        settings_.nVideoRatioMethod = 2;
    }
    settings_.SetDefaultSettings();
    settings_.nJobOutputWidth = 400;
    settings_.nJobOutputHeight = 300;
    settings_.bVideoKeepRatio = 1;
    settings_.nVideoRatioMethod = 2;
    RecordingLog::Clear();
    CGraphPreview graph(&settings_);
    ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, nullptr, &owner_));
    EXPECT_EQ(RecordingLog::Lines("video.SetVideoAspectMode"), std::vector<std::string>{"video.SetVideoAspectMode(4)"});
}

// ---- Writers: what Build gives each writer ---------------------------------------------------------------

struct WriterCase {
    const char* name;
    CGraphMain* (*make)(const CEncSettings*);
    void (*adjust)(CEncSettings&);
    std::vector<std::string> writer;  // the writer's calls made by BuildFilterChain
    std::vector<std::string> rates;   // the audio filter's sample-rate and channel calls after the base chain
};

template <class T>
CGraphMain* Make(const CEncSettings* s)
{
    return new T(s);
}

const WriterCase kWriterCases[] = {
    {"avi one pass",
     Make<CGraphAviWriter>,
     [](CEncSettings&) {},
     {"writer.SetCodecSettings(avi 1145656920 0 1024 85)", "writer.SetPassMode(0)", "writer.SetPlaybackRate(1)"},
     {}},
    {"avi two passes at 30000/1001",
     Make<CGraphAviWriter>,
     [](CEncSettings& s) {
         s.AviEncoder.nVideoEncMode = 2;
         s.nVideoFrameRate = 30000;
         s.nVideoFrameScale = 1001;
         s.nEtcPBRate = 50;
     },
     {"writer.SetCodecSettings(avi 1145656920 2 1024 85)", "writer.SetPassMode(1)", "writer.SetFrameRate(30000, 1001)",
      "writer.SetPlaybackRate(0.5)"},
     {}},
    {"ogm two passes",
     Make<CGraphOgmWriter>,
     [](CEncSettings& s) { s.OgmEncoder.nVideoEncMode = 2; },
     {"writer.SetCodecSettings(ogm 1145656920 2 1024 26447)", "writer.SetPassMode(1)", "writer.SetPlaybackRate(1)"},
     {}},
    // MP4: the sample rate follows the audio bit rate ...
    {"mp4 at 96 kbit/s, rate as the source",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) { s.Mp4Encoder.nAudioKBitrate = 96; },
     {"writer.SetCodecSettings(mp4 0 1983148141 0 96)", "writer.SetPassMode(0)", "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(48000)"}},
    {"mp4 at 24 kbit/s and 44100 Hz",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) {
         s.Mp4Encoder.nAudioKBitrate = 24;
         s.nAudioSRate = 44100;
     },
     {"writer.SetCodecSettings(mp4 0 1983148141 0 24)", "writer.SetPassMode(0)", "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(24000)", "audio.SetAudioChannels(1)"}},
    {"mp4 at 48 kbit/s and 16000 Hz",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) {
         s.Mp4Encoder.nAudioKBitrate = 48;
         s.nAudioSRate = 16000;
     },
     {"writer.SetCodecSettings(mp4 0 1983148141 0 48)", "writer.SetPassMode(0)", "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(16000)"}},
    {"mp4 at 128 kbit/s and 44100 Hz",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) { s.nAudioSRate = 44100; },
     {"writer.SetCodecSettings(mp4 0 1983148141 0 128)", "writer.SetPassMode(0)", "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(44100)"}},
    // ... and for the PSP the frame rate is 15 or 30, the sample rate by
    // the video codec.
    {"psp at 15 frames, H.264",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) {
         s.Mp4Encoder.bSupportPSP = 1;
         s.Mp4Encoder.fccVideoCodec = 0x31637661;
         s.nVideoFrameRate = 15000;
         s.nVideoFrameScale = 1000;
     },
     {"writer.SetCodecSettings(mp4 1 828601953 0 128)", "writer.SetPassMode(0)", "writer.SetFrameRate(15000, 1000)",
      "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(48000)", "audio.SetAudioSampleRate(48000)"}},
    {"psp at 25 frames, MPEG-4",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) {
         s.Mp4Encoder.bSupportPSP = 1;
         s.nVideoFrameRate = 25;
         s.nVideoFrameScale = 1;
     },
     {"writer.SetCodecSettings(mp4 1 1983148141 0 128)", "writer.SetPassMode(0)", "writer.SetFrameRate(30000, 1000)",
      "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(48000)", "audio.SetAudioSampleRate(24000)"}},
    {"psp without a scale",
     Make<CGraphMp4Writer>,
     [](CEncSettings& s) {
         s.Mp4Encoder.bSupportPSP = 1;
         s.nVideoFrameRate = 15;
         s.nVideoFrameScale = 0;
     },
     {"writer.SetCodecSettings(mp4 1 1983148141 0 128)", "writer.SetPassMode(0)", "writer.SetFrameRate(30000, 1000)",
      "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(48000)", "audio.SetAudioSampleRate(24000)"}},
    // ASF: no codec block, no passes, always 48000 Hz.
    {"asf",
     Make<CGraphAsfWriter>,
     [](CEncSettings& s) {
         s.nAudioSRate = 22050;
         s.nVideoFrameRate = 25;
         s.nVideoFrameScale = 1;
     },
     {"writer.SetFrameRate(25, 1)", "writer.SetPlaybackRate(1)"},
     {"audio.SetAudioSampleRate(48000)"}},
};

TEST_F(GraphMainTest, EachWriterIsConfiguredFromItsCodecBlock)
{
    for (const WriterCase& c : kWriterCases) {
        settings_.SetDefaultSettings();
        settings_.nJobOutputWidth = settings_.nJobOutputHeight = 0;
        c.adjust(settings_);
        RecordingLog::Clear();
        std::unique_ptr<CGraphMain> graph(c.make(&settings_));
        graph->SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
        ASSERT_TRUE(graph->BuildFilterChain(kSourceAvi, nullptr, &owner_)) << c.name;
        EXPECT_EQ(Joined(RecordingLog::Lines("writer.")), Joined(c.writer)) << c.name;
        // The base chain's own calls come first; what follows the pitch
        // setting is the writer graph's rule.
        std::vector<std::string> audio = RecordingLog::Lines("audio.");
        std::vector<std::string> after;
        bool seen = false;
        for (const std::string& line : audio) {
            if (seen) after.push_back(line);
            if (line.rfind("audio.SetAudioPitchFix", 0) == 0) seen = true;
        }
        EXPECT_EQ(Joined(after), Joined(c.rates)) << c.name;
    }
}

TEST_F(GraphMainTest, AWriterThatCannotBeMadeFailsTheJob)
{
    // No writer module and no registered class: the chain fails and Open
    // cannot render anything into players instead.
    RemoveModule("hwriter.dll");
    CGraphAviWriter graph(&settings_);
    EXPECT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), -100);
    EXPECT_EQ(graph.Open(CString(Utf8ToWide(Movie())), CString(Utf8ToWide(Output()))), 81);
    EXPECT_FALSE(std::filesystem::exists(Output()));
    ASSERT_EQ(graph.GetRenderLog().GetSize(), 2);
    EXPECT_EQ(graph.GetRenderLog()[0], CString(L"The writer cannot be made."));
    EXPECT_EQ(graph.GetRenderLog()[1], CString(L"No graph was built for the job."));
    // Without class ids the writer cannot be made either.
    InstallModule("hwriter.dll");
    CGraphMp4Writer unconfigured(&settings_);
    EXPECT_FALSE(unconfigured.BuildFilterChain(kSourceAvi, nullptr, &owner_));
}

TEST_F(GraphMainTest, MissingTreatmentModuleFailsTheChain)
{
    for (const char* module : {"HVF.ax", "HAF.ax"}) {
        RemoveModule(module);
        CGraphAviWriter graph(&settings_);
        EXPECT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), -100) << module;
        InstallModule(module);
    }
}

// ---- A job from start to end --------------------------------------------------------------------------

TEST_F(GraphMainTest, AJobPostsItsMessagesInOrderAndWritesItsFile)
{
    std::string source = Movie();
    long frames = ProbeFrameCounts(source)[0].frames;
    CGraphAviWriter graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, source, Output()), 0);
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    EXPECT_EQ(FileText(Output()).rfind("pass 0 video " + std::to_string(frames) + " audio ", 0), 0u)
        << FileText(Output());
    EXPECT_EQ(graph.GetSourcePath(), CString(Utf8ToWide(source)));
    EXPECT_EQ(graph.GetOutputPath(), CString(Utf8ToWide(Output())));
    EXPECT_EQ(graph.GetCurrentPass(), 1);
    EXPECT_EQ(graph.GetPassCount(), 1);
    EXPECT_NEAR(static_cast<double>(graph.GetEncodedPosition()) / kSecond, 2.0, 0.1);

    // The next job builds the graph again: the closed state is told first.
    ASSERT_EQ(StartJob(graph, kSourceAvi, source, Output("second.avi")), 0);
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 0", "STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    EXPECT_TRUE(std::filesystem::exists(Output("second.avi")));
}

TEST_F(GraphMainTest, TheAsfWriterGetsAProfileOfTheStreamsThatReachIt)
{
    // Picture and sound reach the writer: one profile of two streams, given
    // once the source is rendered.
    CGraphAsfWriter graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), Output("out.asf")), 0);
    EXPECT_EQ(Joined(RecordingLog::Lines("writer.SetProfile")), Joined({"writer.SetProfile(2 streams)"}));
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));

    // A source without sound: a profile of the picture alone.
    std::string silent = MakeMedia(temp(), "silent.avi", TestPicture(1.0) + " -c:v mpeg4");
    RecordingLog::Clear();
    ASSERT_EQ(StartJob(graph, kSourceAvi, silent, Output("silent.asf")), 0);
    EXPECT_EQ(Joined(RecordingLog::Lines("writer.SetProfile")), Joined({"writer.SetProfile(1 streams)"}));
    Pump(graph);
}

TEST_F(GraphMainTest, TheOwnersCallsReachTheFiltersAndTheWriter)
{
    CGraphAviWriter graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), 0);
    Pump(graph);
    std::vector<std::string> log = RecordingLog::Take();
    auto has = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); };
    EXPECT_TRUE(has("writer.SetFileName(" + Output() + ")"));
    EXPECT_TRUE(has("audio.SetAudioStream(0)"));
    EXPECT_TRUE(has("audio.SetAudioSyncDelay(0)"));
    EXPECT_TRUE(has("audio.SetAudioAmplify(0)"));
    EXPECT_TRUE(has("writer.SetPriority(" + std::to_string(settings_.nEncodePriority) + ")"));
    EXPECT_TRUE(has("writer.SetPreview(0)"));
    // After the render: the subtitle style for the picture's width (160
    // pixels, 40 characters a line), the source's sample rate for an
    // output rate of "as the source".
    EXPECT_TRUE(has("video.SetSubtitleStyle(Arial 8 700 1 16777215 160 1.5 0)")) << Joined(log);
    EXPECT_TRUE(has("audio.SetAudioSampleRate(44100)")) << Joined(log);
}

TEST_F(GraphMainTest, TwoPassesRunTheSegmentTwiceAndEndOnce)
{
    settings_.AviEncoder.nVideoEncMode = 2;
    CGraphAviWriter graph(&settings_);
    graph.SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
    ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, nullptr, &owner_));
    ASSERT_EQ(graph.Open(CString(Utf8ToWide(Movie())), CString(Utf8ToWide(Output()))), 0);
    ASSERT_EQ(graph.SetSegment(kSecond / 2, kSecond + kSecond / 2), S_OK);
    EXPECT_EQ(graph.GetPassCount(), 2);
    EXPECT_EQ(graph.GetCurrentPass(), 1);
    RecordingLog::Clear();
    graph.Play();
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    std::vector<std::string> passes = RecordingLog::Lines("writer.");
    ASSERT_EQ(passes.size(), 3u) << Joined(passes);
    EXPECT_EQ(passes[0], "writer.EndOfPass(1, 25)");
    EXPECT_EQ(passes[1], "writer.SetPassMode(2)");
    EXPECT_EQ(passes[2], "writer.EndOfPass(2, 25)");
    EXPECT_EQ(graph.GetCurrentPass(), 2);
    EXPECT_TRUE(std::filesystem::exists(Output() + ".stats"));
    EXPECT_EQ(FileText(Output()).substr(0, 19), "pass 2 video 25 aud");
}

TEST_F(GraphMainTest, ASecondPassThatCannotStartEndsTheJobWithAnError)
{
    settings_.AviEncoder.nVideoEncMode = 2;
    Behaviour().refuseSecondPass = true;
    CGraphAviWriter graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), 0);
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 3600", "STATE 2"}));
    EXPECT_FALSE(std::filesystem::exists(Output()));
    ASSERT_GT(graph.GetRenderLog().GetSize(), 0);
}

struct FailureCase {
    int writerFailure;
    const char* eof;
};

TEST_F(GraphMainTest, WriterFailuresEndTheJobOnceWithTheirCode)
{
    // An output that would lack its video (3) or its sound (4) says which.
    const FailureCase cases[] = {{1, "EOF 3585"}, {2, "EOF 3586"}, {3, "EOF 3587"}, {4, "EOF 3588"}};
    for (const FailureCase& c : cases) {
        Behaviour().writerFailure = c.writerFailure;
        CGraphAviWriter graph(&settings_);
        std::string out = Output("failed" + std::to_string(c.writerFailure) + ".avi");
        ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), out), 0);
        EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", c.eof, "STATE 2"}));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}

TEST_F(GraphMainTest, ARunThatNeedsANewGraphIsBuiltAgain)
{
    Behaviour().writerRunRestarts = 1;
    CGraphAviWriter graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), 0);
    EXPECT_EQ(Joined(Pump(graph)),
              Joined({"STATE 2", "READY", "STATE 0", "STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    EXPECT_TRUE(std::filesystem::exists(Output()));
}

// ---- Open -----------------------------------------------------------------------------------------------

TEST_F(GraphMainTest, OpenRefusesWhatItCannotRender)
{
    CGraphAviWriter graph(&settings_);
    EXPECT_EQ(StartJob(graph, kSourceAvi, temp().File("missing.avi"), Output()), 81);
    // Nothing is posted for a failed open.
    EXPECT_EQ(Joined(Pump(graph, std::chrono::milliseconds(300))), "");

    // Open without a built chain has no graph to render into.
    CGraphAviWriter unbuilt(&settings_);
    EXPECT_EQ(unbuilt.Open(CString(Utf8ToWide(Movie())), CString(Utf8ToWide(Output()))), 81);
    EXPECT_EQ(unbuilt.Run(TRUE), S_OK);  // state 0: nothing happens
}

// ---- Source selection ------------------------------------------------------------------------------

struct SourceCase {
    const char* file;
    const char* args;  // after a picture and a tone
    SourceTypeCode type;
    bool module;         // HSF.ax stands in the program folder
    const char* source;  // the name of the graph's source filter; "" for the system's choice
    const char* calls;   // what the source module was asked, one line each
};

void PrintTo(const SourceCase& c, std::ostream* os) { *os << c.file << " " << (c.module ? "module" : "no module"); }

const SourceCase kSourceCases[] = {
    {"movie.avi", "-c:v mpeg4 -c:a libmp3lame", kSourceAvi, true, "Halvane File Stream", ""},
    {"movie.avi", "-c:v mpeg4 -c:a libmp3lame", kSourceAviBadIndex, true, "Halvane Avi Source",
     "source.Create(avi)\nsource.SetOption(1)\nsource.Load(set)\n"},
    {"movie.avi", "-c:v mpeg4 -c:a libmp3lame", kSourceAviBadIndex, false, "", ""},
    {"movie.asf", "-c:v wmv2 -c:a wmav2", kSourceAsf, true, "Halvane ASF Source",
     "source.Create(asf)\nsource.Load(set)\n"},
    {"movie.asf", "-c:v wmv2 -c:a wmav2", kSourceAsf, false, "WM ASF Reader", ""},
    {"movie.ogg", "-c:v libtheora -c:a libvorbis", kSourceOgg, true, "Halvane Ogg Source",
     "source.Create(ogg)\nsource.Load(set)\n"},
    {"movie.ogg", "-c:v libtheora -c:a libvorbis", kSourceOgg, false, "Halvane File Stream", ""},
    {"movie.ts", "-c:v mpeg2video -c:a mp2", kSourceMpegTransport, true, "Halvane Mpeg Source",
     "source.Create(mpeg)\nsource.Load(set)\n"},
    {"movie.ts", "-c:v mpeg2video -c:a mp2", kSourceMpegTransport, false, "Halvane File Stream", ""},
    {"movie.mkv", "-c:v mpeg4 -c:a libvorbis", kSourceMatroska, true, "Halvane Matroska Source",
     "source.Create(mkv)\nsource.Load(set)\n"},
    {"movie.mkv", "-c:v mpeg4 -c:a libvorbis", kSourceMatroska, false, "Halvane File Stream", ""},
    {"movie.mp4", "-c:v mpeg4 -c:a aac", kSourceMp4, true, "Halvane MP4 Source",
     "source.Create(mp4)\nsource.Load(set)\n"},
    {"movie.mp4", "-c:v mpeg4 -c:a aac", kSourceMp4, false, "", ""},
    {"movie.flv", "-c:v flv -c:a libmp3lame -ar 44100", kSourceFlv, true, "Halvane Flv Source",
     "source.Create(flv)\nsource.Load(set)\n"},
    {"movie.flv", "-c:v flv -c:a libmp3lame -ar 44100", kSourceFlv, false, "", ""},
    {"movie.mpg", "-c:v mpeg2video -c:a mp2 -f vob", kSourceMpegProgram, true, "Halvane File Stream", ""},
};

class SourceSelectionTest : public GraphMainTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(SourceSelectionTest, TheSourceIsChosenByTheTypeCode)
{
    const SourceCase& c = GetParam();
    if (c.module) InstallModule("HSF.ax");
    std::string file = MakeMedia(temp(), c.file, TestPicture(1.0) + " " + TestTone(1.0) + " " + c.args + " -shortest");
    Exposed<CGraphAviWriter> graph(&settings_);
    ASSERT_EQ(StartJob(graph, c.type, file, Output()), 0);
    std::vector<std::string> calls = RecordingLog::Lines("source.");
    EXPECT_EQ(Joined(calls), c.calls);
    // The filter the streams start from: outputs and no input.
    std::string name;
    for (int i = 0; i < graph.GetFilterCount(); ++i) {
        int inputs = 0, outputs = 0;
        IBaseFilter* filter = graph.GetFilterInfo(i)->filter.Get();
        if (SUCCEEDED(CountFilterPins(filter, &inputs, &outputs)) && inputs == 0 && outputs > 0)
            name = WideToUtf8(graph.GetFilterInfo(i)->name.str());
    }
    if (*c.source)
        EXPECT_EQ(name, c.source);
    else
        EXPECT_EQ(name, file) << "the system's source is named after the file";
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    EXPECT_TRUE(std::filesystem::exists(Output()));
    // The MP4 source hears that it is released.
    RecordingLog::Clear();
    graph.CloseGraph();
    EXPECT_EQ(RecordingLog::Lines("source.NotifyRelease").size(), c.type == kSourceMp4 && c.module ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SourceSelectionTest, ::testing::ValuesIn(kSourceCases));

TEST_F(GraphMainTest, AModuleSourceThatCannotLoadTheFile)
{
    InstallModule("HSF.ax");
    Behaviour().sourceFailsLoad = true;
    // An MP4 file is still read by the system's source; another kind fails.
    struct Case {
        const char* file;
        const char* args;
        SourceTypeCode type;
        int open;
    } cases[] = {
        {"movie.mp4", "-c:v mpeg4 -c:a aac", kSourceMp4, 0},
        {"movie.mkv", "-c:v mpeg4 -c:a libvorbis", kSourceMatroska, 81},
        {"movie.avi", "-c:v mpeg4 -c:a libmp3lame", kSourceAviBadIndex, 81},
    };
    for (const Case& c : cases) {
        std::string file =
            MakeMedia(temp(), c.file, TestPicture(1.0) + " " + TestTone(1.0) + " " + c.args + " -shortest");
        CGraphAviWriter graph(&settings_);
        EXPECT_EQ(StartJob(graph, c.type, file, Output()), c.open) << c.file;
    }
}

TEST_F(GraphMainTest, AFailedAviIndexIsTriedAgainWithoutTheFirstAttemptsFilters)
{
    // Nothing splits the file stream's AVI: the second attempt (as an AVI
    // whose index is missing) goes to the source module's AVI source.
    InstallModule("HSF.ax");
    settings_.BlockFilters.Add(CLSID_AviSplitter);
    settings_.BlockFilters.Add(CLSID_StreamSplitter);
    Exposed<CGraphAviWriter> graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), 0);
    EXPECT_EQ(Joined(RecordingLog::Lines("source.")), "source.Create(avi)\nsource.SetOption(1)\nsource.Load(set)\n");
    for (int i = 0; i < graph.GetFilterCount(); ++i)
        EXPECT_NE(graph.GetFilterInfo(i)->name, CString(L"Halvane File Stream")) << i;
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
}

TEST_F(GraphMainTest, BlockedFiltersReachTheConnectSearch)
{
    struct Case {
        const char* name;
        CLSID blocked;
        int open;
    } cases[] = {
        {"nothing decodes the video", CLSID_VideoDecoder, 81},
        {"nothing decodes the sound", CLSID_AudioDecoder, 81},
    };
    for (const Case& c : cases) {
        settings_.BlockFilters.RemoveAll();
        settings_.BlockFilters.Add(c.blocked);
        CGraphAviWriter graph(&settings_);
        EXPECT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), c.open) << c.name;
        // The render log names what was left out.
        ASSERT_GE(graph.GetRenderLog().GetSize(), 2) << c.name;
        EXPECT_NE(graph.GetRenderLog()[0].Find(L"Left out"), -1) << c.name;
        EXPECT_FALSE(std::filesystem::exists(Output())) << c.name;
    }
}

TEST_F(GraphMainTest, AnAudioStreamMayBeLeftOutUnlessItIsTheChosenOne)
{
    // Stream 0 plain PCM (needs no decoder), stream 1 MP3: with the sound
    // decoder blocked, stream 1 is left out.
    std::string two = MakeMedia(temp(), "two.mkv",
                                TestPicture(1.0) + " " + TestTone(1.0) + " " + TestTone(1.0, 22050) +
                                    " -map 0:v -map 1:a -map 2:a -c:v mpeg4 -c:a:0 pcm_s16le -c:a:1 libmp3lame");
    settings_.BlockFilters.Add(CLSID_AudioDecoder);
    struct Case {
        int stream;
        const char* eof;
    } cases[] = {{0, "EOF 0"}, {1, "EOF 3600"}};
    for (const Case& c : cases) {
        CGraphAviWriter graph(&settings_);
        graph.SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
        ASSERT_TRUE(graph.BuildFilterChain(kSourceMatroska, nullptr, &owner_));
        std::string out = Output("stream" + std::to_string(c.stream) + ".avi");
        ASSERT_EQ(graph.Open(CString(Utf8ToWide(two)), CString(Utf8ToWide(out))), 0);
        EXPECT_EQ(graph.SetAudioStream(c.stream) == S_OK, c.stream == 0);
        graph.Play();
        MessageTrace trace = Pump(graph);
        EXPECT_EQ(std::count(trace.begin(), trace.end(), std::string(c.eof)), 1) << Joined(trace);
        EXPECT_EQ(std::filesystem::exists(out), c.stream == 0);
    }
}

TEST_F(GraphMainTest, AStreamThatEndsInAPlayerBesideTheWriterFailsTheOpen)
{
    // A writer that takes no sound leaves the treated sound to the system's
    // audio renderer: the job would play it instead of writing it.
    Behaviour().writerRefusesAudio = true;
    CGraphAviWriter graph(&settings_);
    EXPECT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), 81);
    EXPECT_NE(graph.GetRenderLog()[graph.GetRenderLog().GetSize() - 1].Find(L"Audio Renderer"), -1);
}

// ---- Seeking --------------------------------------------------------------------------------------------

template <class Graph>
class LimitedGraph : public Exposed<Graph> {
public:
    using Exposed<Graph>::Exposed;
    LONGLONG GetSeekLimit() override { return limit >= 0 ? limit : Graph::GetSeekLimit(); }
    LONGLONG limit = -1;
};

TEST_F(GraphMainTest, SeekKeepsPositionsInsideTheSource)
{
    struct Case {
        const char* name;
        LONGLONG limit;  // -1: the source's duration (2 s)
        LONGLONG start, stop;
        // -1: no stop set; -2: a second before the end; -3: the end
        LONGLONG wantStart, wantStop;
    } cases[] = {
        {"plain", -1, kSecond / 2, kSecond, kSecond / 2, kSecond},
        {"negative start", -1, -kSecond, -1, 0, -1},
        {"start past the end", -1, 5 * kSecond, -1, -2, -1},
        {"stop before start", -1, kSecond, kSecond / 2, kSecond, kSecond},
        {"stop past the end", -1, 0, 9 * kSecond, 0, -3},
        {"limit below a second", kSecond / 2, kSecond, -1, 0, -1},
        {"limit unknown", 0, 3 * kSecond / 2, 9 * kSecond / 5, 3 * kSecond / 2, 9 * kSecond / 5},
    };
    LimitedGraph<CGraphPreview> graph(&settings_);
    ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, nullptr, &owner_));
    ASSERT_EQ(graph.Open(CString(Utf8ToWide(Movie())), CString()), 0);
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(graph.m_pGraph.As(&seeking), S_OK);
    // Where the source stands: asked through the video filter's output,
    // which passes the question up to the source.
    ComPtr<IBaseFilter> video;
    ASSERT_EQ(graph.m_pGraph->FindFilterByName(L"Halvane Video", video.GetAddressOf()), S_OK);
    ComPtr<IPin> out;
    out.Attach(GetOutputPin(video.Get(), 0));
    ComPtr<IMediaSeeking> source;
    ASSERT_EQ(out.As(&source), S_OK);
    const LONGLONG duration = graph.GetDuration();
    ASSERT_GT(duration, kSecond);
    auto resolve = [&](LONGLONG v) { return v == -2 ? duration - kSecond : v == -3 ? duration : v; };
    for (const Case& c : cases) {
        graph.limit = c.limit;
        LONGLONG resetStop = duration;
        LONGLONG zero = 0;
        seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, &resetStop, AM_SEEKING_AbsolutePositioning);
        ASSERT_EQ(graph.Seek(c.start, c.stop), S_OK) << c.name;
        LONGLONG current = -1, stop = -1;
        ASSERT_EQ(source->GetPositions(&current, &stop), S_OK);
        EXPECT_EQ(current, resolve(c.wantStart)) << c.name;
        if (c.wantStop != -1) {
            EXPECT_EQ(stop, resolve(c.wantStop)) << c.name;
        }
    }
}

// ---- Events -----------------------------------------------------------------------------------------------

TEST_F(GraphMainTest, BufferingIsToldOnceAndEndsSilently)
{
    Exposed<CGraphPreview> graph(&settings_);
    ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, nullptr, &owner_));
    ASSERT_EQ(graph.Open(CString(Utf8ToWide(Movie())), CString()), 0);
    Pump(graph, std::chrono::milliseconds(200));
    ComPtr<IMediaEventSink> sink;
    ASSERT_EQ(graph.m_pGraph.As(&sink), S_OK);
    sink->Notify(EC_BUFFERING_DATA, 1, 0);
    sink->Notify(EC_BUFFERING_DATA, 1, 0);
    EXPECT_EQ(Joined(Pump(graph, std::chrono::milliseconds(300))), Joined({"STATE 5"}));
    sink->Notify(EC_BUFFERING_DATA, 0, 0);
    EXPECT_EQ(Joined(Pump(graph, std::chrono::milliseconds(300))), "");
    EXPECT_EQ(graph.GetPlayState(), 4);
    // An error ends the job once, whatever follows.
    sink->Notify(EC_ERRORABORT, E_FAIL, 0);
    sink->Notify(EC_WRITER_FAILURE, 1, 0);
    EXPECT_EQ(Joined(Pump(graph)), Joined({"EOF 3600", "STATE 2"}));
}

// ---- The filter list ------------------------------------------------------------------------------------

TEST_F(GraphMainTest, TheFilterListNamesTheGraphsFiltersAndItsStages)
{
    Exposed<CGraphAviWriter> graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, Movie(), Output()), 0);
    Pump(graph);
    std::vector<std::string> names;
    for (int i = 0; i < graph.GetFilterCount(); ++i) names.push_back(WideToUtf8(graph.GetFilterInfo(i)->name.str()));
    EXPECT_NE(std::find(names.begin(), names.end(), "Halvane Video"), names.end()) << Joined(names);
    EXPECT_NE(std::find(names.begin(), names.end(), "Halvane Audio"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Halvane Avi Writer"), names.end());
    EXPECT_NE(std::find(names.begin(), names.end(), "Halvane File Stream"), names.end());
    ASSERT_GE(graph.GetVideoEntry(), 0);
    ASSERT_GE(graph.GetAudioEntry(), 0);
    // The last stage of each kind found in the enumeration.
    EXPECT_EQ(names[static_cast<size_t>(graph.GetVideoEntry())], "Halvane Video") << Joined(names);

    // A long name is shortened in the description.
    ComPtr<IBaseFilter> extra;
    ASSERT_EQ(CoCreateInstance(CLSID_NullRenderer, nullptr, CLSCTX_ALL, IID_IBaseFilter,
                               reinterpret_cast<void**>(extra.GetAddressOf())),
              S_OK);
    std::wstring longName(50, L'n');
    ASSERT_EQ(graph.m_pGraph->AddFilter(extra.Get(), longName.c_str()), S_OK);
    graph.ConfigureAfterRender(0);
    bool found = false;
    for (int i = 0; i < graph.GetFilterCount(); ++i)
        if (graph.GetFilterInfo(i)->name == CString(longName.c_str())) {
            EXPECT_EQ(graph.GetFilterInfo(i)->description, CString(std::wstring(40, L'n') + L"..."));
            found = true;
        }
    EXPECT_TRUE(found);
}

// ---- Destruction ----------------------------------------------------------------------------------------

TEST_F(GraphMainTest, AGraphDestroyedWhileItRunsReleasesItsFiltersBeforeTheStream)
{
    for (int round = 0; round < 3; ++round) {
        auto graph = std::make_unique<CGraphAviWriter>(&settings_);
        ASSERT_EQ(StartJob(*graph, kSourceAvi, Movie(), Output("running" + std::to_string(round) + ".avi")), 0);
        graph.reset();
    }
}

}  // namespace

namespace {

// ---- Damaged and hostile sources, broken outputs ----------------------------------------------------

const BrokenJob kBrokenJobs[] = {
    {"empty file", [](const TempDir& d, const std::string& g) { return SourcePart(d, g, "empty.avi", 0); },
     "empty.avi.out", 81, "", false},
    {"random bytes",
     [](const TempDir& d, const std::string&) {
         std::string bytes;
         for (int i = 0; i < 20000; ++i) bytes.push_back(static_cast<char>((i * 7919 + 13) % 251));
         WriteBytes(d.File("noise.avi"), bytes);
         return d.File("noise.avi");
     },
     "noise.out", 81, "", false},
    {"no such file", [](const TempDir& d, const std::string&) { return d.File("gone.avi"); }, "gone.out", 81, "",
     false},
    // What a cut file still holds is converted.
    {"cut in the middle", [](const TempDir& d, const std::string& g) { return SourcePart(d, g, "cut.avi", 0.6); },
     "cut.out", 0, "EOF 0", true},
    {"output folder missing", [](const TempDir&, const std::string& g) { return g; }, "no/such/folder/out.avi", 0,
     "EOF 3585", false},
    {"a file where the folder should be",
     [](const TempDir& d, const std::string& g) {
         WriteBytes(d.File("plain"), "x");
         return g;
     },
     "plain/out.avi", 0, "EOF 3585", false},
};

TEST_F(GraphMainTest, BrokenJobsEndWithTheirCodeAndTheBatchGoesOn)
{
    std::string good = Movie();
    CGraphAviWriter graph(&settings_);
    for (const BrokenJob& c : kBrokenJobs) {
        std::string source = c.make(temp(), good);
        std::string out = temp().File(c.output);
        ASSERT_EQ(StartJob(graph, kSourceAvi, source, out), c.open) << c.name;
        MessageTrace trace = Pump(graph, c.open == 0 ? std::chrono::seconds(60) : std::chrono::milliseconds(300));
        if (c.open != 0) {
            // A refused source says why in the log.
            ASSERT_GT(graph.GetRenderLog().GetSize(), 0) << c.name;
            EXPECT_NE(graph.GetRenderLog()[0].Find(L"cannot be read"), -1) << c.name;
            EXPECT_EQ(
                std::count_if(trace.begin(), trace.end(), [](const std::string& m) { return m.rfind("EOF", 0) == 0; }),
                0)
                << c.name;
        } else {
            EXPECT_EQ(std::count(trace.begin(), trace.end(), std::string(c.eof)), 1) << c.name << "\n" << Joined(trace);
        }
        EXPECT_EQ(std::filesystem::exists(out), c.outputLeft) << c.name;
        // The next job of the batch still runs.
        std::string next = Output(std::string("after-") + std::to_string(&c - kBrokenJobs) + ".avi");
        ASSERT_EQ(StartJob(graph, kSourceAvi, good, next), 0) << c.name;
        trace = Pump(graph);
        EXPECT_EQ(std::count(trace.begin(), trace.end(), std::string("EOF 0")), 1) << c.name;
        EXPECT_TRUE(std::filesystem::exists(next)) << c.name;
    }
}

TEST_F(GraphMainTest, ASourceRemovedDuringTheJobIsStillReadToTheEnd)
{
    // The open file stays readable: the whole picture is converted.
    std::string source = SourcePart(temp(), Movie(), "going.avi", 1.0);
    long frames = ProbeFrameCounts(source)[0].frames;
    CGraphAviWriter graph(&settings_);
    ASSERT_EQ(StartJob(graph, kSourceAvi, source, Output()), 0);
    std::filesystem::remove(source);
    EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    EXPECT_EQ(FileText(Output()).rfind("pass 0 video " + std::to_string(frames), 0), 0u) << FileText(Output());
}

}  // namespace

namespace {

// ---- Through the real source and treatment modules ---------------------------------------------------

TEST_F(GraphMainTest, JobsRunThroughTheRealSourceAndTreatmentModules)
{
    if (!UseRealModules({"HSF.ax", "HAF.ax"})) GTEST_SKIP() << "the source and audio modules are not built here";
    // The picture treatments are checked only through the real video
    // module; its stand-in copies the picture through.
    const bool realVideo = UseRealModules({"HVF.ax"});
    // Three sound streams: all of them reach the audio module, which lets
    // the chosen one through.
    std::string source =
        MakeMedia(temp(), "three.avi",
                  TestPicture(2.0, "320x240") + " " + TestTone(2.0) + " " + TestTone(2.0, 22050) + " " +
                      TestTone(2.0, 32000) + " -map 0:v -map 1:a -map 2:a -map 3:a -c:v mpeg4 -c:a libmp3lame");
    long frames = ProbeFrameCounts(source)[0].frames;
    struct Case {
        const char* name;
        SourceTypeCode type;
        void (*adjust)(CEncSettings&);
        int width, height;
        long frames;         // the writer's video samples (within one); -1: the source's
        int rate, channels;  // of the sound the audio module gives; 0: not asked
        bool needsVideoModule;
    } cases[] = {
        {"file stream", kSourceAvi, [](CEncSettings&) {}, 320, 240, -1, 0, 0, false},
        {"module source", kSourceAviBadIndex, [](CEncSettings&) {}, 320, 240, -1, 0, 0, false},
        {"sound rate and channels", kSourceAvi,
         [](CEncSettings& s) {
             s.nAudioSRate = 22050;
             s.nAudioChannels = 1;
         },
         320, 240, -1, 22050, 1, false},
        {"size, treatments and half the frame rate", kSourceAvi,
         [](CEncSettings& s) {
             s.nJobOutputWidth = 160;
             s.nJobOutputHeight = 120;
             s.bVideoKeepRatio = 1;
             s.bVideoDeinterlace = s.bVideoSharpen = s.bVideoFlip = 1;
             s.nVideoFrameRate = 25;
             s.nVideoFrameScale = 2;
             s.nAudioSRate = 22050;
             s.nAudioChannels = 1;
         },
         160, 120, 25, 22050, 1, true},
        // A wide output of a 4:3 source in each aspect mode (borders, crop,
        // stretch): the writer gets the job's size whatever the mode.
        {"wide with borders", kSourceAvi,
         [](CEncSettings& s) {
             s.nJobOutputWidth = 320;
             s.nJobOutputHeight = 176;
             s.bVideoKeepRatio = 1;
             s.nVideoRatioMethod = 0;
         },
         320, 176, -1, 0, 0, true},
        {"wide cropped", kSourceAvi,
         [](CEncSettings& s) {
             s.nJobOutputWidth = 320;
             s.nJobOutputHeight = 176;
             s.bVideoKeepRatio = 1;
             s.nVideoRatioMethod = 1;
         },
         320, 176, -1, 0, 0, true},
        {"wide stretched", kSourceAvi,
         [](CEncSettings& s) {
             s.nJobOutputWidth = 320;
             s.nJobOutputHeight = 176;
             s.bVideoKeepRatio = 0;
         },
         320, 176, -1, 0, 0, true},
    };
    for (const Case& c : cases) {
        if (c.needsVideoModule && !realVideo) continue;
        settings_.SetDefaultSettings();
        c.adjust(settings_);
        Exposed<CGraphAviWriter> graph(&settings_);
        std::string out = Output(std::string("real-") + std::to_string(&c - cases) + ".avi");
        graph.SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
        ASSERT_TRUE(graph.BuildFilterChain(c.type, nullptr, &owner_)) << c.name;
        ASSERT_EQ(graph.Open(CString(Utf8ToWide(source)), CString(Utf8ToWide(out))), 0) << c.name;
        int streams = 0;
        EXPECT_EQ(graph.GetAudioStreamCount(&streams), S_OK);
        EXPECT_EQ(streams, 3) << c.name;
        EXPECT_EQ(graph.SetAudioStream(2), S_OK);
        EXPECT_EQ(graph.GetVideoWidth(), c.width) << c.name;
        EXPECT_EQ(graph.GetVideoHeight(), c.height) << c.name;
        {
            // The picture the video module hands on has the job's size.
            ComPtr<IPin> picture;
            picture.Attach(GetOutputPin(graph.m_pVideoFilter.Get(), 0));
            ASSERT_TRUE(picture) << c.name;
            CMediaType type;
            ASSERT_EQ(picture->ConnectionMediaType(&type), S_OK) << c.name;
            const BITMAPINFOHEADER* header = BitmapHeaderOf(type);
            ASSERT_NE(header, nullptr) << c.name;
            // The buffer may be wider and taller than the picture, which
            // rcSource then gives.
            ASSERT_EQ(type.formattype, FORMAT_VideoInfo) << c.name;
            RECT shown = reinterpret_cast<const VIDEOINFOHEADER*>(type.Format())->rcSource;
            bool whole = shown.right <= shown.left || shown.bottom <= shown.top;
            EXPECT_EQ(whole ? header->biWidth : shown.right - shown.left, c.width) << c.name;
            EXPECT_EQ(whole ? std::abs(header->biHeight) : shown.bottom - shown.top, c.height) << c.name;
            EXPECT_GE(header->biWidth, c.width) << c.name;
        }
        if (c.rate) {
            ComPtr<IPin> sound;
            sound.Attach(GetOutputPin(graph.m_pAudioFilter.Get(), 0));
            ASSERT_TRUE(sound) << c.name;
            AM_MEDIA_TYPE type{};
            ASSERT_EQ(sound->ConnectionMediaType(&type), S_OK) << c.name;
            const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
            ASSERT_NE(wave, nullptr) << c.name;
            EXPECT_EQ(static_cast<int>(wave->nSamplesPerSec), c.rate) << c.name;
            EXPECT_EQ(wave->nChannels, c.channels) << c.name;
            FreeMediaType(type);
        }
        graph.Play();
        EXPECT_EQ(Joined(Pump(graph)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"})) << c.name;
        long written = -1, sound = -1;
        std::sscanf(FileText(out).c_str(), "pass 0 video %ld audio %ld", &written, &sound);
        EXPECT_GT(sound, 0) << c.name << ": " << FileText(out);
        if (c.frames < 0)
            EXPECT_EQ(written, frames) << c.name;
        else
            EXPECT_NEAR(written, c.frames, 1) << c.name;
    }

    // The ASF writer's profile describes what the real modules hand on: a
    // picture and one sound stream, whichever of the three was chosen.
    settings_.SetDefaultSettings();
    CGraphAsfWriter asf(&settings_);
    RecordingLog::Clear();
    ASSERT_EQ(StartJob(asf, kSourceAvi, source, Output("real.asf")), 0);
    EXPECT_EQ(Joined(RecordingLog::Lines("writer.SetProfile")), Joined({"writer.SetProfile(2 streams)"}));
    EXPECT_EQ(Joined(Pump(asf)), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
}

}  // namespace
