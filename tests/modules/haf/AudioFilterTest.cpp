// The audio treatment filter of HAF.ax in a running graph: sound made by the
// ffmpeg command line, read by the system's source and decoder, treated, and kept
// by a sink; the result written as a wave file and judged by ffprobe and
// ffmpeg's level statistics, or by its samples (frequency, onset).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>

#include "encoder/pipeline/PluginDsp.h"
#include "modules/api/AudioFilterControl.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/filters/FilterGuids.h"
#include "platform/dshow/filters/PcmFormat.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "tests/modules/haf/SoundAnalysis.h"
#include "tests/platform/dshow/MediaFiles.h"
#include "tests/support/GraphHelpers.h"
#include "tests/support/ProgramModules.h"
#include "tests/support/SampleSink.h"

namespace {

// What the sink kept of a run.
struct Treated {
    std::vector<int16_t> samples;
    int rate = 0;
    int channels = 0;
    REFERENCE_TIME firstStart = -1;
    size_t Frames() const { return channels ? samples.size() / static_cast<size_t>(channels) : 0; }
    double Seconds() const { return rate ? static_cast<double>(Frames()) / rate : 0; }
};

class AudioFilterTest : public SystemFilterTest {
protected:
    void SetUp() override
    {
        SystemFilterTest::SetUp();
        graph = CreateGraph();
        ASSERT_TRUE(graph);
        audio = FilterFromProgramModule("HAF.ax", CLSID_HalvaneAudioFilter);
        ASSERT_TRUE(audio);
        ASSERT_EQ(audio.As(&control), S_OK);
        ASSERT_EQ(graph->AddFilter(audio.Get(), kAudioFilterName), S_OK);
    }
    void TearDown() override
    {
        ComPtr<IMediaControl> media;
        if (graph && SUCCEEDED(graph.As(&media))) media->Stop();
        control.Reset();
        audio.Reset();
        graph.Reset();
        SystemFilterTest::TearDown();
    }

    // The file's audio streams, each decoded into the next free input of
    // the filter (or, with decode false, as the source gives them).
    void Open(const std::string& path, bool decode = true)
    {
        ComPtr<IBaseFilter> source = CreateFilter(CLSID_MediaSource);
        ComPtr<IFileSourceFilter> load;
        ASSERT_EQ(source.As(&load), S_OK);
        ASSERT_EQ(load->Load(FromNativePath(path).c_str(), nullptr), S_OK);
        ASSERT_EQ(graph->AddFilter(source.Get(), L"Source"), S_OK);
        for (const ComPtr<IPin>& out : FilterPins(source.Get(), PINDIR_OUTPUT)) {
            if (!decode) {
                ASSERT_EQ(
                    graph->ConnectDirect(out.Get(), FilterPins(audio.Get(), PINDIR_INPUT, true).at(0).Get(), nullptr),
                    S_OK);
                continue;
            }
            ComPtr<IBaseFilter> decoder = CreateFilter(CLSID_AudioDecoder);
            ASSERT_TRUE(SUCCEEDED(graph->AddFilter(decoder.Get(), nullptr)));
            ASSERT_EQ(graph->ConnectDirect(out.Get(), FilterPins(decoder.Get(), PINDIR_INPUT)[0].Get(), nullptr), S_OK);
            ASSERT_EQ(graph->ConnectDirect(FilterPins(decoder.Get(), PINDIR_OUTPUT)[0].Get(),
                                           FilterPins(audio.Get(), PINDIR_INPUT, true).at(0).Get(), nullptr),
                      S_OK);
        }
    }
    void ConnectSink()
    {
        ComPtr<IBaseFilter> s = CSampleSink::Make(&sink, true);
        ASSERT_EQ(graph->AddFilter(s.Get(), L"Sink"), S_OK);
        ASSERT_EQ(graph->ConnectDirect(FilterPins(audio.Get(), PINDIR_OUTPUT)[0].Get(),
                                       FilterPins(s.Get(), PINDIR_INPUT)[0].Get(), nullptr),
                  S_OK);
    }
    Treated RunToEnd()
    {
        RunGraphToEnd(graph.Get());
        Treated t;
        PcmFormat format;
        EXPECT_TRUE(PcmFormatOfType(sink->Type(), &format));
        EXPECT_EQ(format.sampleFormat, AV_SAMPLE_FMT_S16);
        t.rate = format.rate;
        t.channels = format.channels;
        t.samples = Samples16(sink->Bytes());
        t.firstStart = sink->FirstStart();
        return t;
    }
    // Open, configure, connect the sink, run.
    template <class Configure>
    Treated Treat(const std::string& path, Configure configure)
    {
        Open(path);
        configure(control.Get());
        ConnectSink();
        return RunToEnd();
    }
    Treated Treat(const std::string& path)
    {
        return Treat(path, [](IAudioFilterControl*) {});
    }

