// Frame rates as exact fractions. A media type keeps a stream's rate as
// the time of one frame in whole 100-ns units, which rounds the rates of
// the 1000/1001 family (23.976, 29.97, 59.94) and nearly every rate a
// phone records at; an encoder and a container need the fraction itself,
// with terms they can store.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/dshow/filters/LavHeaders.h"
#include "platform/win32/MediaFormats.h"

// The simplest rate within [lowest, highest] frames per second: a whole
// rate, then one of the 1000/1001 family, then the fraction with the
// smallest denominator; neither term above maxTerm. When no such fraction
// lies in the range, the nearest one within the terms to its middle.
// {0, 1} for a range that holds no positive rate.
AVRational SimplestFrameRate(double lowest, double highest, int maxTerm);

// The rate of frames that last frameTime 100-ns units, that time being
// rounded or cut to whole units: 417083 gives 24000/1001, 333333 gives 30.
// {0, 1} for a time of 0 or less.
AVRational FrameRateOfFrameTime(REFERENCE_TIME frameTime, int maxTerm);

// The time of one frame, in 100-ns units, at a rate (rounded to the
// nearest unit); 0 for a rate that is not positive.
REFERENCE_TIME FrameTimeOfRate(AVRational rate);

// Whether a rate a container states can be one of pictures: a rate above
// the fastest camera's is the container's clock ticking (a time base of
// milliseconds taken for 1000 pictures a second), and 0/0 states none.
bool IsPictureRate(AVRational rate);

// The average rate of frames stamped at these times (in any order, in
// units of base): their usual spacing, a spacing of about twice it or more
// counting as the frames left out there and gaps far beyond it (a cut, a
// damaged stamp) not at all, as the simplest rate within what the stamps'
// precision and jitter allow. {0, 1} when fewer than three stamps differ.
AVRational FrameRateOfStamps(std::vector<int64_t> stamps, AVRational base);
