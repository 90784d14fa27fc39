#include "CodePage.h"

#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <vector>

#include "ByteOrder.h"

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

std::atomic<UINT> g_ansiCodePage{949};

UINT Resolve(UINT cp)
{
    if (cp == CP_ACP || cp == CP_OEMCP || cp == CP_THREAD_ACP) return g_ansiCodePage.load();
    return cp;
}

const char* IconvName(UINT cp)
{
    switch (cp) {
    case 437: return "CP437";
    case 850: return "CP850";
    case 852: return "CP852";
    case 855: return "CP855";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1252: return "CP1252";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 1361: return "JOHAB";
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 20932: return "EUC-JP";
    case 21866: return "KOI8-U";
    case 28591: return "ISO-8859-1";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 50220: return "ISO-2022-JP";
    case 50225: return "ISO-2022-KR";
    case 50227: return "ISO-2022-CN";
    case 51932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 51950: return "EUC-TW";
    case 54936: return "GB18030";
    case CP_UTF7: return "UTF-7";
    case CP_UTF16BE: return "UTF-16BE";
    default: return nullptr;
    }
}

bool IsInvalid(iconv_t cd) { return cd == reinterpret_cast<iconv_t>(-1); }

// One converter per thread and direction: iconv descriptors are not shared.
struct ConverterCache {
    std::map<std::pair<UINT, bool>, iconv_t> map;
    ~ConverterCache()
    {
        for (auto& [key, cd] : map)
            if (!IsInvalid(cd)) iconv_close(cd);
    }
};

iconv_t Converter(UINT cp, bool toWide)
{
    thread_local ConverterCache holder;
    auto& cache = holder.map;
    auto key = std::make_pair(cp, toWide);
    auto it = cache.find(key);
    if (it != cache.end()) {
        iconv(it->second, nullptr, nullptr, nullptr, nullptr);  // reset shift state
        return it->second;
    }
    const char* name = IconvName(cp);
    iconv_t cd = reinterpret_cast<iconv_t>(-1);
    if (name) cd = toWide ? iconv_open("UTF-32LE", name) : iconv_open(name, "UTF-32LE");
    cache.emplace(key, cd);
    return cd;
}

// Code pages in which ASCII bytes may switch the meaning of what follows
// are not: their text always goes through the converter.
bool AsciiCompatible(UINT cp)
{
    return cp != CP_UTF7 && cp != CP_UTF16BE && cp != CP_UTF16LE && cp != 50220 && cp != 50225 && cp != 50227;
}

bool AllAscii(std::string_view s)
{
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

bool IsScalar(uint32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

bool InRange(unsigned char b, unsigned char low, unsigned char high) { return b >= low && b <= high; }

// The byte structure of the double-byte code pages: whether the trail byte
// may follow the lead byte in a pair of the code page, assigned or not.
bool IsPairOf(UINT cp, unsigned char lead, unsigned char trail)
{
    switch (cp) {
    case 932:
        return (InRange(lead, 0x81, 0x9F) || InRange(lead, 0xE0, 0xFC)) &&
               (InRange(trail, 0x40, 0x7E) || InRange(trail, 0x80, 0xFC));
    case 936: return InRange(lead, 0x81, 0xFE) && (InRange(trail, 0x40, 0x7E) || InRange(trail, 0x80, 0xFE));
    case 949:
        // The leads up to C6 also take the extended trails of the unified
        // Hangul code; the later ones only those of the national standard.
        if (InRange(lead, 0x81, 0xC6))
            return InRange(trail, 0x41, 0x5A) || InRange(trail, 0x61, 0x7A) || InRange(trail, 0x81, 0xFE);
        return InRange(lead, 0xC7, 0xFE) && InRange(trail, 0xA1, 0xFE);
    case 950: return InRange(lead, 0x81, 0xFE) && (InRange(trail, 0x40, 0x7E) || InRange(trail, 0xA1, 0xFE));
    case 1361:
        if (InRange(lead, 0x84, 0xD3)) return InRange(trail, 0x41, 0x7E) || InRange(trail, 0x81, 0xFE);
        return (InRange(lead, 0xD8, 0xDE) || InRange(lead, 0xE0, 0xF9)) &&
               (InRange(trail, 0x31, 0x7E) || InRange(trail, 0x91, 0xFE));
    case 51949: return InRange(lead, 0xA1, 0xFE) && InRange(trail, 0xA1, 0xFE);
    default: return false;
    }
}

// The length of the bad sequence at the start of the bytes the converter
// refused: a lead byte and the byte that may follow it are one character
// of the code page, assigned or not, and are replaced together; any other
// bad byte alone.
size_t BadSequenceLength(UINT cp, const char* bytes, size_t left)
{
    if (left >= 2 && IsPairOf(cp, static_cast<unsigned char>(bytes[0]), static_cast<unsigned char>(bytes[1]))) return 2;
    return 1;
}

// Whether the converter takes the bytes, from its initial state, as whole
// characters; it is left in its initial state.
bool ConvertsWhole(iconv_t cd, const char* bytes, size_t count)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes);
    size_t left = count;
    char scratch[1024];
    bool whole = true;
    while (left > 0) {
        char* o = scratch;
        size_t oLeft = sizeof scratch;
        if (iconv(cd, &in, &left, &o, &oLeft) != static_cast<size_t>(-1)) break;
        if (errno != E2BIG) {
            whole = false;
            break;
        }
    }
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return whole;
}

}  // namespace