    TempDir dir;
    ComPtr<IGraphBuilder> graph;
    ComPtr<IBaseFilter> audio;
    ComPtr<IAudioFilterControl> control;
    CSampleSink* sink = nullptr;
};

// A tone of one frequency per channel (lossless, so that levels survive).
std::string MakeTones(const TempDir& dir, const std::string& name, int rate, std::vector<int> frequencies,
                      double seconds = 2.0, double amplitude = 0.5)
{
    std::string args, merge;
    for (size_t i = 0; i < frequencies.size(); ++i) {
        char source[160];
        std::snprintf(source, sizeof source, "-f lavfi -i 'aevalsrc=%g*sin(2*PI*%d*t):s=%d:d=%g' ", amplitude,
                      frequencies[i], rate, seconds);
        args += source;
        merge.append("[").append(std::to_string(i)).append(":a]");
    }
    if (frequencies.size() > 1)
        args += "-filter_complex " + merge + "amerge=inputs=" + std::to_string(frequencies.size()) + " ";
    return MakeMedia(dir, name, args + "-c:a flac");
}

struct ShapeCase {
    const char* name;
    int sourceRate;
    int sourceChannels;
    int rate;      // SetAudioSampleRate; 0 keeps the source's
    int channels;  // SetAudioChannels; 0 keeps the source's
    double playback;
    bool keepPitch;
    // What comes out.
    int expectRate;
    int expectChannels;
    double expectFrequency;  // of the 440 Hz tone
};

void PrintTo(const ShapeCase& c, std::ostream* os) { *os << c.name; }

class AudioShapeTest : public AudioFilterTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(AudioShapeTest, RateChannelsSpeedAndPitchAreWhatWasAskedFor)
{
    const ShapeCase& c = GetParam();
    const double seconds = 2.0;
    std::string path = MakeTones(dir, "tone.mka", c.sourceRate, std::vector<int>(c.sourceChannels, 440), seconds);
    Treated out = Treat(path, [&](IAudioFilterControl* audioControl) {
        EXPECT_EQ(audioControl->SetAudioSampleRate(c.rate), S_OK);
        EXPECT_EQ(audioControl->SetAudioChannels(c.channels), S_OK);
        EXPECT_EQ(audioControl->SetAudioBitsPerSample(16), S_OK);
        EXPECT_EQ(audioControl->SetAudioPlaybackRate(c.playback), S_OK);
        EXPECT_EQ(audioControl->SetAudioPitchFix(c.keepPitch ? 1 : 0), S_OK);
    });
    std::string wave = WriteWave(dir, "out.wav", out.samples, out.rate, out.channels);
    ProbedFile probed = ProbeFile(wave);
    ASSERT_EQ(probed.streams.size(), 1u);
    EXPECT_EQ(probed.streams[0].sampleRate, c.expectRate);
    EXPECT_EQ(probed.streams[0].channels, c.expectChannels);
    // Within one audio frame (1024 samples) of the length asked for.
    const double expected = seconds / c.playback;
    EXPECT_NEAR(probed.duration, expected, 1024.0 / c.expectRate);
    EXPECT_EQ(out.firstStart, 0);
    const size_t frames = out.Frames();
    for (int channel = 0; channel < out.channels; ++channel)
        EXPECT_NEAR(ToneFrequency(out.samples, out.channels, channel, out.rate, frames / 10, frames * 9 / 10),
                    c.expectFrequency, c.expectFrequency * 0.02)
            << "channel " << channel;
}

const ShapeCase kShapeCases[] = {
    {"Unchanged", 44100, 2, 0, 0, 1.0, false, 44100, 2, 440},
    {"Down48To441Stereo", 48000, 2, 44100, 2, 1.0, false, 44100, 2, 440},
    {"MonoUpToStereo48", 22050, 1, 48000, 2, 1.0, false, 48000, 2, 440},
    {"SixChannelsDownToMono", 48000, 6, 32000, 1, 1.0, false, 32000, 1, 440},
    {"FasterKeepsPitch", 48000, 2, 44100, 0, 1.5, true, 44100, 2, 440},
    {"SlowerKeepsPitch", 44100, 2, 0, 0, 0.5, true, 44100, 2, 440},
    {"MuchSlowerKeepsPitch", 44100, 1, 0, 0, 0.25, true, 44100, 1, 440},
    {"FasterRaisesPitch", 48000, 2, 44100, 0, 1.5, false, 44100, 2, 660},
    {"SlowerLowersPitch", 44100, 2, 0, 0, 0.5, false, 44100, 2, 220},
    {"DoubleRaisesAnOctave", 32000, 1, 48000, 1, 2.0, false, 48000, 1, 880},
};

INSTANTIATE_TEST_SUITE_P(Cases, AudioShapeTest, ::testing::ValuesIn(kShapeCases),
                         [](const ::testing::TestParamInfo<ShapeCase>& i) { return std::string(i.param.name); });

struct LayoutCase {
    const char* name;
    const char* codec;  // of a wave file
    int channels;
};

// Sound as files hold it uncompressed (no decoder between): every sample
// size and any channel layout is taken and converted.
TEST_F(AudioFilterTest, EveryPcmLayoutOfASourceIsTakenAndConverted)
{
    const LayoutCase cases[] = {
        {"8-bit mono", "pcm_u8", 1},    {"16-bit stereo", "pcm_s16le", 2}, {"24-bit stereo", "pcm_s24le", 2},
        {"32-bit 5.1", "pcm_s32le", 6}, {"float stereo", "pcm_f32le", 2},  {"double mono", "pcm_f64le", 1},
        {"24-bit 7.1", "pcm_s24le", 8}, {"24-bit three", "pcm_s24le", 3},
    };
    for (const LayoutCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        // The tone in every channel.
        std::string tone = "0.5*sin(2*PI*440*t)", tones = tone;
        for (int i = 1; i < c.channels; ++i) tones += "|" + tone;
        std::string path =
            MakeMedia(dir, "tone.wav", "-f lavfi -i 'aevalsrc=" + tones + ":s=48000:d=1' -c:a " + c.codec);
        Open(path, false);
        ASSERT_EQ(control->SetAudioChannels(2), S_OK);
        ConnectSink();
        Treated out = RunToEnd();
        EXPECT_EQ(out.rate, 48000);
        ASSERT_EQ(out.channels, 2);
        EXPECT_NEAR(out.Seconds(), 1.0, 1024.0 / 48000);
        const size_t frames = out.Frames();
        for (int channel = 0; channel < 2; ++channel)
            EXPECT_NEAR(ToneFrequency(out.samples, 2, channel, 48000, frames / 10, frames * 9 / 10), 440, 9)
                << "channel " << channel;
        int peak = 0;
        for (int16_t v : out.samples) peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_GT(peak, 0.25 * 32768);
    }
}

struct LevelCase {
    const char* name;
    double amplitude;  // of the source's tone
    int amplifyDb;
    bool normalize;
    int level;  // percent
    double limit;
    double expectPeakDb;
};

void PrintTo(const LevelCase& c, std::ostream* os) { *os << c.name; }

class AudioLevelTest : public AudioFilterTest, public ::testing::WithParamInterface<LevelCase> {};

TEST_P(AudioLevelTest, GainAndNormaliserReachTheLevelAskedFor)
{
    const LevelCase& c = GetParam();
    std::string path = MakeTones(dir, "tone.mka", 44100, {440, 440}, 2.0, c.amplitude);
    Treated out = Treat(path, [&](IAudioFilterControl* audioControl) {
        EXPECT_EQ(audioControl->SetAudioAmplify(c.amplifyDb), S_OK);
        EXPECT_EQ(audioControl->SetAudioNormalize(c.normalize ? 1 : 0), S_OK);
        EXPECT_EQ(audioControl->SetAudioNormalizeLevel(c.level), S_OK);
        EXPECT_EQ(audioControl->SetAudioGainLimit(c.limit), S_OK);
    });
    SoundLevels levels = MeasureLevels(WriteWave(dir, "out.wav", out.samples, out.rate, out.channels));
    EXPECT_NEAR(levels.peakDb, c.expectPeakDb, 0.5);
    // A sine's RMS stands 3 dB below its peak unless it was clipped.
    if (c.expectPeakDb < -0.5) {
        EXPECT_NEAR(levels.rmsDb, c.expectPeakDb - 3.01, 0.5);
    }
}

const double kProgramLimit = std::pow(10.0, 0.4);

const LevelCase kLevelCases[] = {
    {"Untouched", 0.5, 0, false, 100, kProgramLimit, -6.02},
    {"Louder", 0.5, 4, false, 100, kProgramLimit, -2.02},
    {"Quieter", 0.5, -12, false, 100, kProgramLimit, -18.02},
    {"ClipsAtFullScale", 0.5, 12, false, 100, kProgramLimit, 0.0},
    {"NormaliserHeldToItsLimit", 0.1, 0, true, 90, kProgramLimit, -20.0 + 8.0},
    {"NormaliserReachesTheLevel", 0.1, 0, true, 90, 100.0, -0.92},
    {"NormaliserNeverLowers", 0.9, 0, true, 50, kProgramLimit, -0.92},
    {"NormaliserThenAmplify", 0.1, -6, true, 50, 100.0, -6.02 - 6.0},
};

INSTANTIATE_TEST_SUITE_P(Cases, AudioLevelTest, ::testing::ValuesIn(kLevelCases),
                         [](const ::testing::TestParamInfo<LevelCase>& i) { return std::string(i.param.name); });

struct DelayCase {
    const char* name;
    int delayMs;
    double playback;
    double expectOnsetMs;   // of the tone that starts 500 ms into the source
    double expectLengthMs;  // of the 2 s source
};

void PrintTo(const DelayCase& c, std::ostream* os) { *os << c.name; }

class AudioDelayTest : public AudioFilterTest, public ::testing::WithParamInterface<DelayCase> {};

TEST_P(AudioDelayTest, DelayPutsSilenceInFrontOrCutsTheStart)
{
    const DelayCase& c = GetParam();
    const int rate = 48000;
    std::string path = MakeMedia(
        dir, "late.mka", "-f lavfi -i 'aevalsrc=if(gte(t\\,0.5)\\,0.5*sin(2*PI*440*t)\\,0):s=48000:d=2' -c:a flac");
    Treated out = Treat(path, [&](IAudioFilterControl* audioControl) {
        EXPECT_EQ(audioControl->SetAudioSyncDelay(c.delayMs), S_OK);
        EXPECT_EQ(audioControl->SetAudioPlaybackRate(c.playback), S_OK);
    });
    ASSERT_EQ(out.rate, rate);
    EXPECT_EQ(out.firstStart, 0);
    const double frameMs = 1000.0 / rate;
    EXPECT_NEAR(OnsetFrame(out.samples, out.channels, 0, 0.01) * frameMs, c.expectOnsetMs, 1.0);
    EXPECT_NEAR(out.Frames() * frameMs, c.expectLengthMs, 1.0);
    EXPECT_NEAR(ProbeFile(WriteWave(dir, "out.wav", out.samples, out.rate, out.channels)).duration * 1000,
                c.expectLengthMs, 1.0);
}

const DelayCase kDelayCases[] = {
    {"None", 0, 1.0, 500, 2000},
    {"SilenceInFront", 250, 1.0, 750, 2250},
    {"StartCut", -250, 1.0, 250, 1750},
    {"OnTheSpedUpTimeLine", 250, 2.0, 500, 1250},
    {"CutOnTheSlowedTimeLine", -400, 0.5, 600, 3600},
};

INSTANTIATE_TEST_SUITE_P(Cases, AudioDelayTest, ::testing::ValuesIn(kDelayCases),
                         [](const ::testing::TestParamInfo<DelayCase>& i) { return std::string(i.param.name); });

TEST_F(AudioFilterTest, AfterASeekTheStreamStartsAgainWithItsDelayOnTheNewTimeLine)
{
    std::string path = MakeTones(dir, "tone.mka", 48000, {440}, 4.0);
    Open(path);
    EXPECT_EQ(control->SetAudioSyncDelay(250), S_OK);
    ConnectSink();
    ComPtr<IMediaSeeking> seeking;
    ASSERT_EQ(graph.As(&seeking), S_OK);
    LONGLONG start = 2 * UNITS;
    ASSERT_EQ(seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning), S_OK);
    Treated out = RunToEnd();
    EXPECT_EQ(out.firstStart, 0);
    EXPECT_NEAR(out.Seconds(), 2.25, 0.001);
    EXPECT_NEAR(OnsetFrame(out.samples, 1, 0, 0.01) * 1000.0 / out.rate, 250, 1.0);
}

