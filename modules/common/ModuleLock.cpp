#include "modules/common/ModuleLock.h"

#include <atomic>

namespace {
std::atomic<long> g_locks{0};
}

void ModuleLock::Lock() { g_locks.fetch_add(1, std::memory_order_relaxed); }

void ModuleLock::Unlock() { g_locks.fetch_sub(1, std::memory_order_acq_rel); }

long ModuleLock::Count() { return g_locks.load(std::memory_order_acquire); }
