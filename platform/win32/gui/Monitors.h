// Monitors and their work areas, from a replaceable provider: by default the
// screens Qt knows (one 1024 x 768 screen when there is no application),
// tests install one of their own.
#pragma once

#include <vector>

#include "UserTypes.h"

struct MonitorDescription {
    RECT monitor;  // the whole screen area
    RECT work;     // without panels and docks
    bool primary = false;
};

class MonitorProvider {
public:
    virtual ~MonitorProvider() = default;
    // At least one monitor; the primary one first.
    virtual std::vector<MonitorDescription> Monitors() = 0;
};

// Installs a provider (not owned); null restores the default.
void SetMonitorProvider(MonitorProvider* provider);

constexpr DWORD MONITOR_DEFAULTTONULL = 0;
constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
constexpr DWORD MONITORINFOF_PRIMARY = 1;

struct MONITORINFO {
    DWORD cbSize = sizeof(MONITORINFO);
    RECT rcMonitor;
    RECT rcWork;
    DWORD dwFlags = 0;
};
static_assert(sizeof(MONITORINFO) == 40);

using MONITORENUMPROC = BOOL (*)(HMONITOR, HDC, RECT*, LPARAM);

HMONITOR MonitorFromPoint(POINT pt, DWORD flags);
HMONITOR MonitorFromRect(const RECT* r, DWORD flags);
HMONITOR MonitorFromWindow(HWND window, DWORD flags);
BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info);
// Every monitor in provider order; the DC and clip arguments must be null.
BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM param);

namespace win32_gui {
std::vector<MonitorDescription> CurrentMonitors();
}  // namespace win32_gui
