#include "CrtRandom.h"

#include <atomic>

namespace {
std::atomic<UINT> g_state{1};
}

void SeedCrtRandom(UINT seed) { g_state = seed; }

int NextCrtRandom()
{
    UINT s = g_state.load();
    s = s * 214013u + 2531011u;
    g_state = s;
    return static_cast<int>((s >> 16) & 0x7FFF);
}
