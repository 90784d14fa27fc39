#include <gtest/gtest.h>

#include <string>

#include "reader/AacAudioConfig.h"

namespace {

struct ConfigRow {
    const char* what;
    std::string bytes;
    bool ok;
    uint32_t objectType, sampleRate, channels;
};

TEST(AacAudioConfig, LeadingFieldsOfTheConfiguration)
{
    const ConfigRow rows[] = {
        {"low complexity, 44.1 kHz, mono", "\x12\x08", true, 2, 44100, 1},
        {"low complexity, 48 kHz, stereo", "\x11\x90", true, 2, 48000, 2},
        {"8 kHz, 5.1", std::string("\x15\xB0", 2), true, 2, 8000, 6},
        {"channel configuration 7 is 7.1", "\x11\xB8", true, 2, 48000, 8},
        {"layout left to a program config element", std::string("\x11\x80", 2), true, 2, 48000, 0},
        // Object type 31 escapes to 32 + six more bits (here 32 + 2 = 34).
        {"escaped object type", std::string("\xF8\x48\x40", 3), true, 34, 44100, 2},
        // Rate index 15: the rate follows in 24 bits (22,000 Hz).
        {"explicit rate", std::string("\x17\x80\x2A\xF8\x08", 5), true, 2, 22000, 1},
        // SBR signalled explicitly: the output rate is the extension rate.
        {"explicit SBR", std::string("\x2B\x11\x80", 3), true, 5, 48000, 2},
        {"too short", "\x12", false, 0, 0, 0},
        {"empty", "", false, 0, 0, 0},
    };
    for (const ConfigRow& row : rows) {
        AacAudioConfig c;
        bool ok = AacAudioConfig::Parse(reinterpret_cast<const uint8_t*>(row.bytes.data()), row.bytes.size(), c);
        EXPECT_EQ(row.ok, ok) << row.what;
        if (!ok) continue;
        EXPECT_EQ(row.objectType, c.objectType) << row.what;
        EXPECT_EQ(row.sampleRate, c.sampleRate) << row.what;
        EXPECT_EQ(row.channels, c.channels) << row.what;
    }
    AacAudioConfig c;
    EXPECT_FALSE(AacAudioConfig::Parse(nullptr, 4, c));
}

}  // namespace
