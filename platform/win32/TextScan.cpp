#include "TextScan.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cwctype>
#include <string>

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r' || c == L'\v' || c == L'\f'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
// Reads a signed decimal number; false when no digit follows.
bool ReadInt(const wchar_t*& p, long long* out)
{
    const wchar_t* s = p;
    bool negative = false;
    if (*s == L'+' || *s == L'-') negative = *s++ == L'-';
    if (!IsDigit(*s)) return false;
    long long v = 0;
    for (; IsDigit(*s); ++s) {
        if (v < LLONG_MAX / 10)
            v = v * 10 + (*s - L'0');
        else
            v = LLONG_MAX / 10 * 10;  // saturated; the caller clamps further
    }
    *out = negative ? -v : v;
    p = s;
    return true;
}

bool ReadHex(const wchar_t*& p, unsigned long long* out, bool* negative)
{
    const wchar_t* s = p;
    *negative = false;
    if (*s == L'+' || *s == L'-') *negative = *s++ == L'-';
    if (s[0] == L'0' && (s[1] == L'x' || s[1] == L'X') && HexDigitValue(s[2]) >= 0) s += 2;
    if (HexDigitValue(*s) < 0) return false;
    unsigned long long v = 0;
    for (; HexDigitValue(*s) >= 0; ++s) {
        if (v <= (ULLONG_MAX >> 4))
            v = (v << 4) | static_cast<unsigned>(HexDigitValue(*s));
        else
            v = ULLONG_MAX;
    }
    *out = v;
    p = s;
    return true;
}

bool ReadFloat(const wchar_t*& p, double* out)
{
    // Collect the longest prefix that looks like a decimal number.
    const wchar_t* s = p;
    std::string text;
    if (*s == L'+' || *s == L'-') text += static_cast<char>(*s++);
    bool digits = false;
    while (IsDigit(*s)) text += static_cast<char>(*s++), digits = true;
    if (*s == L'.') {
        text += '.';
        ++s;
        while (IsDigit(*s)) text += static_cast<char>(*s++), digits = true;
    }
    if (!digits) return false;
    if ((*s == L'e' || *s == L'E')) {
        const wchar_t* e = s + 1;
        std::string exp = "e";
        if (*e == L'+' || *e == L'-') exp += static_cast<char>(*e++);
        if (IsDigit(*e)) {
            while (IsDigit(*e)) exp += static_cast<char>(*e++);
            text += exp;
            s = e;
        }
    }
    const char* begin = text.c_str();
    if (*begin == '+') ++begin;
    double v = 0;
    auto [end, ec] = std::from_chars(begin, text.c_str() + text.size(), v);
    if (ec == std::errc::result_out_of_range)
        v = text[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    else if (ec != std::errc())
        return false;
    (void)end;
    *out = v;
    p = s;
    return true;
}

int Clamp(long long v)
{
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

}  // namespace

int HexDigitValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

int ReadDecimalPrefix(const wchar_t* text)
{
    if (!text) return 0;
    while (IsBlank(*text)) ++text;
    long long v = 0;
    return ReadInt(text, &v) ? Clamp(v) : 0;
}

long ReadHexPrefix(const wchar_t* text)
{
    if (!text) return 0;
    while (IsBlank(*text)) ++text;
    unsigned long long v = 0;
    bool negative = false;
    if (!ReadHex(text, &v, &negative)) return 0;
    if (v > static_cast<unsigned long long>(LONG_MAX)) return negative ? LONG_MIN : LONG_MAX;
    return negative ? -static_cast<long>(v) : static_cast<long>(v);
}

int ScanFormatV(const wchar_t* text, const wchar_t* format, const std::vector<ScanTarget>& targets)
{
    if (!text || !format) return -1;
    const wchar_t* p = text;
    const wchar_t* f = format;
    size_t next = 0;
    int stored = 0;
    bool converted = false;  // a conversion was attempted with input present
    auto endOfInput = [&] { return converted ? stored : -1; };

    while (*f) {
        if (IsBlank(*f)) {
            while (IsBlank(*f)) ++f;
            while (IsBlank(*p)) ++p;
            continue;
        }
        if (*f != L'%' || f[1] == L'%') {
            wchar_t want = *f == L'%' ? L'%' : *f;
            if (*f == L'%') {
                f += 2;
                while (IsBlank(*p)) ++p;
            } else {
                ++f;
            }
            if (*p == 0) return endOfInput();
            if (*p != want) return stored;
            ++p;
            continue;
        }
        ++f;  // past '%'
        wchar_t conv = *f;
        if (conv == 0) return stored;
        ++f;
        if (conv != L'c' && conv != L'[')
            while (IsBlank(*p)) ++p;
        if (*p == 0) return endOfInput();
        converted = true;
        if (next >= targets.size()) return stored;
        const ScanTarget& target = targets[next++];
        switch (conv) {
        case L'd': {
            long long v = 0;
            if (!std::holds_alternative<int*>(target) || !ReadInt(p, &v)) return stored;
            *std::get<int*>(target) = Clamp(v);
            break;
        }
        case L'x': {
            unsigned long long v = 0;
            bool negative = false;
            if (!std::holds_alternative<unsigned*>(target) || !ReadHex(p, &v, &negative)) return stored;
            unsigned value = v > UINT_MAX ? UINT_MAX : static_cast<unsigned>(v);
            *std::get<unsigned*>(target) = negative ? 0u - value : value;
            break;
        }
        case L'f': {
            double v = 0;
            if (!std::holds_alternative<double*>(target) || !ReadFloat(p, &v)) return stored;
            *std::get<double*>(target) = v;
            break;
        }
        case L'c':
            if (!std::holds_alternative<wchar_t*>(target)) return stored;
            *std::get<wchar_t*>(target) = *p++;
            break;
        case L'[': {
            bool negate = false;
            if (*f == L'^') negate = true, ++f;
            std::wstring set;
            if (*f == L']') set += *f++;
            while (*f && *f != L']') set += *f++;
            if (*f == L']') ++f;
            if (!std::holds_alternative<CString*>(target)) return stored;
            const wchar_t* start = p;
            while (*p && ((set.find(*p) != std::wstring::npos) != negate)) ++p;
            if (p == start) return stored;
            *std::get<CString*>(target) = CString(start, static_cast<int>(p - start));
            break;
        }
        default: return stored;
        }
        ++stored;
    }
    return stored;
}
