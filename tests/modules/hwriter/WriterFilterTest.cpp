// The writer filters of hwriter.dll in a small graph: a file made by the
// ffmpeg command line, read by the system's source, splitter and decoders,
// rendered into a writer made by the module's class factory. ffprobe and the
// project's analyser judge what the writers make.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "encoder/core/EncSettings.h"
#include "modules/api/WriterFilters.h"
#include "platform/com/ComRuntime.h"
#include "platform/com/UnknownImpl.h"
#include "platform/dshow/GraphInterfaces.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/SourceFilter.h"
#include "platform/win32/NativePath.h"
#include "platform/wmf/WmInterfaces.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/support/GraphHelpers.h"
#include "tests/support/ProgramModules.h"

namespace {

constexpr DWORD Code(const char (&s)[5])
{
    return static_cast<DWORD>(static_cast<unsigned char>(s[0])) |
           static_cast<DWORD>(static_cast<unsigned char>(s[1])) << 8 |
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
    std::istringstream in(
        RunTool("ffprobe -v error -show_entries stream=codec_type,codec_name,codec_tag_string,"
                "width,height,r_frame_rate,avg_frame_rate,sample_rate,channels,profile,level,duration:format=duration "
                "-of default=nw=0 '" +
                path + "'"));
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
    return RunTool(std::string("'") + RIVO_TEST_TOOLS_DIR + "/rivoreader-report' '" + path + "' 2>&1");
}

enum class Format { Avi, Mp4, Asf, Ogm };

const CLSID& WriterClass(Format f)
{
    static const CLSID* classes[] = {&CLSID_HalvaneAviWriter, &CLSID_HalvaneMp4Writer, &CLSID_HalvaneAsfWriter,
                                     &CLSID_HalvaneOgmWriter};
    return *classes[static_cast<int>(f)];
}

std::string FormatName(Format f)
{
    const char* names[] = {"Avi", "Mp4", "Asf", "Ogm"};
    return names[static_cast<int>(f)];
}

std::ostream& operator<<(std::ostream& out, Format f) { return out << FormatName(f); }

std::string OutputName(Format f)
{
    const char* names[] = {"out.avi", "out.mp4", "out.wmv", "out.ogm"};
    return names[static_cast<int>(f)];
}

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

