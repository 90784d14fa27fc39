#include "Format.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <locale.h>

#include "CodePage.h"

namespace {

locale_t CLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// Runs f with the calling thread switched to the "C" locale.
template <class F>
auto WithCLocale(F&& f)
{
    locale_t old = uselocale(CLocale());
    auto r = f();
    uselocale(old);
    return r;
}

// One conversion of a format as its text asks for it, from the '%' to the
// conversion character.
struct Conversion {
    std::string flags;  // any of "-+ #0"
    int width = -1;
    int precision = -1;
    bool widthFromArgument = false;      // "*": the width is the next argument
    bool precisionFromArgument = false;  // ".*": so is the precision
    int sizeBits = 0;                    // 0: the argument's own width
    bool sizeWide = false;               // l or w on a string/char conversion
    bool sizeNarrow = false;             // h on a string/char conversion
    bool longDouble = false;
    wchar_t conv = 0;
};

void Pad(std::wstring& out, const std::wstring& body, const Conversion& s)
{
    int w = s.width;
    bool left = s.flags.find('-') != std::string::npos;
    if (w > static_cast<int>(body.size())) {
        size_t fill = static_cast<size_t>(w) - body.size();
        if (left) {
            out += body;
            out.append(fill, L' ');
        } else {
            out.append(fill, L' ');
            out += body;
        }
    } else {
        out += body;
    }
}

void AppendAscii(std::wstring& out, const char* s)
{
    for (; *s; ++s) out += static_cast<wchar_t>(static_cast<unsigned char>(*s));
}

uint64_t Narrow(uint64_t v, int bits) { return bits >= 64 ? v : (v & ((uint64_t{1} << bits) - 1)); }

int64_t SignExtend(uint64_t v, int bits)
{
    if (bits >= 64) return static_cast<int64_t>(v);
    uint64_t m = uint64_t{1} << (bits - 1);
    v = Narrow(v, bits);
    return static_cast<int64_t>((v ^ m) - m);
}

std::string NumberFormat(const Conversion& s, const char* length, char conv)
{
    std::string f = "%";
    f += s.flags;
    if (s.width >= 0) f += std::to_string(s.width);
    if (s.precision >= 0) {
        f += '.';
        f += std::to_string(s.precision);
    }
    f += length;
    f += conv;
    return f;
}

template <class T>
std::string PrintC(const std::string& f, T v)
{
    return WithCLocale([&] {
        int n = std::snprintf(nullptr, 0, f.c_str(), v);
        if (n < 0) return std::string();
        std::string r(static_cast<size_t>(n) + 1, '\0');
        std::snprintf(r.data(), r.size(), f.c_str(), v);
        r.resize(static_cast<size_t>(n));
        return r;
    });
}

// ---- Parsing a format

// Reads the conversion whose '%' is at p: flags, width, precision, size
// prefix and the conversion character. Returns the position after the
// conversion character, or null when the format ends inside the conversion.
const wchar_t* ParseConversion(const wchar_t* p, Conversion& s)
{
    ++p;
    while (*p && std::wcschr(L"-+ #0", *p)) s.flags += static_cast<char>(*p++);
    // Width.
    if (*p == L'*') {
        ++p;
        s.widthFromArgument = true;
    } else {
        long w = 0;
        bool any = false;
        while (*p >= L'0' && *p <= L'9') {
            if (w < 100000) w = w * 10 + (*p - L'0');
            ++p;
            any = true;
        }
        if (any) s.width = static_cast<int>(w);
    }
    // Precision.
    if (*p == L'.') {
        ++p;
        if (*p == L'*') {
            ++p;
            s.precisionFromArgument = true;
        } else {
            long pr = 0;
            while (*p >= L'0' && *p <= L'9') {
                if (pr < 100000) pr = pr * 10 + (*p - L'0');
                ++p;
            }
            s.precision = static_cast<int>(pr);
        }
    }
    // Size prefix.
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
        s.sizeBits = 64;
        p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
        s.sizeBits = 32;
        p += 3;
    } else if (p[0] == L'I') {
        s.sizeBits = static_cast<int>(sizeof(void*) * 8);
        ++p;
    } else if (p[0] == L'h' && p[1] == L'h') {
        s.sizeBits = 8;
        s.sizeNarrow = true;
        p += 2;
    } else if (p[0] == L'h') {
        s.sizeBits = 16;
        s.sizeNarrow = true;
        ++p;
    } else if (p[0] == L'l' && p[1] == L'l') {
        s.sizeBits = 64;
        p += 2;
    } else if (p[0] == L'l' || p[0] == L'w') {
        s.sizeBits = 32;  // a Windows long is 32 bits
        s.sizeWide = true;
        ++p;
    } else if (p[0] == L'L') {
        s.longDouble = true;
        s.sizeBits = 64;
        ++p;
    } else if (p[0] == L'j' || p[0] == L'z' || p[0] == L't') {
        s.sizeBits = 64;
        ++p;
    }
    if (!*p) return nullptr;
    s.conv = *p++;
    return p;
}

// Takes the width and then the precision that the conversion asks of the
// arguments ("*"), from the argument next on. Each one asked for uses up its
// argument; false when one is missing or not an integer.
bool TakeStarArguments(Conversion& s, const FormatArg* args, size_t count, size_t& next)
{
    bool ok = true;
    if (s.widthFromArgument) {
        if (next < count && args[next].IsInteger()) {
            int64_t w = SignExtend(args[next].RawBits(), 32);
            if (w < 0) {
                s.flags += '-';
                w = -w;
            }
            s.width = static_cast<int>(w > 100000 ? 100000 : w);
        } else {
            ok = false;
        }
        ++next;
    }
    if (s.precisionFromArgument) {
        if (next < count && args[next].IsInteger()) {
            int64_t pr = SignExtend(args[next].RawBits(), 32);
            s.precision = pr < 0 ? -1 : static_cast<int>(pr > 100000 ? 100000 : pr);
        } else {
            ok = false;
        }
        ++next;
    }
    return ok;
}

