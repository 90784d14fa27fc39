#include "modules/hvf/InlineCodeText.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "platform/win32/CodePage.h"

namespace {

const char* TagOfCode(wchar_t c)
{
    switch (c) {
    case L'<': return "{\\b1}";
    case L'>': return "{\\b0}";
    case L'/': return "{\\i1}";
    case L'\\': return "{\\i0}";
    case L'_': return "{\\u1}";
    case L'-': return "{\\u0}";
    default: return nullptr;
    }
}

}  // namespace

std::string InlineCodesToAss(std::wstring_view text)
{
    std::string out;
    std::wstring literal;
    auto flush = [&] {
        out += WideToUtf8(literal);
        literal.clear();
    };
    for (size_t i = 0; i < text.size();) {
        wchar_t c = text[i];
        if (c == L'@' && i + 2 < text.size() && text[i + 1] == L'@') {
            if (const char* tag = TagOfCode(text[i + 2])) {
                flush();
                out += tag;
                i += 3;
                continue;
            }
            if (text[i + 2] == L'^' && i + 9 <= text.size()) {
                std::wstring digits(text.substr(i + 3, 6));
                bool hex =
                    std::all_of(digits.begin(), digits.end(), [](wchar_t digit) { return std::iswxdigit(digit) != 0; });
                if (hex) {
                    auto rgb = static_cast<unsigned>(std::wcstoul(digits.c_str(), nullptr, 16));
                    flush();
                    char tag[24];
                    // The renderer's colours are written blue, green, red.
                    std::snprintf(tag, sizeof tag, "{\\c&H%02X%02X%02X&}", rgb & 0xFF, (rgb >> 8) & 0xFF,
                                  (rgb >> 16) & 0xFF);
                    out += tag;
                    i += 9;
                    continue;
                }
            }
        }
        switch (c) {
        case L'\n':
            flush();
            out += "\\N";
            break;
        case L'\r': break;
        case L'{':
        case L'}':
            // Escaped, so that it is not read as the bounds of a tag block.
            literal += L'\\';
            literal += c;
            break;
        case L'\\':
            // A word joiner after it keeps "\N", "\n" and "\h" literal.
            literal += L'\\';
            literal += L'\u2060';
            break;
        default: literal += c; break;
        }
        ++i;
    }
    flush();
    return out;
}