    // Waits, at most a minute, until the writer has encoded up to `at`
    // (100-ns units); the position reached and the first failed answer.
    HRESULT WaitForEncodedPosition(LONGLONG at, LONGLONG* position)
    {
        *position = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (*position < at && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            HRESULT hr = settings->GetEncodedPosition(position);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }

    // A graph with the writer, its output file, and the source rendered
    // into it.
    void Build(Format format, const std::string& source, const std::string& output)
    {
        graph = CreateGraph();
        writer = FilterFromProgramModule("hwriter.dll", WriterClass(format));
        ASSERT_TRUE(writer);
        ASSERT_EQ(graph->AddFilter(writer.Get(), L"Writer"), S_OK);
        ComPtr<IFileSinkFilter> sink;
        ASSERT_EQ(writer.As(&sink), S_OK);
        ASSERT_EQ(sink->SetFileName(FromNativePath(output).c_str(), nullptr), S_OK);
        ASSERT_EQ(writer.As(&settings), S_OK);
        ASSERT_TRUE(SUCCEEDED(graph->RenderFile(FromNativePath(source).c_str(), nullptr)));
        // The picture and the sound reach the writer.
        auto inputs = FilterPins(writer.Get(), PINDIR_INPUT);
        ASSERT_GE(inputs.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            ComPtr<IPin> peer;
            EXPECT_EQ(inputs[i]->ConnectedTo(peer.GetAddressOf()), S_OK);
        }
    }

    void SetAvi(const SCodecSettings& codec)
    {
        ComPtr<IAviWriterFormat> f;
        ASSERT_EQ(writer.As(&f), S_OK);
        ASSERT_EQ(f->SetCodecSettings(&codec), S_OK);
    }
    void SetOgm(const SCodecSettings& codec)
    {
        ComPtr<IOgmWriterFormat> f;
        ASSERT_EQ(writer.As(&f), S_OK);
        ASSERT_EQ(f->SetCodecSettings(&codec), S_OK);
    }
    void SetMp4(const SMp4CodecSettings& codec)
    {
        ComPtr<IMp4WriterFormat> f;
        ASSERT_EQ(writer.As(&f), S_OK);
        ASSERT_EQ(f->SetCodecSettings(&codec), S_OK);
    }

    // The profile a Windows Media page would give, for the ASF writer.
    void SetAsfProfile(const wchar_t* video, const wchar_t* audio, const wchar_t* format, int kbps)
    {
        auto encSettings = std::make_unique<CEncSettings>();
        encSettings->WmvEncoder.sVideoCodec = video;
        encSettings->WmvEncoder.sAudioCodec = audio;
        encSettings->WmvEncoder.sAudioFormat = format;
        encSettings->WmvEncoder.nVideoKBitrate = kbps;
        encSettings->WmvEncoder.nSecPerKeyframe = 2;
        ComPtr<IWMProfile> profile;
        ASSERT_EQ(encSettings->WmvEncoder.CreateProfile(profile.GetAddressOf(), writer.Get(), encSettings.get()), S_OK);
        ComPtr<IAsfWriterProfile> asf;
        ASSERT_EQ(writer.As(&asf), S_OK);
        EXPECT_EQ(asf->SetProfile(nullptr), E_POINTER);
        ASSERT_EQ(asf->SetProfile(profile.Get()), S_OK);
    }

    // The default choice of each format's codec page.
    void SetDefaultCodecs(Format format)
    {
        if (format == Format::Avi)
            SetAvi(SCodecSettings{Code("XVID"), 0, 800, 50, 2, 0x55, 0, 128, 30});
        else if (format == Format::Mp4)
            SetMp4(SMp4CodecSettings{0, Code("mp4v"), 0, 800, 50, 2, 0, 0xFF, 128, 30});
        else if (format == Format::Ogm)
            SetOgm(SCodecSettings{Code("XVID"), 0, 800, 50, 2, 0x674F, 1, 0, 6});
        else
            SetAsfProfile(L"Windows Media Video 8", L"Windows Media Audio 2", L"128 kbps, 44 kHz, stereo CBR", 800);
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

    // What ffprobe must find in a written file besides a 320x240 picture.
    struct Expected {
        std::string videoCodec;
        std::string audioCodec;
        std::string sampleRate;
        std::string channels;
    };
    // The written file as ffprobe describes it, checked against what is
    // expected; fails the test at once when the picture or the sound is
    // missing.
    void ExpectWritten(const std::string& output, const Expected& e, Probed* p)
    {
        *p = Probe(output);
        const auto* video = p->Kind("video");
        const auto* audio = p->Kind("audio");
        ASSERT_TRUE(video && audio) << RunTool("ffprobe '" + output + "' 2>&1");
        EXPECT_EQ(video->at("codec_name"), e.videoCodec);
        EXPECT_EQ(video->at("width"), "320");
        EXPECT_EQ(video->at("height"), "240");
        EXPECT_EQ(audio->at("codec_name"), e.audioCodec);
        EXPECT_EQ(audio->at("sample_rate"), e.sampleRate);
        EXPECT_EQ(audio->at("channels"), e.channels);
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
    const char* videoTag;    // AVI and OGM: the FourCC as written; empty: not checked
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
    {"OgmXvidVorbisQuality", Format::Ogm, Code("XVID"), 0, 800, 50, 0x674F, 1, 0, 6, "mpeg4", "XVID", "vorbis", false},
    {"OgmXvidVorbisCbr", Format::Ogm, Code("XVID"), 2, 800, 50, 0x674F, 0, 128, 0, "mpeg4", "XVID", "vorbis", false},
    {"OgmH264Vorbis", Format::Ogm, Code("H264"), 0, 800, 50, 0x674F, 1, 0, 3, "h264", "H264", "vorbis", true},
};

class WriterCodecTest : public WriterGraphTest, public ::testing::WithParamInterface<CodecCase> {};

TEST_P(WriterCodecTest, WritesAFileFfprobeAndTheAnalyserRead)
{
    const CodecCase& c = GetParam();
    if (c.h264 && !HasH264()) GTEST_SKIP() << "H.264 is not offered here";
    const double seconds = 4.0;
    std::string output = dir.File(OutputName(c.format));
    Build(c.format, Source(seconds), output);
    const SCodecSettings block{c.fourcc,   c.videoMode, c.videoKbps, c.videoQuality, 2,
                               c.audioTag, c.audioMode, c.audioKbps, c.audioQuality};
    if (c.format == Format::Avi) {
        SetAvi(block);
    } else if (c.format == Format::Ogm) {
        SetOgm(block);
    } else {
        SetMp4(SMp4CodecSettings{0, c.fourcc, c.videoMode, c.videoKbps, c.videoQuality, 2, 0, c.audioTag, c.audioKbps,
                                 c.audioQuality});
    }
    ASSERT_EQ(settings->SetPassMode(c.videoMode == 2 ? 1 : 0), S_OK);
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);
    if (c.videoMode == 2) {
        ASSERT_EQ(settings->SetPassMode(2), S_OK);
        SeekToStart();
        EXPECT_EQ(RunToEvent().first, EC_COMPLETE);
    }

    Probed p;
    ASSERT_NO_FATAL_FAILURE(ExpectWritten(output, {c.videoCodec, c.audioCodec, "44100", "2"}, &p));
    const auto* video = p.Kind("video");
    const auto* audio = p.Kind("audio");
    if (*c.videoTag && c.format == Format::Avi) {
        EXPECT_EQ(video->at("codec_tag_string"), c.videoTag);
    }
    // The rate the file declares (ffprobe's guess from the times of Ogg
    // pages holding several frames is not it).
    EXPECT_EQ(video->at("avg_frame_rate"), "25/1");
    if (c.format == Format::Avi) {
        EXPECT_EQ(audio->at("codec_tag_string"), "U[0][0][0]");
    }
    // The video within one frame of the source (the MPEG-4 encoders end an
    // AVI with one empty frame, as the ffmpeg command line's do); the sound
    // with what its encoder adds at both ends (LAME in AVI: up to four
    // frames, as the command line gives too).
    EXPECT_NEAR(std::atof(video->at("duration").c_str()), seconds, 0.041);
    EXPECT_NEAR(std::atof(audio->at("duration").c_str()), seconds, 0.15);
    if (c.videoMode != 1) {
        EXPECT_NEAR(StreamKbps(output, "v:0", seconds), c.videoKbps, c.videoKbps * 0.10);
    }
    if (c.audioMode == 0 && c.audioTag == 0x55) {
        EXPECT_NEAR(StreamKbps(output, "a:0", seconds), c.audioKbps, c.audioKbps * 0.10);
    }

    std::string report = Report(output);
    EXPECT_NE(std::string::npos, report.find("Image Size           : 320 x 240")) << report;
    if (c.format == Format::Ogm) {
        // The OGM stream header names the FourCC of the codec block.
        EXPECT_NE(std::string::npos, report.find("OGG/OGM format")) << report;
        EXPECT_NE(std::string::npos, report.find(std::string("(") + c.videoTag + ")")) << report;
    }
    EXPECT_EQ(std::string::npos, report.find("damaged")) << report;
}

INSTANTIATE_TEST_SUITE_P(CodecPages, WriterCodecTest, ::testing::ValuesIn(kCodecCases),
                         [](const auto& i) { return std::string(i.param.name); });

// --- MP4 for the PSP ---------------------------------------------------------------

struct PspCase {
    const char* name;
    DWORD fourcc;
    int sourceRate;  // frames per second of the source
    int frameRate;   // what the graph asks: 15000 or 30000 (over 1000)
    const char* videoName;
    const char* expectedRate;
    const char* sampleRate;
    bool h264;
};

std::ostream& operator<<(std::ostream& out, const PspCase& c) { return out << c.name; }

const PspCase kPspCases[] = {
    {"Mp4v30", Code("mp4v"), 30, 30000, "mpeg4", "30/1", "24000", false},
    {"Mp4vFrom25To30", Code("mp4v"), 25, 30000, "mpeg4", "30/1", "24000", false},
    {"Avc1At15", Code("avc1"), 15, 15000, "h264", "15/1", "48000", true},
};

class WriterPspTest : public WriterGraphTest, public ::testing::WithParamInterface<PspCase> {};

TEST_P(WriterPspTest, FollowsThePspsSizeAndRates)
{
    const PspCase& c = GetParam();
    if (c.h264 && !HasH264()) GTEST_SKIP() << "H.264 is not offered here";
    const double seconds = 4.0;
    std::string source =
        MakeMedia(dir, "psp-source.avi",
                  "-f lavfi -i testsrc2=size=640x480:rate=" + std::to_string(c.sourceRate) + ":duration=4 " +
                      TestTone(seconds, 44100) + " -ac 2 -c:v mpeg4 -q:v 2 -c:a pcm_s16le");
    std::string output = dir.File("psp.mp4");
    Build(Format::Mp4, source, output);
    SetMp4(SMp4CodecSettings{1, c.fourcc, 0, 500, 50, 2, 0, 0xFF, 64, 30});
    ASSERT_EQ(settings->SetFrameRate(c.frameRate, 1000), S_OK);
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);

    Probed p;
    ASSERT_NO_FATAL_FAILURE(ExpectWritten(output, {c.videoName, "aac", c.sampleRate, "2"}, &p));
    const auto* video = p.Kind("video");
    EXPECT_EQ(video->at("avg_frame_rate"), c.expectedRate);
    EXPECT_EQ(video->at("r_frame_rate"), c.expectedRate);
    EXPECT_NEAR(std::atof(video->at("duration").c_str()), seconds, 1.0 / (c.frameRate / 1000) + 0.001);
    if (c.h264) {
        EXPECT_EQ(video->at("profile"), "Constrained Baseline");
        EXPECT_EQ(video->at("level"), "13");
    }
    // The PSP's own brand.
    EXPECT_EQ(RunTool("ffprobe -v error -show_entries format_tags=major_brand -of csv=p=0 '" + output + "'"), "MSNV\n");
    EXPECT_EQ(std::string::npos, Report(output).find("damaged"));
}

INSTANTIATE_TEST_SUITE_P(Psp, WriterPspTest, ::testing::ValuesIn(kPspCases),
                         [](const auto& i) { return std::string(i.param.name); });

// --- ASF with a Windows Media profile ---------------------------------------------

struct AsfCase {
    const char* name;
    const wchar_t* videoCodec;  // the Windows Media runtime's names
    const wchar_t* audioCodec;
    const wchar_t* audioFormat;
    int videoKbps;
    const char* videoName;  // ffprobe's
    const char* audioName;
    const char* sampleRate;
    const char* channels;
};

std::ostream& operator<<(std::ostream& out, const AsfCase& c) { return out << c.name; }

const AsfCase kAsfCases[] = {
    {"Wmv2Wma2", L"Windows Media Video 8", L"Windows Media Audio 2", L"128 kbps, 44 kHz, stereo CBR", 800, "wmv2",
     "wmav2", "44100", "2"},
    {"Wmv1Wma1", L"Windows Media Video 7", L"Windows Media Audio 1", L"64 kbps, 48 kHz, mono CBR", 500, "wmv1", "wmav1",
     "48000", "1"},
};

class WriterAsfTest : public WriterGraphTest, public ::testing::WithParamInterface<AsfCase> {};

TEST_P(WriterAsfTest, WritesTheProfilesStreamsWithTheirLanguage)
{
    const AsfCase& c = GetParam();
    const double seconds = 4.0;
    std::string output = dir.File("out.wmv");
    Build(Format::Asf, Source(seconds), output);
    // The writer keeps its own reference to the profile.
    SetAsfProfile(c.videoCodec, c.audioCodec, c.audioFormat, c.videoKbps);
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);

