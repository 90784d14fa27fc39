// The writer filters of hwriter.dll in a small graph: a file made by the
// ffmpeg command line, read by the system's source, splitter and decoders,
// rendered into a writer made by the module's class factory. ffprobe and the
// project's analyser judge what the writers make.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <thread>

#include "encoder/pipeline/WriterFilters.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/win32/NativePath.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/support/GraphHelpers.h"
#include "tests/support/ProgramModules.h"

namespace {

constexpr DWORD Code(const char (&s)[5])
{
    return static_cast<DWORD>(static_cast<unsigned char>(s[0])) | static_cast<DWORD>(static_cast<unsigned char>(s[1])) << 8 |
           static_cast<DWORD>(static_cast<unsigned char>(s[2])) << 16 |
           static_cast<DWORD>(static_cast<unsigned char>(s[3])) << 24;
}

bool HasH264() { return std::filesystem::exists(ProgramFile("x264.dll")); }

// ffprobe's entries, one map per stream, and the container's duration.
struct Probed {
    std::vector<std::map<std::string, std::string>> streams;
    double duration = 0;
    const std::map<std::string, std::string>* Kind(const std::string& kind) const
    {
        for (const auto& s : streams)
            if (s.count("codec_type") && s.at("codec_type") == kind) return &s;
        return nullptr;
    }
};

Probed Probe(const std::string& path)
{
    Probed out;
    std::istringstream in(RunTool("ffprobe -v error -show_entries stream=codec_type,codec_name,codec_tag_string,"
                                  "width,height,r_frame_rate,sample_rate,channels,profile,level,duration:format=duration "
                                  "-of default=nw=0 '" + path + "'"));
    bool inStream = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "[STREAM]") {
            out.streams.emplace_back();
            inStream = true;
        } else if (line == "[/STREAM]") {
            inStream = false;
        } else if (size_t eq = line.find('='); eq != std::string::npos) {
            if (inStream)
                out.streams.back()[line.substr(0, eq)] = line.substr(eq + 1);
            else if (line.compare(0, eq, "duration") == 0)
                out.duration = std::atof(line.substr(eq + 1).c_str());
        }
    }
    return out;
}

// A stream's bits per second from its packets' sizes over its time span.
double StreamKbps(const std::string& path, const char* stream, double seconds)
{
    std::istringstream in(RunTool(std::string("ffprobe -v error -select_streams ") + stream +
                                  " -show_entries packet=size -of csv=p=0 '" + path + "'"));
    double bytes = 0;
    for (std::string line; std::getline(in, line);) bytes += std::atof(line.c_str());
    return bytes * 8 / seconds / 1000;
}

std::string Report(const std::string& path)
{
    return RunTool("'" + ProgramFile("rivoreader-report") + "' '" + path + "' 2>&1");
}

enum class Format { Avi, Mp4 };

class WriterGraphTest : public SystemFilterTest {
protected:
    void TearDown() override
    {
        if (graph) {
            ComPtr<IMediaControl> control;
            if (graph.As(&control) == S_OK) control->Stop();
        }
        writer.Reset();
        graph.Reset();
        SystemFilterTest::TearDown();
    }

    // A moving 320x240, 25 frames per second picture with a stereo tone, as MPEG-4
    // of good quality and PCM in AVI.
    std::string Source(double seconds)
    {
        return MakeMedia(dir, "source" + std::to_string(static_cast<int>(seconds)) + ".avi",
                         "-f lavfi -i testsrc2=size=320x240:rate=25:duration=" + std::to_string(seconds) + " " +
                             TestTone(seconds, 44100) + " -ac 2 -c:v mpeg4 -q:v 2 -c:a pcm_s16le");
    }

