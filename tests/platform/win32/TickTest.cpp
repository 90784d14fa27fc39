#include "platform/win32/Tick.h"

#include <gtest/gtest.h>

TEST(Tick, CountsMillisecondsAcrossASleep)
{
    ULONGLONG before64 = GetTickCount64();
    DWORD before32 = GetTickCount();
    Sleep(60);
    ULONGLONG after64 = GetTickCount64();
    DWORD after32 = GetTickCount();
    EXPECT_GE(after64 - before64, 60u);
    EXPECT_LT(after64 - before64, 10000u);
    // The 32-bit count is the low part of the 64-bit one (unsigned
    // subtraction stays right across its wrap).
    EXPECT_GE(static_cast<DWORD>(after32 - before32), 60u);
    DWORD low = GetTickCount();
    ULONGLONG full = GetTickCount64();
    EXPECT_LE(static_cast<DWORD>(full) - low, 1000u);
    Sleep(0);
}
