// How deep the calling thread's stack may still grow. The parser and the
// machine follow nested texts by recursion; besides their fixed limits they
// stop with an error when the stack itself runs low (a thread with a small
// stack, a native function that called back deep inside a run), so that no
// text can overflow it.
#pragma once

#include <cstdint>

class ScriptStackLimit {
public:
    // Measures the calling thread's stack (once per thread); IsLow must be
    // asked on the same thread.
    ScriptStackLimit();
    // True when the caller's frame is within the reserve of the stack's end.
    bool IsLow() const { return reinterpret_cast<uintptr_t>(__builtin_frame_address(0)) < m_floor; }

private:
    uintptr_t m_floor = 0;
};