    Probed p;
    ASSERT_NO_FATAL_FAILURE(ExpectWritten(output, {c.videoName, c.audioName, c.sampleRate, c.channels}, &p));
    EXPECT_NEAR(p.duration, seconds, 0.1);
    // The profile's rate is kbit/s of 1024 bits.
    EXPECT_NEAR(StreamKbps(output, "v:0", seconds), c.videoKbps * 1.024, c.videoKbps * 0.1024);
    // Both streams in the profile's language, "ko" (ffprobe names it by its
    // three-letter code).
    EXPECT_EQ(RunTool("ffprobe -v error -show_entries stream_tags=language -of csv=p=0 '" + output + "'"),
              "kor\nkor\n");
    EXPECT_EQ(std::string::npos, Report(output).find("damaged"));
}

INSTANTIATE_TEST_SUITE_P(Profiles, WriterAsfTest, ::testing::ValuesIn(kAsfCases),
                         [](const auto& i) { return std::string(i.param.name); });

// --- Captions into OGM ---------------------------------------------------------------

// A source of captions: one narrow text per sample, each shown for a second
// from its start.
class CCaptionStream final : public CSourceStream {
public:
    CCaptionStream(CSource* filter, std::vector<std::pair<REFERENCE_TIME, std::string>> captions)
        : CSourceStream(filter, L"Text"), captions_(std::move(captions))
    {
        SetDuration(captions_.back().first + 10000000);
    }
    HRESULT CheckMediaType(const CMediaType* type) override
    {
        return type->majortype == MEDIATYPE_Text ? S_OK : S_FALSE;
    }
    HRESULT GetMediaType(int position, CMediaType* type) override
    {
        if (position < 0) return E_INVALIDARG;
        if (position > 0) return VFW_S_NO_MORE_ITEMS;
        *type = CMediaType(MEDIATYPE_Text);
        return S_OK;
    }
    HRESULT DecideBufferSize(IMemAllocator* allocator, ALLOCATOR_PROPERTIES* props) override
    {
        ALLOCATOR_PROPERTIES want = *props, actual{};
        want.cBuffers = 2;
        want.cbBuffer = 256;
        return allocator->SetProperties(&want, &actual);
    }
    HRESULT OnThreadStartPlay() override
    {
        next_ = 0;
        return S_OK;
    }
    HRESULT FillBuffer(IMediaSample* sample) override
    {
        if (next_ >= captions_.size()) return S_FALSE;
        const auto& [start, text] = captions_[next_++];
        BYTE* data = nullptr;
        sample->GetPointer(&data);
        std::memcpy(data, text.data(), text.size());
        sample->SetActualDataLength(static_cast<LONG>(text.size()));
        REFERENCE_TIME begin = start, end = start + 10000000;
        sample->SetTime(&begin, &end);
        return S_OK;
    }

private:
    std::vector<std::pair<REFERENCE_TIME, std::string>> captions_;
    size_t next_ = 0;
};

