// The modal test driver: a test queues actions, each for the next modal
// dialog made from a resource id; when that dialog's modal loop starts, the
// action runs inside it and operates the dialog's controls by id through the
// same paths a user's input takes (keys through the input queue and the
// dialog's keyboard handling, clicks, Qt input on the real widgets), then
// presses OK or Cancel. A modal dialog nobody expected, or one an action
// leaves open, is a test failure and is cancelled, so a test never hangs.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <deque>
#include <functional>
#include <string>

#include "platform/mfc/CWnd.h"

namespace mfc_test {

// Installs the guard that fails and cancels a modal dialog run while no
// driver is installed (the test program's start does this).
void InstallModalGuard();

// Serves what is queued the way a dialog's modal loop does (the dialog
// keyboard handling included); returns the number of messages served, at
// most kPumpLimit.
constexpr int kPumpLimit = 10000;
int PumpDialogMessages();
// Serves what is queued as above; false when the queue did not run dry
// within the limit (handling that keeps queueing messages, such as a key
// going round for ever).
bool PumpUntilQuiet();

class DialogDriver {
public:
    explicit DialogDriver(HWND dialog) : dialog_(dialog) {}
    HWND Dialog() const { return dialog_; }
    // The control of the id (a test failure when the dialog has none).
    HWND Item(int id) const;
    std::wstring Text(int id) const;
    bool IsChecked(int id) const;
    bool IsEnabled(int id) const;

    // A click on a button as the user makes it (refused, as a failure, when
    // the button is disabled or hidden).
    void Click(int id);
    // Gives the control the focus, selects its text and types the text
    // through the input queue; capital letters with Shift held down, as a
    // user types them.
    void Type(int id, const std::wstring& text);
    // One key pressed and released through the input queue.
    void Key(WORD virtualKey, wchar_t character = 0);
    // One key only pressed, or only let go (a modifier held over others).
    void KeyDown(WORD virtualKey, wchar_t character = 0);
    void KeyUp(WORD virtualKey);
    void Focus(int id);
    void PressEnter() { Key(VK_RETURN, L'\r'); }
    void PressEscape() { Key(VK_ESCAPE, 0x1B); }
    void Ok() { Click(IDOK); }
    void Cancel() { Click(IDCANCEL); }
    // Serves the messages queued so far.
    void Pump() const { PumpDialogMessages(); }
    // The dialog as it shows, drawn by its widgets.
    QImage Screenshot() const;

private:
    HWND dialog_;
};

using DialogAction = std::function<void(DialogDriver&)>;

class ModalDriver {
public:
    ModalDriver();
    ~ModalDriver();
    ModalDriver(const ModalDriver&) = delete;
    ModalDriver& operator=(const ModalDriver&) = delete;

    // The action for the next modal dialog made from the resource id.
    void Expect(int dialogId, DialogAction action);
    size_t Pending() const { return actions_.size(); }
    // Forgets what is left, as a failure when anything is.
    void Verify();
    // The resource ids of the modal dialogs run so far.
    std::vector<int> seen;

private:
    static void Observe(CWnd* dialog);
    void Run(CWnd* dialog);
    struct Entry {
        int dialogId;
        DialogAction action;
    };
    std::deque<Entry> actions_;
};

}  // namespace mfc_test
