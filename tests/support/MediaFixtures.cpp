#include "tests/support/MediaFixtures.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>

std::string TestPicture(double seconds, const std::string& size)
{
    return "-f lavfi -i testsrc=size=" + size + ":rate=25:duration=" + std::to_string(seconds);
}

std::string TestTone(double seconds, int rate)
{
    return "-f lavfi -i sine=frequency=440:sample_rate=" + std::to_string(rate) +
           ":duration=" + std::to_string(seconds);
}

std::string MakeMedia(const TempDir& dir, const std::string& name, const std::string& args)
{
    std::string out = dir.File(name);
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y " + args + " '" + out + "' 2>&1", &code);
    EXPECT_EQ(code, 0) << "ffmpeg failed for " << name << ": " << log;
    struct stat st;
    EXPECT_TRUE(stat(out.c_str(), &st) == 0 && st.st_size > 0) << "ffmpeg made no " << name;
    return out;
}

std::string WithDisplayMatrix(const TempDir& dir, const std::string& mp4, const std::string& name, int a, int b, int c,
                              int d)
{
    std::string bytes = ReadBytes(mp4);
    size_t at = bytes.find("tkhd");
    EXPECT_NE(at, std::string::npos) << mp4 << " has no track header";
    if (at == std::string::npos || at < 4) return std::string();
    // The matrix follows the header's times, track number, duration, layer,
    // group and volume: 48 bytes into a version 0 box, 60 into version 1.
    size_t matrix = at - 4 + (bytes[at + 4] == 1 ? 60 : 48);
    // Nine big-endian values: a b u c d v x y w, a to y in 16.16, u v w in 2.30.
    const int64_t values[9] = {a * 65536LL, b * 65536LL, 0, c * 65536LL, d * 65536LL, 0, 0, 0, 1LL << 30};
    EXPECT_LE(matrix + 36, bytes.size());
    if (matrix + 36 > bytes.size()) return std::string();
    for (int i = 0; i < 9; ++i) {
        uint32_t v = static_cast<uint32_t>(values[i]);
        for (int k = 0; k < 4; ++k) bytes[matrix + i * 4 + k] = static_cast<char>(v >> (24 - 8 * k));
    }
    std::string out = dir.File(name);
    WriteBytes(out, bytes);
    return out;
}

std::string RotatedCopy(const TempDir& dir, const std::string& mp4, const std::string& name, int degrees)
{
    std::string out =
        MakeMedia(dir, name, "-i '" + mp4 + "' -map 0 -c copy -metadata:s:v rotate=" + std::to_string(degrees));
    // The same turn, whichever sign and range ffprobe gives it in.
    EXPECT_EQ(((ProbedRotation(out) - degrees) % 360 + 360) % 360, 0) << out;
    return out;
}

int ProbedRotation(const std::string& path)
{
    int code = -1;
    std::string said = RunTool(
        "ffprobe -v error -select_streams v:0 -show_entries stream_side_data=rotation "
        "-of default=nw=1:nk=1 '" +
            path + "'",
        &code);
    EXPECT_EQ(code, 0) << said;
    return std::atoi(said.c_str());
}

std::vector<std::string> AmrSpeechFrames(int count)
{
    std::vector<std::string> frames;
    uint32_t noise = 12345;
    for (int n = 0; n < count; ++n) {
        std::string frame(1, '\x3C');  // mode 12.2, quality good
        for (int i = 0; i < 31; ++i) {
            noise = noise * 1103515245u + 12345u;
            frame += static_cast<char>(noise >> 16);
        }
        frames.push_back(frame);
    }
    return frames;
}

std::string AmrSpeechFile(const TempDir& dir, const std::string& name, int count)
{
    std::string speech = "#!AMR\n";
    for (const std::string& frame : AmrSpeechFrames(count)) speech += frame;
    WriteBytes(dir.File(name), speech);
    return dir.File(name);
}

std::vector<ProbedStream> ProbeFrameCounts(const std::string& path)
{
    int code = -1;
    std::string out = RunTool(
        "ffprobe -v error -count_frames -show_entries stream=index,codec_type,nb_read_frames "
        "-of csv=p=0 '" +
            path + "'",
        &code);
    EXPECT_EQ(code, 0) << "ffprobe failed for " << path;
    // Programs list their streams again: each index counts once.
    std::vector<ProbedStream> streams;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        size_t first = line.find(','), second = line.find(',', first + 1);
        if (second == std::string::npos) continue;
        size_t index = static_cast<size_t>(std::atoll(line.c_str()));
        if (index < streams.size()) continue;
        ProbedStream s;
        s.kind = line.substr(first + 1, second - first - 1);
        s.frames = std::atoll(line.c_str() + second + 1);
        streams.resize(index);
        streams.push_back(s);
    }
    return streams;
}

