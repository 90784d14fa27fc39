// Inline codes of the subtitle providers as the renderer's override tags,
// and literal text that must not be read as tags.
#include <gtest/gtest.h>

#include "modules/hvf/InlineCodeText.h"

namespace {

struct CodeCase {
    const wchar_t* text;
    const char* expected;
};

const CodeCase kCases[] = {
    {L"plain", "plain"},
    {L"@@<Bold@@> and @@/it@@\\", "{\\b1}Bold{\\b0} and {\\i1}it{\\i0}"},
    {L"@@_under@@-", "{\\u1}under{\\u0}"},
    {L"@@^ff0000red", "{\\c&H0000FF&}red"},
    {L"@@^12abEFx", "{\\c&HEFAB12&}x"},
    {L"@@^ffffff", "{\\c&HFFFFFF&}"},
    {L"@@^12345", "@@^12345"},
    {L"@@^12345g!", "@@^12345g!"},
    {L"line one\nline two", "line one\\Nline two"},
    {L"cr\r\nlf", "cr\\Nlf"},
    {L"{a comment}", "\\{a comment\\}"},
    {L"back\\Nslash", "back\\\u2060Nslash"},
    {L"@@x@@", "@@x@@"},
    {L"@", "@"},
    {L"\uD55C\uAE00 @@<\uC790\uB9C9@@>", "\xED\x95\x9C\xEA\xB8\x80 {\\b1}\xEC\x9E\x90\xEB\xA7\x89{\\b0}"},
    {L"", ""},
};

TEST(InlineCodeTextTest, CodesBecomeTagsAndTextStaysText)
{
    for (const CodeCase& c : kCases) {
        SCOPED_TRACE(testing::PrintToString(std::string(c.expected)));
        EXPECT_EQ(InlineCodesToAss(c.text), c.expected);
    }
}

}  // namespace