UINT GetACP() { return g_ansiCodePage.load(); }
void SetAnsiCodePage(UINT codePage) { g_ansiCodePage.store(codePage); }

bool IsValidCodePage(UINT cp)
{
    cp = Resolve(cp);
    if (cp == CP_UTF8 || cp == CP_UTF16LE) return true;
    return !IsInvalid(Converter(cp, true));
}

std::wstring Utf8ToWide(std::string_view s)
{
    std::wstring out;
    out.reserve(s.size());
    size_t i = 0, n = s.size();
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<wchar_t>(c);
            ++i;
            continue;
        }
        int len;
        uint32_t cp;
        uint32_t min;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2, cp = c & 0x1F, min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3, cp = c & 0x0F, min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4, cp = c & 0x07, min = 0x10000;
        } else {
            out += kReplacement;
            ++i;
            continue;
        }
        // A truncated or broken sequence is replaced as one unit up to the
        // first byte that cannot continue it.
        int k = 1;
        bool bad = false;
        for (; k < len; ++k) {
            if (i + static_cast<size_t>(k) >= n) {
                bad = true;
                break;
            }
            unsigned char t = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((t & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (t & 0x3F);
            // Reject overlong and surrogate forms as early as the second byte.
            if (k == 1) {
                if ((c == 0xE0 && t < 0xA0) || (c == 0xED && t > 0x9F) || (c == 0xF0 && t < 0x90) ||
                    (c == 0xF4 && t > 0x8F)) {
                    bad = true;
                    break;
                }
            }
        }
        if (bad || cp < min || !IsScalar(cp)) {
            out += kReplacement;
            i += static_cast<size_t>(k < 1 ? 1 : k);
            continue;
        }
        out += static_cast<wchar_t>(cp);
        i += static_cast<size_t>(len);
    }
    return out;
}

bool IsValidUtf8(std::string_view s)
{
    // Valid UTF-8 is exactly the text that survives a round trip unchanged.
    return WideToUtf8(Utf8ToWide(s)) == s;
}

