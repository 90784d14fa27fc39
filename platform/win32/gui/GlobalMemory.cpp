#include "GlobalMemory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

// A single allocation above this is refused instead of tried.
constexpr SIZE_T kLargestBlock = SIZE_T{1} << 31;

struct Blocks {
    std::mutex lock;
    std::unordered_map<const void*, SIZE_T> sizes;
};

Blocks& B()
{
    static Blocks b;
    return b;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (bytes > kLargestBlock) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* p = (flags & GMEM_ZEROINIT) ? std::calloc(bytes ? bytes : 1, 1) : std::malloc(bytes ? bytes : 1);
    if (!p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    std::lock_guard<std::mutex> guard(B().lock);
    B().sizes[p] = bytes;
    return p;
}

HGLOBAL GlobalFree(HGLOBAL memory)
{
    if (!memory) return nullptr;
    {
        std::lock_guard<std::mutex> guard(B().lock);
        if (!B().sizes.erase(memory)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return memory;
        }
    }
    std::free(memory);
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL memory)
{
    std::lock_guard<std::mutex> guard(B().lock);
    if (B().sizes.count(memory)) return memory;
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
}

BOOL GlobalUnlock(HGLOBAL) { return FALSE; }  // blocks never move: nothing stays locked

SIZE_T GlobalSize(HGLOBAL memory) { return win32_gui::GlobalBlockSizeAt(memory); }

namespace win32_gui {
SIZE_T GlobalBlockSizeAt(const void* address)
{
    std::lock_guard<std::mutex> guard(B().lock);
    auto it = B().sizes.find(address);
    return it == B().sizes.end() ? 0 : it->second;
}
}  // namespace win32_gui
