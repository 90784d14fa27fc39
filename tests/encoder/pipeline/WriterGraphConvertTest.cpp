// Whole conversions through the four writer graphs with the build's real
// modules (HSF.ax, HVF.ax, HAF.ax and hwriter.dll), driven as the progress
// window drives a job: BuildFilterChain, the logo, Open, the subtitle, the
// audio stream, delay and gain, the segment, the writer's priority and
// preview switch, Play, and every "WM_GRAPHNOTIFY" answered with
// OnGraphNotify until the end of the job. Each setting of the matrix
// converts a short source made by the ffmpeg command line; ffprobe and
// ffmpeg's decoders judge the written file. Damaged sources and outputs
// that cannot be written end their job with its code, and the batch goes on.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "encoder/core/SourceProbe.h"
#include "encoder/pipeline/GraphAsfWriter.h"
#include "encoder/pipeline/GraphAviWriter.h"
#include "encoder/pipeline/GraphMp4Writer.h"
#include "encoder/pipeline/GraphOgmWriter.h"
#include "encoder/pipeline/LogoInfo.h"
#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "platform/win32/CodePage.h"
#include "tests/encoder/pipeline/GraphTestSupport.h"
#include "tests/encoder/pipeline/SubtitleFileKinds.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/PrivateSoundServer.h"

namespace {

constexpr LONGLONG kSecond = 10000000;
constexpr double kSourceSeconds = 2.0;
constexpr int kSoundRate = 44100;  // the rate the written sound is decoded at
// The three sound streams of the source, told apart by their tones.
constexpr int kTones[3] = {440, 880, 1320};
constexpr double kSourceLevel = 0.2;  // their peak, in full scale

// ---- What the written file holds, as ffmpeg decodes it ----------------------------------------------

// One decoded picture in grey levels.
struct GreyPicture {
    int width = 0, height = 0;
    std::string pixels;
    int At(int x, int y) const { return static_cast<uint8_t>(pixels[static_cast<size_t>(y) * width + x]); }
    // The mean grey level of a rectangle.
    double Mean(int x0, int y0, int x1, int y1) const
    {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += At(x, y);
        return sum / std::max(1, (x1 - x0) * (y1 - y0));
    }
};

GreyPicture PictureAt(const TempDir& dir, const std::string& path, double seconds, const std::string& filter = "")
{
    GreyPicture picture;
    for (const ProbedStreamInfo& s : ProbeFile(path).streams)
        if (s.kind == "video") {
            picture.width = s.width;
            picture.height = s.height;
            break;
        }
    std::string raw = dir.File("picture.gray");
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + path + "' -ss " +
                                  std::to_string(seconds) + (filter.empty() ? "" : " -vf " + filter) +
                                  " -frames:v 1 -f rawvideo -pix_fmt gray '" + raw + "' 2>&1",
                              &code);
    EXPECT_EQ(code, 0) << log;
    picture.pixels = ReadBytes(raw);
    EXPECT_EQ(picture.pixels.size(), static_cast<size_t>(picture.width) * picture.height) << path;
    if (picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height) picture = GreyPicture{};
    return picture;
}

// How many pixels of the rows [y0, y1) differ by more than the encoders'
// noise between two pictures of one size.
int ChangedPixels(const GreyPicture& a, const GreyPicture& b, int y0, int y1)
{
    if (a.width != b.width || a.height != b.height) return -1;
    int changed = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < a.width; ++x) changed += std::abs(a.At(x, y) - b.At(x, y)) > 16;
    return changed;
}

// The first sound stream, decoded to mono at kSoundRate.
std::vector<int16_t> SoundOf(const TempDir& dir, const std::string& path)
{
    std::string raw = dir.File("sound.s16");
    int code = -1;
    std::string log =
        RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + path + "' -map 0:a:0 -ac 1 -ar " +
                    std::to_string(kSoundRate) + " -f s16le '" + raw + "' 2>&1",
                &code);
    EXPECT_EQ(code, 0) << log;
    std::string bytes = ReadBytes(raw);
    std::vector<int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

double PeakOf(const std::vector<int16_t>& samples)
{
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak / 32768.0;
}

// Seconds until the sound first rises above a tenth of full scale.
double SoundStart(const std::vector<int16_t>& samples)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(static_cast<int>(samples[i])) > 3277) return static_cast<double>(i) / kSoundRate;
    return -1;
}

// The tone (of the three the source's streams hold, and their 1.5-fold
// speed-ups) that carries most of the sound's power.
int LoudestTone(const std::vector<int16_t>& samples)
{
    int best = 0;
    double bestShare = 0;
    for (int tone : kTones)
        for (int f : {tone, tone * 3 / 2}) {
            double share = ToneShare(samples, kSoundRate, f);
            if (share > bestShare) {
                bestShare = share;
                best = f;
            }
        }
    return best;
}

// ---- The formats --------------------------------------------------------------------------------------

struct Format {
    const char* name;
    const char* extension;
    int encFormat;
    // ffprobe's names of the codecs the format writes by default.
    const char* videoName;
    const char* audioName;
    std::unique_ptr<CGraphMain> (*make)(CEncSettings*);
    // The codec block's video mode field, for the two-pass case; null for
    // a format without two passes.
    int* (*videoEncMode)(CEncSettings&);
    // The codec the format's block names, when not its default.
    DWORD videoCodec = 0;
};

