// The status module "Ventra.dll": it keeps the last record the encoder
// published and hands a copy back to whoever asks with "GetVentra". What an
// outside program does with the encoder's state is its own business; this
// module only holds it.
#include <mutex>

#include "modules/api/VentraApi.h"

#define VENTRA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
std::mutex g_lock;
VentraState g_last;
bool g_received = false;
}  // namespace

VENTRA_EXPORT void SetVentra(const VentraState* state)
{
    if (!state) return;
    std::lock_guard<std::mutex> guard(g_lock);
    g_last = *state;
    g_received = true;
}

VENTRA_EXPORT int GetVentra(VentraState* state)
{
    std::lock_guard<std::mutex> guard(g_lock);
    if (!state || !g_received) return 0;
    *state = g_last;
    return 1;
}
