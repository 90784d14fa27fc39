// The system message box, answered by a replaceable answerer: by default a
// modal Qt message box (the owner is disabled meanwhile); tests install an
// answerer of their own. Where nobody can answer (see
// SetUnattendedMessageBoxes), no box is shown at all.
#pragma once

#include <string>

#include "UserTypes.h"

constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_OKCANCEL = 0x0001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x0002;
constexpr UINT MB_YESNOCANCEL = 0x0003;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_RETRYCANCEL = 0x0005;
constexpr UINT MB_ICONHAND = 0x0010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x0020;
constexpr UINT MB_ICONEXCLAMATION = 0x0030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x0040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_DEFBUTTON1 = 0x0000;
constexpr UINT MB_DEFBUTTON2 = 0x0100;
constexpr UINT MB_DEFBUTTON3 = 0x0200;
constexpr UINT MB_TYPEMASK = 0x000F;

class MessageBoxAnswerer {
public:
    virtual ~MessageBoxAnswerer() = default;
    // One of IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO.
    virtual int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
};

// Installs the answerer (not owned); null restores the Qt message box.
void SetMessageBoxAnswerer(MessageBoxAnswerer* answerer);

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);

// Message boxes where no person can answer them. On a platform without a
// display a modal box would wait for ever: while this is on, every message
// box (MessageBoxW without an answerer installed, and the program's own
// message dialog) is answered at once with its default button, and its
// caption and text go to the standard error stream and to the debug output
// instead. Off unless the program turns it on.
void SetUnattendedMessageBoxes(bool on);
bool UnattendedMessageBoxes();
// Whether the window layer runs without a display (the offscreen platform).
bool RunsWithoutDisplay();
// The answer of the default button of a system button set (MB_OK ..
// MB_RETRYCANCEL with MB_DEFBUTTON1..3); a default past the set's last
// button is its first.
int DefaultMessageBoxAnswer(UINT type);
// The caption and the text of a box nobody sees, as one line on the standard
// error stream and on the debug output.
void ReportUnattendedMessageBox(const std::wstring& caption, const std::wstring& text);