const Format kFormats[] = {
    {"AVI", ".avi", 0, "mpeg4", "mp3",
     [](CEncSettings* s) -> std::unique_ptr<CGraphMain> { return std::make_unique<CGraphAviWriter>(s); },
     [](CEncSettings& s) { return &s.AviEncoder.nVideoEncMode; }},
    {"MP4", ".mp4", 1, "mpeg4", "aac",
     [](CEncSettings* s) -> std::unique_ptr<CGraphMain> { return std::make_unique<CGraphMp4Writer>(s); },
     [](CEncSettings& s) { return &s.Mp4Encoder.nVideoEncMode; }},
    // H.264 and AAC, libx264's statistics in two passes.
    {"MP4_H264", ".mp4", 1, "h264", "aac",
     [](CEncSettings* s) -> std::unique_ptr<CGraphMain> { return std::make_unique<CGraphMp4Writer>(s); },
     [](CEncSettings& s) { return &s.Mp4Encoder.nVideoEncMode; }, MAKEFOURCC('a', 'v', 'c', '1')},
    {"ASF", ".wmv", 2, "wmv2", "wmav2",
     [](CEncSettings* s) -> std::unique_ptr<CGraphMain> { return std::make_unique<CGraphAsfWriter>(s); }, nullptr},
    {"OGM", ".ogm", 3, "mpeg4", "vorbis",
     [](CEncSettings* s) -> std::unique_ptr<CGraphMain> { return std::make_unique<CGraphOgmWriter>(s); },
     [](CEncSettings& s) { return &s.OgmEncoder.nVideoEncMode; }},
};

// ---- The job ------------------------------------------------------------------------------------------

// What the progress window hands a job beside the settings record.
struct JobExtras {
    bool logo = false;
    const SubtitleCase* subtitle = nullptr;
    int audioStream = 0;
    int delayMs = 0;
    int gainDb = 0;
    double segmentStart = 0, segmentEnd = 0;  // seconds; a segment when start < end
};

class WriterGraphConvertTest : public GraphTest {
protected:
    void SetUp() override
    {
        GraphTest::SetUp();
        if (!UseRealModules({"HSF.ax", "HVF.ax", "HAF.ax", "hwriter.dll"}))
            GTEST_SKIP() << "the source, treatment and writer modules are not built here";
    }

    // A 320x240 picture that moves, and three stereo sound streams of one
    // tone each at kSourceLevel.
    std::string MovingSource() { return Source("moving.avi", "testsrc2=size=320x240:rate=25"); }
    // A still grey picture (for what is drawn into it) with the same sound.
    std::string GreySource() { return Source("grey.avi", "color=c=gray:size=320x240:rate=25"); }

    std::string Source(const std::string& name, const std::string& picture)
    {
        std::string seconds = std::to_string(kSourceSeconds);
        std::string args = "-f lavfi -i " + picture + ":duration=" + seconds;
        for (int tone : kTones) {
            std::string wave = std::to_string(kSourceLevel) + "*sin(2*PI*" + std::to_string(tone) + "*t)";
            args += " -f lavfi -i 'aevalsrc=" + wave + "|" + wave + ":s=44100:d=" + seconds + "'";
        }
        args += " -map 0:v -map 1:a -map 2:a -map 3:a -c:v mpeg4 -q:v 2 -c:a libmp3lame -b:a 128k";
        return MakeMedia(temp(), name, args);
    }

    // The logo: a white 32x32 picture in the top left corner, opaque, for
    // the whole output.
    void FillLogo(SLogoInfo& logo)
    {
        std::memset(&logo, 0, sizeof logo);
        std::string image = MakeMedia(temp(), "logo.png", "-f lavfi -i color=c=white:size=32x32 -frames:v 1");
        std::u16string path(image.begin(), image.end());
        std::copy(path.begin(), path.end(), logo.imagePath);
        logo.end = kLogoToTheEnd;
        logo.opacity = 65535;
    }

    // The owner's calls of one job in the progress window's order, then its
    // messages to the end. Open's result goes to *opened.
    MessageTrace Convert(CGraphMain& graph, const std::string& source, const std::string& output,
                         const JobExtras& extras, int* opened)
    {
        graph.SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
        graph.SetDspModule(nullptr);
        *opened = -100;
        // The job's type code, as the job record probed it.
        if (!graph.BuildFilterChain(ProbeMediaSource(CString(Utf8ToWide(source))), nullptr, &owner_)) return {};
        SLogoInfo logo;
        if (extras.logo) FillLogo(logo);
        graph.SetLogoInfo(extras.logo ? &logo : nullptr);
        *opened = graph.Open(CString(Utf8ToWide(source)), CString(Utf8ToWide(output)));
        if (*opened != 0) return {};
        ISubPicProvider* provider = nullptr;
        if (extras.subtitle) {
            // The reader learns the source's frame rate from the video
            // filter, as the progress window asks it.
            SubtitleInfoRecord info{};
            SubtitleOpenParams params{-1, 0, settings_.nSubCodePage, 23976, 1000};
            if (graph.QueryVideoFilterSubtitleInfo(&info) == S_OK) params.nFrameRateNum = info.frameRateMilli;
            EXPECT_EQ(params.nFrameRateNum, 25000);
            std::string path = extras.subtitle->write(temp(), extras.subtitle->file);
            EXPECT_EQ(OpenSubtitleProvider(&provider, CString(Utf8ToWide(path)), &params), S_OK);
            if (provider) provider->AddRef();
        }
        graph.SetVideoFilterSubtitle(provider);
        graph.SetAudioStream(extras.audioStream);
        graph.SetAudioSyncDelay(extras.delayMs);
        graph.SetAudioAmplify(extras.gainDb);
        if (extras.segmentStart < extras.segmentEnd)
            graph.SetSegment(static_cast<LONGLONG>(extras.segmentStart * kSecond),
                             static_cast<LONGLONG>(extras.segmentEnd * kSecond));
        graph.SetWriterPriority(settings_.nEncodePriority);
        graph.SetWriterPreviewEnabled(FALSE);
        graph.Play();
        MessageTrace trace = Pump(graph, std::chrono::minutes(5));
        if (provider) provider->Release();
        return trace;
    }
};

