#include "FourCC.h"

std::wstring FourCCText(DWORD code, wchar_t zero)
{
    std::wstring text(4, zero);
    for (int i = 0; i < 4; ++i) {
        const auto c = static_cast<wchar_t>((code >> (8 * i)) & 0xFF);
        if (c) text[i] = c;
    }
    return text;
}
