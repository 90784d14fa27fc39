#include "Monitors.h"

#include <QGuiApplication>
#include <QScreen>
#include <atomic>
#include <climits>

#include "Window.h"
#include "WindowGeometry.h"
#include "platform/win32/SystemModules.h"

namespace {

std::atomic<MonitorProvider*> g_provider{nullptr};

RECT FromQRect(const QRect& r) { return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()}; }

std::vector<MonitorDescription> QtMonitors()
{
    std::vector<MonitorDescription> out;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QScreen* primary = QGuiApplication::primaryScreen();
        for (QScreen* s : QGuiApplication::screens()) {
            MonitorDescription d;
            d.monitor = FromQRect(s->geometry());
            d.work = FromQRect(s->availableGeometry());
            d.primary = s == primary;
            if (d.primary)
                out.insert(out.begin(), d);
            else
                out.push_back(d);
        }
    }
    if (out.empty()) {
        MonitorDescription d;
        d.monitor = d.work = RECT{0, 0, 1024, 768};
        d.primary = true;
        out.push_back(d);
    }
    return out;
}

// Programs that look the multi-monitor functions up by name find them in
// "User32.dll". Registered from this file because every program that uses
// monitors or system metrics links it.
const SystemModuleExport kUser32Exports[] = {
    {"EnumDisplayMonitors", reinterpret_cast<FARPROC>(&EnumDisplayMonitors)},
    {"GetMonitorInfoW", reinterpret_cast<FARPROC>(&GetMonitorInfoW)},
};
const SystemModule kUser32{L"User32.dll", kUser32Exports, std::size(kUser32Exports)};
const bool g_user32Added = [] {
    AddSystemModule(&kUser32);
    return true;
}();

HMONITOR HandleOf(size_t index) { return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(index + 1)); }

long long DistanceSquared(const RECT& r, POINT p)
{
    long long dx = p.x < r.left ? r.left - p.x : p.x >= r.right ? p.x - r.right + 1 : 0;
    long long dy = p.y < r.top ? r.top - p.y : p.y >= r.bottom ? p.y - r.bottom + 1 : 0;
    return dx * dx + dy * dy;
}

}  // namespace

void SetMonitorProvider(MonitorProvider* provider) { g_provider = provider; }

namespace win32_gui {
std::vector<MonitorDescription> CurrentMonitors()
{
    MonitorProvider* p = g_provider.load();
    std::vector<MonitorDescription> list = p ? p->Monitors() : QtMonitors();
    if (list.empty()) list = QtMonitors();
    return list;
}
}  // namespace win32_gui

HMONITOR MonitorFromPoint(POINT pt, DWORD flags)
{
    auto list = win32_gui::CurrentMonitors();
    size_t best = 0;
    long long bestDistance = LLONG_MAX;
    for (size_t i = 0; i < list.size(); ++i) {
        long long d = DistanceSquared(list[i].monitor, pt);
        if (d == 0) return HandleOf(i);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    if (flags == MONITOR_DEFAULTTONULL) return nullptr;
    return HandleOf(flags == MONITOR_DEFAULTTOPRIMARY ? 0 : best);
}

HMONITOR MonitorFromRect(const RECT* r, DWORD flags)
{
    if (!r) return nullptr;
    auto list = win32_gui::CurrentMonitors();
    long long bestArea = 0;
    size_t best = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        RECT x;
        if (IntersectRect(&x, r, &list[i].monitor)) {
            long long area = static_cast<long long>(x.right - x.left) * (x.bottom - x.top);
            if (area > bestArea) {
                bestArea = area;
                best = i;
            }
        }
    }
    if (bestArea > 0) return HandleOf(best);
    POINT centre{r->left + (r->right - r->left) / 2, r->top + (r->bottom - r->top) / 2};
    return MonitorFromPoint(centre, flags);
}

HMONITOR MonitorFromWindow(HWND window, DWORD flags)
{
    RECT r;
    if (!GetWindowRect(window, &r)) return flags == MONITOR_DEFAULTTONULL ? nullptr : HandleOf(0);
    return MonitorFromRect(&r, flags);
}

BOOL GetMonitorInfoW(HMONITOR monitor, MONITORINFO* info)
{
    if (!info || info->cbSize < sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto list = win32_gui::CurrentMonitors();
    uintptr_t index = reinterpret_cast<uintptr_t>(monitor);
    if (index == 0 || index > list.size()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    const MonitorDescription& d = list[index - 1];
    info->rcMonitor = d.monitor;
    info->rcWork = d.work;
    info->dwFlags = d.primary ? MONITORINFOF_PRIMARY : 0;
    return TRUE;
}

BOOL EnumDisplayMonitors(HDC dc, const RECT* clip, MONITORENUMPROC proc, LPARAM param)
{
    if (dc || clip || !proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto list = win32_gui::CurrentMonitors();
    for (size_t i = 0; i < list.size(); ++i) {
        RECT r = list[i].monitor;
        if (!proc(HandleOf(i), nullptr, &r, param)) return FALSE;
    }
    return TRUE;
}