// ---- The settings matrix ------------------------------------------------------------------------------

// What one converted file is judged against.
struct Written {
    const Format& format;
    const TempDir& dir;
    std::string path;    // the output
    std::string source;  // the source it was made from
    CGraphMain& graph;
};

struct SettingCase {
    const char* name;
    bool grey;  // the grey source instead of the moving one
    void (*adjust)(const Format&, CEncSettings&, JobExtras&);
    void (*check)(const Written&);
};

int VideoFrames(const std::string& path)
{
    for (const ProbedStream& s : ProbeFrameCounts(path))
        if (s.kind == "video") return static_cast<int>(s.frames);
    return -1;
}

ProbedStreamInfo StreamOf(const std::string& path, const std::string& kind)
{
    for (const ProbedStreamInfo& s : ProbeFile(path).streams)
        if (s.kind == kind) return s;
    return {};
}

void ExpectSize(const Written& w, int width, int height)
{
    ProbedStreamInfo video = StreamOf(w.path, "video");
    EXPECT_EQ(video.width, width);
    EXPECT_EQ(video.height, height);
}

// A 4:3 source in a wide 320x176 output.
void WideOutput(CEncSettings& s, BOOL keepRatio, int method)
{
    s.nJobOutputWidth = 320;
    s.nJobOutputHeight = 176;
    s.bVideoKeepRatio = keepRatio;
    s.nVideoRatioMethod = method;
}

// The left edge of the picture is black (borders) or not.
void ExpectLeftBorder(const Written& w, bool border)
{
    GreyPicture p = PictureAt(w.dir, w.path, 1.0);
    ASSERT_EQ(p.width, 320);
    double edge = p.Mean(0, 0, 16, p.height);
    double middle = p.Mean(p.width / 2 - 40, 0, p.width / 2 + 40, p.height);
    if (border) {
        EXPECT_LT(edge, 24) << "the left edge is not a border";
    } else {
        EXPECT_GT(edge, 24) << "the left edge is black";
    }
    EXPECT_GT(middle, 40);
}

// The sound of the output, with its stream's rate and channels.
void ExpectSound(const Written& w, int rate, int channels)
{
    ProbedStreamInfo audio = StreamOf(w.path, "audio");
    EXPECT_EQ(audio.sampleRate, rate);
    EXPECT_EQ(audio.channels, channels);
}

// The rate the format's graph gives the sound when the settings ask for
// `asked` (0: the source's 44100).
int SoundRateFor(const Format& f, int asked)
{
    if (f.encFormat == 2) return 48000;  // the ASF graph always asks for 48 kHz
    if (f.encFormat == 1 && (asked <= 8000 || asked >= 48000)) return 48000;
    return asked ? asked : 44100;
}

