#include "KeyFrameIntervalAccumulator.h"

#include <cmath>

void KeyFrameIntervalAccumulator::Add(double t)
{
    if (t < previous_) decreased_ = true;
    if (count_ > 0) {
        const long double d = static_cast<long double>(t) - previous_;
        const uint64_t steps = count_;  // this one included
        sum_ += d;
        if (d > largest_) largest_ = d;
        if (steps == 1 || d < smallest_) smallest_ = d;
        // The squared differences from the mean, updated step by step so
        // that no step has to be kept for a second pass.
        const long double delta = d - mean_;
        mean_ += delta / static_cast<long double>(steps);
        squares_ += delta * (d - mean_);
    }
    previous_ = t;
    ++count_;
}

KeyFrameIntervals KeyFrameIntervalAccumulator::Result() const
{
    KeyFrameIntervals k;
    if (count_ <= 1) return k;
    const long double steps = static_cast<long double>(count_ - 1);
    k.avg = static_cast<double>(sum_ / steps);
    k.max = static_cast<double>(largest_);
    k.min = static_cast<double>(smallest_);
    k.stdDev = static_cast<double>(std::sqrt(squares_ / steps));
    return k;
}
