// The bodies of the subtitle readers' fuzz targets, shared by the libFuzzer
// entry points and by the test that replays generated inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// Each reads the bytes as a subtitle file through the reader's whole path
// (decoding, parsing, the provider interface) and returns 0.
int FuzzSamiFile(const uint8_t* data, size_t size);
int FuzzMicroDvdAndSubRip(const uint8_t* data, size_t size);
int FuzzSsaScript(const uint8_t* data, size_t size);
