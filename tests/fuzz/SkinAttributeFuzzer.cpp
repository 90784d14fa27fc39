// libFuzzer entry point of the skin attribute parsers; the body is shared
// with the replay test.
#include <QGuiApplication>
#include <QThreadPool>
#include <cstdlib>

#include "SkinFuzzTargets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    // One worker, kept for good, for the pictures Qt scales and converts
    // in parallel: with more, their allocations interleave with the input's
    // by chance, and a worker that ends after an idle time frees its memory
    // during whichever input runs then; either way a run would differ from
    // the next.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    return 0;
}

// A font element's face name goes to fontconfig, which keeps what it
// learns about a name it has not met before in allocations it never frees.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzSkinAttributes(data, size); }