const SettingCase kSettingCases[] = {
    {"defaults", false, [](const Format&, CEncSettings&, JobExtras&) {},
     [](const Written& w) {
         EXPECT_EQ(StreamOf(w.path, "video").codecName, w.format.videoName);
         EXPECT_EQ(StreamOf(w.path, "audio").codecName, w.format.audioName);
         ExpectSize(w, 320, 240);
         EXPECT_NEAR(VideoFrames(w.path), 50, 1);
         ExpectSound(w, SoundRateFor(w.format, 0), 2);
         EXPECT_EQ(LoudestTone(SoundOf(w.dir, w.path)), 440);
     }},
    {"borders", false, [](const Format&, CEncSettings& s, JobExtras&) { WideOutput(s, 1, 0); },
     [](const Written& w) {
         ExpectSize(w, 320, 176);
         ExpectLeftBorder(w, true);
     }},
    {"crop", false, [](const Format&, CEncSettings& s, JobExtras&) { WideOutput(s, 1, 1); },
     [](const Written& w) {
         ExpectSize(w, 320, 176);
         ExpectLeftBorder(w, false);
     }},
    {"stretch", false, [](const Format&, CEncSettings& s, JobExtras&) { WideOutput(s, 0, 0); },
     [](const Written& w) {
         ExpectSize(w, 320, 176);
         ExpectLeftBorder(w, false);
     }},
    {"frame rate", false,
     [](const Format&, CEncSettings& s, JobExtras&) {
         s.nVideoFrameRate = 15;
         s.nVideoFrameScale = 1;
     },
     [](const Written& w) { EXPECT_NEAR(VideoFrames(w.path), 30, 2); }},
    {"picture values", false,
     [](const Format&, CEncSettings& s, JobExtras&) {
         s.nVideoBrightness = 75;
         s.nVideoContrast = 50;
     },
     [](const Written& w) {
         GreyPicture out = PictureAt(w.dir, w.path, 1.0), in = PictureAt(w.dir, w.source, 1.0);
         EXPECT_GT(out.Mean(0, 0, out.width, out.height), in.Mean(0, 0, in.width, in.height) + 15);
     }},
    {"flip", false, [](const Format&, CEncSettings& s, JobExtras&) { s.bVideoFlip = 1; },
     [](const Written& w) {
         GreyPicture out = PictureAt(w.dir, w.path, 1.0);
         GreyPicture upright = PictureAt(w.dir, w.source, 1.0), flipped = PictureAt(w.dir, w.source, 1.0, "vflip");
         EXPECT_LT(ChangedPixels(out, flipped, 0, out.height), ChangedPixels(out, upright, 0, out.height) / 4);
     }},
    {"deinterlace", false, [](const Format&, CEncSettings& s, JobExtras&) { s.bVideoDeinterlace = 1; },
     [](const Written& w) {
         ExpectSize(w, 320, 240);
         EXPECT_NEAR(VideoFrames(w.path), 50, 1);
     }},
    {"sound rate and channels", false,
     [](const Format&, CEncSettings& s, JobExtras&) {
         s.nAudioSRate = 22050;
         s.nAudioChannels = 1;
     },
     [](const Written& w) {
         // An ASF file's sound is its profile's: 48 kHz stereo by default.
         if (w.format.encFormat == 2)
             ExpectSound(w, 48000, 2);
         else
             ExpectSound(w, SoundRateFor(w.format, 22050), 1);
     }},
    {"normalise", false, [](const Format&, CEncSettings& s, JobExtras&) { s.bAudioNM = 1; },
     [](const Written& w) { EXPECT_GT(PeakOf(SoundOf(w.dir, w.path)), kSourceLevel * 2); }},
    {"no normalise", false, [](const Format&, CEncSettings& s, JobExtras&) { s.bAudioNM = 0; },
     [](const Written& w) { EXPECT_NEAR(PeakOf(SoundOf(w.dir, w.path)), kSourceLevel, 0.04); }},
    {"gain", false,
     [](const Format&, CEncSettings& s, JobExtras& e) {
         s.bAudioNM = 0;
         e.gainDb = 6;
     },
     [](const Written& w) { EXPECT_NEAR(PeakOf(SoundOf(w.dir, w.path)), kSourceLevel * 2, 0.08); }},
    {"delay", false, [](const Format&, CEncSettings&, JobExtras& e) { e.delayMs = 500; },
     [](const Written& w) { EXPECT_NEAR(SoundStart(SoundOf(w.dir, w.path)), 0.5, 0.1); }},
    {"speed with pitch correction", false,
     [](const Format&, CEncSettings& s, JobExtras&) {
         s.nEtcPBRate = 150;
         s.bEtcPBRatePitchFix = 1;
     },
     [](const Written& w) {
         EXPECT_NEAR(VideoFrames(w.path), 33, 2);
         std::vector<int16_t> sound = SoundOf(w.dir, w.path);
         EXPECT_NEAR(static_cast<double>(sound.size()) / kSoundRate, kSourceSeconds / 1.5, 0.15);
         EXPECT_EQ(LoudestTone(sound), 440);
     }},
    {"speed without pitch correction", false,
     [](const Format&, CEncSettings& s, JobExtras&) {
         s.nEtcPBRate = 150;
         s.bEtcPBRatePitchFix = 0;
     },
     [](const Written& w) {
         EXPECT_NEAR(VideoFrames(w.path), 33, 2);
         EXPECT_EQ(LoudestTone(SoundOf(w.dir, w.path)), 660);
     }},
    {"segment", false,
     [](const Format&, CEncSettings&, JobExtras& e) {
         e.segmentStart = 0.4;
         e.segmentEnd = 1.4;
     },
     [](const Written& w) {
         // One second, within one frame.
         EXPECT_NEAR(VideoFrames(w.path), 25, 1);
         std::vector<int16_t> sound = SoundOf(w.dir, w.path);
         EXPECT_NEAR(static_cast<double>(sound.size()) / kSoundRate, 1.0, 0.1);
     }},
    {"audio stream 2 of 3", false, [](const Format&, CEncSettings&, JobExtras& e) { e.audioStream = 1; },
     [](const Written& w) {
         EXPECT_EQ(ProbeFile(w.path).streams.size(), 2u);
         EXPECT_EQ(LoudestTone(SoundOf(w.dir, w.path)), 880);
     }},
    {"logo", true, [](const Format&, CEncSettings&, JobExtras& e) { e.logo = true; },
     [](const Written& w) {
         GreyPicture out = PictureAt(w.dir, w.path, 1.0);
         ASSERT_EQ(out.width, 320);
         EXPECT_GT(out.Mean(4, 4, 28, 28), 220) << "no white logo in the corner";
         EXPECT_NEAR(out.Mean(64, 64, 256, 176), 128, 12) << "the rest of the picture changed";
     }},
    {"two passes", false,
     [](const Format& f, CEncSettings& s, JobExtras&) {
         if (f.videoEncMode) *f.videoEncMode(s) = 2;
     },
     [](const Written& w) {
         // The second pass encodes from the first pass's statistics; without
         // them it fails the job.
         EXPECT_EQ(w.graph.GetCurrentPass(), w.format.videoEncMode ? 2 : 1);
         EXPECT_NEAR(VideoFrames(w.path), 50, 1);
         // The first pass's statistics are gone with the job.
         for (const auto& entry : std::filesystem::directory_iterator(w.dir.path()))
             EXPECT_EQ(entry.path().string().find(".stats"), std::string::npos) << entry.path();
     }},
};

struct MatrixCase {
    const Format* format;
    const SettingCase* setting;
    const SubtitleCase* subtitle;  // the subtitle cases instead of a setting
};

