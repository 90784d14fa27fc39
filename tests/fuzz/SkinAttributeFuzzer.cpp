// libFuzzer entry point of the skin attribute parsers; the body is shared
// with the replay test.
#include <QGuiApplication>
#include <cstdlib>

#include "SkinFuzzTargets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzSkinAttributes(data, size); }
