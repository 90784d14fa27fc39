// RivoEnc run as the user runs it, headless: "/automode /destpath=" with
// sources made by the ffmpeg command line, over the program folder the build
// made (its default skin, language files, presets and real modules), with a
// private home so that the user's settings are never touched. ffprobe checks
// the outputs; the batch's log is read from the trace viewer, where the
// progress window sends every log line; the naming counter is read back
// from the saved settings.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <regex>
#include <sstream>
#include <thread>

#include "tests/support/MediaFixtures.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TraceViewer.h"

namespace fs = std::filesystem;

namespace {

std::string BinDir()
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    return bin ? bin : ".";
}

std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// One run of the program: its exit status and the log lines it traced
// (without their "log: ").
struct ProgramRun {
    int exitCode = -1;
    std::vector<std::string> log;
    std::string output;  // what it wrote on its standard streams
};

class RivoEncProgramTest : public ::testing::Test {
protected:
    std::string Home() const { return dir_.File("home"); }
    std::string Out(const std::string& name) const { return dir_.File(name); }

    // Runs RivoEnc with the arguments in the test's folder and a private
    // home, reading the trace while it runs (a sender waits while the
    // viewer's queue is full). Never longer than five minutes.
    ProgramRun Run(const std::vector<std::string>& arguments)
    {
        std::string command = "cd " + Quoted(dir_.path()) + " && env HOME=" + Quoted(Home()) +
                              " XDG_CONFIG_HOME=" + Quoted(Home() + "/.config") +
                              " XDG_DATA_HOME=" + Quoted(Home() + "/.local/share") +
                              " QT_QPA_PLATFORM=offscreen timeout -k 10 300 " + Quoted(BinDir() + "/RivoEnc");
        for (const std::string& a : arguments) command += " " + Quoted(a);
        command += " 2>&1";
        TraceViewer viewer;
        EXPECT_TRUE(viewer.bound());
        ProgramRun run;
        auto program = std::async(std::launch::async, [&] { return RunTool(command, &run.exitCode); });
        std::string traced;
        while (program.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) traced += viewer.Text();
        run.output = program.get();
        traced += viewer.Text();
        std::istringstream lines(traced);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("log: ", 0) == 0) run.log.push_back(line.substr(5));
        return run;
    }

    // The text of a key of the program's language file (Korean, the first
    // run's language); the trace carries it in the ANSI code page, which is
    // what iconv gives for the file's UTF-16.
    static std::string LangText(const std::string& key)
    {
        static const std::string file = RunTool("iconv -f UTF-16 -t CP949 " + Quoted(BinDir() + "/lang/korean.ini"));
        std::smatch m;
        const std::regex line("(^|\n)" + key + "=([^\r\n]*)");
        return std::regex_search(file, m, line) ? m[2].str() : "<" + key + " missing>";
    }
    // How many log lines are the heading of the block of the key.
    static size_t Blocks(const ProgramRun& run, const std::string& key)
    {
        const std::string text = LangText(key);
        size_t n = 0;
        for (const std::string& line : run.log) {
            static const std::regex heading(R"(^\[\d\d/\d\d\] (.*)$)");
            std::smatch m;
            if (std::regex_match(line, m, heading) && m[1].str() == text) ++n;
        }
        return n;
    }
    static std::string LogText(const ProgramRun& run)
    {
        std::string text;
        for (const std::string& line : run.log) text += line + "\n";
        return text;
    }
    // The naming counter as the settings saved it; -1 when not saved.
    long long SavedCounter() const
    {
        const std::string saved = ReadBytes(Home() + "/.config/rivoenc/registry/HKEY_CURRENT_USER.txt");
        std::smatch m;
        if (!std::regex_search(saved, m, std::regex("\"nEtcNamingCnt\" REG_DWORD ([0-9a-fA-F]{8})"))) return -1;
        const std::string bytes = m[1].str();
        long long value = 0;
        for (int i = 3; i >= 0; --i) value = value * 256 + std::stoll(bytes.substr(static_cast<size_t>(i) * 2, 2), nullptr, 16);
        return value;
    }

    // Two short sources of two kinds: MPEG-4 video with AAC in MP4, and
    // MPEG-4 video with MP3 in AVI.
    void MakeSources()
    {
        MakeMedia(dir_, "a.mp4", TestPicture(2.0) + " " + TestTone(2.0) + " -c:v mpeg4 -c:a aac");
        MakeMedia(dir_, "b.avi", TestPicture(2.0) + " " + TestTone(2.0) + " -c:v mpeg4 -vtag XVID -c:a libmp3lame");
    }

    struct Expected {
        const char* video;
        const char* audio;
        int width, height;
    };
    static void ExpectOutput(const std::string& path, const Expected& e)
    {
        SCOPED_TRACE(path);
        ASSERT_TRUE(fs::exists(path));
        const ProbedFile probed = ProbeFile(path);
        ASSERT_EQ(2u, probed.streams.size());
        EXPECT_EQ("video", probed.streams[0].kind);
        EXPECT_EQ(e.video, probed.streams[0].codecName);
        EXPECT_EQ(e.width, probed.streams[0].width);
        EXPECT_EQ(e.height, probed.streams[0].height);
        EXPECT_EQ("audio", probed.streams[1].kind);
        EXPECT_EQ(e.audio, probed.streams[1].codecName);
        EXPECT_NEAR(2.0, probed.duration, 0.2);
    }

    RuntimeFolder runtime_;
    TempDir dir_;
};

