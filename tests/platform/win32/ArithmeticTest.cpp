#include <gtest/gtest.h>

#include <climits>

#include "platform/win32/WinTypes.h"

namespace {

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesWhatDoesNotFit)
{
    struct Row {
        int a, b, c, expected;
    } rows[] = {
        {10, 3, 4, 8},    // 7.5 rounds up
        {-10, 3, 4, -8},  // -7.5 rounds away from zero
        {10, -3, -4, 8},
        {7, 1, 2, 4},
        {1, 1, 3, 0},
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX},  // the 64-bit product does not overflow
        {INT_MAX, 2, 1, -1},                   // result does not fit
        {INT_MIN, 1, 1, INT_MIN},
        {5, 5, 0, -1},  // division by zero
        {720, 1920, 720, 1920},
    };
    for (const auto& r : rows) EXPECT_EQ(r.expected, MulDiv(r.a, r.b, r.c)) << r.a << "*" << r.b << "/" << r.c;
}

}  // namespace
