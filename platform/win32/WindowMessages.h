// Window handles, registered message ids and posting, until the window layer
// exists. Posting goes to a replaceable poster: the window layer installs its
// real message queue there; tests install a recording sink. With no poster
// installed, posting fails with ERROR_INVALID_WINDOW_HANDLE.
#pragma once

#include <functional>

#include "WinTypes.h"

struct HWND__;
using HWND = HWND__*;

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;

// The same id for the same name in any letter case, from 0xC000 upwards, on
// any thread; 0 for an empty name or when the ids are used up.
UINT RegisterWindowMessageW(const wchar_t* name);

using MessagePoster = std::function<BOOL(HWND, UINT, WPARAM, LPARAM)>;
// Installs the poster (an empty one removes it) and gives the one it
// replaces, so that a temporary poster can put it back. Thread-safe; a
// message being posted while the poster changes goes to the old or the new
// one.
MessagePoster SetMessagePoster(MessagePoster poster);
// Hands the message to the poster without waiting for it to be handled.
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
