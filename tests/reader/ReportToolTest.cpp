#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <regex>

#include "MediaFixtures.h"

namespace {

// The value after a label on the first line that starts with it; "" when
// there is none.
std::string After(const std::string& report, const std::string& label)
{
    size_t at = report.find("\r\n" + label);
    if (at == std::string::npos) return "";
    at += 2 + label.size();
    return report.substr(at, report.find("\r\n", at) - at);
}

std::vector<std::string> AllAfter(const std::string& report, const std::string& label)
{
    std::vector<std::string> values;
    for (size_t at = report.find("\r\n" + label); at != std::string::npos; at = report.find("\r\n" + label, at + 2)) {
        size_t from = at + 2 + label.size();
        values.push_back(report.substr(from, report.find("\r\n", from) - from));
    }
    return values;
}

int64_t Number(std::string text)
{
    std::string digits;
    for (char c : text) {
        if (c == ',') continue;
        if (c < '0' || c > '9') break;
        digits += c;
    }
    return digits.empty() ? -1 : std::atoll(digits.c_str());
}

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

struct ToolRow {
    const char* name;
    std::function<std::string(const TempDir&)> make;
    bool keyFrames;      // the report has a key-frame section with counts
    const char* fourcc;  // "" to take ffprobe's codec tag
};
void PrintTo(const ToolRow& row, std::ostream* os) { *os << row.name; }

class ReportTool : public ::testing::TestWithParam<ToolRow> {};

TEST_P(ReportTool, PrintsWhatFfprobeSees)
{
    const ToolRow& row = GetParam();
    TempDir dir;
    std::string path = row.make(dir);
    ProbeFacts p = Probe(path);
    int code = -1;
    std::string errors;
    std::string report = RunReportTool({path}, &code, &errors);
    EXPECT_EQ(0, code);
    EXPECT_EQ("", errors);

    // Every line ends with CR LF; the report ends with the banner and an
    // empty line.
    ASSERT_GE(report.size(), 2u);
    for (size_t i = 0; i < report.size(); ++i) {
        if (report[i] == '\n') {
            ASSERT_TRUE(i > 0 && report[i - 1] == '\r') << "bare LF at " << i;
        }
    }
    std::string tail = "=========================[ By RivoReader ]==========================\r\n\r\n";
    ASSERT_GE(report.size(), tail.size());
    EXPECT_EQ(tail, report.substr(report.size() - tail.size()));
    EXPECT_EQ("", After(report, "State of Analysis    : "));  // no state line: a complete analysis
    EXPECT_EQ(std::string::npos, report.find("State of Analysis"));

    EXPECT_EQ(p.size, Number(After(report, "File Size on Disk    : ")));
    std::smatch m;
    std::string playback = After(report, "Playback Time        : ");
    ASSERT_TRUE(std::regex_match(playback, m, std::regex(R"((\d\d):(\d\d):(\d\d)   \((\d+) Sec\))"))) << playback;
    EXPECT_EQ(static_cast<int64_t>(std::floor(p.duration)), std::atoll(m[4].str().c_str()));
    EXPECT_EQ(std::atoll(m[4].str().c_str()) % 60, std::atoll(m[3].str().c_str()));

    if (p.videoStreams && std::string(row.fourcc) != "-") {
        std::string codec = After(report, "Codec Type           : ");
        std::string fourcc = *row.fourcc ? row.fourcc : Upper(std::string(reinterpret_cast<char*>(&p.videoTag), 4));
        EXPECT_NE(std::string::npos, codec.find("(" + fourcc + ")")) << codec;
        std::string size = After(report, "Image Size           : ");
        EXPECT_EQ(0u, size.find(std::to_string(p.width) + " x " + std::to_string(p.height) + "  ( ")) << size;
    } else if (!p.videoStreams) {
        EXPECT_EQ("0", After(report, "Video Streams Count  : "));
    }
    std::vector<std::string> rates = AllAfter(report, "Sample ratio         : ");
    std::vector<std::string> channels = AllAfter(report, "Channel count        : ");
    ASSERT_EQ(static_cast<size_t>(p.audioStreams), rates.size());
    ASSERT_EQ(static_cast<size_t>(p.audioStreams), channels.size());
    for (int i = 0; i < p.audioStreams; ++i) {
        EXPECT_EQ(p.sampleRates[i], Number(rates[i])) << rates[i];
        EXPECT_EQ(rates[i].substr(rates[i].size() - 3), " Hz");
        EXPECT_EQ(p.channels[i], Number(channels[i])) << channels[i];
    }
    if (row.keyFrames) {
        EXPECT_EQ(p.videoKeyFrames, Number(After(report, "Total Key Frames     : ")));
        EXPECT_EQ(p.videoFrames, Number(After(report, "Total # of frames    : ")));
        EXPECT_EQ("The index of the file is valid.", After(report, "Index Status         : "));
    } else {
        EXPECT_EQ(std::string::npos, report.find("Total Key Frames"));
    }
}

std::string Ogm(const TempDir& d)
{
    std::string avi =
        MakeWithFfmpeg(d, "s.avi", TestVideo() + " " + TestAudio() + " -c:v mpeg4 -vtag XVID -c:a libmp3lame -ac 2");
    RunFixtureTool("ogmmerge -q -o '" + d.File("t.ogm") + "' '" + avi + "' 2>&1");
    return d.File("t.ogm");
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReportTool,
    ::testing::Values(
        ToolRow{"avi_xvid_mp3",
                [](const TempDir& d) {
                    return MakeWithFfmpeg(
                        d, "a.avi",
                        TestVideo() + " " + TestAudio() + " -c:v mpeg4 -vtag XVID -g 12 -c:a libmp3lame -ac 2");
                },
                true, ""},
        ToolRow{"avi_cinepak_two_audio",
                [](const TempDir& d) {
                    return MakeWithFfmpeg(d, "b.avi",
                                          TestVideo() + " " + TestAudio(22050) +
                                              " -map 0:v -map 1:a -map 1:a -c:v cinepak -c:a:0 pcm_s16le -c:a:1 mp2");
                },
                true, ""},
        ToolRow{"ogg_vorbis",
                [](const TempDir& d) {
                    return MakeWithFfmpeg(d, "c.ogg", TestAudio() + " -ac 2 -c:a libvorbis -fflags +bitexact");
                },
                false, ""},
        ToolRow{"ogm_xvid_mp3", Ogm, false, ""},
        ToolRow{"flv_sorenson_mp3",
                [](const TempDir& d) {
                    return MakeWithFfmpeg(d, "e.flv", TestVideo() + " " + TestAudio() + " -c:v flv -c:a libmp3lame");
                },
                false, "FLV1"},
        ToolRow{"flv_h264_aac",
                [](const TempDir& d) {
                    return MakeWithFfmpeg(
                        d, "f.flv", TestVideo() + " " + TestAudio() + " -c:v libx264 -preset ultrafast -c:a aac -ac 2");
                },
                false, "-"},  // no picture size from an H.264 tag
        ToolRow{"mp4_h264_aac",
                [](const TempDir& d) {
                    return MakeWithFfmpeg(
                        d, "g.mp4",
                        TestVideo() + " " + TestAudio() + " -ac 2 -g 12 -c:v libx264 -preset ultrafast -c:a aac");
                },
                true, ""}),
    [](const ::testing::TestParamInfo<ToolRow>& i) { return std::string(i.param.name); });

TEST(ReportTool, SeveralFilesMessagesAndExitStatus)
{
    TempDir dir;
    std::string ogg = MakeWithFfmpeg(dir, "x.ogg", TestAudio() + " -c:a libvorbis -t 1 -fflags +bitexact");
    WriteBytes(dir.File("unknown.bin"), "just some bytes");
    int code = -1;
    std::string errors;
    std::string report = RunReportTool({ogg, dir.File("missing.avi"), dir.File("unknown.bin")}, &code, &errors);
    EXPECT_EQ(1, code);
    EXPECT_EQ("The file doesn't exist.\n", errors);
    // Two reports: the Ogg file's and the dump of the unknown one.
    EXPECT_EQ(2u, AllAfter(report, "File Name            : ").size());
    EXPECT_NE(std::string::npos, report.find("File Format          : OGG/OGM format\r\n"));
    EXPECT_NE(std::string::npos, report.find("File Format          :  Unknown File Format\r\n"));
    EXPECT_NE(std::string::npos, report.find(" 6a 75 73 74 20 73 6f 6d 65 20 62 79 74 65 73 00  just some bytes.\r\n"));

    report = RunReportTool({}, &code, &errors);
    EXPECT_EQ(2, code);
    EXPECT_EQ("", report);
    EXPECT_NE(std::string::npos, errors.find("usage"));
}

}  // namespace
