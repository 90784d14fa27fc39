// The body of the source-probing fuzz target, shared by the libFuzzer entry
// point and by the test that replays inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// Takes the bytes as a local file under several names (an AVI, a ".dmb"
// transport stream, a DVD ".IFO", a ".MOV", a file with an ".idx"
// companion) and probes each one. Aborts when a probe gives a code that
// probing a local file never gives; returns 0.
int FuzzSourceProbe(const uint8_t* data, size_t size);
