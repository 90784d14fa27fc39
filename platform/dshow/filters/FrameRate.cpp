#include "platform/dshow/filters/FrameRate.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

constexpr long double kUnitsPerSecond = 10000000.0L;
constexpr double kMostFramesPerSecond = 300;
// A spacing of stamps this many times the usual one is a gap or a damaged
// stamp, not a frame.
constexpr int64_t kGapSpacings = 8;

// The fraction with the smallest denominator in [lowest, highest]
// (0 < lowest <= highest), by the continued fractions of both ends;
// false when its terms grow beyond maxTerm.
bool SimplestFraction(long double lowest, long double highest, int64_t maxTerm, int depth, int64_t* num, int64_t* den)
{
    if (depth > 64) return false;
    long double whole = std::floor(lowest);
    if (whole > static_cast<long double>(maxTerm)) return false;
    if (whole == lowest || whole + 1 <= highest) {
        *num = static_cast<int64_t>(whole == lowest ? whole : whole + 1);
        *den = 1;
        return true;
    }
    // Both ends lie between two whole numbers: the fraction is whole plus
    // the inverse of the simplest one between the inverses of the rests.
    int64_t p = 0, q = 0;
    if (!SimplestFraction(1 / (highest - whole), 1 / (lowest - whole), maxTerm, depth + 1, &p, &q)) return false;
    int64_t n = static_cast<int64_t>(whole) * p + q;
    if (n > maxTerm || p > maxTerm) return false;
    *num = n;
    *den = p;
    return true;
}

AVRational Reduced(int64_t num, int64_t den, int maxTerm)
{
    AVRational r{0, 1};
    av_reduce(&r.num, &r.den, num, den, maxTerm);
    return r;
}

}  // namespace

AVRational SimplestFrameRate(double lowest, double highest, int maxTerm)
{
    if (!(highest > 0) || maxTerm < 1 || !(lowest <= highest)) return AVRational{0, 1};
    long double lo = std::max<long double>(lowest, 1e-9L), hi = highest;
    // A whole rate.
    long double whole = std::ceil(lo);
    if (whole <= hi && whole <= maxTerm) return AVRational{static_cast<int>(whole), 1};
    // The 1000/1001 family of the television rates.
    long double family = std::ceil(lo * 1001 / 1000);
    if (family * 1000 / 1001 <= hi && family * 1000 <= maxTerm)
        return Reduced(static_cast<int64_t>(family) * 1000, 1001, maxTerm);
    int64_t num = 0, den = 0;
    if (SimplestFraction(lo, hi, maxTerm, 0, &num, &den)) return Reduced(num, den, maxTerm);
    return av_d2q(static_cast<double>((lo + hi) / 2), maxTerm);
}

AVRational FrameRateOfFrameTime(REFERENCE_TIME frameTime, int maxTerm)
{
    if (frameTime <= 0) return AVRational{0, 1};
    // The time may have been rounded to the nearest unit or cut down to one.
    long double shortest = static_cast<long double>(frameTime) - 0.5L,
                longest = static_cast<long double>(frameTime) + 1;
    double highest = shortest > 0 ? static_cast<double>(kUnitsPerSecond / shortest) : 1e300;
    return SimplestFrameRate(static_cast<double>(kUnitsPerSecond / longest), highest, maxTerm);
}

REFERENCE_TIME FrameTimeOfRate(AVRational rate)
{
    if (rate.num <= 0 || rate.den <= 0) return 0;
    return av_rescale(static_cast<int64_t>(kUnitsPerSecond), rate.den, rate.num);
}

bool IsPictureRate(AVRational rate) { return rate.num > 0 && rate.den > 0 && av_q2d(rate) <= kMostFramesPerSecond; }

AVRational FrameRateOfStamps(std::vector<int64_t> stamps, AVRational base)
{
    if (base.num <= 0 || base.den <= 0) return AVRational{0, 1};
    std::sort(stamps.begin(), stamps.end());
    stamps.erase(std::unique(stamps.begin(), stamps.end()), stamps.end());
    if (stamps.size() < 3) return AVRational{0, 1};
    std::vector<int64_t> spacings;
    for (size_t i = 1; i < stamps.size(); ++i) spacings.push_back(stamps[i] - stamps[i - 1]);
    std::vector<int64_t> sorted = spacings;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(sorted.size() / 2), sorted.end());
    const int64_t usual = sorted[sorted.size() / 2];
    long double total = 0, frames = 0;
    int64_t runs = 1, jitter = 0;
    for (int64_t s : spacings) {
        if (s > usual * kGapSpacings) {
            ++runs;  // each run of stamps brings the uncertainty of its two ends
            continue;
        }
        total += static_cast<long double>(s);
        // A spacing of about two or more usual ones is frames left out (a
        // slower stretch of a variable rate is not).
        frames += 4 * s >= 7 * usual ? std::round(static_cast<long double>(s) / usual) : 1;
        if (4 * s < 7 * usual) jitter = std::max(jitter, s > usual ? s - usual : usual - s);
    }
    if (frames < 2 || total <= 0) return AVRational{0, 1};
    // Each stamp is exact to one unit of its base, or to half its jitter:
    // the two ends of each run of stamps are that uncertain.
    const long double unit = static_cast<long double>(base.num) / base.den;
    const long double seconds = total * unit, slack = static_cast<long double>(runs) * (jitter + 1) * unit;
    const double lowest = static_cast<double>(frames / (seconds + slack));
    const double highest = seconds > slack ? static_cast<double>(frames / (seconds - slack)) : lowest * 2;
    return SimplestFrameRate(lowest, highest, INT_MAX);
}
