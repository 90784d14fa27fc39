// libFuzzer entry point of the skin document loader and the skin window it
// builds; the body is shared with the replay test.
#include <QApplication>
#include <cstdlib>

#include "SkinFuzzTargets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzSkinDocument(data, size); }
