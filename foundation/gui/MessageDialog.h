// The program's own message dialog and wait box. Every question and notice
// of the encoder goes through ShowMessageDialog: a dialog built from an
// in-memory template and laid out in code, with its own title bar, sized to
// its text, with the button sets OK, OK/Cancel, Yes/No and Yes/No/Cancel in
// the user's language, an optional countdown that closes it, an optional
// check box, and custom button texts. ShowMessageDialogOnThread shows the
// same dialog without buttons as a wait box that only
// "WM_HMESSAGEBOX_CLOSE" (CloseMessageDialog) ends.
//
// Qt widgets live on the UI thread only, so the wait box is a modeless
// window of the UI thread, shown and painted before the call returns, and
// the caller's blocking work follows.
#pragma once

#include <string>

#include "platform/win32/gui/UserTypes.h"

// Option bits.
constexpr UINT MDO_AUTOCLOSE = 0x01;      // close after the countdown
constexpr UINT MDO_WAITBOX = 0x02;        // no buttons; only the close message ends it
constexpr UINT MDO_CUSTOMBUTTONS = 0x04;  // button texts from a comma-separated list
constexpr UINT MDO_CHECKBOX = 0x08;       // a check box, initially clear
constexpr UINT MDO_CHECKBOXSET = 0x10;    // a check box, initially set

// The argument the countdown and the check-box text share: seconds with
// MDO_AUTOCLOSE, the check box's text with MDO_CHECKBOX or MDO_CHECKBOXSET.
class MessageDialogArg {
public:
    MessageDialogArg() = default;
    MessageDialogArg(int seconds) : m_seconds(seconds) {}    // NOLINT(google-explicit-constructor)
    MessageDialogArg(const wchar_t* text) : m_text(text) {}  // NOLINT(google-explicit-constructor)
    int seconds() const { return m_seconds; }
    const wchar_t* text() const { return m_text; }

private:
    int m_seconds = 0;
    const wchar_t* m_text = nullptr;
};

// The registered message that ends a message dialog (no parameters).
UINT MessageDialogCloseMessage();

// What the layout needs to know of the texts, in pixels of the dialog font.
struct MessageDialogMetrics {
    int textBlockHeight = 0;  // H
    int textBlockWidth = 0;   // before the minimum of 50
    int buttonTextWidth[3] = {0, 0, 0};
    bool buttonHasText[3] = {false, false, false};
    int checkTextWidth = 0;
    bool checkBox = false;  // option 8 or 0x10 with a non-empty text
    bool waitBox = false;
};

// Where everything goes, in client pixels of the dialog.
struct MessageDialogLayout {
    int bodyWidth = 0;   // W
    int bodyHeight = 0;  // Y
    SIZE window;
    RECT frame, icon, text, title, check;
    RECT buttons[3];
    int buttonWidth[3] = {0, 0, 0};
    int checkWidth = 0;  // C
};

MessageDialogLayout ComputeMessageDialogLayout(const MessageDialogMetrics& m);

class CMessageDialog {
public:
    CMessageDialog();
    ~CMessageDialog();
    CMessageDialog(const CMessageDialog&) = delete;
    CMessageDialog& operator=(const CMessageDialog&) = delete;

    void Init(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, UINT options,
              MessageDialogArg countdownOrCheckText, const wchar_t* buttonList, int* checkResult);
    // The dialog procedure: the object is the window property "MessageDlg".
    static INT_PTR MessageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window() const { return m_hWnd; }
    bool ready() const { return m_bReady; }
    bool active() const { return m_bActive; }
    // The text the text static shows now.
    std::wstring DisplayText() const;
    // Where no person can answer (SetUnattendedMessageBoxes): the caption
    // and text go to the standard error stream and the debug output, a check
    // box keeps its initial state, and the default button's answer is
    // given, as when a countdown runs out.
    INT_PTR AnswerUnattended();
    // Set by the wait box: the window owns the object and ends with it.
    bool m_bOwnedByWindow = false;
    // The owner the wait box keeps from input while it shows, as a modal
    // dialog would.
    HWND m_hDisabledOwner = nullptr;

private:
    void OnInitDialog(HWND window);
    void CreateChildren();
    void Layout();
    void DrawTitleBitmaps(int width);
    void Place();
    void End(INT_PTR result);
    INT_PTR AnswerOfCommand(int id) const;
    INT_PTR AnswerOfClose() const;
    INT_PTR AnswerOfTimeout() const;
    int ButtonSet() const { return static_cast<int>(m_type & 0x0F); }
    int DefaultButtonId() const;

    HWND m_hOwner = nullptr;
    HWND m_hWnd = nullptr;
    bool m_bReady = false;
    std::wstring m_caption;
    std::wstring m_text;
    UINT m_type = 0;
    UINT m_options = 0;
    int m_countdown = 0;
    std::wstring m_checkText;
    int* m_checkResult = nullptr;
    std::wstring m_buttonText[3];
    HDC m_titleDc[2] = {nullptr, nullptr};  // active, inactive
    HBITMAP m_titleBitmap[2] = {nullptr, nullptr};
    HGDIOBJ m_titleOldBitmap[2] = {nullptr, nullptr};
    SIZE m_titleSize;
    HFONT m_font = nullptr;
    bool m_bActive = true;
    RECT m_titleRect;
};

// Remembers the icon resource id of every later dialog (start-up passes 128).
void SetMessageDialogIcon(HINSTANCE module, int iconId);

// Shows the dialog modally and answers IDOK 1, IDCANCEL 2, IDYES 6 or IDNO 7;
// -1 when the template memory cannot be had. Where no person can answer
// (SetUnattendedMessageBoxes), nothing is shown and the default button
// answers.
int ShowMessageDialog(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, UINT options = 0,
                      MessageDialogArg countdownOrCheckText = {}, const wchar_t* buttonList = nullptr,
                      int* checkResult = nullptr);
// Builds the template and runs the dialog object modally.
INT_PTR RunMessageDialog(CMessageDialog* dialog, HWND owner, const wchar_t* text, const wchar_t* caption, UINT type,
                         UINT options, MessageDialogArg countdownOrCheckText, const wchar_t* buttonList,
                         int* checkResult);
// The wait box: shown and painted when this returns; null when it could not
// be made (then there is nothing to wait for).
HWND ShowMessageDialogOnThread(HWND owner, const wchar_t* text, const wchar_t* caption, int countdown = 0);
// Sends the close message and waits briefly; returns whether the window
// still exists (false too when it did not exist).
bool CloseMessageDialog(HWND window);
