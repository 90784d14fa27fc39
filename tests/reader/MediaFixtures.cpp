#include "MediaFixtures.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>

std::string TestVideo(const std::string& size, int rate)
{
    return "-f lavfi -i testsrc=size=" + size + ":rate=" + std::to_string(rate) + ":duration=2.5";
}

std::string TestAudio(int sampleRate)
{
    return "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(sampleRate) + ":duration=2.5";
}

std::string RunFixtureTool(const std::string& commandLine)
{
    int code = -1;
    std::string out = RunTool(commandLine, &code);
    EXPECT_EQ(0, code) << "fixture tool failed: " << commandLine;
    return out;
}

std::string MakeWithFfmpeg(const TempDir& dir, const std::string& name, const std::string& args)
{
    std::string out = dir.File(name);
    RunFixtureTool("ffmpeg -hide_banner -loglevel error -nostdin -y " + args + " '" + out + "' 2>&1");
    struct stat st;
    EXPECT_TRUE(stat(out.c_str(), &st) == 0 && st.st_size > 0) << "ffmpeg made no " << name;
    return out;
}

namespace {

// "key=value" lines of ffprobe's flat output for one section kind.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string Field(const std::string& line, const std::string& key)
{
    // compact output: section|key=value|key=value
    std::string k = "|" + key + "=";
    size_t at = line.find(k);
    if (at == std::string::npos) return "";
    at += k.size();
    return line.substr(at, line.find('|', at) - at);
}

}  // namespace

ProbeFacts Probe(const std::string& path)
{
    ProbeFacts f;
    std::string out = RunFixtureTool(
        "ffprobe -v error -show_entries "
        "format=size,duration:stream=codec_type,codec_tag,width,height,sample_rate,channels,nb_frames "
        "-of compact '" +
        path + "'");
    for (const std::string& line : Lines(out)) {
        if (line.rfind("format|", 0) == 0) {
            f.size = std::atoll(Field(line, "size").c_str());
            f.duration = std::atof(Field(line, "duration").c_str());
        } else if (line.rfind("stream|", 0) == 0) {
            std::string type = Field(line, "codec_type");
            uint32_t tag = static_cast<uint32_t>(std::strtoul(Field(line, "codec_tag").c_str(), nullptr, 16));
            if (type == "video") {
                if (f.videoStreams++ == 0) {
                    f.width = std::atoi(Field(line, "width").c_str());
                    f.height = std::atoi(Field(line, "height").c_str());
                    f.videoTag = tag;
                    f.videoFrames = std::atoll(Field(line, "nb_frames").c_str());
                }
            } else if (type == "audio") {
                ++f.audioStreams;
                f.audioTags.push_back(tag);
                f.sampleRates.push_back(std::atoi(Field(line, "sample_rate").c_str()));
                f.channels.push_back(std::atoi(Field(line, "channels").c_str()));
            }
        }
    }
    if (f.videoStreams) {
        std::string flags = RunFixtureTool(
            "ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 '" + path + "'");
        for (const std::string& line : Lines(flags))
            if (line.find('K') != std::string::npos) ++f.videoKeyFrames;
    }
    return f;
}

int64_t VideoPackets(const std::string& path)
{
    std::string out =
        RunFixtureTool("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 '" + path + "'");
    return static_cast<int64_t>(Lines(out).size());
}

std::string Slurp(const std::string& path) { return ReadBytes(path); }

void Overwrite(const std::string& path, size_t offset, const std::string& bytes)
{
    std::string data = ReadBytes(path);
    ASSERT_LE(offset + bytes.size(), data.size());
    data.replace(offset, bytes.size(), bytes);
    WriteBytes(path, data);
}

void TruncateTo(const std::string& path, size_t size)
{
    ASSERT_EQ(0, truncate(path.c_str(), static_cast<off_t>(size)));
}

size_t FindIn(const std::string& data, const std::string& needle, size_t from) { return data.find(needle, from); }

std::string LE32Bytes(uint32_t v)
{
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

uint32_t LE32At(const std::string& data, size_t offset)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data.at(offset + i));
    return v;
}

std::string RunReportTool(const std::vector<std::string>& paths, int* exitCode, std::string* errors)
{
    std::string tool = std::string(RIVO_TEST_TOOLS_DIR) + "/rivoreader-report";
    TempDir scratch;
    std::string cmd = "'" + tool + "'";
    for (const std::string& p : paths) cmd += " '" + p + "'";
    cmd += " 2>'" + scratch.File("stderr") + "'";
    std::string out = RunTool(cmd, exitCode);
    if (errors) *errors = ReadBytes(scratch.File("stderr"));
    return out;
}

void AddOpenDmlIndex(const std::string& path, bool allKeyFrames)
{
    std::string data = ReadBytes(path);
    const size_t strf = data.find("strf");
    const size_t reserved = data.find("JUNK", strf);
    const size_t movi = data.find("movi");
    const size_t idx1 = data.rfind("idx1");
    ASSERT_TRUE(strf != std::string::npos && reserved < movi && movi < idx1 && idx1 != std::string::npos);
    const uint32_t idx1Size = LE32At(data, idx1 + 4);
    ASSERT_EQ(data.size(), idx1 + 8 + idx1Size);  // idx1 ends the file
    ASSERT_GE(LE32At(data, reserved + 4), 24u + 16u);

    // The standard index: offsets of the frames' data from the movie list's
    // type, sizes with the top bit set for frames that are not key frames.
    std::string entries;
    uint32_t count = 0;
    for (size_t e = idx1 + 8; e + 16 <= data.size(); e += 16) {
        if (data.compare(e, 4, "00dc") != 0 && data.compare(e, 4, "00db") != 0) continue;
        const bool key = allKeyFrames || (LE32At(data, e + 4) & 0x10);
        entries += LE32Bytes(LE32At(data, e + 8) + 8) + LE32Bytes(LE32At(data, e + 12) | (key ? 0 : 0x80000000u));
        ++count;
    }
    auto le16 = [](uint16_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
    std::string standard = le16(2) + '\0' + '\x01' + LE32Bytes(count) + "00dc" +
                           LE32Bytes(static_cast<uint32_t>(movi)) + LE32Bytes(0) + LE32Bytes(0) + entries;
    standard = "ix00" + LE32Bytes(static_cast<uint32_t>(standard.size())) + standard;
    const uint64_t at = data.size();

    std::string super = le16(4) + '\0' + '\0' + LE32Bytes(1) + "00dc" + std::string(12, '\0') +
                        LE32Bytes(static_cast<uint32_t>(at)) + LE32Bytes(static_cast<uint32_t>(at >> 32)) +
                        LE32Bytes(static_cast<uint32_t>(standard.size())) + LE32Bytes(count);
    data.replace(reserved, 4, "indx");
    data.replace(reserved + 8, super.size(), super);
    data += standard;
    data.replace(4, 4, LE32Bytes(static_cast<uint32_t>(data.size() - 8)));
    WriteBytes(path, data);
}
