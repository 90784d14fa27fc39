#include "modules/hvf/InlineCodeText.h"

#include "platform/win32/CodePage.h"

namespace {

int HexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

const char* TagOfCode(wchar_t c)
{
    switch (c) {
    case L'<':
        return "{\\b1}";
    case L'>':
        return "{\\b0}";
    case L'/':
        return "{\\i1}";
    case L'\\':
        return "{\\i0}";
    case L'_':
        return "{\\u1}";
    case L'-':
        return "{\\u0}";
    default:
        return nullptr;
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
                unsigned rgb = 0;
                bool hex = true;
                for (size_t k = 0; k < 6 && hex; ++k) {
                    int v = HexValue(text[i + 3 + k]);
                    hex = v >= 0;
                    rgb = rgb << 4 | static_cast<unsigned>(v < 0 ? 0 : v);
                }
                if (hex) {
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
        case L'\r':
            break;
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
        default:
            literal += c;
            break;
        }
        ++i;
    }
    flush();
    return out;
}
