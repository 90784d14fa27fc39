// The window layer's side of the video renderer's tests, in a unit of its
// own (the drawing types of the window layer and the media types share
// names): an owner window, the message pump, and the pixels the renderer's
// child window shows.
#pragma once

#include <cstdint>

#include "platform/win32/WindowMessages.h"

HWND MakeOwnerWindow(int width, int height);
void DestroyOwnerWindow(HWND window);
// Dispatches the posted messages and the paints they cause.
void PumpWindowMessages();
// The first child of the window, or null.
HWND FirstChildOf(HWND window);
// The pixel at (x, y) of the window's client area as 0x00RRGGBB.
uint32_t PixelOf(HWND window, int x, int y);