TEST_F(AudioFilterTest, ACutLongerThanTheSoundLeavesAnEmptyStreamThatStillEnds)
{
    std::string path = MakeTones(dir, "tone.mka", 44100, {440}, 1.0);
    Treated out =
        Treat(path, [](IAudioFilterControl* audioControl) { EXPECT_EQ(audioControl->SetAudioSyncDelay(-5000), S_OK); });
    EXPECT_EQ(out.Frames(), 0u);
}

TEST_F(AudioFilterTest, TheChosenOfThreeStreamsFlows)
{
    std::string path = MakeMedia(dir, "three.mka",
                                 "-f lavfi -i 'sine=f=300:r=44100:d=2' -f lavfi -i 'sine=f=440:r=44100:d=2' "
                                 "-f lavfi -i 'sine=f=700:r=44100:d=2' -map 0 -map 1 -map 2 -c:a flac");
    Open(path);
    int count = -1;
    EXPECT_EQ(control->GetAudioStreamCount(&count), S_OK);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(control->SetAudioStream(1), S_OK);
    int current = -1;
    EXPECT_EQ(control->GetCurrentAudioStream(&current), S_OK);
    EXPECT_EQ(current, 1);
    wchar_t text[260];
    int length = 260;
    EXPECT_EQ(control->GetAudioStreamInfo(1, text, &length), S_OK);
    EXPECT_EQ(std::wstring(text), L"flac, 44100 Hz, 1 channel");
    EXPECT_EQ(length, static_cast<int>(std::wstring(text).size()));
    // Cut to fit, and refused past the streams or without room.
    length = 5;
    EXPECT_EQ(control->GetAudioStreamInfo(0, text, &length), S_OK);
    EXPECT_EQ(std::wstring(text), L"flac");
    length = 260;
    EXPECT_EQ(control->GetAudioStreamInfo(3, text, &length), E_INVALIDARG);
    EXPECT_EQ(length, -1);
    length = 0;
    EXPECT_EQ(control->GetAudioStreamInfo(0, text, &length), E_INVALIDARG);
    EXPECT_EQ(length, -1);

    ConnectSink();
    Treated out = RunToEnd();
    const size_t frames = out.Frames();
    EXPECT_NEAR(out.Seconds(), 2.0, 0.01);
    EXPECT_NEAR(ToneFrequency(out.samples, 1, 0, out.rate, 0, frames), 440, 440 * 0.02);
}

