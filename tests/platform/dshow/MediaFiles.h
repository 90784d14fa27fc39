// Media fixtures for the system filters' tests, made at test time by the
// ffmpeg command line, with ffprobe as the oracle; and a test environment
// in which the system filters are registered (a private registry store,
// the component runtime initialised for each test).
#pragma once

#include <gtest/gtest.h>

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

// One stream as ffprobe counts it with -count_frames.
struct ProbedStream {
    std::string kind;  // "video", "audio", ...
    long long frames = 0;
};
std::vector<ProbedStream> ProbeFrameCounts(const std::string& path);

// The component runtime and the system filters for one test; the registry
// store of the whole test program lives in a private folder.
class SystemFilterTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};