    // A graph with the writer, its output file, and the source rendered
    // into it.
    void Build(Format format, const std::string& source, const std::string& output)
    {
        graph = CreateGraph();
        writer = FilterFromProgramModule("hwriter.dll",
                                         format == Format::Avi ? CLSID_HalvaneAviWriter : CLSID_HalvaneMp4Writer);
        ASSERT_TRUE(writer);
        ASSERT_EQ(graph->AddFilter(writer.Get(), format == Format::Avi ? kAviWriterName : kMp4WriterName), S_OK);
        ComPtr<IFileSinkFilter> sink;
        ASSERT_EQ(writer.As(&sink), S_OK);
        ASSERT_EQ(sink->SetFileName(FromNativePath(output).c_str(), nullptr), S_OK);
        ASSERT_EQ(writer.As(&settings), S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->RenderFile(FromNativePath(source).c_str(), nullptr)));
        for (const auto& pin : FilterPins(writer.Get(), PINDIR_INPUT)) {
            ComPtr<IPin> peer;
            EXPECT_EQ(pin->ConnectedTo(peer.GetAddressOf()), S_OK);
        }
    }

    void SetAvi(const SCodecSettings& codec)
    {
        ComPtr<IAviWriterFormat> f;
        ASSERT_EQ(writer.As(&f), S_OK);
        ASSERT_EQ(f->SetCodecSettings(&codec), S_OK);
    }
    void SetMp4(const SMp4CodecSettings& codec)
    {
        ComPtr<IMp4WriterFormat> f;
        ASSERT_EQ(writer.As(&f), S_OK);
        ASSERT_EQ(f->SetCodecSettings(&codec), S_OK);
    }

    // Runs until the graph reports the end or a writer failure; the event
    // code and its first parameter.
    std::pair<LONG, LONG_PTR> RunToEvent(DWORD timeoutMs = 120000)
    {
        ComPtr<IMediaControl> control;
        ComPtr<IMediaEvent> events;
        EXPECT_EQ(graph.As(&control), S_OK);
        EXPECT_EQ(graph.As(&events), S_OK);
        EXPECT_EQ(control->Run(), S_OK);
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            LONG code = 0;
            LONG_PTR p1 = 0, p2 = 0;
            if (events->GetEvent(&code, &p1, &p2, 100) != S_OK) continue;
            events->FreeEventParams(code, p1, p2);
            if (code == EC_COMPLETE || code == EC_ERRORABORT || code == EC_WRITER_FAILURE) {
                control->Stop();
                return {code, p1};
            }
        }
        ADD_FAILURE() << "no end within the time-out";
        control->Stop();
        return {0, 0};
    }

    void SeekToStart()
    {
        ComPtr<IMediaSeeking> seeking;
        ASSERT_EQ(graph.As(&seeking), S_OK);
        LONGLONG zero = 0;
        ASSERT_TRUE(SUCCEEDED(seeking->SetPositions(&zero, AM_SEEKING_AbsolutePositioning, nullptr, 0)));
    }

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> writer;
    ComPtr<IWriterSettings> settings;
};

// One codec choice of a codec page, and what ffprobe must see.
struct CodecCase {
    const char* name;
    Format format;
    DWORD fourcc;
    int videoMode;
    int videoKbps;
    int videoQuality;
    int audioTag;
    int audioMode;
    int audioKbps;
    int audioQuality;
    const char* videoCodec;  // ffprobe's names
    const char* videoTag;    // AVI: the FourCC as written; empty: not checked
    const char* audioCodec;
    bool h264;
};

std::ostream& operator<<(std::ostream& out, const CodecCase& c) { return out << c.name; }

const CodecCase kCodecCases[] = {
    {"AviXvidMp3Cbr", Format::Avi, Code("XVID"), 0, 800, 50, 0x55, 0, 128, 30, "mpeg4", "XVID", "mp3", false},
    {"AviDx50Mp3Vbr", Format::Avi, Code("DX50"), 0, 800, 50, 0x55, 1, 128, 100, "mpeg4", "DX50", "mp3", false},
    {"AviDivxQuality", Format::Avi, Code("DIVX"), 1, 400, 80, 0x55, 0, 96, 100, "mpeg4", "DIVX", "mp3", false},
    {"AviLowerCaseXvid", Format::Avi, Code("xvid"), 0, 800, 50, 0x55, 0, 64, 30, "mpeg4", "xvid", "mp3", false},
    {"AviDiv3", Format::Avi, Code("DIV3"), 0, 800, 50, 0x55, 0, 128, 30, "msmpeg4v3", "DIV3", "mp3", false},
    {"AviMp42", Format::Avi, Code("MP42"), 0, 800, 50, 0x55, 0, 128, 30, "msmpeg4v2", "MP42", "mp3", false},
    {"AviMp43", Format::Avi, Code("MP43"), 0, 800, 50, 0x55, 0, 128, 30, "msmpeg4v3", "MP43", "mp3", false},
    {"AviWmv2", Format::Avi, Code("WMV2"), 0, 800, 50, 0x55, 0, 128, 30, "wmv2", "WMV2", "mp3", false},
    {"AviMjpg", Format::Avi, Code("MJPG"), 1, 0, 60, 0x55, 0, 128, 30, "mjpeg", "MJPG", "mp3", false},
    {"AviH264", Format::Avi, Code("H264"), 0, 800, 50, 0x55, 0, 128, 30, "h264", "H264", "mp3", true},
    {"Mp4Mp4vAac", Format::Mp4, Code("mp4v"), 0, 800, 50, 0xFF, 0, 128, 100, "mpeg4", "", "aac", false},
    {"Mp4Avc1Aac", Format::Mp4, Code("avc1"), 0, 800, 50, 0xFF, 0, 96, 30, "h264", "", "aac", true},
    {"Mp4Avc1Quality", Format::Mp4, Code("avc1"), 1, 400, 70, 0xFF, 0, 64, 30, "h264", "", "aac", true},
};

