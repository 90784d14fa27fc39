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
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "AppTestSupport.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/RuntimeFolder.h"
#include "tests/support/TempDir.h"
#include "tests/support/TraceViewer.h"

namespace fs = std::filesystem;

namespace {

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

    // The command line of one run in the test's folder with a private home,
    // ended after the given seconds (exit status 124 then).
    std::string Command(const std::vector<std::string>& arguments, int seconds) const
    {
        return HeadlessProgramCommand(dir_.path(), Home(), arguments, seconds);
    }

    // Runs RivoEnc once for each argument list, all at the same time,
    // reading the trace while they run (a sender waits while the viewer's
    // queue is full). Never longer than the seconds given. The log lines of
    // all the runs go to the first.
    std::vector<ProgramRun> RunTogether(const std::vector<std::vector<std::string>>& argumentLists, int seconds)
    {
        TraceViewer viewer;
        EXPECT_TRUE(viewer.bound());
        std::vector<ProgramRun> runs(argumentLists.size());
        std::vector<std::future<std::string>> programs;
        for (size_t i = 0; i < argumentLists.size(); ++i) {
            const std::string command = Command(argumentLists[i], seconds);
            int* exitCode = &runs[i].exitCode;
            programs.push_back(
                std::async(std::launch::async, [command, exitCode] { return RunTool(command, exitCode); }));
        }
        std::string traced;
        for (size_t i = 0; i < programs.size(); ++i) {
            while (programs[i].wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
                traced += viewer.Text();
            runs[i].output = programs[i].get();
        }
        traced += viewer.Text();
        std::istringstream lines(traced);
        for (std::string line; std::getline(lines, line);)
            if (line.rfind("log: ", 0) == 0) runs[0].log.push_back(line.substr(5));
        return runs;
    }
    // One run, never longer than five minutes unless told.
    ProgramRun Run(const std::vector<std::string>& arguments, int seconds = 300)
    {
        return std::move(RunTogether({arguments}, seconds)[0]);
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
        for (int i = 3; i >= 0; --i)
            value = value * 256 + std::stoll(bytes.substr(static_cast<size_t>(i) * 2, 2), nullptr, 16);
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
    const ProgramRun run =
        Run({"/automode", std::string("/preset=") + c.preset, "/destpath=" + Out("out"), "a.mp4", "b.avi"});
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
    const ProgramRun run =
        Run({"/automode", std::string("/preset=") + c.preset, "/destpath=" + Out("out"), "film.mp4"});
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
        for (size_t at = avi.find(code); at != std::string::npos; at = avi.find(code, at + 4))
            avi.replace(at, 4, "QQ9Z");
    WriteBytes(dir_.File("nodecoder.avi"), avi);
    const std::vector<std::string> order = {good[0], "cut.mp4", good[1],         good[2], "empty.avi",
                                            good[3], good[4],   "nodecoder.avi", good[5], good[6]};
    arguments.insert(arguments.end(), order.begin(), order.end());
    fs::create_directories(Out("out"));

    const ProgramRun run = Run(arguments);
    // Not every source converted: the status says so, and each source has
    // its line.
    ASSERT_EQ(1, run.exitCode) << run.output;
    for (const char* bad : {"not listed: cut.mp4: ", "not listed: empty.avi: ", "failed: nodecoder.avi: "})
        EXPECT_NE(std::string::npos, run.output.find(std::string("RivoEnc: ") + bad)) << bad << "\n" << run.output;
    for (const std::string& name : good)
        EXPECT_NE(std::string::npos, run.output.find("RivoEnc: converted: " + name + " -> ")) << name;
    for (const std::string& name : good)
        ExpectOutput(Out("out") + "/" + fs::path(name).stem().string() + ".avi", {"mpeg4", "mp3", 160, 120});
    const std::string log = LogText(run);
    EXPECT_EQ(7u, Blocks(run, "TEXT_LOG_ENC_COMPLETE")) << log;
    // The sources that cannot be read at all are not taken as jobs; the one
    // whose video has no decoder fails, and its output does not stay.
    EXPECT_EQ(1u, Blocks(run, "TEXT_LOG_ENC_FAIL")) << log;
    EXPECT_NE(std::string::npos, log.find("[06/08] " + LangText("TEXT_LOG_ENC_FAIL"))) << log;
    for (const char* bad : {"cut.avi", "empty.avi", "nodecoder.avi"})
        EXPECT_FALSE(fs::exists(Out("out") + "/" + bad)) << bad;
}

// What a script may hand an unattended run, and what the run must do with
// it, each within a minute: sources of every picture size the encoders
// take, a destination that does not exist, a source that is no media, a
// shipped preset by its name alone, a switch nobody knows, a source with
// quotes and any UTF-8 in its name, a source that is its own output (named
// relatively, or through a symbolic link of the folder), and a dangling
// symbolic link where the output goes. The exit status and the lines on the
// standard error stream are what the script sees; ffprobe judges the files.
struct UnattendedSource {
    std::string name;
    std::string size;  // "" for a text file
};
struct UnattendedOutput {
    std::string name;    // in the output folder
    std::string format;  // ffprobe's format name
    std::string video;   // ffprobe's codec name
};
struct UnattendedCase {
    const char* what;
    std::vector<UnattendedSource> sources;
    std::vector<std::pair<std::string, std::string>> links;  // a symbolic link and its target, in the test's folder
    std::vector<std::string> arguments;                      // {dir}, {out} and {missing} stand for folders
    int status;
    std::vector<std::string> said;  // parts of what the run printed
    std::vector<UnattendedOutput> outputs;
    std::vector<std::string> absent;  // paths that must not exist afterwards
};
void PrintTo(const UnattendedCase& c, std::ostream* os) { *os << c.what; }

class RivoEncUnattendedTest : public RivoEncProgramTest, public ::testing::WithParamInterface<UnattendedCase> {
protected:
    std::string Expand(std::string text) const
    {
        const std::pair<std::string, std::string> names[] = {
            {"{dir}", dir_.path()}, {"{out}", Out("out")}, {"{missing}", Out("no such folder")}};
        for (const auto& [from, to] : names)
            for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
                text.replace(at, from.size(), to);
        return text;
    }
    static std::string FormatName(const std::string& path)
    {
        std::string name = RunTool("ffprobe -v error -show_entries format=format_name -of csv=p=0 " + Quoted(path));
        while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
        return name;
    }
};

TEST_P(RivoEncUnattendedTest, TheRunEndsWithinAMinuteAndSaysWhatItDid)
{
    const UnattendedCase& c = GetParam();
    fs::create_directories(Out("out"));
    std::map<std::string, std::string> before;
    for (const UnattendedSource& source : c.sources) {
        if (source.size.empty())
            WriteBytes(dir_.File(source.name), "Notes for the trip: bring the camera.\n");
        else
            MakeMedia(dir_, source.name,
                      TestPicture(1.0, source.size) + " " + TestTone(1.0) + " -c:v mpeg4 -c:a libmp3lame");
        before[source.name] = ReadBytes(dir_.File(source.name));
    }
    for (const auto& [link, target] : c.links) fs::create_symlink(Expand(target), dir_.File(link));
    std::vector<std::string> arguments;
    for (const std::string& a : c.arguments) arguments.push_back(Expand(a));

    const ProgramRun run = Run(arguments, 60);
    ASSERT_NE(124, run.exitCode) << "the run did not end within a minute\n" << run.output;
    EXPECT_EQ(c.status, run.exitCode) << run.output;
    for (const std::string& part : c.said)
        EXPECT_NE(std::string::npos, run.output.find(Expand(part))) << Expand(part) << "\n" << run.output;
    // Nothing is written where it must not be.
    for (const std::string& path : c.absent) EXPECT_FALSE(fs::exists(fs::symlink_status(Expand(path)))) << Expand(path);
    // No source is ever touched, whatever became of its job.
    for (const auto& [name, bytes] : before) EXPECT_TRUE(bytes == ReadBytes(dir_.File(name))) << name;
    // And nothing went to a folder the caller did not name.
    for (const auto& entry : fs::recursive_directory_iterator(Home()))
        EXPECT_NE(".avi", entry.path().extension().string()) << entry.path();
    for (const UnattendedOutput& o : c.outputs) {
        const std::string path = Out("out") + "/" + o.name;
        ASSERT_TRUE(fs::exists(path)) << o.name << "\n" << run.output;
        EXPECT_EQ(o.format, FormatName(path)) << o.name;
        const ProbedFile probed = ProbeFile(path);
        ASSERT_FALSE(probed.streams.empty()) << o.name;
        EXPECT_EQ(o.video, probed.streams[0].codecName) << o.name;
        EXPECT_NEAR(1.0, probed.duration, 0.2) << o.name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, RivoEncUnattendedTest,
    ::testing::Values(
        UnattendedCase{"sizes the encoders take after the treatments",
                       {{"wide.avi", "854x480"}, {"odd.avi", "636x357"}, {"hd.mp4", "1366x768"}},
                       {},
                       {"/automode", "/destpath={out}", "wide.avi", "odd.avi", "hd.mp4"},
                       0,
                       {"RivoEnc: converted: wide.avi -> {out}/wide.avi",
                        "RivoEnc: converted: odd.avi -> {out}/odd.avi", "RivoEnc: converted: hd.mp4 -> {out}/hd.avi"},
                       {{"wide.avi", "avi", "mpeg4"}, {"odd.avi", "avi", "mpeg4"}, {"hd.avi", "avi", "mpeg4"}},
                       {}},
        UnattendedCase{"a destination folder that does not exist",
                       {{"a.avi", "160x120"}},
                       {},
                       {"/automode", "/destpath={missing}", "a.avi"},
                       2,
                       {"RivoEnc: switch not used: /destpath={missing}: no such folder", "RivoEnc: not started: "},
                       {},
                       {"{missing}", "{out}/a.avi"}},
        UnattendedCase{"a text file renamed .avi among three sources",
                       {{"one.avi", "160x120"}, {"notes.avi", ""}, {"two.mp4", "160x120"}},
                       {},
                       {"/automode", "/destpath={out}", "one.avi", "notes.avi", "two.mp4"},
                       1,
                       {"RivoEnc: not listed: notes.avi: ", "RivoEnc: converted: one.avi -> {out}/one.avi",
                        "RivoEnc: converted: two.mp4 -> {out}/two.avi"},
                       {{"one.avi", "avi", "mpeg4"}, {"two.avi", "avi", "mpeg4"}},
                       {"{out}/notes.avi"}},
        UnattendedCase{
            "nothing that can be listed",
            {{"notes.avi", ""}},
            {},
            {"/automode", "/destpath={out}", "notes.avi", "gone.avi"},
            2,
            {"RivoEnc: not listed: notes.avi: ", "RivoEnc: not listed: gone.avi: ", "RivoEnc: not started: "},
            {},
            {}},
        UnattendedCase{"a shipped preset by its name alone",
                       {{"a.avi", "160x120"}},
                       {},
                       {"/automode", "/preset=wmv", "/destpath={out}", "a.avi"},
                       0,
                       {"RivoEnc: converted: a.avi -> {out}/a.wmv"},
                       {{"a.wmv", "asf", "wmv2"}},
                       {}},
        UnattendedCase{"a preset that does not exist",
                       {{"a.avi", "160x120"}},
                       {},
                       {"/automode", "/preset=no-such-preset", "/destpath={out}", "a.avi"},
                       2,
                       {"RivoEnc: switch not used: /preset=no-such-preset: no such preset file"},
                       {},
                       {"{out}/a.avi"}},
        UnattendedCase{"a switch nobody knows",
                       {{"a.avi", "160x120"}},
                       {},
                       {"/automode", "/colour=red", "/destpath={out}", "a.avi"},
                       0,
                       {"RivoEnc: switch not used: /colour=red: unknown switch"},
                       {{"a.avi", "avi", "mpeg4"}},
                       {}},
        // The output name leaves out the quotes, which cannot stand in one.
        UnattendedCase{"quotes, blanks and any UTF-8 in a source's name",
                       {{"say \"hi\"  ünï 😀.avi", "160x120"}},
                       {},
                       {"/automode", "/destpath={out}", "say \"hi\"  ünï 😀.avi"},
                       0,
                       {"RivoEnc: converted: say \"hi\"  ünï 😀.avi -> {out}/say hi  ünï 😀.avi"},
                       {{"say hi  ünï 😀.avi", "avi", "mpeg4"}},
                       {}},
        UnattendedCase{"a source named relatively that is its own output",
                       {{"self.avi", "160x120"}},
                       {},
                       {"/automode", "/destpath={dir}", "self.avi"},
                       2,
                       {"RivoEnc: not started: ", "{dir}/self.avi"},
                       {},
                       {}},
        UnattendedCase{"a source that is its own output through a linked folder",
                       {{"self.avi", "160x120"}},
                       {{"link", "{dir}"}},
                       {"/automode", "/destpath={dir}/link", "{dir}/self.avi"},
                       2,
                       {"RivoEnc: not started: ", "{dir}/link/self.avi"},
                       {},
                       {}},
        UnattendedCase{"a dangling symbolic link where the output goes",
                       {{"a.avi", "160x120"}},
                       {{"out/a.avi", "{dir}/elsewhere.avi"}},
                       {"/automode", "/destpath={out}", "a.avi"},
                       0,
                       {"RivoEnc: converted: a.avi -> {out}/a (2).avi"},
                       {{"a (2).avi", "avi", "mpeg4"}},
                       {"{dir}/elsewhere.avi"}}),
    [](const ::testing::TestParamInfo<UnattendedCase>& i) { return "Case" + std::to_string(i.index); });

// Two runs at once over the same fifty sources into one folder: each job
// claims its own output, so the hundred outputs are a hundred distinct
// files, each whole (ffprobe counts the pictures of its own source), and
// every completion in the logs names a file that is there.
TEST_F(RivoEncProgramTest, TwoRunsIntoOneFolderGiveEveryJobItsOwnWholeFile)
{
    // Three lengths, so that an output shows whose it is.
    const double seconds[] = {0.4, 0.6, 0.8};
    long long frames[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        const std::string base = MakeMedia(
            dir_, "base" + std::to_string(i) + ".avi",
            TestPicture(seconds[i], "64x48") + " " + TestTone(seconds[i]) + " -c:v mpeg4 -vtag XVID -c:a libmp3lame");
        for (const ProbedStream& stream : ProbeFrameCounts(base))
            if (stream.kind == "video") frames[i] = stream.frames;
        ASSERT_GT(frames[i], 0);
    }
    std::map<std::string, long long> sourceFrames;
    std::vector<std::string> arguments = {"/automode", "/destpath=" + Out("out")};
    for (int i = 0; i < 50; ++i) {
        const std::string name = "s" + std::to_string(100 + i).substr(1) + ".avi";
        fs::copy_file(dir_.File("base" + std::to_string(i % 3) + ".avi"), dir_.File(name));
        sourceFrames[name] = frames[i % 3];
        arguments.push_back(name);
    }
    fs::create_directories(Out("out"));

    const std::vector<ProgramRun> runs = RunTogether({arguments, arguments}, 280);
    std::set<std::string> outputs;
    for (const ProgramRun& run : runs) {
        ASSERT_EQ(0, run.exitCode) << run.output;
        static const std::regex converted(R"(RivoEnc: converted: (\S+) -> (.+))");
        std::istringstream lines(run.output);
        int count = 0;
        for (std::string line; std::getline(lines, line);) {
            std::smatch m;
            if (!std::regex_match(line, m, converted)) continue;
            ++count;
            const std::string output = m[2].str();
            EXPECT_TRUE(outputs.insert(output).second) << output << " was written twice";
            long long made = -1;
            for (const ProbedStream& stream : ProbeFrameCounts(output))
                if (stream.kind == "video") made = stream.frames;
            // Whole, and its own source's: the lengths lie five pictures
            // apart; the writers may end on one picture more than the source.
            const long long expected = sourceFrames[m[1].str()];
            EXPECT_TRUE(made == expected || made == expected + 1)
                << m[1].str() << " -> " << output << ": " << made << " pictures of " << expected;
        }
        EXPECT_EQ(50, count) << run.output;
    }
    EXPECT_EQ(100u, outputs.size());
    size_t inFolder = 0;
    for (const auto& entry : fs::directory_iterator(Out("out"))) {
        (void)entry;
        ++inFolder;
    }
    EXPECT_EQ(100u, inFolder);
    // The logs of both runs: every completion names a file that is there.
    const std::string completed = "> " + LangText("TEXT_LOG_COMP_FILE") + " : ";
    size_t completions = 0;
    for (const std::string& line : runs[0].log) {
        if (line.rfind(completed, 0) != 0) continue;
        ++completions;
        EXPECT_TRUE(fs::exists(line.substr(completed.size()))) << line;
    }
    EXPECT_EQ(100u, completions);
}

// A preset may hold any number: an audio bit rate of -128 kbit/s is taken
// as the nearest the MP3 encoder takes at 44.1 kHz (32 kbit/s), and the
// output's header says that rate.
TEST_F(RivoEncProgramTest, APresetValueNoEncoderTakesIsClampedToTheNearestItTakes)
{
    MakeSources();
    std::string preset = RunTool("iconv -f UTF-16 -t UTF-8 " + Quoted(BinDir() + "/presets/avi-mpeg4-mp3.rvp"));
    const size_t at = preset.find("audio_kbitrate=128");
    ASSERT_NE(std::string::npos, at);
    preset.replace(at, 18, "audio_kbitrate=-128");
    WriteBytes(dir_.File("odd.txt"), preset);
    WriteBytes(dir_.File("odd.rvp"),
               "\xFF\xFE" + RunTool("iconv -f UTF-8 -t UTF-16LE " + Quoted(dir_.File("odd.txt"))));
    fs::create_directories(Out("out"));

    const ProgramRun run =
        Run({"/automode", "/preset=" + dir_.File("odd.rvp"), "/destpath=" + Out("out"), "b.avi"}, 60);
    ASSERT_EQ(0, run.exitCode) << run.output;
    const std::string rate = RunTool("ffprobe -v error -select_streams a:0 -show_entries stream=bit_rate -of csv=p=0 " +
                                     Quoted(Out("out") + "/b.avi"));
    EXPECT_EQ("32000", rate.substr(0, rate.find_first_of("\r\n"))) << rate;
}

}  // namespace
