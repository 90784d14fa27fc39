// Media fixtures made at test time by the ffmpeg command line, and what
// ffprobe says of a file: the oracles of every test that reads media.
#pragma once

#include <string>
#include <vector>

#include "tests/support/TempDir.h"

// ffmpeg input arguments for a small test picture (160x120, 25 frames per
// second) and a tone, both `seconds` long.
std::string TestPicture(double seconds = 2.0, const std::string& size = "160x120");
std::string TestTone(double seconds = 2.0, int rate = 44100);

// Runs "ffmpeg -y <args> <dir>/<name>"; fails the test when ffmpeg fails or
// writes nothing. The output path.
std::string MakeMedia(const TempDir& dir, const std::string& name, const std::string& args);

// A copy of an MP4 file (one video track, muxed by ffmpeg) whose track
// header states the display matrix {a, b, c, d} (where the picture's x axis
// goes, then its y axis, each 1 or -1 or 0), as a phone writes it for a
// picture to be turned or mirrored when shown; the copy's path.
std::string WithDisplayMatrix(const TempDir& dir, const std::string& mp4, const std::string& name, int a, int b, int c,
                              int d);
// A copy with the ffmpeg command line's rotate tag of 0, 90, 180 or 270
// (-metadata:s:v rotate=N, streams copied); ffprobe must find the turn in
// the copy's display matrix. Which way the tag turns the picture is the
// tool's business: tests judge the orientation by what its decoding shows.
std::string RotatedCopy(const TempDir& dir, const std::string& mp4, const std::string& name, int degrees);
// ffprobe's rotation of the file's first video stream in degrees, 0 when
// it states none.
int ProbedRotation(const std::string& path);

// `count` frames of AMR-NB speech (50 a second). No encoder of AMR is at
// hand: the frames are of the 12.2 kbit/s mode with arbitrary bits, which
// the decoder reads as noise-like speech.
std::vector<std::string> AmrSpeechFrames(int count);
// Those frames in the AMR storage format ("#!AMR" and the frames), which the
// ffmpeg command line reads and copies into a 3GP; the file's path.
std::string AmrSpeechFile(const TempDir& dir, const std::string& name, int count);

// One stream as ffprobe counts it with -count_frames.
struct ProbedStream {
    std::string kind;  // "video", "audio", ...
    long long frames = 0;
};
std::vector<ProbedStream> ProbeFrameCounts(const std::string& path);

// One stream as ffprobe describes it (without decoding).
struct ProbedStreamInfo {
    std::string kind;       // "video", "audio", ...
    std::string codecName;  // ffprobe's codec_name
    int width = 0;
    int height = 0;
    std::string pixelAspect;    // sample_aspect_ratio ("64:45"), "" when none
    std::string displayAspect;  // display_aspect_ratio ("16:9"), "" when none
    int channels = 0;
    int sampleRate = 0;
};
struct ProbedFile {
    std::vector<ProbedStreamInfo> streams;
    double duration = 0;  // the container's, in seconds; 0 when unknown
};
ProbedFile ProbeFile(const std::string& path);

// The first video stream's timing as ffprobe gives it: its declared rates
// (num/den, 0/0 when none), the pictures it decodes, and its start and
// duration in seconds (-1 when unknown).
struct ProbedVideoTiming {
    int rateNum = 0, rateDen = 0;  // r_frame_rate
    int avgNum = 0, avgDen = 0;    // avg_frame_rate
    long long frames = -1;         // decoded pictures
    long long declared = -1;       // the pictures the container lists (an AVI's index entries)
    double start = -1, duration = -1;
    double Rate() const { return rateDen > 0 ? static_cast<double>(rateNum) / rateDen : 0; }
    double AverageRate() const { return avgDen > 0 ? static_cast<double>(avgNum) / avgDen : 0; }
};
ProbedVideoTiming ProbeVideoTiming(const std::string& path);

// Damaged or unusual timing, as real files have it.
// ffmpeg input arguments for 30 pictures a second of the test picture,
// and the output arguments that stamp them in milliseconds with a jitter
// of a few (as phones and screen recorders stamp them): a container without
// a stated rate then leaves the library's guess from the stamps far off
// (80 pictures a second for this jitter; its millisecond clock, 1000, for
// others).
std::string JitteredPictures(double seconds);
std::string JitteredStamps();
// Takes the frame duration out of a Matroska file: the element becomes
// void space of the same length.
void DropMatroskaFrameDuration(const std::string& path);
// An FLV file of five seconds of the test picture and tone whose 60th
// picture is stamped 469,762 seconds late (the extension byte of its time
// flipped), as damaged files come; its path.
std::string FlvWithOneFarStamp(const TempDir& dir, const std::string& name);