TEST_F(AudioFilterTest, AStreamPastTheConnectedOnesLetsTheFirstFlow)
{
    std::string path = MakeMedia(dir, "two.mka",
                                 "-f lavfi -i 'sine=f=300:r=44100:d=1' -f lavfi -i 'sine=f=700:r=44100:d=1' "
                                 "-map 0 -map 1 -c:a flac");
    EXPECT_EQ(control->SetAudioStream(4), S_OK);
    int current = -1;
    EXPECT_EQ(control->GetCurrentAudioStream(&current), S_OK);
    EXPECT_EQ(current, 4);  // nothing connected yet: the choice as set
    Open(path);
    EXPECT_EQ(control->GetCurrentAudioStream(&current), S_OK);
    EXPECT_EQ(current, 0);
    ConnectSink();
    Treated out = RunToEnd();
    EXPECT_NEAR(ToneFrequency(out.samples, 1, 0, out.rate, 0, out.Frames()), 300, 300 * 0.02);
}

// A DSP module of the test: its treatment and what it was given.
struct TestDsp {
    DspPluginModule module{};
    int calls = 0;
    int bits = 0, channels = 0, rate = 0;
    // How many frames it says it gives back: factor times those given, or
    // a fixed count when factor is 0.
    int factor = 1;
    int fixed = 0;
};
int HalveAndSwap(DspPluginModule* self, short* samples, int frames, int bits, int channels, int rate)
{
    TestDsp* dsp = static_cast<TestDsp*>(self->userData);
    ++dsp->calls;
    dsp->bits = bits;
    dsp->channels = channels;
    dsp->rate = rate;
    for (int i = 0; i < frames; ++i) {
        short left = samples[i * channels], right = samples[i * channels + 1];
        samples[i * channels] = static_cast<short>(right / 2);
        samples[i * channels + 1] = static_cast<short>(left / 2);
    }
    return dsp->factor ? frames * dsp->factor : dsp->fixed;
}

