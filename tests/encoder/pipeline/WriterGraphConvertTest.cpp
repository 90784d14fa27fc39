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
#include <cmath>
#include <csignal>
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
#include "encoder/subtitles/SubtitleProviderFactory.h"
#include "modules/api/LogoInfo.h"
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
    {"23_976", 24000, 1001},
    {"24", 24, 1},
    {"25", 25, 1},
    {"29_97", 30000, 1001},
    {"30", 30, 1},
    {"50", 50, 1},
    {"59_94", 60000, 1001},
    {"60", 60, 1},
    {"15", 15, 1},
    {"phone_29_41", 2941, 100},
    {"phone_30_07", 3007, 100},
    {"phone_14_76", 369, 25},
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
    {"AVI_DX50", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('D', 'X', '5', '0')); }, true,
     false},
    {"AVI_DIVX", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('D', 'I', 'V', 'X')); }, true,
     false},
    {"AVI_DIV3", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('D', 'I', 'V', '3')); }, true,
     false},
    {"AVI_MP42", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('M', 'P', '4', '2')); }, true,
     false},
    {"AVI_MP43", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('M', 'P', '4', '3')); }, true,
     false},
    {"AVI_H264", &FormatNamed("AVI"), [](CEncSettings& s) { AviCodec(s, MAKEFOURCC('H', '2', '6', '4')); }, true,
     false},
    {"MP4_mp4v", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('m', 'p', '4', 'v'), 0); }, true,
     true},
    {"MP4_avc1", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('a', 'v', 'c', '1'), 0); }, true,
     true},
    {"PSP_mp4v", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('m', 'p', '4', 'v'), 1); }, true,
     true},
    {"PSP_avc1", &FormatNamed("MP4"), [](CEncSettings& s) { Mp4Codec(s, MAKEFOURCC('a', 'v', 'c', '1'), 1); }, true,
     false},
    {"WMV_8", &FormatNamed("ASF"), [](CEncSettings& s) { s.WmvEncoder.sVideoCodec = L"Windows Media Video 8"; }, false,
     true},
    {"WMV_7", &FormatNamed("ASF"), [](CEncSettings& s) { s.WmvEncoder.sVideoCodec = L"Windows Media Video 7"; }, false,
     false},
    {"OGM_XVID", &FormatNamed("OGM"),
     [](CEncSettings& s) { s.OgmEncoder.fccVideoCodec = MAKEFOURCC('X', 'V', 'I', 'D'); }, false, true},
    {"OGM_H264", &FormatNamed("OGM"),
     [](CEncSettings& s) { s.OgmEncoder.fccVideoCodec = MAKEFOURCC('H', '2', '6', '4'); }, false, false},
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
            if (kThreadsOnly ? (c.everyRate && film) : (c.everyRate || film || std::strcmp(r.name, "phone_29_41") == 0))
                cases.push_back({&c, &r});
        }
    return cases;
}

