// The body of the skin script fuzz target, shared by the libFuzzer entry
// point and by the test that replays inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// Takes the bytes as UTF-8 script text and runs it on a host with every
// native function (on a window that holds a few controls), twice, so that
// the second run meets what the first left behind; runs end after a bounded
// number of steps. Returns 0.
int FuzzScript(const uint8_t* data, size_t size);
