// Makes the media runtime's classes available to CoCreateInstance: the
// filter graph, the filter mapper, the memory allocator and the system
// clock; and puts the program's shipped registrations in place. The program
// calls it once after its first CoInitialize; the factories stay until the
// last CoUninitialize (calling again after that registers them anew).
#pragma once

#include "platform/win32/WinTypes.h"

// S_OK, also when the classes are already registered; CO_E_NOTINITIALIZED
// outside an initialisation.
HRESULT RegisterMediaRuntime();
