// libFuzzer entry point; the body is shared with the replay test.
#include "AviIndexFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzAviIndexCheck(data, size); }
