// Mouse and keyboard input. Raw input enters through one injection API (the
// Qt widgets call it for real events, tests call it directly) and waits in
// the input queue; when a message loop reaches it, it is turned into window
// messages: the window under the cursor (or the capture window) is asked for
// WM_NCHITTEST and WM_SETCURSOR, then gets the client or non-client mouse
// message. Double clicks are reported only to classes with CS_DBLCLKS (the
// non-client ones always); leave tracking reports WM_MOUSELEAVE when the
// cursor moves to any other window, a child window included; hover tracking
// reports WM_MOUSEHOVER once the cursor has rested for the hover time.
#pragma once

#include "UserTypes.h"

enum class MouseButton { Left, Right, Middle };

// Injection (UI thread). Points are in screen coordinates.
void InjectMouseMove(POINT screen);
void InjectMouseButton(MouseButton button, bool down, POINT screen);
void InjectMouseWheel(int delta, POINT screen);
// A key press or release; a press may carry the character it types, which
// TranslateMessage turns into WM_CHAR. Modifier keys are keys of their own.
void InjectKey(WORD virtualKey, bool down, wchar_t character = 0);
// Forgets buttons and keys held down (for a fresh test).
void ResetInputState();

HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();

// TME_LEAVE and TME_HOVER (with TME_NONCLIENT: the non-client variants)
// for one window at a time; TME_CANCEL ends the kinds named, TME_QUERY
// fills in what is tracked. A hover is reported once per request, after
// dwHoverTime milliseconds (HOVER_DEFAULT: the system's 400) in which the
// cursor stayed within a small box; moving out of it starts the wait again.
// Leaving the window ends both kinds.
BOOL TrackMouseEvent(TRACKMOUSEEVENT* track);

BOOL GetCursorPos(POINT* p);
// Moves the cursor position; no mouse message is generated.
BOOL SetCursorPos(int x, int y);
SHORT GetKeyState(int virtualKey);
SHORT GetAsyncKeyState(int virtualKey);

// Answers of WM_MOUSEACTIVATE.
constexpr LRESULT MA_ACTIVATE = 1;
constexpr LRESULT MA_ACTIVATEANDEAT = 2;
constexpr LRESULT MA_NOACTIVATE = 3;
constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

namespace win32_gui {
struct MessageFilter;
// Turns the oldest raw input into its message (once) and hands it out when
// the filter takes it.
void PrepareInput();
bool TakeInputMessage(const MessageFilter& filter, bool remove, MSG* msg);
// The WM_MOUSEHOVER (WM_NCMOUSEHOVER) of a hover that is due.
bool TakeHoverMessage(const MessageFilter& filter, bool remove, MSG* msg);
// Milliseconds until a hover is due (0 when one is, -1 for none).
long long MsUntilHover();
POINT CurrentCursorPos();
void ForgetWindowInput(HWND window);
bool IsMouseMessage(UINT message);
}  // namespace win32_gui