// Under the race detector a conversion takes many times as long: there
// each format runs the settings whose threads differ (one pass, two passes,
// a segment, a subtitle), not the whole matrix.
#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadsOnly = true;
#else
constexpr bool kThreadsOnly = false;
#endif

bool CheckedUnderTheRaceDetector(const char* name)
{
    for (const char* kept : {"defaults", "two passes", "segment", "SubRip"})
        if (std::strcmp(name, kept) == 0) return true;
    return false;
}

std::vector<MatrixCase> AllCases()
{
    std::vector<MatrixCase> cases;
    for (const Format& f : kFormats) {
        for (const SettingCase& s : kSettingCases)
            if (!kThreadsOnly || CheckedUnderTheRaceDetector(s.name)) cases.push_back({&f, &s, nullptr});
        for (const SubtitleCase& s : kSubtitleCases)
            if (!kThreadsOnly || CheckedUnderTheRaceDetector(s.name)) cases.push_back({&f, nullptr, &s});
    }
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<MatrixCase>& info)
{
    std::string name = std::string(info.param.format->name) + "_" +
                       (info.param.setting ? info.param.setting->name : info.param.subtitle->name);
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

class WriterGraphMatrixTest : public WriterGraphConvertTest, public ::testing::WithParamInterface<MatrixCase> {};

TEST_P(WriterGraphMatrixTest, TheJobWritesWhatTheSettingsAsk)
{
    const MatrixCase& c = GetParam();
    const Format& format = *c.format;
    settings_.SetDefaultSettings();
    settings_.nEncFormat = format.encFormat;
    if (format.videoCodec) settings_.Mp4Encoder.fccVideoCodec = format.videoCodec;
    JobExtras extras;
    if (c.setting) c.setting->adjust(format, settings_, extras);
    extras.subtitle = c.subtitle;
    std::string source = c.setting && !c.setting->grey ? MovingSource() : GreySource();
    std::string output = temp().File(std::string("out") + format.extension);
    std::unique_ptr<CGraphMain> graph = format.make(&settings_);
    int opened = -100;
    MessageTrace trace = Convert(*graph, source, output, extras, &opened);
    ASSERT_EQ(opened, 0) << Joined([&] {
        std::vector<std::string> lines;
        for (int i = 0; i < graph->GetRenderLog().GetSize(); ++i)
            lines.push_back(WideToUtf8(graph->GetRenderLog()[i].str()));
        return lines;
    }());
    // One end of the job, with success.
    ASSERT_EQ(Joined(trace), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    ASSERT_TRUE(std::filesystem::exists(output));
    if (c.setting) {
        c.setting->check(Written{format, temp(), output, source, *graph});
        return;
    }
    // The subtitle's line is drawn in the lower half of the picture and
    // nothing in the upper half.
    std::string plain = temp().File(std::string("plain") + format.extension);
    std::unique_ptr<CGraphMain> without = format.make(&settings_);
    ASSERT_EQ(Joined(Convert(*without, source, plain, JobExtras{}, &opened)),
              Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    GreyPicture with = PictureAt(temp(), output, 1.0), none = PictureAt(temp(), plain, 1.0);
    ASSERT_EQ(with.width, 320);
    EXPECT_GT(ChangedPixels(with, none, with.height / 2, with.height), 150) << c.subtitle->name;
    EXPECT_LT(ChangedPixels(with, none, 0, with.height / 2), 10) << c.subtitle->name;
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterGraphMatrixTest, ::testing::ValuesIn(AllCases()), CaseName);

// ---- Frame rates --------------------------------------------------------------------------------------

// The rates sources come at: those of film, television and the web, and
// some that phones record at.
struct RateCase {
    const char* name;
    int num, den;
    double Rate() const { return static_cast<double>(num) / den; }
};
const RateCase kRates[] = {
    {"23_976", 24000, 1001}, {"24", 24, 1}, {"25", 25, 1},      {"29_97", 30000, 1001},
    {"30", 30, 1},           {"50", 50, 1}, {"59_94", 60000, 1001}, {"60", 60, 1},
    {"15", 15, 1},           {"phone_29_41", 2941, 100}, {"phone_30_07", 3007, 100}, {"phone_14_76", 369, 25},
};

// A writer with one of the video codecs its codec page offers.
struct CodecCase {
    const char* name;
    const Format* format;
    void (*choose)(CEncSettings&);
    // The rate the file must declare exactly (AVI keeps a rate and scale,
    // MP4 a time scale and durations); ASF counts milliseconds and OGM
    // 100-ns units, which hold the rate to their precision only.
    bool exactRate;
    // Every rate goes through the writer's first codec; the others take a
    // film rate and a phone rate.
    bool everyRate;
};

const Format& FormatNamed(const char* name)
{
    for (const Format& f : kFormats)
        if (std::strcmp(f.name, name) == 0) return f;
    return kFormats[0];
}

void AviCodec(CEncSettings& s, DWORD fourcc) { s.AviEncoder.fccVideoCodec = fourcc; }
void Mp4Codec(CEncSettings& s, DWORD fourcc, BOOL psp)
{
    s.Mp4Encoder.fccVideoCodec = fourcc;
    s.Mp4Encoder.bSupportPSP = psp;
}

const CodecCase kCodecs[] = {
    {"AVI_XVID", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('X', 'V', 'I', 'D')); }, true, true},
    {"AVI_DX50", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('D', 'X', '5', '0')); }, true, false},
    {"AVI_DIVX", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('D', 'I', 'V', 'X')); }, true, false},
    {"AVI_DIV3", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('D', 'I', 'V', '3')); }, true, false},
    {"AVI_MP42", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('M', 'P', '4', '2')); }, true, false},
    {"AVI_MP43", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('M', 'P', '4', '3')); }, true, false},
    {"AVI_H264", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('H', '2', '6', '4')); }, true, false},
    {"MP4_mp4v", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('m', 'p', '4', 'v'), 0); }, true, true},
    {"MP4_avc1", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('a', 'v', 'c', '1'), 0); }, true, true},
    {"PSP_mp4v", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('m', 'p', '4', 'v'), 1); }, true, true},
    {"PSP_avc1", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('a', 'v', 'c', '1'), 1); }, true, false},
    {"WMV_8", &FormatNamed("ASF"), [](CEncSettings& s) { s.WmvEncoder.sVideoCodec = L"Windows Media Video 8"; }, false, true},
    {"WMV_7", &FormatNamed("ASF"), [](CEncSettings& s) { s.WmvEncoder.sVideoCodec = L"Windows Media Video 7"; }, false, false},
    {"OGM_XVID", &FormatNamed("OGM"), [](CEncSettings& s) { s.OgmEncoder.fccVideoCodec = MAKEFOURCC('X', 'V', 'I', 'D'); }, false, true},
    {"OGM_H264", &FormatNamed("OGM"), [](CEncSettings& s) { s.OgmEncoder.fccVideoCodec = MAKEFOURCC('H', '2', '6', '4'); }, false, false},
};

