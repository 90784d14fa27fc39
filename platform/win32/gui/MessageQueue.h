// The message queue of the UI thread. SendMessage calls the window procedure
// directly and may re-enter; PostMessage (declared with the registered
// message ids in WindowMessages.h) may be called from any thread and is
// delivered in posting order. Retrieval takes, in this order: posted
// messages, input, WM_QUIT, WM_PAINT for windows with an invalid region,
// WM_TIMER for due timers, and WM_MOUSEHOVER for a due hover. While no loop
// of ours is retrieving messages (the program waits in Qt's own event loop),
// a dispatcher delivers them from the Qt event loop.
#pragma once

#include "UserTypes.h"

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_QUIT, which is retrieved once no posted message is left.
void PostQuitMessage(int exitCode);
// A window filter of null takes every message of the thread; a window takes
// that window's and its descendants' messages; (HWND)-1 only messages posted
// without a window. A range of 0, 0 takes every message.
BOOL PeekMessageW(MSG* msg, HWND window, UINT first, UINT last, UINT removeFlags);
// Waits for a message; FALSE for WM_QUIT, -1 for a window that does not exist.
BOOL GetMessageW(MSG* msg, HWND window, UINT first, UINT last);
LRESULT DispatchMessageW(const MSG* msg);
// Posts WM_CHAR (WM_SYSCHAR) for a key press that carries a character.
BOOL TranslateMessage(const MSG* msg);
// Waits until a message is available.
BOOL WaitMessage();
DWORD GetMessageTime();
DWORD GetMessagePos();
BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam);
DWORD GetCurrentThreadId();

// Dispatches every message that is available now (posted, input, paint and
// due timers) without waiting, WM_QUIT excepted, which stays queued. Returns
// the number dispatched. Tests and the dispatcher use it.
int DispatchPendingMessages();

namespace win32_gui {

struct MessageFilter {
    HWND window = nullptr;
    UINT first = 0;
    UINT last = 0;
    bool skipQuit = false;
    bool InRange(UINT message) const { return (first == 0 && last == 0) || (message >= first && message <= last); }
    bool Matches(HWND target, UINT message) const;
};

// The thread that owns the windows: the one that runs the Qt application,
// else the first that created a window or retrieved a message.
bool IsUiThread();
void NoteUiThread();
// Makes the dispatcher look at the queue soon (from any thread).
void WakeQueue();
// Drops every posted message of a window (used when it is destroyed), or
// only those of one message id when message is not 0.
void DropPostedMessages(HWND window, UINT message = 0);

}  // namespace win32_gui
