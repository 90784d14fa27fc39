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

namespace {

class StepClock : public MessageClock {
public:
    ULONGLONG now = 0;
    ULONGLONG NowMs() override { return now; }
};

}  // namespace

TEST(Tick, AReplacedClockDrivesBothCountsUntilRemoved)
{
    StepClock clock;
    SetMessageClock(&clock);
    struct Row {
        ULONGLONG now;
        DWORD low;
    } rows[] = {
        {0, 0},
        {1500, 1500},
        {0xFFFFFFFFull, 0xFFFFFFFFu},
        {0x100000000ull + 7, 7},  // the 32-bit count wraps, the 64-bit one does not
    };
    for (const Row& r : rows) {
        clock.now = r.now;
        EXPECT_EQ(r.now, GetTickCount64());
        EXPECT_EQ(r.low, GetTickCount());
    }
    // Sleeping waits real time and leaves a replaced clock where it is.
    Sleep(5);
    EXPECT_EQ(0x100000000ull + 7, GetTickCount64());
    SetMessageClock(nullptr);
    ULONGLONG a = GetTickCount64();
    Sleep(20);
    EXPECT_GE(GetTickCount64() - a, 20u);
}