class CCaptionSource final : public CSource {
public:
    explicit CCaptionSource(std::vector<std::pair<REFERENCE_TIME, std::string>> captions)
        : CSource(L"Captions", nullptr, CLSID{})
    {
        AddStream(std::make_unique<CCaptionStream>(this, std::move(captions)));
    }
    ~CCaptionSource() override { CBaseFilter::Stop(); }
};

TEST_F(WriterGraphTest, OgmWriterKeepsTheCaptionsOfItsTextInput)
{
    std::string output = dir.File("captions.ogm");
    Build(Format::Ogm, Source(4.0), output);
    SetDefaultCodecs(Format::Ogm);
    auto pins = FilterPins(writer.Get(), PINDIR_INPUT);
    ASSERT_EQ(pins.size(), 3u);
    // UTF-8, and text in the ANSI code page (949) with the same letters.
    auto* captions = new CCaptionSource(
        {{5000000, "first line"}, {15000000, "\xEC\x95\x88\xEB\x85\x95"}, {25000000, "\xBE\xC8\xB3\xE7"}});
    ComPtr<IBaseFilter> source;
    ASSERT_EQ(captions->NonDelegatingQueryInterface(IID_IBaseFilter, reinterpret_cast<void**>(source.GetAddressOf())),
              S_OK);
    ASSERT_EQ(graph->AddFilter(source.Get(), L"Captions"), S_OK);
    ASSERT_EQ(graph->ConnectDirect(FilterPins(source.Get(), PINDIR_OUTPUT)[0].Get(), pins[2].Get(), nullptr), S_OK);
    // The other writers keep no captions.
    for (Format f : {Format::Avi, Format::Mp4, Format::Asf}) {
        ComPtr<IBaseFilter> other = FilterFromProgramModule("hwriter.dll", WriterClass(f));
        EXPECT_EQ(FilterPins(other.Get(), PINDIR_INPUT).size(), 2u);
    }
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);

    std::string texts = RunTool("ffmpeg -v error -nostdin -i '" + output + "' -map 0:s:0 -f srt - 2>&1");
    EXPECT_NE(std::string::npos, texts.find("00:00:00,500 --> 00:00:01,500\nfirst line")) << texts;
    EXPECT_NE(std::string::npos, texts.find("00:00:01,500 --> 00:00:02,500\n\xEC\x95\x88\xEB\x85\x95")) << texts;
    EXPECT_NE(std::string::npos, texts.find("00:00:02,500 --> 00:00:03,500\n\xEC\x95\x88\xEB\x85\x95")) << texts;
    EXPECT_EQ(std::string::npos, Report(output).find("damaged"));
}

