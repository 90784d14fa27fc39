// libFuzzer entry point; the body is shared with the replay test.
#include "AsfHeaderFuzzTarget.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzAsfHeader(data, size); }
