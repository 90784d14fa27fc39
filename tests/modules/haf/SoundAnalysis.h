// Reading the sound a test graph gave: interleaved signed 16-bit samples,
// written as a wave file so that ffprobe and ffmpeg's level statistics can
// judge it, and the frequency and onset of a tone in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

std::vector<int16_t> Samples16(const std::string& bytes);

// A PCM wave file of the samples; its path.
std::string WriteWave(const TempDir& dir, const std::string& name, const std::vector<int16_t>& samples, int rate,
                      int channels);

// The whole file's peak and RMS levels in dB of full scale, as ffmpeg's
// level statistics give them.
struct SoundLevels {
    double peakDb = 0;
    double rmsDb = 0;
};
SoundLevels MeasureLevels(const std::string& path);

// The frequency of a tone in one channel between two frame positions, from
// the rising zero crossings (interpolated between samples).
double ToneFrequency(const std::vector<int16_t>& samples, int channels, int channel, int rate, size_t fromFrame,
                     size_t toFrame);
// The first frame of the channel louder than threshold (of full scale);
// the frame count when none is.
size_t OnsetFrame(const std::vector<int16_t>& samples, int channels, int channel, double threshold);
// The largest absolute sample of the channel.
int PeakOf(const std::vector<int16_t>& samples, int channels, int channel);
