// The body of the ASF header reader's fuzz target, shared by the libFuzzer
// entry point and by the test that replays inputs in every build.
#pragma once

#include <cstddef>
#include <cstdint>

// Walks the bytes as an ASF file and exports its caption commands. Aborts
// when the walk does not report an opened file, or when the export's answer
// and the file it leaves disagree (a file only when it answers 1, and then a
// whole SAMI body); returns 0.
int FuzzAsfHeader(const uint8_t* data, size_t size);
