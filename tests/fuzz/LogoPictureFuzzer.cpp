// libFuzzer entry point of the video treatment module's logo reader; the
// body is shared with the replay test.
#include "HvfFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzLogoPicture(data, size); }
