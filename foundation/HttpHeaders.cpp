#include "HttpHeaders.h"

bool QueryHeaderText(HINTERNET request, DWORD level, wchar_t (&text)[64])
{
    DWORD size = sizeof(text);
    text[0] = L'\0';
    return HttpQueryInfoW(request, level, text, &size, nullptr) != FALSE;
}

bool ParseContentLength(const wchar_t* text, int64_t* length)
{
    int64_t value = 0;
    const wchar_t* digits = text;
    for (; *text >= L'0' && *text <= L'9'; ++text) {
        if (value > (INT64_MAX - 9) / 10) return false;
        value = value * 10 + (*text - L'0');
    }
    if (text == digits || *text != L'\0') return false;
    *length = value;
    return true;
}
