// Makes a top-level window snap to the edges of the other visible top-level
// windows of the program and to the monitors' work areas while the user
// moves or sizes it: the manager subclasses the window and corrects the
// proposed rectangle of WM_MOVING and WM_SIZING, and every proposed window
// position (WM_WINDOWPOSCHANGING, whoever proposes it), within a snap
// distance. The targets are those collected when the last move or size
// began.
#pragma once

#include <vector>

#include "platform/win32/gui/UserTypes.h"

class WindowSnapManager {
public:
    static constexpr int kDefaultDistance = 8;

    WindowSnapManager();
    ~WindowSnapManager();
    WindowSnapManager(const WindowSnapManager&) = delete;
    WindowSnapManager& operator=(const WindowSnapManager&) = delete;

    // Detaches first; 0 when the window already has a manager.
    int Attach(HWND window, int snapWhileSizing, int distance, int snapToMonitors, int snapToWindows, int subclass);
    // 1 when the window was subclassed (its procedure is given back while it
    // exists).
    int Detach();

    // The window rectangles and work areas to snap to, collected at the start
    // of a move or size.
    void PrepareTargets();
    // Snaps a proposed position in place; false when it stays as proposed.
    bool SnapPosition(int& x, int& y, int& cx, int& cy, bool sizing);

    HWND GetWindow() const { return m_hWnd; }
    int GetDistance() const { return m_nDistance; }
    bool IsSnappingWhileSizing() const { return m_bSnapWhileSizing != 0; }
    bool IsSnappingToMonitors() const { return m_bSnapToMonitors != 0; }
    bool IsSnappingToWindows() const { return m_bSnapToWindows != 0; }
    bool IsSubclassed() const { return m_pPreviousProc != nullptr; }
    const std::vector<RECT>& GetTargets() const { return m_targets; }
    static WindowSnapManager* FromWindow(HWND window);

private:
    static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnMoving(UINT message, WPARAM wParam, RECT* proposed);

    HWND m_hWnd = nullptr;
    int m_bSnapWhileSizing = 0;
    int m_nDistance = kDefaultDistance;
    int m_bSizing = 0;
    int m_bSnapToMonitors = 1;
    int m_bSnapToWindows = 1;
    WNDPROC m_pPreviousProc = nullptr;
    RECT m_rcStart{};
    POINT m_ptStart{};            // the cursor when the move or size began
    std::vector<RECT> m_targets;  // window rectangles, then work areas
    std::vector<RECT> m_workAreas;
};