std::string WideToUtf8(std::wstring_view w)
{
    std::string out;
    out.reserve(w.size());
    for (wchar_t wc : w) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (!IsScalar(c)) c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string WideToUtf16(std::wstring_view w)
{
    std::u16string out;
    out.reserve(w.size());
    for (wchar_t wc : w) {
        uint32_t c = static_cast<uint32_t>(wc);
        if (!IsScalar(c)) c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 | (c >> 10));
            out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::wstring Utf16ToWide(std::u16string_view u)
{
    std::wstring out;
    out.reserve(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        char16_t c = u[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < u.size() && u[i + 1] >= 0xDC00 && u[i + 1] <= 0xDFFF) {
            uint32_t v = 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (u[i + 1] - 0xDC00u);
            out += static_cast<wchar_t>(v);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out += kReplacement;
        } else {
            out += static_cast<wchar_t>(c);
        }
    }
    return out;
}

std::wstring Utf16LeBytesToWide(const void* bytes, size_t n)
{
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    std::u16string u(n / 2, u'\0');
    for (size_t i = 0; i < n / 2; ++i) u[i] = static_cast<char16_t>(LoadLE16(b + 2 * i));
    std::wstring w = Utf16ToWide(u);
    if (n % 2) w += kReplacement;
    return w;
}

std::string WideToUtf16LeBytes(std::wstring_view text)
{
    std::u16string u = WideToUtf16(text);
    std::string out(u.size() * 2, '\0');
    for (size_t i = 0; i < u.size(); ++i) {
        out[2 * i] = static_cast<char>(u[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>(u[i] >> 8);
    }
    return out;
}

std::wstring MultiByteToWide(UINT codePage, std::string_view bytes)
{
    UINT cp = Resolve(codePage);
    if (cp == CP_UTF8) return Utf8ToWide(bytes);
    if (cp == CP_UTF16LE) return Utf16LeBytesToWide(bytes.data(), bytes.size());
    if (AsciiCompatible(cp) && AllAscii(bytes)) return std::wstring(bytes.begin(), bytes.end());
    iconv_t cd = Converter(cp, true);
    if (IsInvalid(cd)) return std::wstring();
    std::wstring out;
    out.reserve(bytes.size());
    std::vector<char> buf(4 * 1024);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    // Where the converter last started from its initial state.
    const char* segment = in;
    while (inLeft > 0) {
        char* o = buf.data();
        size_t oLeft = buf.size();
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        int err = errno;
        size_t produced = (buf.size() - oLeft) / 4;
        for (size_t k = 0; k < produced; ++k) {
            uint32_t v;
            std::memcpy(&v, buf.data() + 4 * k, 4);
            out += static_cast<wchar_t>(v);
        }
        if (r != static_cast<size_t>(-1)) break;
        if (err == E2BIG) continue;
        // EILSEQ: a sequence that is no character here; EINVAL: the input
        // ends inside a character. Either is one replacement character.
        out += kReplacement;
        if (err == EINVAL) break;
        // The converter stops either in front of the bad sequence or,
        // for a pair of the code page that has no character, behind it.
        // It took the sequence when what it converted since it last
        // started does not convert whole on its own.
        bool taken = inLeft == 0 || (in > segment && !ConvertsWhole(cd, segment, static_cast<size_t>(in - segment)));
        if (!taken) {
            size_t skip = BadSequenceLength(cp, in, inLeft);
            in += skip;
            inLeft -= skip;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        segment = in;
    }
    // Flush a pending shift state (stateful code pages).
    char* o = buf.data();
    size_t oLeft = buf.size();
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    return out;
}

std::string WideToMultiByte(UINT codePage, std::wstring_view text, bool* usedDefaultChar)
{
    if (usedDefaultChar) *usedDefaultChar = false;
    UINT cp = Resolve(codePage);
    if (cp == CP_UTF8) return WideToUtf8(text);
    if (cp == CP_UTF16LE) return WideToUtf16LeBytes(text);
    iconv_t cd = Converter(cp, false);
    if (IsInvalid(cd)) return std::string();
    std::string out;
    out.reserve(text.size());
    std::vector<char> buf(4 * 1024);
    std::vector<uint32_t> units(text.begin(), text.end());
    for (auto& u : units)
        if (!IsScalar(u)) u = kReplacement;
    char* in = reinterpret_cast<char*>(units.data());
    size_t inLeft = units.size() * 4;
    while (inLeft > 0) {
        char* o = buf.data();
        size_t oLeft = buf.size();
        size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        int err = errno;
        out.append(buf.data(), buf.size() - oLeft);
        if (r != static_cast<size_t>(-1)) break;
        if (err == E2BIG) continue;
        out += '?';
        if (usedDefaultChar) *usedDefaultChar = true;
        if (inLeft < 4) break;
        in += 4;
        inLeft -= 4;
    }
    char* o = buf.data();
    size_t oLeft = buf.size();
    iconv(cd, nullptr, nullptr, &o, &oLeft);
    out.append(buf.data(), buf.size() - oLeft);
    return out;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcBytes, wchar_t* dst, int dstChars)
{
    if (!src || srcBytes < -1 || dstChars < 0 || (dstChars > 0 && !dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!IsValidCodePage(codePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = srcBytes == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcBytes);
    std::wstring w = MultiByteToWide(codePage, std::string_view(src, n));
    if ((flags & MB_ERR_INVALID_CHARS) && w.find(kReplacement) != std::wstring::npos &&
        WideToMultiByte(codePage, w) != std::string_view(src, n)) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
    }
    if (dstChars == 0) return static_cast<int>(w.size());
    if (w.size() > static_cast<size_t>(dstChars)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dst, w.data(), w.size() * sizeof(wchar_t));
    return static_cast<int>(w.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, const wchar_t* src, int srcChars, char* dst, int dstBytes,
                        const char* defaultChar, BOOL* usedDefaultChar)
{
    if (!src || srcChars < -1 || dstBytes < 0 || (dstBytes > 0 && !dst)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (!IsValidCodePage(codePage)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = srcChars == -1 ? std::wcslen(src) + 1 : static_cast<size_t>(srcChars);
    bool used = false;
    std::string s = WideToMultiByte(codePage, std::wstring_view(src, n), &used);
    if (used && defaultChar && *defaultChar && *defaultChar != '?') {
        // Re-convert character by character to place the caller's default.
        s.clear();
        for (size_t i = 0; i < n; ++i) {
            bool u = false;
            std::string one = WideToMultiByte(codePage, std::wstring_view(src + i, 1), &u);
            s += u ? std::string(1, *defaultChar) : one;
        }
    }
    if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
    if (dstBytes == 0) return static_cast<int>(s.size());
    if (s.size() > static_cast<size_t>(dstBytes)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(dst, s.data(), s.size());
    return static_cast<int>(s.size());
}
