// The C run-time's pseudo-random generator as the settings rely on it: a
// linear congruential generator (multiplier 214013, increment 2531011) whose
// results are bits 16 to 30 of the state, 0 to 32767. One state for the
// process, seeded once at start-up.
#pragma once

#include "platform/win32/WinTypes.h"

void SeedCrtRandom(UINT seed);
int NextCrtRandom();