TEST_F(RivoEncProgramTest, TheDefaultSettingsConvertEverySourceAndTheWindowClosesByItself)
{
    MakeSources();
    fs::create_directories(Out("out1"));
    const ProgramRun first = Run({"/automode", "/destpath=" + Out("out1"), "a.mp4", "b.avi"});
    ASSERT_EQ(0, first.exitCode) << first.output;
    for (const char* name : {"a.avi", "b.avi"}) ExpectOutput(Out("out1") + "/" + name, {"mpeg4", "mp3", 160, 120});
    EXPECT_EQ(2u, Blocks(first, "TEXT_LOG_ENC_COMPLETE")) << LogText(first);
    EXPECT_EQ(0u, Blocks(first, "TEXT_LOG_ENC_FAIL")) << LogText(first);
    const long long counter = SavedCounter();
    ASSERT_GE(counter, 0);

    // The second run starts from the counter the first one saved, and
    // advances it once per job.
    fs::create_directories(Out("out2"));
    const ProgramRun second = Run({"/automode", "/destpath=" + Out("out2"), "a.mp4", "b.avi"});
    ASSERT_EQ(0, second.exitCode) << second.output;
    EXPECT_EQ(2u, Blocks(second, "TEXT_LOG_ENC_COMPLETE")) << LogText(second);
    EXPECT_EQ((counter + 2) % 100000000, SavedCounter());
}

struct PresetCase {
    const char* preset;
    const char* extension;
    const char* video;
    const char* audio;
    int width, height;
};
void PrintTo(const PresetCase& c, std::ostream* os) { *os << c.preset; }

class RivoEncPresetTest : public RivoEncProgramTest, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(RivoEncPresetTest, EachShippedPresetConvertsEverySource)
{
    const PresetCase& c = GetParam();
    MakeSources();
    fs::create_directories(Out("out"));
    const ProgramRun run = Run({"/automode", std::string("/preset=") + c.preset, "/destpath=" + Out("out"), "a.mp4",
                                "b.avi"});
    ASSERT_EQ(0, run.exitCode) << run.output;
    for (const char* name : {"a", "b"})
        ExpectOutput(Out("out") + "/" + name + "." + c.extension, {c.video, c.audio, c.width, c.height});
    EXPECT_EQ(2u, Blocks(run, "TEXT_LOG_ENC_COMPLETE")) << LogText(run);
}