struct RateMatrixCase {
    const CodecCase* codec;
    const RateCase* rate;
};

std::vector<RateMatrixCase> AllRateCases()
{
    std::vector<RateMatrixCase> cases;
    for (const CodecCase& c : kCodecs)
        for (const RateCase& r : kRates) {
            const bool film = std::strcmp(r.name, "23_976") == 0;
            // The race detector sees the same threads at every rate.
            if (kThreadsOnly ? (c.everyRate && film)
                             : (c.everyRate || film || std::strcmp(r.name, "phone_29_41") == 0))
                cases.push_back({&c, &r});
        }
    return cases;
}

class FrameRateMatrixTest : public WriterGraphConvertTest, public ::testing::WithParamInterface<RateMatrixCase> {
protected:
    // One second of a small moving picture at the rate with a tone, as an
    // MP4 file keeps it (its time scale holds the rate exactly).
    std::string RateSource(const RateCase& r)
    {
        std::string rate = std::to_string(r.num) + "/" + std::to_string(r.den);
        return MakeMedia(temp(), std::string("rate-") + r.name + ".mp4",
                         "-f lavfi -i testsrc2=size=96x64:rate=" + rate + ":duration=1 " + TestTone(1.0) +
                             " -c:v mpeg4 -q:v 4 -c:a aac -shortest");
    }
};

TEST_P(FrameRateMatrixTest, TheOutputKeepsTheSourcesRate)
{
    const CodecCase& codec = *GetParam().codec;
    const RateCase& rate = *GetParam().rate;
    const bool psp = codec.format->encFormat == 1 && std::strncmp(codec.name, "PSP", 3) == 0;
    settings_.SetDefaultSettings();
    settings_.nEncFormat = codec.format->encFormat;
    codec.choose(settings_);
    std::string source = RateSource(rate);
    std::string output = temp().File(std::string("out") + codec.format->extension);
    std::unique_ptr<CGraphMain> graph = codec.format->make(&settings_);
    int opened = -100;
    MessageTrace trace = Convert(*graph, source, output, JobExtras{}, &opened);
    ASSERT_EQ(opened, 0);
    ASSERT_EQ(Joined(trace), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));

    ProbedVideoTiming in = ProbeVideoTiming(source), out = ProbeVideoTiming(output);
    // A PSP file has 30 frames per second unless the settings ask for 15.
    double wanted = psp ? 30 : rate.Rate();
    if (codec.exactRate && !psp) {
        EXPECT_EQ(out.avgNum * static_cast<long long>(rate.den), static_cast<long long>(rate.num) * out.avgDen)
            << out.avgNum << "/" << out.avgDen;
    } else {
        // What ffprobe makes of a short file's time stamps, to a hundredth.
        EXPECT_NEAR(out.AverageRate(), wanted, wanted * 0.01) << out.avgNum << "/" << out.avgDen;
    }
    // Every picture once (the PSP's pictures as long as the source's), and
    // the source's length, within one frame.
    double frames = psp ? in.duration * wanted : static_cast<double>(in.frames);
    EXPECT_NEAR(static_cast<double>(out.frames), frames, 1.0);
    EXPECT_NEAR(static_cast<double>(out.frames) / wanted, in.duration, 1.0 / wanted + 0.01);
}

std::string RateCaseName(const ::testing::TestParamInfo<RateMatrixCase>& info)
{
    return std::string(info.param.codec->name) + "_" + info.param.rate->name;
}

INSTANTIATE_TEST_SUITE_P(Writers, FrameRateMatrixTest, ::testing::ValuesIn(AllRateCases()), RateCaseName);

// ---- Sources with unusual timing ----------------------------------------------------------------------

// A source and the ffmpeg command line's output that it is judged against.
struct TimingCase {
    const char* name;
    std::string (*make)(const TempDir& dir);
    // The command line's output: an MP4 at a constant rate, the rate the
    // source states or, where the stated rate is the container's clock,
    // the rate of its pictures (30) named.
    const char* reference;
    bool rateNear30;  // the output declares about 30 pictures a second
};

// A second of pictures with a 440 Hz tone.
const char* kTone1s = " -f lavfi -i sine=frequency=440:duration=1";

