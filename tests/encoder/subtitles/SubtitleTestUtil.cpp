#include "SubtitleTestUtil.h"

#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"

std::string ConvertWithIconv(const std::string& utf8, const char* charset, TempDir& dir)
{
    std::string in = dir.File("iconv-in.txt");
    WriteBytes(in, utf8);
    int code = -1;
    std::string out = RunTool(std::string("iconv -f UTF-8 -t ") + charset + " '" + in + "'", &code);
    EXPECT_EQ(0, code) << "iconv to " << charset;
    return out;
}

std::string Spell(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        if (c == L'\n')
            out += "\\n";
        else if (c == L'\r')
            out += "\\r";
        else
            out += WideToUtf8(std::wstring(1, c));
    }
    return out;
}
