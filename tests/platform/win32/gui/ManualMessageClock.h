// A message clock for tests that only moves when told to.
#pragma once

#include <atomic>

#include "platform/win32/gui/Timers.h"

class ManualMessageClock : public MessageClock {
public:
    explicit ManualMessageClock(ULONGLONG start = 1000) : now_(start) {}
    ULONGLONG NowMs() override { return now_.load(); }
    void Advance(ULONGLONG ms) { now_ += ms; }

private:
    std::atomic<ULONGLONG> now_;
};