// A film at 23.976 frames per second (24000/1001): its rate is kept
// exactly where the format stores a fraction (AVI, MP4), nearly where it
// stores a time per frame (OGM, ASF); a PSP file has 30 a second.
TEST_P(RivoEncPresetTest, EachShippedPresetKeepsAFilmsRate)
{
    const PresetCase& c = GetParam();
    MakeMedia(dir_, "film.mp4",
              "-f lavfi -i testsrc=size=160x120:rate=24000/1001:duration=2 " + TestTone(2.0) + " -c:v mpeg4 -c:a aac");
    fs::create_directories(Out("out"));
    const ProgramRun run = Run({"/automode", std::string("/preset=") + c.preset, "/destpath=" + Out("out"), "film.mp4"});
    ASSERT_EQ(0, run.exitCode) << run.output;
    EXPECT_EQ(1u, Blocks(run, "TEXT_LOG_ENC_COMPLETE")) << LogText(run);
    const std::string output = Out("out") + "/film." + c.extension;
    ExpectOutput(output, {c.video, c.audio, c.width, c.height});
    const ProbedVideoTiming in = ProbeVideoTiming(Out("film.mp4")), out = ProbeVideoTiming(output);
    const bool psp = std::string(c.preset).find("psp") != std::string::npos;
    const bool fraction = !psp && (std::string(c.extension) == "avi" || std::string(c.extension) == "mp4");
    if (fraction) {
        EXPECT_EQ(24000, out.avgNum);
        EXPECT_EQ(1001, out.avgDen);
    } else {
        EXPECT_NEAR(psp ? 30.0 : 24000.0 / 1001, out.AverageRate(), 0.05) << out.avgNum << "/" << out.avgDen;
    }
    EXPECT_NEAR(psp ? in.duration * 30 : static_cast<double>(in.frames), static_cast<double>(out.frames), 1.0);
}

INSTANTIATE_TEST_SUITE_P(Shipped, RivoEncPresetTest,
                         ::testing::Values(PresetCase{"avi-mpeg4-mp3.rvp", "avi", "mpeg4", "mp3", 160, 120},
                                           PresetCase{"mp4-h264-aac.rvp", "mp4", "h264", "aac", 160, 120},
                                           PresetCase{"mp4-psp.rvp", "mp4", "mpeg4", "aac", 320, 240},
                                           PresetCase{"ogm-xvid-vorbis.rvp", "ogm", "mpeg4", "vorbis", 160, 120},
                                           PresetCase{"wmv.rvp", "wmv", "wmv2", "wmav2", 160, 120}));

TEST_F(RivoEncProgramTest, ABatchWithBadSourcesConvertsTheGoodOnesAndLogsTheFailure)
{
    MakeSources();
    // Seven good sources, and three bad: an MP4 cut before its index, an
    // empty file, and an AVI whose video has a code no decoder knows.
    std::vector<std::string> arguments = {"/automode", "/destpath=" + Out("out")};
    std::vector<std::string> good;
    for (int i = 1; i <= 7; ++i) {
        const std::string name = "good" + std::to_string(i) + (i % 2 ? ".mp4" : ".avi");
        fs::copy_file(dir_.File(i % 2 ? "a.mp4" : "b.avi"), dir_.File(name));
        good.push_back(name);
    }
    fs::copy_file(dir_.File("a.mp4"), dir_.File("cut.mp4"));
    fs::resize_file(dir_.File("cut.mp4"), fs::file_size(dir_.File("cut.mp4")) / 2);
    WriteBytes(dir_.File("empty.avi"), "");
    std::string avi = ReadBytes(dir_.File("b.avi"));
    for (const char* code : {"XVID", "xvid", "FMP4", "fmp4"})
        for (size_t at = avi.find(code); at != std::string::npos; at = avi.find(code, at + 4)) avi.replace(at, 4, "QQ9Z");
    WriteBytes(dir_.File("nodecoder.avi"), avi);
    const std::vector<std::string> order = {good[0], "cut.mp4", good[1], good[2], "empty.avi",
                                            good[3], good[4], "nodecoder.avi", good[5], good[6]};
    arguments.insert(arguments.end(), order.begin(), order.end());
    fs::create_directories(Out("out"));

    const ProgramRun run = Run(arguments);
    ASSERT_EQ(0, run.exitCode) << run.output;
    for (const std::string& name : good)
        ExpectOutput(Out("out") + "/" + fs::path(name).stem().string() + ".avi", {"mpeg4", "mp3", 160, 120});
    const std::string log = LogText(run);
    EXPECT_EQ(7u, Blocks(run, "TEXT_LOG_ENC_COMPLETE")) << log;
    // The sources that cannot be read at all are not taken as jobs; the one
    // whose video has no decoder fails, and its output does not stay.
    EXPECT_EQ(1u, Blocks(run, "TEXT_LOG_ENC_FAIL")) << log;
    EXPECT_NE(std::string::npos, log.find("[06/08] " + LangText("TEXT_LOG_ENC_FAIL"))) << log;
    for (const char* bad : {"cut.avi", "empty.avi", "nodecoder.avi"}) EXPECT_FALSE(fs::exists(Out("out") + "/" + bad)) << bad;
}

}  // namespace