ProbedFile ProbeFile(const std::string& path)
{
    int code = -1;
    std::string out = RunTool(
        "ffprobe -v error -show_entries "
        "stream=index,codec_type,codec_name,width,height,sample_aspect_ratio,display_aspect_ratio,channels,"
        "sample_rate:format=duration "
        "-of default=nw=0:nk=0 '" +
            path + "'",
        &code);
    EXPECT_EQ(code, 0) << "ffprobe failed for " << path;
    // Programs list their streams again: each index counts once.
    ProbedFile file;
    ProbedStreamInfo scratch;
    ProbedStreamInfo* current = nullptr;
    bool inFormat = false;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line == "[STREAM]") {
            scratch = ProbedStreamInfo();
            current = &scratch;
            continue;
        }
        if (line == "[/STREAM]") {
            current = nullptr;
            continue;
        }
        if (line == "[FORMAT]" || line == "[/FORMAT]") {
            inFormat = line == "[FORMAT]";
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (inFormat) {
            if (key == "duration" && value != "N/A") file.duration = std::atof(value.c_str());
            continue;
        }
        if (!current) continue;
        if (key == "index") {
            size_t index = static_cast<size_t>(std::atoll(value.c_str()));
            if (index == file.streams.size()) {
                file.streams.emplace_back();
                current = &file.streams.back();
            }
            continue;
        }
        if (key == "codec_type") current->kind = value;
        if (key == "codec_name") current->codecName = value;
        if (key == "width") current->width = std::atoi(value.c_str());
        if (key == "height") current->height = std::atoi(value.c_str());
        if (key == "sample_aspect_ratio" && value != "N/A") current->pixelAspect = value;
        if (key == "display_aspect_ratio" && value != "N/A") current->displayAspect = value;
        if (key == "channels") current->channels = std::atoi(value.c_str());
        if (key == "sample_rate") current->sampleRate = std::atoi(value.c_str());
    }
    return file;
}

ProbedVideoTiming ProbeVideoTiming(const std::string& path)
{
    int code = -1;
    std::string out = RunTool(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=r_frame_rate,avg_frame_rate,nb_read_frames,nb_frames,start_time,duration "
        "-of default=nw=1 '" +
            path + "'",
        &code);
    EXPECT_EQ(code, 0) << "ffprobe failed for " << path;
    ProbedVideoTiming t;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (value == "N/A") continue;
        int num = 0, den = 0;
        if (key == "r_frame_rate" && std::sscanf(value.c_str(), "%d/%d", &num, &den) == 2) {
            t.rateNum = num;
            t.rateDen = den;
        } else if (key == "avg_frame_rate" && std::sscanf(value.c_str(), "%d/%d", &num, &den) == 2) {
            t.avgNum = num;
            t.avgDen = den;
        } else if (key == "nb_read_frames") {
            t.frames = std::atoll(value.c_str());
        } else if (key == "nb_frames") {
            t.declared = std::atoll(value.c_str());
        } else if (key == "start_time") {
            t.start = std::atof(value.c_str());
        } else if (key == "duration") {
            t.duration = std::atof(value.c_str());
        }
    }
    return t;
}

std::string JitteredPictures(double seconds)
{
    return "-f lavfi -i testsrc=size=160x120:rate=30:duration=" + std::to_string(seconds);
}

std::string JitteredStamps()
{
    return " -vf 'settb=1/1000,setpts=N*100/3+4*mod(N\\,3)' -fps_mode:v passthrough -enc_time_base:v 1:1000";
}

void DropMatroskaFrameDuration(const std::string& path)
{
    int code = -1;
    std::string log = RunTool(
        "python3 -c \"import sys\n"
        "d=bytearray(open(sys.argv[1],'rb').read())\n"
        "i=d.find(bytes([0x23,0xE3,0x83]))\n"
        "assert i>0\n"
        "n=4+(d[i+3]&0x7F)\n"
        "d[i:i+n]=bytes([0xEC,0x80|(n-2)])+bytes(n-2)\n"
        "open(sys.argv[1],'wb').write(d)\" '" +
            path + "' 2>&1",
        &code);
    EXPECT_EQ(code, 0) << log;
}

std::string FlvWithOneFarStamp(const TempDir& dir, const std::string& name)
{
    std::string path = MakeMedia(dir, name, TestPicture(5.0) + " " + TestTone(5.0) + " -c:v flv1 -c:a libmp3lame");
    int code = -1;
    // Tags follow the 9-byte header and a 4-byte size; each has 11 bytes of
    // header (type, size, time, time extension, stream) and a 4-byte size
    // after its data.
    std::string log = RunTool(
        "python3 -c \"import sys\n"
        "d=bytearray(open(sys.argv[1],'rb').read())\n"
        "p=13\n"
        "n=0\n"
        "while p+11<=len(d):\n"
        "  size=int.from_bytes(d[p+1:p+4],'big')\n"
        "  if d[p]==9:\n"
        "    n+=1\n"
        "    if n==60: d[p+7]^=0x1C\n"
        "  p+=15+size\n"
        "open(sys.argv[1],'wb').write(d)\" '" +
            path + "' 2>&1",
        &code);
    EXPECT_EQ(code, 0) << log;
    return path;
}
