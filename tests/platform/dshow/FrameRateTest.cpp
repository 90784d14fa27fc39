// Frame rates as exact fractions: from the time of one frame in whole
// 100-ns units (as media types keep it, rounded or cut), and from a range
// of rates measured on time stamps.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "platform/dshow/filters/FrameRate.h"

namespace {

constexpr int kAnyTerm = 1 << 30;
// The largest time-base denominator the MPEG-4 part 2 bit stream holds.
constexpr int kMpeg4Term = 65535;

struct FrameTimeCase {
    double rate;   // frames per second the source has
    int num, den;  // the fraction it must come back as
};

const FrameTimeCase kFrameTimes[] = {
    {24000.0 / 1001, 24000, 1001},
    {24, 24, 1},
    {25, 25, 1},
    {30000.0 / 1001, 30000, 1001},
    {30, 30, 1},
    {50, 50, 1},
    {60000.0 / 1001, 60000, 1001},
    {60, 60, 1},
    {15, 15, 1},
    {12.5, 25, 2},
    {15000.0 / 1001, 15000, 1001},
    {120, 120, 1},
    {1, 1, 1},
    {0.5, 1, 2},  // a slide show
    // Rates phones record at.
    {29.41, 2941, 100},
    {29.87, 2987, 100},
    {30.01, 3001, 100},
    {30.07, 3007, 100},
    {27.52, 688, 25},
    {14.76, 369, 25},
};

TEST(FrameRateTest, FrameTimesComeBackAsTheRatesTheyWereMadeFrom)
{
    for (const FrameTimeCase& c : kFrameTimes) {
        SCOPED_TRACE(c.rate);
        // Rounded to the nearest unit, and cut down to a whole unit.
        for (REFERENCE_TIME t : {static_cast<REFERENCE_TIME>(std::llround(1e7 / c.rate)),
                                 static_cast<REFERENCE_TIME>(std::floor(1e7 / c.rate))}) {
            SCOPED_TRACE(t);
            AVRational r = FrameRateOfFrameTime(t, kAnyTerm);
            EXPECT_EQ(r.num, c.num);
            EXPECT_EQ(r.den, c.den);
            // What MPEG-4 part 2 takes: the same fraction where it fits.
            AVRational m = FrameRateOfFrameTime(t, kMpeg4Term);
            EXPECT_LE(m.num, kMpeg4Term);
            EXPECT_LE(m.den, kMpeg4Term);
            EXPECT_NEAR(av_q2d(m), c.rate, c.rate * 1e-5);
        }
    }
}

TEST(FrameRateTest, TermsStayWithinTheLimitAndNearTheRate)
{
    // 119.88 frames per second is 120000/1001, a numerator MPEG-4 part 2
    // cannot hold; any time the source has must still give a rate.
    struct Case {
        REFERENCE_TIME frameTime;
        int maxTerm;
    } cases[] = {{83417, kMpeg4Term}, {83417, kAnyTerm}, {3715 * 10000000LL / 89071, kMpeg4Term},
                 {1, kMpeg4Term},     {7, 1000},         {999999999, kMpeg4Term}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameTime);
        AVRational r = FrameRateOfFrameTime(c.frameTime, c.maxTerm);
        ASSERT_GT(r.num, 0);
        ASSERT_GT(r.den, 0);
        EXPECT_LE(r.num, c.maxTerm);
        EXPECT_LE(r.den, c.maxTerm);
        double wanted = 1e7 / static_cast<double>(c.frameTime);
        // Within a thousandth, unless the terms cannot come nearer.
        if (wanted < c.maxTerm && wanted * c.maxTerm > 1000) {
            EXPECT_NEAR(av_q2d(r), wanted, wanted * 1e-3);
        }
    }
    AVRational r = FrameRateOfFrameTime(83417, kAnyTerm);
    EXPECT_EQ(r.num, 120000);
    EXPECT_EQ(r.den, 1001);
}

TEST(FrameRateTest, RangesGiveTheirSimplestRate)
{
    struct Case {
        double lowest, highest;
        int num, den;
    } cases[] = {
        {29.96, 30.03, 30, 1},          // 30 frames over a second of millisecond stamps
        {29.965, 29.975, 30000, 1001},  // the television rate before a simpler fraction
        {29.84, 29.90, 209, 7},         // no whole or television rate inside
        {0, 0, 0, 1},                   // no rate at all
        {-5, -1, 0, 1},
        {2, 1, 0, 1},  // an empty range
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lowest);
        AVRational r = SimplestFrameRate(c.lowest, c.highest, kAnyTerm);
        EXPECT_EQ(r.num, c.num);
        EXPECT_EQ(r.den, c.den);
    }
}

