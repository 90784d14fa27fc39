#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "platform/com/TaskMemoryText.h"
#include "platform/win32/CodePage.h"

namespace {

// Names as the system meets them: none, a plain one, a long path, one typed
// in UTF-8 with letters beyond Latin-1 and beyond the 16-bit plane, and one
// holding a zero (copied as it stands, the block's own zero after it).
TEST(TaskMemoryText, CopiesTheWholeTextAndItsZero)
{
    struct Row {
        const char* what;
        std::wstring text;
    };
    const Row rows[] = {
        {"empty", L""},
        {"plain", L"clip.avi"},
        {"long", L"/media/" + std::wstring(40000, L'x') + L".mp4"},
        {"utf-8", Utf8ToWide("/home/\xEC\x82\xAC\xEC\x9A\xA9\xEC\x9E\x90/vid\xC3\xA9o \xF0\x9F\x8E\xAC.mkv")},
        {"inner zero", std::wstring(L"a\0b", 3)},
    };
    for (const Row& r : rows) {
        LPOLESTR copy = reinterpret_cast<LPOLESTR>(1);
        ASSERT_EQ(S_OK, CopyTextToTaskMemory(r.text, &copy)) << r.what;
        ASSERT_NE(nullptr, copy) << r.what;
        EXPECT_EQ(r.text, std::wstring(copy, r.text.size())) << r.what;
        EXPECT_EQ(L'\0', copy[r.text.size()]) << r.what;
        CoTaskMemFree(copy);
    }
    // The UTF-8 row really left the 16-bit plane and Latin-1.
    EXPECT_EQ(std::wstring(1, static_cast<wchar_t>(0x1F3AC)), Utf8ToWide("\xF0\x9F\x8E\xAC"));
}

// A view into a larger text copies only its own characters.
TEST(TaskMemoryText, CopiesOnlyTheView)
{
    const std::wstring path = L"/videos/clip.avi";
    LPOLESTR copy = nullptr;
    ASSERT_EQ(S_OK, CopyTextToTaskMemory(std::wstring_view(path).substr(8, 4), &copy));
    EXPECT_STREQ(L"clip", copy);
    CoTaskMemFree(copy);
}

}  // namespace
