// Diagnostic lines sent to an outside trace viewer, at no cost when no viewer
// runs: the arguments are not even formatted then. The lines go through the
// platform's debug output (platform/win32/DebugOutput.h), which says where
// the viewer listens and how a message is laid out; the platform layer's own
// lines (OutputDebugStringW, gaps) reach the same viewer.
#pragma once

#include <string>

#include "platform/win32/DebugOutput.h"
#include "platform/win32/Format.h"
#include "platform/win32/WinTypes.h"

template <class... A>
void DebugTrace(const wchar_t* format, const A&... args)
{
    int s = ConnectDebugViewer();
    if (s < 0) return;
    SendDebugText(s, FormatText(format, args...));
}