// A whole job through one writer and codec of the table.
class CodecConvertTest : public WriterGraphConvertTest {
protected:
    // The settings' defaults with the codec chosen, for the test to change
    // before ConvertWith.
    void ChooseCodec(const CodecCase& codec)
    {
        settings_.SetDefaultSettings();
        settings_.nEncFormat = codec.format->encFormat;
        codec.choose(settings_);
    }
    // Converts the source into *output, a file of the codec's writer; the
    // job must open and run to its end.
    void ConvertWith(const CodecCase& codec, const std::string& source, std::string* output)
    {
        *output = temp().File(std::string("out") + codec.format->extension);
        std::unique_ptr<CGraphMain> graph = codec.format->make(&settings_);
        int opened = -100;
        MessageTrace trace = Convert(*graph, source, *output, JobExtras{}, &opened);
        ASSERT_EQ(opened, 0);
        ASSERT_EQ(Joined(trace), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    }
};

class FrameRateMatrixTest : public CodecConvertTest, public ::testing::WithParamInterface<RateMatrixCase> {
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
    ChooseCodec(codec);
    std::string source = RateSource(rate);
    std::string output;
    ASSERT_NO_FATAL_FAILURE(ConvertWith(codec, source, &output));

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

// ---- The shape of the pixels --------------------------------------------------------------------------

// A source whose pixels are not square (or are), as the ffmpeg command line
// makes it, and what the output must say of its shape.
struct ShapeSource {
    const char* name;
    const char* file;
    const char* args;  // ffmpeg output arguments after the test picture and tone
    const char* size;
    const char* sar;
};

const ShapeSource kShapeSources[] = {
    // A DVD's 720x576 shown as 16:9 and as 4:3, as an MPEG-2 program stream.
    {"Dvd169", "dvd169.mpg", "-vf setsar=64/45 -c:v mpeg2video -b:v 4M -c:a ac3 -f vob", "720x576", "64:45"},
    {"Dvd43", "dvd43.mpg", "-vf setsar=16/15 -c:v mpeg2video -b:v 4M -c:a ac3 -f vob", "720x576", "16:15"},
    // NTSC 16:9 in H.264, whose shape the stream's own headers carry.
    {"Ntsc169", "ntsc169.mp4", "-vf setsar=32/27 -c:v libx264 -c:a aac", "720x480", "32:27"},
    {"Square", "square.mp4", "-c:v libx264 -c:a aac", "640x360", "1:1"},
};

struct ShapeCase {
    const CodecCase* codec;
    const ShapeSource* source;
    int width = 0, height = 0;  // the job's output size; 0 keeps the source's
};

std::vector<ShapeCase> AllShapeCases()
{
    std::vector<ShapeCase> cases;
    // The race detector sees the same threads as with any other source.
    if (kThreadsOnly) return {{&kCodecs[0], &kShapeSources[0]}};
    // Every writer and codec with the 16:9 DVD (a PSP file takes the PSP's
    // own sizes), then the other sources and a size set, through the first.
    for (const CodecCase& c : kCodecs)
        if (std::strncmp(c.name, "PSP", 3) != 0) cases.push_back({&c, &kShapeSources[0]});
    auto named = [](const char* name) {
        for (const CodecCase& c : kCodecs)
            if (std::strcmp(c.name, name) == 0) return &c;
        return &kCodecs[0];
    };
    for (size_t i = 1; i < std::size(kShapeSources); ++i) cases.push_back({named("AVI_XVID"), &kShapeSources[i]});
    cases.push_back({named("AVI_XVID"), &kShapeSources[0], 640, 360});
    cases.push_back({named("MP4_avc1"), &kShapeSources[0], 640, 360});
    return cases;
}

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.codec->name << " " << c.source->name; }

class PixelShapeTest : public CodecConvertTest, public ::testing::WithParamInterface<ShapeCase> {};

// A film whose pixels are not square is shown in the output as in the
// source: a 16:9 DVD stays 16:9 instead of becoming 5:4. A size set by the
// job gives square pixels at that size.
TEST_P(PixelShapeTest, TheOutputIsShownWithTheSourcesShape)
{
    const CodecCase& codec = *GetParam().codec;
    const ShapeSource& shape = *GetParam().source;
    ChooseCodec(codec);
    settings_.nJobOutputWidth = GetParam().width;
    settings_.nJobOutputHeight = GetParam().height;
    std::string source = MakeMedia(temp(), shape.file,
                                   std::string("-f lavfi -i testsrc2=size=") + shape.size + ":rate=25:duration=1 " +
                                       TestTone(1.0) + " " + shape.args + " -shortest");
    ProbedFile in = ProbeFile(source);
    ASSERT_FALSE(in.streams.empty());
    ASSERT_EQ(in.streams[0].pixelAspect, shape.sar) << "the command line made another source";
    std::string output;
    ASSERT_NO_FATAL_FAILURE(ConvertWith(codec, source, &output));

    ProbedFile out = ProbeFile(output);
    const ProbedStreamInfo* video = nullptr;
    for (const ProbedStreamInfo& s : out.streams)
        if (s.kind == "video") video = &s;
    ASSERT_NE(video, nullptr);
    if (GetParam().width > 0) {
        EXPECT_EQ(video->width, GetParam().width);
        EXPECT_EQ(video->height, GetParam().height);
        EXPECT_TRUE(video->pixelAspect.empty() || video->pixelAspect == "1:1") << video->pixelAspect;
    } else {
        EXPECT_EQ(video->width, in.streams[0].width);
        EXPECT_EQ(video->height, in.streams[0].height);
        EXPECT_EQ(video->displayAspect, in.streams[0].displayAspect) << "pixels " << video->pixelAspect;
    }
}

std::string ShapeCaseName(const ::testing::TestParamInfo<ShapeCase>& info)
{
    std::string name = std::string(info.param.codec->name) + "_" + info.param.source->name;
    if (info.param.width > 0) name += "_sized";
    return name;
}

INSTANTIATE_TEST_SUITE_P(Writers, PixelShapeTest, ::testing::ValuesIn(AllShapeCases()), ShapeCaseName);

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
         std::string path =
             MakeMedia(d, "none.mkv", JitteredPictures(1.0) + kTone1s + JitteredStamps() + " -c:v mpeg4 -c:a mp2");
         DropMatroskaFrameDuration(path);
         return path;
     },
     "-r 30 ref.mp4", true},
    {"FLV without frame rate",
     [](const TempDir& d) {
         return MakeMedia(
             d, "none.flv",
             JitteredPictures(1.0) + kTone1s + JitteredStamps() + " -c:v flv1 -c:a libmp3lame -flvflags no_metadata");
     },
     "-r 30 ref.mp4", true},
    {"ASF with jittered stamps",
     [](const TempDir& d) {
         return MakeMedia(d, "none.asf", JitteredPictures(1.0) + kTone1s + JitteredStamps() + " -c:v wmv2 -c:a wmav2");
     },
     "-r 30 ref.mp4", true},
    // The pictures start 0.77 s after the sound.
    {"MPEG-TS with late pictures",
     [](const TempDir& d) {
         return MakeMedia(d, "late.ts",
                          "-itsoffset 0.77 " + TestPicture(2.0) + " " + TestTone(2.77) +
                              " -c:v mpeg2video -c:a mp2 -output_ts_offset 10");
     },
     "ref.mp4", false},
    // A copy cut between key frames: the edit list skips the pictures
    // before the cut.
    {"MP4 with an edit list",
     [](const TempDir& d) {
         std::string whole =
             MakeMedia(d, "whole.mp4", TestPicture(4.0) + " " + TestTone(4.0) + " -c:v libx264 -bf 3 -g 50 -c:a aac");
         return MakeMedia(d, "edit.mp4", "-ss 0.9 -i '" + whole + "' -t 2.5 -c copy");
     },
     "ref.mp4", false},
    {"fragmented MP4 with B-pyramids",
     [](const TempDir& d) {
         return MakeMedia(d, "frag.mp4",
                          TestPicture(2.0) + " " + TestTone(2.0) +
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
    for (const char* formatName : {"AVI", "MP4", "ASF", "OGM"}) {
        const Format& format = FormatNamed(formatName);
        SCOPED_TRACE(formatName);
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
        if (format.encFormat == 0) {
            EXPECT_EQ(got.declared, got.frames);
        }
        if (c.rateNear30) {
            EXPECT_NEAR(rate, 30, 1.5);
        }
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
                         [](const ::testing::TestParamInfo<const TimingCase*>& i) {
                             std::string name = i.param->name;
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
MessageTrace JobTrace(const std::string& eof) { return {"STATE 2", "READY", "STATE 4", eof, "STATE 2"}; }
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

// ---- Sources as phones, cameras and other programs make them ----------------------------------------------

// The structural similarity (0 to 1) of two files' pictures, frame by
// frame in grey, as the ffmpeg command line decodes them (turning each as
// its file says), the second one's through the filters (if any) and at the
// first one's size; -1 when ffmpeg cannot compare.
double Ssim(const std::string& a, const std::string& b, int width, int height, const std::string& filters = "")
{
    const std::string size = std::to_string(width) + ":" + std::to_string(height);
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -nostdin -i '" + a + "' -i '" + b +
                                  "' -lavfi '[0:v]format=gray[x];[1:v]" + (filters.empty() ? "" : filters + ",") +
                                  "scale=" + size + ",format=gray[y];[x][y]ssim' -f null - 2>&1",
                              &code);
    size_t at = log.rfind("All:");
    EXPECT_EQ(code, 0) << log;
    if (code != 0 || at == std::string::npos) return -1;
    return std::atof(log.c_str() + at + 4);
}

// Seconds of the first sound stream as ffmpeg decodes it.
double SoundSeconds(const TempDir& dir, const std::string& path)
{
    return static_cast<double>(SoundOf(dir, path).size()) / kSoundRate;
}

// Seconds of sound the ffmpeg command line writes of the source into a file
// like the output (its container, sound codec, rate and channels): the
// oracle of the output's length, encoder delay and padding included.
double FfmpegSoundSeconds(const TempDir& dir, const std::string& source, const std::string& output)
{
    ProbedStreamInfo audio = StreamOf(output, "audio");
    const std::string codec = audio.codecName == "mp3"      ? "libmp3lame"
                              : audio.codecName == "vorbis" ? "libvorbis"
                                                            : audio.codecName;
    const std::string extension = output.substr(output.rfind('.'));
    std::string reference = MakeMedia(dir, "reference" + extension,
                                      "-i '" + source + "' -vn -c:a " + codec + " -ar " +
                                          std::to_string(audio.sampleRate) + " -ac " + std::to_string(audio.channels));
    return SoundSeconds(dir, reference);
}

// A phone's clip: 2 s of a moving 320x180 picture at 30 frames a second
// with a tone, stored on its side; the file says how it is turned.
struct TurnedClip {
    const char* name;
    int degrees;        // the rotate tag of the ffmpeg command line, or
    int a, b, c, d;     // the display matrix a phone writes (when degrees is -1)
    int width, height;  // the picture as it is seen
};

const TurnedClip kTurnedClips[] = {
    {"held upright", -1, 0, 1, -1, 0, 180, 320},
    {"upside down", 180, 0, 0, 0, 0, 320, 180},
};

struct TurnedCase {
    const Format* format;
    const TurnedClip* clip;
};

class TurnedSourceTest : public WriterGraphConvertTest, public ::testing::WithParamInterface<TurnedCase> {};

// Every format shows the picture as the phone meant it, as the ffmpeg
// command line turns it: the turned size, and the same pictures.
TEST_P(TurnedSourceTest, TheOutputShowsThePictureAsItIsMeantToBeSeen)
{
    const Format& format = *GetParam().format;
    const TurnedClip& clip = *GetParam().clip;
    settings_.SetDefaultSettings();
    settings_.nEncFormat = format.encFormat;
    if (format.videoCodec) settings_.Mp4Encoder.fccVideoCodec = format.videoCodec;
    std::string stored = MakeMedia(temp(), "stored.mp4",
                                   "-f lavfi -i testsrc2=size=320x180:rate=30:duration=2 "
                                   "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 "
                                   "-c:v libx264 -preset veryfast -c:a aac");
    std::string source = clip.degrees >= 0
                             ? RotatedCopy(temp(), stored, "phone.mp4", clip.degrees)
                             : WithDisplayMatrix(temp(), stored, "phone.mp4", clip.a, clip.b, clip.c, clip.d);
    ASSERT_NE(ProbedRotation(source), 0);
    std::string output = temp().File(std::string("out") + format.extension);
    std::unique_ptr<CGraphMain> graph = format.make(&settings_);
    int opened = -100;
    MessageTrace trace = Convert(*graph, source, output, JobExtras{}, &opened);
    ASSERT_EQ(opened, 0);
    ASSERT_EQ(Joined(trace), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    ProbedStreamInfo video = StreamOf(output, "video");
    EXPECT_EQ(video.width, clip.width);
    EXPECT_EQ(video.height, clip.height);
    EXPECT_NEAR(VideoFrames(output), 60, 1);
    EXPECT_NEAR(ProbeFile(output).duration, 2.0, 0.1);
    // The output is what players show of the source, not the stored picture.
    EXPECT_GT(Ssim(output, source, clip.width, clip.height), 0.9);
    if (clip.width == 320) {
        EXPECT_LT(Ssim(output, stored, clip.width, clip.height), 0.7);
    }
    EXPECT_EQ(LoudestTone(SoundOf(temp(), output)), 440);
}

std::vector<TurnedCase> TurnedCases()
{
    std::vector<TurnedCase> cases;
    for (const Format& f : kFormats)
        for (const TurnedClip& c : kTurnedClips) cases.push_back({&f, &c});
    return cases;
}

std::string TurnedName(const ::testing::TestParamInfo<TurnedCase>& info)
{
    std::string name = std::string(info.param.format->name) + "_" + info.param.clip->name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Formats, TurnedSourceTest, ::testing::ValuesIn(TurnedCases()), TurnedName);

// The size rules apply to the turned picture: a phone's upright clip in a
// 4:3 output keeps its shape between bars.
TEST_F(WriterGraphConvertTest, ASizeFitsThePictureAsItIsSeen)
{
    settings_.SetDefaultSettings();
    settings_.nEncFormat = 1;
    WideOutput(settings_, 1, 0);
    settings_.nJobOutputHeight = 240;
    std::string stored =
        MakeMedia(temp(), "stored.mp4", "-f lavfi -i testsrc2=size=320x180:rate=30:duration=1 -c:v libx264");
    std::string source = WithDisplayMatrix(temp(), stored, "phone.mp4", 0, 1, -1, 0);
    std::string output = temp().File("out.mp4");
    CGraphMp4Writer graph(&settings_);
    int opened = -100;
    ASSERT_EQ(Joined(Convert(graph, source, output, JobExtras{}, &opened)),
              Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
    ExpectSize(Written{kFormats[1], temp(), output, source, graph}, 320, 240);
    // 180x320 shown in 240 rows is 136 wide, between bars of 92 pixels.
    GreyPicture p = PictureAt(temp(), output, 0.5);
    ASSERT_EQ(p.width, 320);
    EXPECT_LT(p.Mean(0, 0, 88, 240), 24) << "no bar on the left";
    EXPECT_LT(p.Mean(232, 0, 320, 240), 24) << "no bar on the right";
    EXPECT_GT(p.Mean(100, 0, 220, 240), 40);
    EXPECT_GT(Ssim(output, source, 320, 240, "scale=136:240,pad=320:240:92:0"), 0.8);
}

struct SoundSource {
    const char* name;
    const char* file;
    // The ffmpeg command line's arguments after a 2 s tone (and a picture
    // when `picture`).
    const char* args;
    bool picture;
};

// Sound in every PCM layout a file or a decoder gives reaches the output
// whole.
TEST_F(WriterGraphConvertTest, EveryPcmLayoutIsConverted)
{
    const SoundSource cases[] = {
        {"8-bit WAV", "u8.wav", "-c:a pcm_u8", false},
        {"24-bit WAV", "s24.wav", "-c:a pcm_s24le", false},
        {"32-bit WAV", "s32.wav", "-c:a pcm_s32le", false},
        {"float WAV", "f32.wav", "-c:a pcm_f32le", false},
        {"double WAV", "f64.wav", "-c:a pcm_f64le", false},
        {"24-bit 5.1 WAV", "s24-51.wav", "-c:a pcm_s24le -ac 6", false},
        {"8-bit mono in a camera's MOV", "camera.mov", "-c:v mjpeg -c:a pcm_u8 -ac 1 -ar 11025", true},
        {"24-bit big-endian in a MOV", "s24be.mov", "-c:v mjpeg -c:a pcm_s24be", true},
    };
    for (const SoundSource& c : cases) {
        SCOPED_TRACE(c.name);
        settings_.SetDefaultSettings();
        std::string args = c.picture ? "-f lavfi -i testsrc2=size=320x240:rate=25:duration=2 " : "";
        args += "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=2 " + std::string(c.args);
        std::string source = MakeMedia(temp(), c.file, args);
        std::string output = temp().File(std::string(c.file) + ".avi");
        CGraphAviWriter graph(&settings_);
        int opened = -100;
        MessageTrace trace = Convert(graph, source, output, JobExtras{}, &opened);
        ASSERT_EQ(opened, 0);
        EXPECT_EQ(Joined(trace), Joined({"STATE 2", "READY", "STATE 4", "EOF 0", "STATE 2"}));
        EXPECT_EQ(StreamOf(output, "audio").codecName, "mp3");
        std::vector<int16_t> sound = SoundOf(temp(), output);
        EXPECT_NEAR(static_cast<double>(sound.size()) / kSoundRate, FfmpegSoundSeconds(temp(), source, output), 0.1);
        EXPECT_NEAR(ToneShare(sound, kSoundRate, 440), 1.0, 0.1);
        if (c.picture) {
            EXPECT_NEAR(VideoFrames(output), 50, 1);
        }
    }
}

// ---- A phone's speech --------------------------------------------------------------------------------

std::string Be32(uint32_t v)
{
    return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
}
std::string Be16(uint16_t v) { return {static_cast<char>(v >> 8), static_cast<char>(v)}; }
std::string Box(const char* type, const std::string& body)
{
    return Be32(static_cast<uint32_t>(8 + body.size())) + type + body;
}
std::string FullBox(const char* type, uint32_t versionAndFlags, const std::string& body)
{
    return Box(type, Be32(versionAndFlags) + body);
}

// A 3GP of the speech alone whose samples hold `perSample` frames each, as
// phones store it (a second of speech in one sample).
std::string PhoneSpeech(const TempDir& dir, const std::string& name, const std::vector<std::string>& frames,
                        int perSample)
{
    std::vector<std::string> samples;
    for (size_t i = 0; i < frames.size(); i += static_cast<size_t>(perSample)) {
        std::string sample;
        for (size_t k = i; k < std::min(frames.size(), i + static_cast<size_t>(perSample)); ++k) sample += frames[k];
        samples.push_back(sample);
    }
    const uint32_t duration = static_cast<uint32_t>(frames.size()) * 160;  // at 8000 Hz
    const std::string matrix =
        Be32(0x10000) + Be32(0) + Be32(0) + Be32(0) + Be32(0x10000) + Be32(0) + Be32(0) + Be32(0) + Be32(0x40000000);
    const std::string damr =
        Box("damr", std::string("FFMP") + '\0' + Be16(0x81FF) + '\0' + static_cast<char>(perSample));
    const std::string samr = Box("samr", std::string(6, '\0') + Be16(1) + std::string(8, '\0') + Be16(1) + Be16(16) +
                                             Be16(0) + Be16(0) + Be32(8000u << 16) + damr);
    std::string sizes;
    for (const std::string& sample : samples) sizes += Be32(static_cast<uint32_t>(sample.size()));
    const std::string ftyp = Box("ftyp", std::string("3gp4") + Be32(0) + "isom3gp4");
    const std::string count = Be32(static_cast<uint32_t>(samples.size()));
    const std::string delta = Be32(static_cast<uint32_t>(perSample) * 160);
    auto moov = [&](uint32_t mdatAt) {
        // One chunk of every sample, each sample lasting its frames.
        std::string stbl =
            Box("stbl", FullBox("stsd", 0, Be32(1) + samr) + FullBox("stts", 0, Be32(1) + count + delta) +
                            FullBox("stsc", 0, Be32(1) + Be32(1) + count + Be32(1)) +
                            FullBox("stsz", 0, Be32(0) + count + sizes) + FullBox("stco", 0, Be32(1) + Be32(mdatAt)));
        std::string dinf = Box("dinf", FullBox("dref", 0, Be32(1) + FullBox("url ", 1, "")));
        std::string minf = Box("minf", FullBox("smhd", 0, Be32(0)) + dinf + stbl);
        std::string hdlr = FullBox("hdlr", 0, Be32(0) + "soun" + std::string(12, '\0') + std::string("Sound", 6));
        std::string mdhd = FullBox("mdhd", 0, Be32(0) + Be32(0) + Be32(8000) + Be32(duration) + Be16(0x55C4) + Be16(0));
        std::string tkhd = FullBox("tkhd", 7,
                                   Be32(0) + Be32(0) + Be32(1) + Be32(0) + Be32(duration / 8) + std::string(8, '\0') +
                                       Be16(0) + Be16(0) + Be16(0x100) + Be16(0) + matrix + Be32(0) + Be32(0));
        std::string mvhd = FullBox("mvhd", 0,
                                   Be32(0) + Be32(0) + Be32(1000) + Be32(duration / 8) + Be32(0x10000) + Be16(0x100) +
                                       std::string(10, '\0') + matrix + std::string(24, '\0') + Be32(2));
        return Box("moov", mvhd + Box("trak", tkhd + Box("mdia", mdhd + hdlr + minf)));
    };
    const uint32_t mdatAt = static_cast<uint32_t>(ftyp.size() + moov(0).size() + 8);
    std::string payload;
    for (const std::string& sample : samples) payload += sample;
    WriteBytes(dir.File(name), ftyp + moov(mdatAt) + Box("mdat", payload));
    return dir.File(name);
}

// A phone's AMR-NB speech reaches the output whole: muxed by the ffmpeg
// command line with a picture (a frame a sample), and as phones store it
// (fifty frames a sample, whose every frame the decoder must be given).
TEST_F(WriterGraphConvertTest, APhonesAmrSpeechReachesTheOutputWhole)
{
    const std::vector<std::string> frames = AmrSpeechFrames(750);
    std::string muxed =
        MakeMedia(temp(), "muxed.3gp",
                  "-f lavfi -i testsrc2=size=176x144:rate=15 -i '" + AmrSpeechFile(temp(), "speech.amr", 750) +
                      "' -map 0:v -map 1:a -c:v mpeg4 -c:a copy -t 15");
    std::string phone = PhoneSpeech(temp(), "phone.3gp", frames, 50);
    for (const std::string& source : {muxed, phone}) {
        ASSERT_EQ(StreamOf(source, "audio").codecName, "amr_nb") << source;
        EXPECT_NEAR(ProbeFile(source).duration, 15.0, 0.05) << source;
    }
    ASSERT_NEAR(SoundSeconds(temp(), muxed), 15.0, 0.1);
    for (const std::string& source : {muxed, phone})
        for (int format : {0, 1}) {
            SCOPED_TRACE(source + (format ? " as MP4" : " as AVI"));
            settings_.SetDefaultSettings();
            settings_.nEncFormat = format;
            std::string output = temp().File(format ? "speech.mp4" : "speech.avi");
            std::unique_ptr<CGraphMain> graph = kFormats[format].make(&settings_);
            int opened = -100;
            MessageTrace trace = Convert(*graph, source, output, JobExtras{}, &opened);
            ASSERT_EQ(opened, 0);
            EXPECT_EQ(Joined(trace), Joined(JobTrace("EOF 0")));
            // Against what the ffmpeg command line makes of the whole speech.
            std::vector<int16_t> sound = SoundOf(temp(), output);
            EXPECT_NEAR(static_cast<double>(sound.size()) / kSoundRate, FfmpegSoundSeconds(temp(), muxed, output), 0.1);
            EXPECT_GT(PeakOf(sound), 0.05);
            if (source == muxed) {
                EXPECT_NEAR(VideoFrames(output), 225, 1);
            }
        }
}

// Cover art and attachments are never the video: a film with a cover keeps
// its own picture, and a song with a cover is converted as sound.
TEST_F(WriterGraphConvertTest, AttachedPicturesAreNeverTheVideo)
{
    std::string cover = MakeMedia(temp(), "cover.png", "-f lavfi -i testsrc=size=295x104 -frames:v 1");
    std::string film = MakeMedia(temp(), "film.mkv",
                                 "-f lavfi -i testsrc2=size=384x288:rate=25:duration=2 "
                                 "-f lavfi -i sine=frequency=440:duration=2 -c:v mpeg4 -c:a libvorbis -attach '" +
                                     cover + "' -metadata:s:t mimetype=image/png");
    std::string song = MakeMedia(temp(), "song.mp3",
                                 "-f lavfi -i sine=frequency=440:duration=2 -i '" + cover +
                                     "' -map 0:a -map 1:v -c:a libmp3lame -c:v png -disposition:v attached_pic "
                                     "-id3v2_version 3");
    settings_.SetDefaultSettings();
    CGraphAviWriter graph(&settings_);
    int opened = -100;
    std::string filmOut = temp().File("film.avi");
    EXPECT_EQ(JobRun(Convert(graph, film, filmOut, JobExtras{}, &opened)), Joined(JobTrace("EOF 0")));
    ExpectSize(Written{kFormats[0], temp(), filmOut, film, graph}, 384, 288);
    EXPECT_NEAR(VideoFrames(filmOut), 50, 1);
    std::string songOut = temp().File("song.avi");
    EXPECT_EQ(JobRun(Convert(graph, song, songOut, JobExtras{}, &opened)), Joined(JobTrace("EOF 0")));
    ProbedFile written = ProbeFile(songOut);
    ASSERT_EQ(written.streams.size(), 1u);
    EXPECT_EQ(written.streams[0].kind, "audio");
    EXPECT_NEAR(SoundSeconds(temp(), songOut), FfmpegSoundSeconds(temp(), song, songOut), 0.1);
}

// A file of one picture (whose container guesses 1000 frames a second)
// keeps its picture in the PSP's 29.97 frames a second, within a frame of
// what the ffmpeg command line keeps.
TEST_F(WriterGraphConvertTest, AOnePictureSourceKeepsItsPictureAtTheFormatsRate)
{
    std::string source = MakeMedia(temp(), "one.wmv",
                                   "-f lavfi -i testsrc2=size=320x240:rate=25:duration=0.04 "
                                   "-f lavfi -i sine=frequency=440:duration=1 -c:v wmv2 -c:a wmav2");
    std::string reference =
        MakeMedia(temp(), "reference.mp4", "-i '" + source + "' -r 30000/1001 -c:v mpeg4 -c:a aac -ar 24000 -f psp");
    settings_.SetDefaultSettings();
    settings_.nEncFormat = 1;
    settings_.Mp4Encoder.bSupportPSP = 1;
    settings_.nVideoFrameRate = 29970;
    settings_.nVideoFrameScale = 1000;
    settings_.nJobOutputWidth = 320;
    settings_.nJobOutputHeight = 240;
    std::string output = temp().File("one.mp4");
    CGraphMp4Writer graph(&settings_);
    int opened = -100;
    EXPECT_EQ(Joined(Convert(graph, source, output, JobExtras{}, &opened)), Joined(JobTrace("EOF 0")));
    // The picture lasts its 40 ms: at 29.97 frames a second that is one
    // frame or two, as a constant rate rounds it.
    EXPECT_NEAR(VideoFrames(output), VideoFrames(reference), 1);
    EXPECT_GE(VideoFrames(output), 1);
}

// A copy of an AVI file whose video frames are noise: the container and
// the sound stay whole, no picture can be decoded.
std::string WithUndecodableVideo(const TempDir& dir, const std::string& avi, const std::string& name)
{
    std::string bytes = ReadBytes(avi);
    size_t movi = bytes.find("movi");
    EXPECT_NE(movi, std::string::npos);
    uint32_t noise = 99;
    for (size_t at = movi + 4; movi != std::string::npos && at + 8 <= bytes.size();) {
        uint32_t size = 0;
        std::memcpy(&size, bytes.data() + at + 4, 4);
        if (size > bytes.size() - at - 8) break;
        if (bytes.compare(at, 4, "idx1") == 0) break;
        if (bytes.compare(at + 2, 2, "dc") == 0)
            for (uint32_t i = 0; i < size; ++i) {
                noise = noise * 1103515245u + 12345u;
                bytes[at + 8 + i] = static_cast<char>(noise >> 16);
            }
        at += 8 + size + (size & 1);
    }
    WriteBytes(dir.File(name), bytes);
    return dir.File(name);
}

struct LackingCase {
    const char* name;
    std::string (*make)(const TempDir& dir);
    int encFormat;
    bool psp;
    const char* eof;
};

// A second of picture in the codec and of sound, in an AVI file whose
// video frames are then made noise.
std::string UndecodableSource(const TempDir& d, const std::string& codec)
{
    std::string whole = MakeMedia(d, codec + ".avi",
                                  "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 "
                                  "-f lavfi -i sine=frequency=440:duration=1 -c:v " +
                                      codec + " -c:a mp2");
    return WithUndecodableVideo(d, whole, "broken-" + codec + ".avi");
}

const LackingCase kLackingCases[] = {
    {"VP9 that does not decode", [](const TempDir& d) { return UndecodableSource(d, "libvpx-vp9"); }, 0, false,
     "EOF 3587"},
    {"MPEG-4 that does not decode, as MP4", [](const TempDir& d) { return UndecodableSource(d, "mpeg4"); }, 1, false,
     "EOF 3587"},
    {"sound only, for the PSP",
     [](const TempDir& d) { return MakeMedia(d, "sound.wav", "-f lavfi -i sine=frequency=440:duration=1"); }, 1, true,
     "EOF 3587"},
    {"picture only, for the PSP",
     [](const TempDir& d) {
         return MakeMedia(d, "picture.avi", "-f lavfi -i testsrc2=size=320x240:rate=25:duration=1 -c:v mpeg4");
     },
     1, true, "EOF 3588"},
};

// A job whose output would lack a stream the settings ask for fails with
// the code that says which, and leaves no file; the next job of the batch
// runs as before.
TEST_F(WriterGraphConvertTest, AnOutputLackingAStreamFailsAndLeavesNoFile)
{
    std::string good = MovingSource();
    for (const LackingCase& c : kLackingCases) {
        SCOPED_TRACE(c.name);
        settings_.SetDefaultSettings();
        settings_.nEncFormat = c.encFormat;
        settings_.Mp4Encoder.bSupportPSP = c.psp ? 1 : 0;
        std::string source = c.make(temp());
        std::string output = temp().File(std::string("lacking") + kFormats[c.encFormat].extension);
        std::unique_ptr<CGraphMain> graph = kFormats[c.encFormat].make(&settings_);
        int opened = -100;
        MessageTrace trace = Convert(*graph, source, output, JobExtras{}, &opened);
        ASSERT_EQ(opened, 0);
        EXPECT_EQ(Joined(trace), Joined(JobTrace(c.eof)));
        EXPECT_FALSE(std::filesystem::exists(output));
        std::string next = temp().File(std::string("next") + kFormats[c.encFormat].extension);
        EXPECT_EQ(JobRun(Convert(*graph, good, next, JobExtras{}, &opened)), Joined(JobTrace("EOF 0")));
        EXPECT_GT(VideoFrames(next), 0);
    }
}

// One graph object serves a whole batch, as in the progress window: a job
// without a segment after one with a segment converts whole, in one pass
// and in two, and a later segment is again its own.
TEST_F(WriterGraphConvertTest, ASegmentBelongsToTheJobThatSetIt)
{
    std::string source = MovingSource();
    struct Mode {
        const char* name;
        int videoEncMode;
    } const modes[] = {{"one pass", 0}, {"two passes", 2}};
    struct Job {
        double start, end;  // seconds; a segment when start < end
        int frames;         // 25 frames a second
    } const jobs[] = {{0.4, 1.4, 25}, {0, 0, 50}, {1.0, 1.6, 15}, {0, 0, 50}};
    for (const Mode& mode : modes) {
        SCOPED_TRACE(mode.name);
        settings_.SetDefaultSettings();
        settings_.AviEncoder.nVideoEncMode = mode.videoEncMode;
        CGraphAviWriter graph(&settings_);
        for (size_t i = 0; i < std::size(jobs); ++i) {
            SCOPED_TRACE("job " + std::to_string(i + 1));
            JobExtras extras;
            extras.segmentStart = jobs[i].start;
            extras.segmentEnd = jobs[i].end;
            std::string output = temp().File(std::string("batch-") + std::to_string(mode.videoEncMode) + "-" +
                                             std::to_string(i) + ".avi");
            int opened = -100;
            MessageTrace trace = Convert(graph, source, output, extras, &opened);
            ASSERT_EQ(opened, 0);
            EXPECT_EQ(JobRun(trace), Joined(JobTrace("EOF 0")));
            EXPECT_EQ(graph.GetCurrentPass(), mode.videoEncMode == 2 ? 2 : 1);
            EXPECT_NEAR(VideoFrames(output), jobs[i].frames, 1);
        }
    }
}

}  // namespace