const TimingCase kTimingCases[] = {
    {"Matroska without frame duration",
     [](const TempDir& d) {
         std::string path = MakeMedia(d, "none.mkv", JitteredPictures(1.0) + kTone1s + JitteredStamps() + " -c:v mpeg4 -c:a mp2");
         DropMatroskaFrameDuration(path);
         return path;
     },
     "-r 30 ref.mp4", true},
    {"FLV without frame rate",
     [](const TempDir& d) {
         return MakeMedia(d, "none.flv", JitteredPictures(1.0) + kTone1s + JitteredStamps() + " -c:v flv1 -c:a libmp3lame -flvflags no_metadata");
     },
     "-r 30 ref.mp4", true},
    {"ASF with jittered stamps",
     [](const TempDir& d) { return MakeMedia(d, "none.asf", JitteredPictures(1.0) + kTone1s + JitteredStamps() + " -c:v wmv2 -c:a wmav2"); },
     "-r 30 ref.mp4", true},
    // The pictures start 0.77 s after the sound.
    {"MPEG-TS with late pictures",
     [](const TempDir& d) {
         return MakeMedia(d, "late.ts", "-itsoffset 0.77 " + TestPicture(2.0) + " " + TestTone(2.77) +
                                            " -c:v mpeg2video -c:a mp2 -output_ts_offset 10");
     },
     "ref.mp4", false},
    // A copy cut between key frames: the edit list skips the pictures
    // before the cut.
    {"MP4 with an edit list",
     [](const TempDir& d) {
         std::string whole = MakeMedia(d, "whole.mp4", TestPicture(4.0) + " " + TestTone(4.0) +
                                                           " -c:v libx264 -bf 3 -g 50 -c:a aac");
         return MakeMedia(d, "edit.mp4", "-ss 0.9 -i '" + whole + "' -t 2.5 -c copy");
     },
     "ref.mp4", false},
    {"fragmented MP4 with B-pyramids",
     [](const TempDir& d) {
         return MakeMedia(d, "frag.mp4", TestPicture(2.0) + " " + TestTone(2.0) +
                                             " -c:v libx264 -bf 3 -b-pyramid normal -g 25 -c:a aac "
                                             "-movflags frag_keyframe+empty_moov");
     },
     "ref.mp4", false},
    {"FLV with a stamp far beyond its end", [](const TempDir& d) { return FlvWithOneFarStamp(d, "far.flv"); },
     "ref.mp4", false},
};

class TimingSourceTest : public WriterGraphConvertTest, public ::testing::WithParamInterface<const TimingCase*> {};