TEST(FrameRateTest, OnlyRatesOfPicturesArePictureRates)
{
    EXPECT_TRUE(IsPictureRate(AVRational{30000, 1001}));
    EXPECT_TRUE(IsPictureRate(AVRational{240, 1}));
    EXPECT_TRUE(IsPictureRate(AVRational{1, 10}));
    EXPECT_FALSE(IsPictureRate(AVRational{1000, 1}));  // a millisecond clock
    EXPECT_FALSE(IsPictureRate(AVRational{90000, 1}));
    EXPECT_FALSE(IsPictureRate(AVRational{0, 0}));
    EXPECT_FALSE(IsPictureRate(AVRational{0, 1}));
    EXPECT_FALSE(IsPictureRate(AVRational{-30, 1}));
}

// Stamps in milliseconds of `count` frames at num/den a second, each moved
// by a jitter of up to `jitter` ms.
std::vector<int64_t> MillisecondStamps(int count, int num, int den, int jitter)
{
    std::vector<int64_t> stamps;
    for (int i = 0; i < count; ++i)
        stamps.push_back(std::llround(i * 1000.0 * den / num) + (jitter ? (i * 7) % (jitter + 1) : 0));
    return stamps;
}

TEST(FrameRateTest, StampsGiveTheirAverageRate)
{
    const AVRational ms{1, 1000};
    struct Case {
        const char* name;
        std::vector<int64_t> stamps;
        AVRational base;
        int num, den;
    };
    std::vector<int64_t> shuffled = MillisecondStamps(120, 30000, 1001, 0);
    // B-frames come out of order.
    for (size_t i = 1; i + 2 < shuffled.size(); i += 3) std::swap(shuffled[i], shuffled[i + 2]);
    std::vector<int64_t> damaged = MillisecondStamps(120, 30, 1, 0);
    damaged[60] = 469762048 + damaged[60];  // one stamp's extension byte flipped
    std::vector<int64_t> gap = MillisecondStamps(120, 25, 1, 0);
    gap.erase(gap.begin() + 40, gap.begin() + 60);  // twenty frames missing
    const Case cases[] = {
        {"30 in ms", MillisecondStamps(120, 30, 1, 0), ms, 30, 1},
        {"29.97 in ms", MillisecondStamps(120, 30000, 1001, 0), ms, 30000, 1001},
        {"23.976 in ms", MillisecondStamps(120, 24000, 1001, 0), ms, 24000, 1001},
        {"30 with jitter", MillisecondStamps(120, 30, 1, 4), ms, 30, 1},
        {"29.97 out of order", shuffled, ms, 30000, 1001},
        {"30 with a damaged stamp", damaged, ms, 30, 1},
        {"25 with a gap", gap, ms, 25, 1},
        {"25 in 90 kHz", {0, 3600, 7200, 10800}, AVRational{1, 90000}, 25, 1},
        {"two stamps", {0, 40}, ms, 0, 1},
        {"one stamp again and again", {40, 40, 40, 40}, ms, 0, 1},
        {"no base", {0, 40, 80}, AVRational{0, 1}, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AVRational r = FrameRateOfStamps(c.stamps, c.base);
        EXPECT_EQ(r.num, c.num);
        EXPECT_EQ(r.den, c.den);
    }
}

TEST(FrameRateTest, FrameTimeOfRateRoundsToTheNearestUnit)
{
    EXPECT_EQ(FrameTimeOfRate(AVRational{24000, 1001}), 417083);
    EXPECT_EQ(FrameTimeOfRate(AVRational{30000, 1001}), 333667);
    EXPECT_EQ(FrameTimeOfRate(AVRational{25, 1}), 400000);
    EXPECT_EQ(FrameTimeOfRate(AVRational{0, 1}), 0);
    EXPECT_EQ(FrameTimeOfRate(AVRational{-25, 1}), 0);
    EXPECT_EQ(FrameRateOfFrameTime(0, kAnyTerm).num, 0);
    EXPECT_EQ(FrameRateOfFrameTime(-5, kAnyTerm).num, 0);
}

}  // namespace
