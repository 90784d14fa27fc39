#include "tests/modules/haf/SoundAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

std::string Le16(uint16_t v) { return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

std::string Le32(uint32_t v) { return Le16(static_cast<uint16_t>(v & 0xFFFF)) + Le16(static_cast<uint16_t>(v >> 16)); }

// The number after "key:" on the last line of the text that has it.
double LastValueAfter(const std::string& text, const std::string& key)
{
    size_t at = text.rfind(key);
    if (at == std::string::npos) {
        ADD_FAILURE() << "no \"" << key << "\" in\n" << text;
        return 0;
    }
    return std::strtod(text.c_str() + at + key.size(), nullptr);
}

}  // namespace

std::vector<int16_t> Samples16(const std::string& bytes)
{
    std::vector<int16_t> samples(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

std::string WriteWave(const TempDir& dir, const std::string& name, const std::vector<int16_t>& samples, int rate,
                      int channels)
{
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    const uint16_t block = static_cast<uint16_t>(channels * 2);
    std::string file = "RIFF" + Le32(36 + data) + "WAVE" + "fmt " + Le32(16) + Le16(1) +
                       Le16(static_cast<uint16_t>(channels)) + Le32(static_cast<uint32_t>(rate)) +
                       Le32(static_cast<uint32_t>(rate) * block) + Le16(block) + Le16(16) + "data" + Le32(data);
    file.append(reinterpret_cast<const char*>(samples.data()), data);
    std::string path = dir.File(name);
    WriteBytes(path, file);
    return path;
}

SoundLevels MeasureLevels(const std::string& path)
{
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -nostdin -i '" + path +
                                  "' -af astats=measure_perchannel=none:measure_overall=Peak_level+RMS_level "
                                  "-f null - 2>&1",
                              &code);
    EXPECT_EQ(code, 0) << log;
    SoundLevels levels;
    levels.peakDb = LastValueAfter(log, "Peak level dB:");
    levels.rmsDb = LastValueAfter(log, "RMS level dB:");
    return levels;
}

double ToneFrequency(const std::vector<int16_t>& samples, int channels, int channel, int rate, size_t fromFrame,
                     size_t toFrame)
{
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    toFrame = std::min(toFrame, frames);
    double first = -1, last = -1;
    int crossings = 0;
    for (size_t i = fromFrame + 1; i < toFrame; ++i) {
        const double a = samples[(i - 1) * channels + channel];
        const double b = samples[i * channels + channel];
        if (a < 0 && b >= 0) {
            const double at = static_cast<double>(i - 1) + (-a) / (b - a);
            if (first < 0) first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) return 0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}

size_t OnsetFrame(const std::vector<int16_t>& samples, int channels, int channel, double threshold)
{
    const size_t frames = samples.size() / static_cast<size_t>(channels);
    for (size_t i = 0; i < frames; ++i)
        if (std::abs(samples[i * channels + channel]) > threshold * 32768) return i;
    return frames;
}

int PeakOf(const std::vector<int16_t>& samples, int channels, int channel)
{
    int peak = 0;
    for (size_t i = static_cast<size_t>(channel); i < samples.size(); i += static_cast<size_t>(channels))
        peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
    return peak;
}
