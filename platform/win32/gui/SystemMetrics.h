// System metrics, colours and parameters with fixed values of a classic
// desktop, and the screen sizes of the primary monitor.
#pragma once

#include "UserTypes.h"

int GetSystemMetrics(int index);
DWORD GetSysColor(int index);
UINT GetDoubleClickTime();

constexpr UINT SPI_GETWORKAREA = 0x0030;
constexpr UINT SPI_GETNONCLIENTMETRICS = 0x0029;
// Only SPI_GETWORKAREA (the primary monitor's work area) is answered.
BOOL SystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni);