TEST_F(AudioFilterTest, TheDspModuleTreatsInterleavedSixteenBitSamplesUnderTheFilter)
{
    std::string path = MakeTones(dir, "lr.mka", 44100, {440, 660}, 1.0, 0.5);
    TestDsp dsp;
    dsp.module.ModifySamples = HalveAndSwap;
    dsp.module.userData = &dsp;
    Treated out = Treat(path, [&](IAudioFilterControl* audioControl) {
        EXPECT_EQ(audioControl->SetAudioDspModule(&dsp.module), S_OK);
    });
    EXPECT_GT(dsp.calls, 0);
    EXPECT_EQ(dsp.bits, 16);
    EXPECT_EQ(dsp.channels, 2);
    EXPECT_EQ(dsp.rate, 44100);
    ASSERT_EQ(out.channels, 2);
    const size_t frames = out.Frames();
    EXPECT_NEAR(ToneFrequency(out.samples, 2, 0, out.rate, 0, frames), 660, 660 * 0.02);
    EXPECT_NEAR(ToneFrequency(out.samples, 2, 1, out.rate, 0, frames), 440, 440 * 0.02);
    EXPECT_NEAR(PeakOf(out.samples, 2, 0), 0.25 * 32768, 100);
    EXPECT_NEAR(PeakOf(out.samples, 2, 1), 0.25 * 32768, 100);
}

