// Window classes, window handles, window procedures and the window tree.
// Handles are ids in a table of live windows and are never reused, so a
// stale handle is refused (ERROR_INVALID_WINDOW_HANDLE) rather than reaching
// another window. All of this runs on the UI thread.
#pragma once

#include "UserTypes.h"

constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_TLW_WITH_WSCHILD = 1406;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;

// A class or resource named by a small number instead of a text.
inline LPCWSTR MAKEINTATOM(WORD atom) { return reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)); }
inline LPWSTR MAKEINTRESOURCEW(WORD id) { return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(id)); }
inline bool IS_INTRESOURCE(LPCWSTR p) { return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0; }

// Class names are matched without regard to case. Registering a name twice
// fails with ERROR_CLASS_ALREADY_EXISTS.
ATOM RegisterClassExW(const WNDCLASSEXW* wc);
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc);
int GetClassNameW(HWND window, LPWSTR buffer, int bufferChars);
ULONG_PTR GetClassLongPtrW(HWND window, int index);
ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value);

// Creation sends WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE and WM_MOVE;
// a child window gets the bottom place among its siblings' stacking order and
// tells its parent with WM_PARENTNOTIFY (unless WS_EX_NOPARENTNOTIFY). For a
// window without WS_CHILD the parent argument names its owner.
HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param);
// Destroys owned windows first, then sends WM_DESTROY to the window before
// its children and WM_NCDESTROY to the children before the window. Messages
// still queued for the destroyed windows are dropped, their timers killed.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// GWLP_WNDPROC (subclassing: returns the previous procedure), GWL_STYLE,
// GWL_EXSTYLE, GWLP_ID, GWLP_USERDATA, GWLP_HWNDPARENT (the owner),
// GWLP_HINSTANCE, and byte offsets into the class's window extra bytes.
LONG_PTR GetWindowLongPtrW(HWND window, int index);
LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
inline LONG GetWindowLongW(HWND window, int index) { return static_cast<LONG>(GetWindowLongPtrW(window, index)); }
inline LONG SetWindowLongW(HWND window, int index, LONG value)
{
    return static_cast<LONG>(SetWindowLongPtrW(window, index, value));
}

// Window properties by name (matched without regard to case).
BOOL SetPropW(HWND window, LPCWSTR name, HANDLE value);
HANDLE GetPropW(HWND window, LPCWSTR name);
HANDLE RemovePropW(HWND window, LPCWSTR name);

BOOL SetWindowTextW(HWND window, LPCWSTR text);
int GetWindowTextW(HWND window, LPWSTR buffer, int bufferChars);
int GetWindowTextLengthW(HWND window);

HWND GetParent(HWND window);  // the parent of a child, else the owner
HWND SetParent(HWND window, HWND newParent);
HWND GetAncestor(HWND window, UINT flags);
HWND GetWindow(HWND window, UINT relation);
HWND GetTopWindow(HWND window);  // topmost child, or topmost top-level window for null
BOOL IsChild(HWND parent, HWND window);
HWND GetDlgItem(HWND dialog, int id);
int GetDlgCtrlID(HWND window);
HWND GetDesktopWindow();  // null: the screen is not a window here

// Our own top-level windows in stacking order, topmost first.
BOOL EnumWindows(WNDENUMPROC proc, LPARAM param);
// Every descendant, depth first, each parent before its children.
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param);
// A top-level window by class and/or title (null matches any).
HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);

BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);            // the window and all its ancestors
BOOL EnableWindow(HWND window, BOOL enable);  // returns whether it was disabled before
BOOL IsWindowEnabled(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