TEST_P(TimingSourceTest, EveryFormatKeepsThePicturesAsTheCommandLineDoes)
{
    const TimingCase& c = *GetParam();
    std::string source = c.make(temp());
    const std::string options = c.reference;
    const size_t name = options.rfind(' ') == std::string::npos ? 0 : options.rfind(' ') + 1;
    std::string reference = temp().File(options.substr(name));
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + source + "' " +
                                  options.substr(0, name) + "-c:v mpeg4 -c:a aac '" + reference + "' 2>&1",
                              &code);
    ASSERT_EQ(code, 0) << log;
    ProbedVideoTiming wanted = ProbeVideoTiming(reference);
    ASSERT_GT(wanted.frames, 0);
    ASSERT_GT(wanted.duration, 0);
    for (const char* name : {"AVI", "MP4", "ASF", "OGM"}) {
        const Format& format = FormatNamed(name);
        SCOPED_TRACE(name);
        settings_.SetDefaultSettings();
        settings_.nEncFormat = format.encFormat;
        std::string output = temp().File(std::string("out") + format.extension);
        std::unique_ptr<CGraphMain> graph = format.make(&settings_);
        int opened = -100;
        MessageTrace trace = Convert(*graph, source, output, JobExtras{}, &opened);
        ASSERT_EQ(opened, 0);
        ASSERT_EQ(Joined(trace), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
        ProbedVideoTiming got = ProbeVideoTiming(output);
        // Within one frame, and a tenth of a second, of the command line.
        EXPECT_NEAR(static_cast<double>(got.frames), static_cast<double>(wanted.frames), 1.0);
        double rate = got.AverageRate() > 0 ? got.AverageRate() : got.Rate();
        ASSERT_GT(rate, 0);
        EXPECT_NEAR(got.duration > 0 ? got.duration : got.frames / rate, wanted.duration, 0.1);
        // The pictures start with the file, and an AVI lists no empty
        // chunk (a dropped frame) among them.
        EXPECT_NEAR(got.start, 0, 0.05);
        if (format.encFormat == 0) EXPECT_EQ(got.declared, got.frames);
        if (c.rateNear30) EXPECT_NEAR(rate, 30, 1.5);
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, TimingSourceTest, ::testing::ValuesIn([] {
                             // Under the race detector: the splitter's
                             // measuring (its mending of stamps runs there
                             // in the splitter's own tests).
                             std::vector<const TimingCase*> cases;
                             for (const TimingCase& c : kTimingCases)
                                 if (!kThreadsOnly || &c == &kTimingCases[0]) cases.push_back(&c);
                             return cases;
                         }()),
                         [](const ::testing::TestParamInfo<const TimingCase*>& info) {
                             std::string name = info.param->name;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return name;
                         });

// ---- Damaged sources and outputs that cannot be written ----------------------------------------------

// The messages of one job that ends with the code: its run, after whatever
// the closing of the graph's previous job told.
std::string JobRun(const MessageTrace& trace)
{
    const size_t run = 5;
    return Joined(MessageTrace(trace.end() - static_cast<long>(std::min(run, trace.size())), trace.end()));
}
MessageTrace JobTrace(const std::string& eof)
{
    return {"STATE 2", "READY", "STATE 4", eof, "STATE 2"};
}
int EndsIn(const MessageTrace& trace)
{
    return static_cast<int>(
        std::count_if(trace.begin(), trace.end(), [](const std::string& m) { return m.rfind("EOF", 0) == 0; }));
}

const BrokenJob kBrokenJobs[] = {
    {"zero-length file", [](const TempDir& d, const std::string& g) { return SourcePart(d, g, "empty.avi", 0); },
     "empty.out.avi", 81, "", false},
    // What a cut file still holds is converted.
    {"cut file", [](const TempDir& d, const std::string& g) { return SourcePart(d, g, "cut.avi", 0.6); }, "cut.out.avi",
     0, "EOF 0", true},
    // A picture stream of a kind no decoder knows: the job cannot convert
    // its video.
    {"a stream nothing decodes",
     [](const TempDir& d, const std::string& g) {
         std::string bytes = ReadBytes(g);
         for (size_t at = bytes.find("FMP4"); at != std::string::npos; at = bytes.find("FMP4", at))
             bytes.replace(at, 4, "QQQQ");
         WriteBytes(d.File("unknown.avi"), bytes);
         return d.File("unknown.avi");
     },
     "unknown.out.avi", 81, "", false},
    // The open file stays readable to the end.
    {"a source removed during the job",
     [](const TempDir& d, const std::string& g) { return SourcePart(d, g, "going.avi", 1.0); }, "going.out.avi", 0,
     "EOF 0", true, [](const std::string& source) { return std::filesystem::remove(source); }},
    {"output folder missing", [](const TempDir&, const std::string& g) { return g; }, "no/such/folder/out.avi", 0,
     "EOF 3585", false},
    {"full disk", [](const TempDir&, const std::string& g) { return g; }, "full.avi", 0, "EOF 3585", false, nullptr,
     true},
};

// Limits the size of files the process writes for its lifetime; a write
// beyond it fails as on a full disk instead of raising a signal.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(WriterGraphConvertTest, BrokenJobsEndWithTheirCodeAndTheBatchGoesOn)
{
    std::string good = MovingSource();
    CGraphAviWriter graph(&settings_);
    std::vector<const BrokenJob*> jobs;
    for (const BrokenJob& c : kBrokenJobs) jobs.push_back(&c);
    // A folder without write permission stops only a user without the
    // right to write everywhere.
    BrokenJob readOnly{"output folder without write permission",
                       [](const TempDir& d, const std::string& g) {
                           std::filesystem::create_directory(d.File("locked"));
                           std::filesystem::permissions(d.File("locked"), std::filesystem::perms::owner_read |
                                                                              std::filesystem::perms::owner_exec);
                           return g;
                       },
                       "locked/out.avi",
                       0,
                       "EOF 3585",
                       false};
    if (geteuid() != 0) jobs.push_back(&readOnly);
    for (const BrokenJob* c : jobs) {
        SCOPED_TRACE(c->name);
        std::string source = c->make(temp(), good);
        std::string out = temp().File(c->output);
        MessageTrace trace;
        int opened = -100;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (c->fileSizeLimit) limit = std::make_unique<FileSizeLimit>(64 * 1024);
            graph.SetFormatGuids(kAviWriterClassText, kMp4WriterClassText, kAsfWriterClassText);
            ASSERT_TRUE(graph.BuildFilterChain(kSourceAvi, nullptr, &owner_));
            opened = graph.Open(CString(Utf8ToWide(source)), CString(Utf8ToWide(out)));
            ASSERT_EQ(opened, c->open);
            if (opened == 0) {
                graph.SetAudioStream(0);
                graph.Play();
                if (c->during) {
                    EXPECT_TRUE(c->during(source));
                }
                trace = Pump(graph, std::chrono::minutes(2));
            }
        }
        if (opened != 0) {
            // A refused source says why in the log, and the job posts no end.
            ASSERT_GT(graph.GetRenderLog().GetSize(), 0);
            EXPECT_FALSE(graph.GetRenderLog()[graph.GetRenderLog().GetSize() - 1].IsEmpty());
            trace = Pump(graph, std::chrono::milliseconds(300));
            EXPECT_EQ(EndsIn(trace), 0) << Joined(trace);
            EXPECT_FALSE(std::filesystem::exists(out));
        } else {
            EXPECT_EQ(EndsIn(trace), 1) << Joined(trace);
            EXPECT_EQ(JobRun(trace), Joined(JobTrace(c->eof)));
        }
        if (c->outputLeft) {
            int frames = VideoFrames(out);
            EXPECT_GT(frames, 0);
            EXPECT_LE(frames, 51);
            EXPECT_EQ(ProbeFile(out).streams.size(), 2u);
        }
        // The next job of the batch still runs and writes a whole file.
        std::string next = temp().File("after-" + std::to_string(jobs.size()) + "-" + c->output[0] + ".avi");
        trace = Convert(graph, good, next, JobExtras{}, &opened);
        ASSERT_EQ(opened, 0);
        EXPECT_EQ(EndsIn(trace), 1) << Joined(trace);
        EXPECT_EQ(JobRun(trace), Joined(JobTrace("EOF 0")));
        EXPECT_NEAR(VideoFrames(next), 50, 1);
    }
}

}  // namespace
