#include "ScriptStackLimit.h"

#include <pthread.h>

#include <algorithm>
#include <cstddef>

namespace {

// The lowest address frames may reach, with a reserve for what runs below
// the deepest check (native functions, the library, signal handlers); 0 when
// the stack cannot be measured.
uintptr_t MeasureFloor()
{
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* low = nullptr;
    size_t size = 0;
    const int rc = pthread_attr_getstack(&attr, &low, &size);
    pthread_attr_destroy(&attr);
    if (rc != 0 || !low || size == 0) return 0;
    const size_t reserve = std::clamp<size_t>(size / 8, 64 * 1024, 1024 * 1024);
    return size > reserve ? reinterpret_cast<uintptr_t>(low) + reserve : 0;
}

}  // namespace

ScriptStackLimit::ScriptStackLimit()
{
    thread_local const uintptr_t floor = MeasureFloor();
    m_floor = floor;
}