TEST_F(AudioFilterTest, TheSamplePluginHalvesTheSoundOrSwapsTheChannels)
{
    std::string path = MakeTones(dir, "lr.mka", 44100, {440, 660}, 1.0, 0.5);
    CPlugin_dsp plugin(Utf8ToWide(ProgramFile("Plugins/dsp_rivo_sample.so")).c_str());
    ASSERT_NE(plugin.GetHeader(), nullptr);
    struct {
        int module;
        int leftFrequency, rightFrequency;
        double peak;  // of full scale
    } cases[] = {
        {0, 440, 660, 0.25},  // half volume
        {1, 660, 440, 0.5},   // left and right swapped
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("module " + std::to_string(c.module));
        TearDown();
        SetUp();
        DspPluginModule* module = plugin.SelectModule(c.module, nullptr);
        ASSERT_NE(module, nullptr);
        Treated out = Treat(
            path, [&](IAudioFilterControl* audioControl) { EXPECT_EQ(audioControl->SetAudioDspModule(module), S_OK); });
        ASSERT_EQ(out.channels, 2);
        const size_t frames = out.Frames();
        EXPECT_NEAR(out.Seconds(), 1.0, 0.01);
        EXPECT_NEAR(ToneFrequency(out.samples, 2, 0, out.rate, 0, frames), c.leftFrequency, c.leftFrequency * 0.02);
        EXPECT_NEAR(ToneFrequency(out.samples, 2, 1, out.rate, 0, frames), c.rightFrequency, c.rightFrequency * 0.02);
        SoundLevels levels = MeasureLevels(WriteWave(dir, "out.wav", out.samples, out.rate, out.channels));
        EXPECT_NEAR(levels.peakDb, 20 * std::log10(c.peak), 0.5);
    }
    // The program clears the filter's module before the plug-in goes.
    EXPECT_EQ(control->SetAudioDspModule(nullptr), S_OK);
}

