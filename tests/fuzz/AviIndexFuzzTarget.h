// The body of the AVI index-check fuzz target (the AVI source of HSF.ax
// walks a file's chunks before it trusts its index), shared by the libFuzzer
// entry point and by the test that replays inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// Takes the bytes as a local file and checks its index. Aborts when a file
// that is no RIFF AVI form is said to lack its index; returns 0.
int FuzzAviIndexCheck(const uint8_t* data, size_t size);