// --- Two passes ----------------------------------------------------------------

struct TwoPassCase {
    const char* name;
    Format format;
    DWORD fourcc;
    const char* statsBeside;  // a file the encoder keeps beside the statistics, or ""
    bool h264;
};

std::ostream& operator<<(std::ostream& out, const TwoPassCase& c) { return out << c.name; }

const TwoPassCase kTwoPassCases[] = {
    {"AviXvid", Format::Avi, Code("XVID"), "", false},
    {"Mp4Avc1", Format::Mp4, Code("avc1"), ".mbtree", true},
};

class WriterTwoPassTest : public WriterGraphTest, public ::testing::WithParamInterface<TwoPassCase> {};

TEST_P(WriterTwoPassTest, FirstPassKeepsStatisticsTheSecondWritesAndRemovesThem)
{
    const TwoPassCase& c = GetParam();
    if (c.h264 && !HasH264()) GTEST_SKIP() << "H.264 is not offered here";
    const double seconds = 4.0;
    const int kbps = 600;
    std::string output = dir.File(c.format == Format::Avi ? "two.avi" : "two.mp4");
    std::string stats = output + ".stats";
    Build(c.format, Source(seconds), output);
    if (c.format == Format::Avi)
        SetAvi(SCodecSettings{c.fourcc, 2, kbps, 50, 2, 0x55, 0, 128, 30});
    else
        SetMp4(SMp4CodecSettings{0, c.fourcc, 2, kbps, 50, 2, 0, 0xFF, 128, 30});

    // The first pass, as the graph sets it for two-pass mode.
    ASSERT_EQ(settings->SetPassMode(1), S_OK);
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);
    int mode = -1;
    ASSERT_EQ(settings->GetPassMode(&mode), S_OK);
    EXPECT_EQ(mode, 1);
    EXPECT_TRUE(std::filesystem::exists(stats));
    EXPECT_GT(std::filesystem::file_size(stats), 0u);
    if (*c.statsBeside) {
        EXPECT_TRUE(std::filesystem::exists(stats + c.statsBeside));
    }
    EXPECT_FALSE(std::filesystem::exists(output));

    // The second pass from the start.
    ASSERT_EQ(settings->SetPassMode(2), S_OK);
    ASSERT_EQ(settings->GetPassMode(&mode), S_OK);
    EXPECT_EQ(mode, 2);
    SeekToStart();
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);
    EXPECT_FALSE(std::filesystem::exists(stats));
    EXPECT_FALSE(std::filesystem::exists(stats + ".mbtree"));
    Probed p = Probe(output);
    ASSERT_TRUE(p.Kind("video") && p.Kind("audio"));
    EXPECT_NEAR(std::atof(p.Kind("video")->at("duration").c_str()), seconds, 0.041);
    EXPECT_NEAR(StreamKbps(output, "v:0", seconds), kbps, kbps * 0.10);
    EXPECT_EQ(std::string::npos, Report(output).find("damaged"));
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterTwoPassTest, ::testing::ValuesIn(kTwoPassCases),
                         [](const auto& i) { return std::string(i.param.name); });