class WriterCodecTest : public WriterGraphTest, public ::testing::WithParamInterface<CodecCase> {};

TEST_P(WriterCodecTest, WritesAFileFfprobeAndTheAnalyserRead)
{
    const CodecCase& c = GetParam();
    if (c.h264 && !HasH264()) GTEST_SKIP() << "H.264 is not offered here";
    const double seconds = 4.0;
    std::string output = dir.File(c.format == Format::Avi ? "out.avi" : "out.mp4");
    Build(c.format, Source(seconds), output);
    if (c.format == Format::Avi) {
        SetAvi(SCodecSettings{c.fourcc, c.videoMode, c.videoKbps, c.videoQuality, 2, c.audioTag, c.audioMode,
                              c.audioKbps, c.audioQuality});
    } else {
        SetMp4(SMp4CodecSettings{0, c.fourcc, c.videoMode, c.videoKbps, c.videoQuality, 2, 0, c.audioTag,
                                 c.audioKbps, c.audioQuality});
    }
    ASSERT_EQ(settings->SetPassMode(0), S_OK);
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);

    Probed p = Probe(output);
    const auto* video = p.Kind("video");
    const auto* audio = p.Kind("audio");
    ASSERT_TRUE(video && audio) << RunTool("ffprobe '" + output + "' 2>&1");
    EXPECT_EQ(video->at("codec_name"), c.videoCodec);
    if (*c.videoTag) {
        EXPECT_EQ(video->at("codec_tag_string"), c.videoTag);
    }
    EXPECT_EQ(video->at("width"), "320");
    EXPECT_EQ(video->at("height"), "240");
    EXPECT_EQ(video->at("r_frame_rate"), "25/1");
    EXPECT_EQ(audio->at("codec_name"), c.audioCodec);
    EXPECT_EQ(audio->at("sample_rate"), "44100");
    EXPECT_EQ(audio->at("channels"), "2");
    if (c.format == Format::Avi) {
        EXPECT_EQ(audio->at("codec_tag_string"), "U[0][0][0]");
    }
    // The video within one frame of the source (the MPEG-4 encoders end an
    // AVI with one empty frame, as the ffmpeg command line's do); the sound
    // with what its encoder adds at both ends (LAME in AVI: up to four
    // frames, as the command line gives too).
    EXPECT_NEAR(std::atof(video->at("duration").c_str()), seconds, 0.041);
    EXPECT_NEAR(std::atof(audio->at("duration").c_str()), seconds, 0.15);
    if (c.videoMode == 0) {
        EXPECT_NEAR(StreamKbps(output, "v:0", seconds), c.videoKbps, c.videoKbps * 0.10);
    }
    if (c.audioMode == 0 && c.audioTag == 0x55) {
        EXPECT_NEAR(StreamKbps(output, "a:0", seconds), c.audioKbps, c.audioKbps * 0.10);
    }

    std::string report = Report(output);
    EXPECT_NE(std::string::npos, report.find("Image Size           : 320 x 240")) << report;
    EXPECT_EQ(std::string::npos, report.find("damaged")) << report;
}

INSTANTIATE_TEST_SUITE_P(CodecPages, WriterCodecTest, ::testing::ValuesIn(kCodecCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
