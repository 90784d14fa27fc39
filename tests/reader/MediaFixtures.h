// Media fixtures for the analyser tests, made at test time by the ffmpeg
// command line (and ogmmerge for OGM), with ffprobe as the oracle, and small
// helpers that damage a fixture in a known way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// Tiny lavfi sources: 2.5 s of a 160x120 test picture at 25 frames per
// second, and of a 440 Hz tone at 44.1 kHz.
std::string TestVideo(const std::string& size = "160x120", int rate = 25);
std::string TestAudio(int sampleRate = 44100);

// Runs "ffmpeg -y <args> <out>" quietly; fails the current test when ffmpeg
// fails or writes nothing. Returns the output path.
std::string MakeWithFfmpeg(const TempDir& dir, const std::string& name, const std::string& args);
// Runs any fixture tool command line; fails the test when it does not exit 0.
std::string RunFixtureTool(const std::string& commandLine);

// What ffprobe says about a file.
struct ProbeFacts {
    int64_t size = 0;
    double duration = 0;
    int videoStreams = 0;
    int audioStreams = 0;
    int width = 0;
    int height = 0;
    uint32_t videoTag = 0;    // codec_tag of the first video stream
    int64_t videoFrames = 0;  // nb_frames of the first video stream, 0 when unknown
    std::vector<uint32_t> audioTags;
    std::vector<int> sampleRates;
    std::vector<int> channels;
    int videoKeyFrames = 0;  // key-flagged packets of the first video stream
};
ProbeFacts Probe(const std::string& path);
// Packets of the first video stream, as ffprobe counts them (for containers
// that record no frame count).
int64_t VideoPackets(const std::string& path);

// A copy of a field of a packed record: test macros bind references, which a
// misaligned field must not be bound to.
template <class T>
T Value(T v)
{
    return v;
}

// Byte surgery on fixtures.
std::string Slurp(const std::string& path);
void Overwrite(const std::string& path, size_t offset, const std::string& bytes);
void TruncateTo(const std::string& path, size_t size);
// Offset of the first occurrence of needle at or after from; npos when none.
size_t FindIn(const std::string& data, const std::string& needle, size_t from = 0);
std::string LE32Bytes(uint32_t v);
uint32_t LE32At(const std::string& data, size_t offset);

// Gives a small AVI that ffmpeg wrote (one RIFF form, its first stream a
// video stream) the OpenDML index that files over 1 GB carry: the space
// ffmpeg reserves in the first stream list becomes a super index naming one
// standard index, built from the idx1 entries of stream 00 and added at the
// end of the RIFF form. With allKeyFrames every frame is marked a key frame
// there, unlike in idx1. Fails the test when the file is not laid out so.
void AddOpenDmlIndex(const std::string& path, bool allKeyFrames = false);

// The report the tool prints for the files (standard output only), and its
// exit status.
std::string RunReportTool(const std::vector<std::string>& paths, int* exitCode = nullptr,
                          std::string* errors = nullptr);
