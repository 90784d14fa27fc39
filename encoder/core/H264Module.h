// H.264 output needs the outside encoder module "x264.dll" in the program
// folder. The codec pages offer H.264 only while that module loads, and a
// conversion to an H.264 code must not start without it.
#pragma once

#include "platform/win32/WinTypes.h"

// The module's name in the program folder.
inline constexpr const wchar_t* kH264ModuleName = L"x264.dll";

// True when the program folder's module loads; it is freed at once.
bool CanLoadH264Module();

// True for every video code the module encodes: "avc1" (MP4), "H264" (AVI
// and OGM) and "X264"/"x264".
bool IsH264Fourcc(DWORD fourcc);
