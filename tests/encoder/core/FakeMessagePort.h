// A message box for tests: records every message and answers from a queue
// (OK when the queue is empty).
#pragma once

#include <deque>
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
    };
    FakeMessagePort() { SetMessageDialogPort(this); }
    ~FakeMessagePort() override { SetMessageDialogPort(nullptr); }

    void SetMessageDialogIcon(HINSTANCE, UINT iconId) override { icon = iconId; }
    int ShowMessageDialog(HWND, const CString& text, const CString& caption, UINT type) override
    {
        shown.push_back({WideToUtf8(text.str()), WideToUtf8(caption.str()), type});
        if (answers.empty()) return kAnswerOk;
        int a = answers.front();
        answers.pop_front();
        return a;
    }

    std::vector<Shown> shown;
    std::deque<int> answers;
    UINT icon = 0;
};
