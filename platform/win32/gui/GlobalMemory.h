// Global memory blocks as the system hands them out. Blocks never move: a
// handle is the block's address, and GlobalLock gives it back. The layer
// knows each live block's size, so data placed in one is never read past
// its end.
#pragma once

#include "UserTypes.h"

using HGLOBAL = HANDLE;

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// Null (ERROR_NOT_ENOUGH_MEMORY) when the memory cannot be had.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Null on success, the handle again for one that is not a live block.
HGLOBAL GlobalFree(HGLOBAL memory);
LPVOID GlobalLock(HGLOBAL memory);
BOOL GlobalUnlock(HGLOBAL memory);
SIZE_T GlobalSize(HGLOBAL memory);

namespace win32_gui {
// The size of the live block that begins at the address, 0 for none.
SIZE_T GlobalBlockSizeAt(const void* address);
}  // namespace win32_gui
