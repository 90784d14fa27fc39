// A message box for tests: records every message and answers from a queue
// (OK when the queue is empty).
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "encoder/core/MessageDialogPort.h"
#include "platform/win32/CodePage.h"

class FakeMessagePort : public IMessageDialogPort {
public:
    struct Shown {
        std::string text;  // UTF-8
        std::string caption;
        UINT type;
        UINT options = 0;
        std::string checkText;  // with the check-box option
        std::string buttons;    // with the button-captions option
    };
    FakeMessagePort() { SetMessageDialogPort(this); }
    ~FakeMessagePort() override { SetMessageDialogPort(nullptr); }

    void SetMessageDialogIcon(HINSTANCE, UINT iconId) override { icon = iconId; }
    int ShowMessageDialog(HWND, const CString& text, const CString& caption, UINT type) override
    {
        shown.push_back({WideToUtf8(text.str()), WideToUtf8(caption.str()), type, 0, {}, {}});
        if (whileShown) whileShown(shown.back());
        if (answers.empty()) return kAnswerOk;
        int a = answers.front();
        answers.pop_front();
        return a;
    }

    int ShowMessageDialogWithOptions(HWND owner, const CString& text, const CString& caption, UINT type, UINT options,
                                     const CString& checkText, const CString& buttonTexts, int* checked) override
    {
        int answer = ShowMessageDialog(owner, text, caption, type);
        Shown& last = shown.back();
        last.options = options;
        if (options & kMessageCheckBox) {
            last.checkText = WideToUtf8(checkText.str());
            if (checked) *checked = tickCheckBox ? 1 : 0;
        }
        if (options & kMessageButtonTexts) last.buttons = WideToUtf8(buttonTexts.str());
        return answer;
    }
    std::vector<Shown> shown;
    // The state a check box is left in.
    bool tickCheckBox = false;
    std::deque<int> answers;
    // What the user does elsewhere while a message is shown, before
    // answering it.
    std::function<void(const Shown&)> whileShown;
    UINT icon = 0;
};
