// Key-frame interval statistics gathered one key frame at a time, in
// constant memory whatever the number of key frames: the average, largest
// and smallest step between consecutive key-frame times, and the sample
// deviation of the steps. Indexes of long films list millions of frames;
// nothing of them needs to be kept to report their key frames.
#pragma once

#include <cstdint>

#include "reader/MediaFileInfo.h"

class KeyFrameIntervalAccumulator {
public:
    // The next key frame's time in seconds, in file order.
    void Add(double t);
    void Reset() { *this = KeyFrameIntervalAccumulator(); }

    uint64_t Count() const { return m_count; }
    // True once a time was below the one before it (the first is compared
    // with 0).
    bool Decreased() const { return m_decreased; }
    // All 0 for fewer than two key frames.
    KeyFrameIntervals Result() const;

private:
    uint64_t m_count = 0;
    double m_previous = 0;
    bool m_decreased = false;
    // Over the steps so far, in extended precision: their sum, extremes, and
    // their running mean and sum of squared differences from it.
    long double m_sum = 0;
    long double m_largest = 0;
    long double m_smallest = 0;
    long double m_mean = 0;
    long double m_squares = 0;
};
