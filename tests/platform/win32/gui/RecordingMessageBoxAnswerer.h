// A message-box answerer for tests: answers from a list and keeps every
// question.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/win32/gui/MessageBox.h"

// Answers from a list (IDOK, or IDCANCEL where the buttons have Cancel,
// once the list is used up) and keeps every question.
class RecordingMessageBoxAnswerer : public MessageBoxAnswerer {
public:
    struct Question {
        HWND owner;
        std::wstring text;
        std::wstring caption;
        UINT type;
    };
    int Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type) override;
    std::deque<int> answers;
    std::vector<Question> questions;
};
