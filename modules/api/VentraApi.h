// The interface of the status module "Ventra.dll": the record the encoder
// publishes its running state in, and the two exports it looks up by name.
//
// The record keeps its six fields in their published order, but on this
// platform the module handle and the two entry addresses are 64-bit values,
// so those three fields are pointer-sized rather than 32-bit and the record
// is 40 bytes, not 24: the three flags take the first 12 bytes, 4 bytes of
// padding follow, then the three pointer-sized fields.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/Module.h"

struct VentraState {
    int32_t running = 0;   // 1 once a job has started
    int32_t percent = 0;   // the current job's percentage, 0..100
    int32_t finished = 0;  // 1 once a progress window has gone
    HMODULE module = nullptr;
    FARPROC setEntry = nullptr;  // "SetVentra"
    FARPROC getEntry = nullptr;  // "GetVentra"
};
static_assert(offsetof(VentraState, running) == 0);
static_assert(offsetof(VentraState, percent) == 4);
static_assert(offsetof(VentraState, finished) == 8);
static_assert(offsetof(VentraState, module) == 16);
static_assert(offsetof(VentraState, setEntry) == 24);
static_assert(offsetof(VentraState, getEntry) == 32);
static_assert(sizeof(VentraState) == 40);

// "SetVentra": receives the whole record each time a field changes; its
// result is not used.
using PFN_SETVENTRA = void (*)(const VentraState* state);
// "GetVentra": copies the last record the module received; 1 when it has
// received one, else 0 (the record is then left as it is).
using PFN_GETVENTRA = int (*)(VentraState* state);
