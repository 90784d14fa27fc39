// Names handed out through the component interfaces (a source's file, a
// pin's id, a moniker's display name, a subtitle stream's name) travel as
// zero-terminated copies in task memory, which the receiver frees with
// CoTaskMemFree.
#pragma once

#include <string_view>

#include "platform/com/ComRuntime.h"
#include "platform/com/OleAuto.h"

// Copies text and a terminating zero into a new block of task memory:
// S_OK with *copy the block, or E_OUTOFMEMORY with *copy null. Characters
// are copied as they are, a zero inside text included.
HRESULT CopyTextToTaskMemory(std::wstring_view text, LPOLESTR* copy);
