#include "RecordingMessageBoxAnswerer.h"

int RecordingMessageBoxAnswerer::Answer(HWND owner, const std::wstring& text, const std::wstring& caption, UINT type)
{
    questions.push_back(Question{owner, text, caption, type});
    if (!answers.empty()) {
        int a = answers.front();
        answers.pop_front();
        return a;
    }
    UINT set = type & MB_TYPEMASK;
    return (set == MB_OKCANCEL || set == MB_YESNOCANCEL || set == MB_RETRYCANCEL) ? IDCANCEL : IDOK;
}
