#include "KeyFrameIntervalAccumulator.h"

#include <cmath>

void KeyFrameIntervalAccumulator::Add(double t)
{
    if (t < m_previous) m_decreased = true;
    if (m_count > 0) {
        const long double d = static_cast<long double>(t) - m_previous;
        const uint64_t steps = m_count;  // this one included
        m_sum += d;
        if (d > m_largest) m_largest = d;
        if (steps == 1 || d < m_smallest) m_smallest = d;
        // The squared differences from the mean, updated step by step so
        // that no step has to be kept for a second pass.
        const long double delta = d - m_mean;
        m_mean += delta / static_cast<long double>(steps);
        m_squares += delta * (d - m_mean);
    }
    m_previous = t;
    ++m_count;
}

KeyFrameIntervals KeyFrameIntervalAccumulator::Result() const
{
    KeyFrameIntervals k;
    if (m_count <= 1) return k;
    const long double steps = static_cast<long double>(m_count - 1);
    k.avg = static_cast<double>(m_sum / steps);
    k.max = static_cast<double>(m_largest);
    k.min = static_cast<double>(m_smallest);
    k.stdDev = static_cast<double>(std::sqrt(m_squares / steps));
    return k;
}