// --- Stopping early -------------------------------------------------------------

class WriterStopTest : public WriterGraphTest, public ::testing::WithParamInterface<Format> {};

TEST_P(WriterStopTest, StopInTheMiddleLeavesAFileThatPlaysAsFarAsItCame)
{
    const double seconds = 60.0;
    std::string output = dir.File("part-" + OutputName(GetParam()));
    Build(GetParam(), Source(seconds), output);
    SetDefaultCodecs(GetParam());
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    LONGLONG position = 0, duration = 0;
    ASSERT_EQ(WaitForEncodedPosition(20000000, &position), S_OK);
    ASSERT_EQ(control->Stop(), S_OK);
    ASSERT_EQ(settings->GetEncodedDuration(&duration), S_OK);
    EXPECT_NEAR(static_cast<double>(duration), seconds * 1e7, 1e6);
    ASSERT_GE(position, 20000000);

    Probed p = Probe(output);
    ASSERT_TRUE(p.Kind("video") && p.Kind("audio")) << RunTool("ffprobe '" + output + "' 2>&1");
    // The pictures as far as the encoded position came (the sound, which
    // each source output delivers on its own thread, may have come further).
    long long frames = 0;
    for (const ProbedStream& s : ProbeFrameCounts(output))
        if (s.kind == "video") frames = s.frames;
    EXPECT_GE(frames, 25 * 2 - 1);
    EXPECT_LT(frames, 25 * (seconds - 1));
    int code = -1;
    EXPECT_EQ("", RunTool("ffmpeg -v error -nostdin -i '" + output + "' -f null - 2>&1", &code));
    EXPECT_EQ(0, code);
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterStopTest, ::testing::Values(Format::Avi, Format::Mp4, Format::Asf, Format::Ogm),
                         [](const auto& i) { return FormatName(i.param); });

// Pictures wait for the writer's encoding thread: a pause holds them there
// as it holds the streams, and the run goes on after it without losing or
// repeating one.
TEST_F(WriterGraphTest, APauseHoldsThePicturesAndTheRunGoesOnWholeAfterIt)
{
    const double seconds = 8.0;
    std::string output = dir.File("paused.avi");
    Build(Format::Avi, Source(seconds), output);
    SetDefaultCodecs(Format::Avi);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    LONGLONG position = 0;
    ASSERT_EQ(WaitForEncodedPosition(10000000, &position), S_OK);
    ASSERT_GE(position, 10000000);
    ASSERT_TRUE(SUCCEEDED(control->Pause()));
    // What was being encoded when the pause came is finished; then nothing
    // more is.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    LONGLONG paused = 0, later = 0;
    ASSERT_EQ(settings->GetEncodedPosition(&paused), S_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    ASSERT_EQ(settings->GetEncodedPosition(&later), S_OK);
    EXPECT_EQ(paused, later);
    EXPECT_LT(paused, static_cast<LONGLONG>(seconds * 1e7));

    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);
    long long frames = 0;
    for (const ProbedStream& s : ProbeFrameCounts(output))
        if (s.kind == "video") frames = s.frames;
    EXPECT_EQ(frames, static_cast<long long>(seconds * 25));
    int code = -1;
    EXPECT_EQ("", RunTool("ffmpeg -v error -nostdin -i '" + output + "' -f null - 2>&1", &code));
    EXPECT_EQ(0, code);
}

// --- Failures ---------------------------------------------------------------------

struct FailureCase {
    const char* name;
    bool badFolder;
    DWORD fourcc;
    int passMode;
    LONG expected;
};

std::ostream& operator<<(std::ostream& out, const FailureCase& c) { return out << c.name; }

const FailureCase kFailureCases[] = {
    {"MissingFolder", true, Code("XVID"), 0, kWriterFailureOutput},
    {"MissingFolderFirstPass", true, Code("XVID"), 1, kWriterFailureOutput},
    {"UnknownCodec", false, Code("ABCD"), 0, kWriterFailureEncoder},
};

class WriterFailureTest : public WriterGraphTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(WriterFailureTest, RaisesTheWriterEventInsteadOfCompleting)
{
    const FailureCase& c = GetParam();
    std::string output = c.badFolder ? dir.File("no such folder/out.avi") : dir.File("out.avi");
    Build(Format::Avi, Source(2.0), output);
    SetAvi(SCodecSettings{c.fourcc, c.passMode ? 2 : 0, 800, 50, 2, 0x55, 0, 128, 30});
    ASSERT_EQ(settings->SetPassMode(c.passMode), S_OK);
    auto [code, param] = RunToEvent();
    EXPECT_EQ(code, EC_WRITER_FAILURE);
    EXPECT_EQ(param, c.expected);
    // Nothing was presented as a good file.
    if (!c.badFolder) {
        EXPECT_FALSE(std::filesystem::exists(output));
    }
    EXPECT_FALSE(std::filesystem::exists(output + ".stats"));
}

