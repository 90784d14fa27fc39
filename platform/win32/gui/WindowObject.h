// The window objects behind window handles, shared by the files of the window
// layer (not for code above it). Everything here is touched on the UI thread
// only; the one exception is the set of live handle values, which posting
// from other threads reads under its own lock.
#pragma once

#include <QImage>
#include <QRegion>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/gui/UserTypes.h"

class QWidget;
class WindowClassState;

namespace win32_gui {

struct WindowClass {
    std::wstring name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::vector<BYTE> extra;
};

struct WindowProperty {
    std::wstring name;
    HANDLE value = nullptr;
};

class WindowObject {
public:
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;  // the child id (GWLP_ID)
    LONG_PTR userData = 0;
    HINSTANCE instance = nullptr;
    std::vector<BYTE> extra;  // cbWndExtra bytes
    std::wstring text;
    HWND parent = nullptr;       // for child windows
    HWND owner = nullptr;        // for top-level windows
    std::vector<HWND> children;  // z-order, topmost first
    RECT rect;                   // window rectangle: screen for top-level, parent-client for children
    RECT clientInset;            // client area inside the window rectangle, in window coordinates
    std::vector<WindowProperty> props;
    std::shared_ptr<WindowClassState> classState;  // the class's state (WindowClassState.h)
    QRegion update;                                // client coordinates
    bool eraseNeeded = false;
    bool ncPaintNeeded = false;
    QImage backing;  // the whole window, non-client area included
    bool hasRegion = false;
    QRegion region;  // window coordinates, when hasRegion
    QWidget* widget = nullptr;
    bool destroying = false;
    bool alive = true;
    HICON iconBig = nullptr;
    HICON iconSmall = nullptr;
    // The rectangle to go back to while minimised or maximised (screen),
    // and whether a minimised window was maximised before.
    RECT normalRect;
    bool restoreToMaximized = false;
    // The caption button under the cursor and the one held down (hit codes;
    // HTNOWHERE for none).
    LRESULT captionHot = HTNOWHERE;
    LRESULT captionPressed = HTNOWHERE;
    HMENU systemMenu = nullptr;  // the window's own copy, once asked for

    bool IsChild() const { return (style & WS_CHILD) != 0; }
    int Width() const { return rect.right - rect.left; }
    int Height() const { return rect.bottom - rect.top; }
    RECT ClientRectInWindow() const;
};

// The live object behind a handle, or null (setting ERROR_INVALID_WINDOW_HANDLE).
WindowObject* Lookup(HWND window);
// The same without touching the last error.
WindowObject* Find(HWND window);
// Keeps the object alive across a call that may destroy it.
std::shared_ptr<WindowObject> Hold(HWND window);
// True when a posted message may still be delivered to the handle; safe on
// any thread.
bool IsLiveHandle(HWND window);

// Top-level windows, topmost first.
std::vector<HWND>& TopLevelWindows();
// Moves a window to the top (or bottom) of its siblings' order.
void BringToTop(HWND window);
void SendToBottom(HWND window);

// The window's rectangle in screen coordinates, and the screen position of
// its client area's top-left corner.
RECT ScreenRectOf(const WindowObject& w);
POINT ClientOriginOnScreen(const WindowObject& w);
// Whether the window and all its ancestors are visible.
bool IsReallyVisible(const WindowObject& w);
// Re-creates the backing image for the current size, keeping what it held
// (none while nothing has drawn into the window).
void ResizeBacking(WindowObject& w);
// The backing image, made white at the window's size when nothing has drawn
// into the window before.
QImage* EnsureBacking(WindowObject& w);

// Hooks the files of the layer fill in, called by the window core.
void OnWindowDestroyed(HWND window);  // message queue, timers, input state

}  // namespace win32_gui