// ---- Converting an argument

// Appends the argument as the conversion writes it; false, with nothing
// appended, when the argument does not suit the conversion.
bool ConvertArgument(const Conversion& s, const FormatArg& a, std::wstring& out)
{
    switch (s.conv) {
    case L'd':
    case L'i': {
        if (!a.IsInteger()) return false;
        int bits = s.sizeBits ? s.sizeBits : a.bits();
        long long v = SignExtend(a.RawBits(), bits);
        AppendAscii(out, PrintC(NumberFormat(s, "ll", 'd'), v).c_str());
        return true;
    }
    case L'u':
    case L'o':
    case L'x':
    case L'X': {
        if (!a.IsInteger()) return false;
        int bits = s.sizeBits ? s.sizeBits : a.bits();
        unsigned long long v = Narrow(a.RawBits(), bits);
        AppendAscii(out, PrintC(NumberFormat(s, "ll", static_cast<char>(s.conv)), v).c_str());
        return true;
    }
    case L'e':
    case L'E':
    case L'f':
    case L'F':
    case L'g':
    case L'G':
    case L'a':
    case L'A':
        if (a.kind() != FormatArg::Kind::Double) return false;
        AppendAscii(out, PrintC(NumberFormat(s, "", static_cast<char>(s.conv)), a.dbl()).c_str());
        return true;
    case L'p': {
        const void* v = nullptr;
        if (a.kind() == FormatArg::Kind::Ptr)
            v = a.ptr();
        else if (a.kind() == FormatArg::Kind::WStr)
            v = a.wstr();
        else if (a.kind() == FormatArg::Kind::NStr)
            v = a.nstr();
        else
            return false;
        // The digits are made without width or flags; Pad then places them
        // in the width on the side the flags ask for.
        Conversion ps = s;
        ps.flags.clear();
        ps.width = 0;
        ps.precision = static_cast<int>(sizeof(void*) * 2);
        std::string txt =
            PrintC(NumberFormat(ps, "ll", 'X'), static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(v)));
        std::wstring body;
        for (char c : txt) body += static_cast<wchar_t>(c);
        Pad(out, body, s);
        return true;
    }
    case L'c':
    case L'C': {
        if (!a.IsInteger()) return false;
        bool narrow = s.conv == L'C' ? !s.sizeWide : s.sizeNarrow;
        std::wstring body;
        if (narrow) {
            char b = static_cast<char>(a.RawBits() & 0xFF);
            body = MultiByteToWide(CP_ACP, std::string_view(&b, 1));
        } else {
            body = std::wstring(1, static_cast<wchar_t>(Narrow(a.RawBits(), 32)));
        }
        Pad(out, body, s);
        return true;
    }
    case L's':
    case L'S': {
        bool narrow = s.conv == L'S' ? !s.sizeWide : s.sizeNarrow;
        std::wstring body;
        if (narrow) {
            if (a.kind() != FormatArg::Kind::NStr) return false;
            if (!a.nstr()) {
                body = L"(null)";
            } else {
                std::string_view sv(a.nstr());
                if (s.precision >= 0 && sv.size() > static_cast<size_t>(s.precision))
                    sv = sv.substr(0, static_cast<size_t>(s.precision));
                body = MultiByteToWide(CP_ACP, sv);
            }
        } else {
            if (a.kind() != FormatArg::Kind::WStr) return false;
            body = a.wstr() ? std::wstring(a.wstr()) : std::wstring(L"(null)");
            if (s.precision >= 0 && body.size() > static_cast<size_t>(s.precision))
                body.resize(static_cast<size_t>(s.precision));
        }
        Pad(out, body, s);
        return true;
    }
    default: return false;
    }
}

}  // namespace

std::string FormatDoubleC(const char* printfFormat, double value) { return PrintC(printfFormat, value); }

double ParseDoubleC(const char* text, char** end) { return strtod_l(text, end, CLocale()); }

double ParseDoubleC(const wchar_t* text, wchar_t** end) { return wcstod_l(text, end, CLocale()); }

std::wstring FormatTextV(const wchar_t* format, const FormatArg* args, size_t count)
{
    std::wstring out;
    if (!format) return out;
    size_t next = 0;
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        if (p[1] == L'%') {
            out += L'%';
            p += 2;
            continue;
        }
        Conversion s;
        const wchar_t* end = ParseConversion(p, s);
        if (!end) {  // format ends inside a conversion
            out += p;
            break;
        }
        // What a conversion that cannot be made writes instead.
        const std::wstring_view literal(p, static_cast<size_t>(end - p));
        p = end;
        const bool ok = TakeStarArguments(s, args, count, next);
        if (s.conv == L'n') {  // never writes through an argument
            out += literal;
            if (next < count) ++next;
            continue;
        }
        if (!std::wcschr(L"diuoxXcCsSeEfFgGaAp", s.conv) || next >= count) {
            out += literal;
            continue;
        }
        const FormatArg& a = args[next++];
        if (!ok || !ConvertArgument(s, a, out)) out += literal;
    }
    return out;
}