INSTANTIATE_TEST_SUITE_P(Writer, WriterFailureTest, ::testing::ValuesIn(kFailureCases),
                         [](const auto& i) { return std::string(i.param.name); });

// --- Settings ---------------------------------------------------------------------

// The nice values of this process's threads.
std::vector<int> ThreadNiceValues()
{
    std::vector<int> out;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string stat = ReadBytes(task.path().string() + "/stat");
        size_t close = stat.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream in(stat.substr(close + 2));
        std::string field;
        // After the name: state is field 3; nice is field 19.
        for (int i = 3; i <= 19 && in >> field; ++i) {}
        out.push_back(std::atoi(field.c_str()));
    }
    return out;
}

TEST_F(WriterGraphTest, BelowNormalPriorityRaisesTheEncodingThreadsNiceValueOnly)
{
    std::string output = dir.File("nice.avi");
    Build(Format::Avi, Source(20.0), output);
    SetDefaultCodecs(Format::Avi);
    EXPECT_EQ(settings->SetPriority(2), E_INVALIDARG);
    ASSERT_EQ(settings->SetPriority(-1), S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    LONGLONG position = 0;
    WaitForEncodedPosition(10000000, &position);
    std::vector<int> nice = ThreadNiceValues();
    control->Stop();
    EXPECT_GE(std::count(nice.begin(), nice.end(), 10), 2);  // the streaming threads, the encoder's own
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), 0);              // this thread (the program's) is left as it was
}

TEST_F(WriterGraphTest, PlaybackRateDividesTheVideoTimes)
{
    // The audio filter changes the sound's speed; the writer the pictures'.
    std::string output = dir.File("fast.avi");
    Build(Format::Avi, Source(4.0), output);
    SetDefaultCodecs(Format::Avi);
    ASSERT_EQ(settings->SetPlaybackRate(2.0), S_OK);
    EXPECT_EQ(RunToEvent().first, EC_COMPLETE);
    Probed p = Probe(output);
    ASSERT_TRUE(p.Kind("video"));
    EXPECT_EQ(p.Kind("video")->at("avg_frame_rate"), "25/1");
    EXPECT_NEAR(std::atof(p.Kind("video")->at("duration").c_str()), 2.0, 0.041);
}

TEST_F(WriterGraphTest, SettingsRefuseWhatTheyDoNotTake)
{
    writer = FilterFromProgramModule("hwriter.dll", CLSID_HalvaneAviWriter);
    ASSERT_TRUE(writer);
    ASSERT_EQ(writer.As(&settings), S_OK);
    EXPECT_EQ(settings->SetPassMode(3), E_INVALIDARG);
    EXPECT_EQ(settings->SetFrameRate(0, 1), E_INVALIDARG);
    EXPECT_EQ(settings->SetPlaybackRate(0.0), E_INVALIDARG);
    EXPECT_EQ(settings->GetPassMode(nullptr), E_POINTER);
    int mode = -1;
    ASSERT_EQ(settings->GetPassMode(&mode), S_OK);
    EXPECT_EQ(mode, 0);
    ComPtr<IAviWriterFormat> format;
    ASSERT_EQ(writer.As(&format), S_OK);
    EXPECT_EQ(format->SetCodecSettings(nullptr), E_POINTER);
    ComPtr<IFileSinkFilter> sink;
    ASSERT_EQ(writer.As(&sink), S_OK);
    EXPECT_EQ(sink->SetFileName(nullptr, nullptr), E_POINTER);
    ASSERT_EQ(sink->SetFileName(L"C:\\out\\a.avi", nullptr), S_OK);
    LPOLESTR name = nullptr;
    ASSERT_EQ(sink->GetCurFile(&name, nullptr), S_OK);
    EXPECT_EQ(std::wstring(name), L"C:\\out\\a.avi");
    CoTaskMemFree(name);
    // Every writer of the module answers the settings and seeking.
    for (const CLSID& clsid :
         {CLSID_HalvaneAviWriter, CLSID_HalvaneMp4Writer, CLSID_HalvaneAsfWriter, CLSID_HalvaneOgmWriter}) {
        ComPtr<IBaseFilter> f = FilterFromProgramModule("hwriter.dll", clsid);
        ComPtr<IMediaSeeking> seeking;
        ComPtr<IWriterSettings> s;
        EXPECT_EQ(f.As(&seeking), S_OK);
        EXPECT_EQ(f.As(&s), S_OK);
    }
}

// --- Preview ----------------------------------------------------------------------

// A preview sink as the program's pane would be, that records what it is
// given on the writer's thread: it is busy from each picture until the test
// thread has "painted" it, and shows pictures in a box of 200 x 200.
class RecordingPreviewSink final : public CUnknown, public IWriterPreviewSink {
public:
    RecordingPreviewSink() : CUnknown(nullptr) {}
    RIVO_DECLARE_IUNKNOWN
    HRESULT NonDelegatingQueryInterface(REFIID riid, void** object) override
    {
        if (riid == IID_IWriterPreviewSink) return GetInterface(static_cast<IWriterPreviewSink*>(this), object);
        return CUnknown::NonDelegatingQueryInterface(riid, object);
    }

