// The body of RivoReader's fuzz target, shared by the libFuzzer entry point
// and by the test that replays inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// Takes the bytes as a media file: detects its container and builds its
// report as RivoReader would, then has every analyser read it and the report
// written from each record. Returns 0.
int FuzzMediaFile(const uint8_t* data, size_t size);