TEST_F(AudioFilterTest, FrameCountsADspModuleReportsAreHeldToTheBuffersRoom)
{
    std::string path = MakeTones(dir, "lr.mka", 44100, {440, 660}, 1.0, 0.5);
    struct {
        int factor, fixed;
        double expectSeconds;
    } cases[] = {
        {1, 0, 1.0},   // as given
        {3, 0, 2.0},   // three times the frames: only the room of twice them
        {0, -7, 0.0},  // below zero: none
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.factor ? "factor " + std::to_string(c.factor) : "fixed " + std::to_string(c.fixed));
        TearDown();
        SetUp();
        TestDsp dsp;
        dsp.module.ModifySamples = HalveAndSwap;
        dsp.module.userData = &dsp;
        dsp.factor = c.factor;
        dsp.fixed = c.fixed;
        Treated out =
            Treat(path, [&](IAudioFilterControl* audioControl) { audioControl->SetAudioDspModule(&dsp.module); });
        EXPECT_NEAR(out.Seconds(), c.expectSeconds, 0.01);
        // The frames a module made up without writing them are silence.
        if (c.factor == 3 && out.samples.size() > 1024) {
            EXPECT_EQ(PeakOf(std::vector<int16_t>(out.samples.end() - 1024, out.samples.end()), 2, 0), 0);
        }
    }
}