    struct Picture {
        int width, height;
        uint32_t left, right;  // the pixels at a quarter and three quarters of the width, halfway down
    };

    HRESULT GetPictureBox(int* width, int* height) override
    {
        *width = 200;
        *height = 200;
        std::lock_guard<std::mutex> g(lock);
        return busy ? S_FALSE : S_OK;
    }
    HRESULT ShowPicture(const BYTE* pixels, int width, int height, int stride) override
    {
        std::lock_guard<std::mutex> g(lock);
        if (busy) ++whileBusy;
        busy = true;
        auto at = [&](int x) {
            uint32_t v;
            std::memcpy(&v, pixels + static_cast<ptrdiff_t>(height / 2) * stride + x * 4, 4);
            return v;
        };
        pictures.push_back({width, height, at(width / 4), at(width * 3 / 4)});
        return S_OK;
    }
    HRESULT ClearPicture() override
    {
        std::lock_guard<std::mutex> g(lock);
        ++clears;
        return S_OK;
    }
    // The test thread's "paint".
    void Painted()
    {
        std::lock_guard<std::mutex> g(lock);
        busy = false;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> g(lock);
        return pictures.size();
    }

    std::mutex lock;
    bool busy = false;
    int whileBusy = 0;
    int clears = 0;
    std::vector<Picture> pictures;
};

bool IsRed(uint32_t bgrx) { return (bgrx >> 16 & 0xFF) > 150 && (bgrx >> 8 & 0xFF) < 100 && (bgrx & 0xFF) < 100; }
bool IsBlue(uint32_t bgrx) { return (bgrx & 0xFF) > 150 && (bgrx >> 8 & 0xFF) < 100 && (bgrx >> 16 & 0xFF) < 100; }

// While the preview is on, the writer hands its sink the picture it
// encodes, scaled down to the sink's box at the picture's shape, never
// while the sink is busy; turned off,
// the sink's picture is cleared and no picture follows; on again, pictures
// come again. The sink is called on the streaming thread.
TEST_F(WriterGraphTest, ThePreviewHandsTheSinkScaledPicturesWhileItIsOn)
{
    const std::string source = MakeMedia(
        dir, "halves.avi",
        "-f lavfi -i 'color=c=0xD02020:s=160x240:r=25:d=20[a];color=c=0x2020D0:s=160x240:r=25:d=20[b];[a][b]hstack' " +
            TestTone(20, 44100) + " -c:v mpeg4 -q:v 2 -c:a pcm_s16le");
    Build(Format::Avi, source, dir.File("preview.avi"));
    SetDefaultCodecs(Format::Avi);
    ComPtr<RecordingPreviewSink> sink(new RecordingPreviewSink);
    ComPtr<IWriterPreview> preview;
    ASSERT_EQ(writer.As(&preview), S_OK);
    ASSERT_EQ(preview->SetPreviewSink(sink.Get()), S_OK);
    ASSERT_EQ(settings->SetPreview(1), S_OK);
    ComPtr<IMediaControl> control;
    ASSERT_EQ(graph.As(&control), S_OK);
    ASSERT_EQ(control->Run(), S_OK);
    // Runs until the encoded position reaches the time, "painting" every
    // 5 ms.
    auto runTo = [&](LONGLONG position) {
        LONGLONG at = 0;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (at < position && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            sink->Painted();
            settings->GetEncodedPosition(&at);
        }
        return at >= position;
    };
    ASSERT_TRUE(runTo(40000000));
    size_t shown = sink->Count();
    ASSERT_GT(shown, 0u);
    ASSERT_EQ(settings->SetPreview(0), S_OK);
    size_t atOff = sink->Count();
    ASSERT_TRUE(runTo(80000000));
    EXPECT_EQ(sink->Count(), atOff) << "pictures after the preview was turned off";
    ASSERT_EQ(settings->SetPreview(1), S_OK);
    ASSERT_TRUE(runTo(120000000));
    EXPECT_GT(sink->Count(), atOff) << "no pictures after the preview was turned on again";
    control->Stop();

    std::lock_guard<std::mutex> g(sink->lock);
    EXPECT_EQ(sink->whileBusy, 0);
    EXPECT_EQ(sink->clears, 1);
    for (size_t i = 0; i < sink->pictures.size(); ++i) {
        const auto& p = sink->pictures[i];
        SCOPED_TRACE(i);
        // 320x240 in a box of 200 x 200: 200 x 150.
        EXPECT_EQ(p.width, 200);
        EXPECT_EQ(p.height, 150);
        EXPECT_TRUE(IsRed(p.left)) << std::hex << p.left;
        EXPECT_TRUE(IsBlue(p.right)) << std::hex << p.right;
    }
}

}  // namespace
