// libFuzzer entry point of the skin document loader and the skin window it
// builds; the body is shared with the replay test.
#include <QApplication>
#include <QThreadPool>
#include <cstdlib>

#include "SkinFuzzTargets.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // The application outlives the windows the body keeps (its host and the
    // shared tooltip): it is never destroyed.
    static QApplication* app = new QApplication(*argc, *argv);
    (void)app;
    // One worker, kept for good, for the pictures Qt scales and converts
    // in parallel: with more, their allocations interleave with the input's
    // by chance, and a worker that ends after an idle time frees its memory
    // during whichever input runs then; either way a run would differ from
    // the next.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    return 0;
}

// Fontconfig keeps what it learns about a face name it has not met before
// in allocations it never frees; each new name a skin asks for looks like a
// leak of the input that asked.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzSkinDocument(data, size); }