TEST_F(AudioFilterTest, SettersRefuseValuesThatMakeNoSoundAndKeepTheOldOnes)
{
    struct {
        const char* what;
        std::function<HRESULT(IAudioFilterControl*)> call;
        HRESULT expect;
    } cases[] = {
        {"rate 8000", [](IAudioFilterControl* c) { return c->SetAudioSampleRate(8000); }, S_OK},
        {"rate 192000", [](IAudioFilterControl* c) { return c->SetAudioSampleRate(192000); }, S_OK},
        {"rate 7999", [](IAudioFilterControl* c) { return c->SetAudioSampleRate(7999); }, E_INVALIDARG},
        {"rate -44100", [](IAudioFilterControl* c) { return c->SetAudioSampleRate(-44100); }, E_INVALIDARG},
        {"channels 3", [](IAudioFilterControl* c) { return c->SetAudioChannels(3); }, E_INVALIDARG},
        {"channels -1", [](IAudioFilterControl* c) { return c->SetAudioChannels(-1); }, E_INVALIDARG},
        {"8 bits", [](IAudioFilterControl* c) { return c->SetAudioBitsPerSample(8); }, E_INVALIDARG},
        {"speed 0", [](IAudioFilterControl* c) { return c->SetAudioPlaybackRate(0); }, E_INVALIDARG},
        {"speed -1", [](IAudioFilterControl* c) { return c->SetAudioPlaybackRate(-1); }, E_INVALIDARG},
        {"speed NaN", [](IAudioFilterControl* c) { return c->SetAudioPlaybackRate(std::nan("")); }, E_INVALIDARG},
        {"speed infinite",
         [](IAudioFilterControl* c) { return c->SetAudioPlaybackRate(std::numeric_limits<double>::infinity()); },
         E_INVALIDARG},
        {"speed 10", [](IAudioFilterControl* c) { return c->SetAudioPlaybackRate(10); }, S_OK},
        {"speed 0.1", [](IAudioFilterControl* c) { return c->SetAudioPlaybackRate(0.1); }, S_OK},
        {"limit 0.5", [](IAudioFilterControl* c) { return c->SetAudioGainLimit(0.5); }, E_INVALIDARG},
        {"limit infinite",
         [](IAudioFilterControl* c) { return c->SetAudioGainLimit(std::numeric_limits<double>::infinity()); },
         E_INVALIDARG},
        {"level 101", [](IAudioFilterControl* c) { return c->SetAudioNormalizeLevel(101); }, E_INVALIDARG},
        {"quality 2", [](IAudioFilterControl* c) { return c->SetAudioPresetA(2); }, E_INVALIDARG},
        {"delay an hour", [](IAudioFilterControl* c) { return c->SetAudioSyncDelay(3600000); }, S_OK},
        {"delay past an hour", [](IAudioFilterControl* c) { return c->SetAudioSyncDelay(-3600001); }, E_INVALIDARG},
        {"gain 61 dB", [](IAudioFilterControl* c) { return c->SetAudioAmplify(61); }, E_INVALIDARG},
        {"stream -1", [](IAudioFilterControl* c) { return c->SetAudioStream(-1); }, E_INVALIDARG},
        {"no count", [](IAudioFilterControl* c) { return c->GetAudioStreamCount(nullptr); }, E_POINTER},
        {"no rate", [](IAudioFilterControl* c) { return c->GetAudioSampleRate(nullptr); }, E_POINTER},
        {"no stream", [](IAudioFilterControl* c) { return c->GetCurrentAudioStream(nullptr); }, E_POINTER},
    };
    // A refused rate leaves the one set before.
    int before = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(control->GetAudioSampleRate(&before), S_OK);
        EXPECT_EQ(c.call(control.Get()), c.expect) << c.what;
        int after = 0;
        EXPECT_EQ(control->GetAudioSampleRate(&after), S_OK);
        if (c.expect != S_OK) {
            EXPECT_EQ(after, before) << c.what;
        }
    }
}

TEST_F(AudioFilterTest, ARateSetAfterTheOutputIsConnectedConnectsItAgainWithTheNewFormat)
{
    std::string path = MakeTones(dir, "tone.mka", 44100, {440}, 1.0);
    Open(path);
    int rate = -1;
    EXPECT_EQ(control->GetAudioSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, 0);  // none set: the source's goes out
    ConnectSink();
    PcmFormat format;
    ASSERT_TRUE(PcmFormatOfType(sink->Type(), &format));
    EXPECT_EQ(format.rate, 44100);
    EXPECT_EQ(control->SetAudioSampleRate(44100), S_OK);  // the source's own: nothing changes
    EXPECT_EQ(control->GetAudioSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, 44100);
    EXPECT_EQ(control->SetAudioSampleRate(22050), S_OK);
    EXPECT_EQ(control->SetAudioChannels(2), S_OK);
    ASSERT_TRUE(PcmFormatOfType(sink->Type(), &format));
    EXPECT_EQ(format.rate, 22050);
    EXPECT_EQ(format.channels, 2);

    ComPtr<IMediaControl> media;
    ASSERT_EQ(graph.As(&media), S_OK);
    ASSERT_TRUE(SUCCEEDED(media->Pause()));
    // While the stream runs, a value that keeps the format is taken...
    EXPECT_EQ(control->SetAudioSampleRate(22050), S_OK);
    EXPECT_EQ(control->SetAudioChannels(2), S_OK);
    // ...one that changes it is not: the old format stays.
    EXPECT_EQ(control->SetAudioSampleRate(48000), VFW_E_NOT_STOPPED);
    EXPECT_EQ(control->GetAudioSampleRate(&rate), S_OK);
    EXPECT_EQ(rate, 22050);
    ASSERT_EQ(media->Stop(), S_OK);

    Treated out = RunToEnd();
    EXPECT_EQ(out.rate, 22050);
    EXPECT_EQ(out.channels, 2);
    EXPECT_NEAR(out.Seconds(), 1.0, 0.01);
}

}  // namespace
