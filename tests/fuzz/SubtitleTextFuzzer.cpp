// libFuzzer entry point of the video treatment module's text subtitles; the
// body is shared with the replay test.
#include "HvfFuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzSubtitleText(data, size); }
