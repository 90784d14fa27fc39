#include "Guid.h"

#include <cwchar>

#include "TextScan.h"

namespace {

// Reads exactly n hex digits.
bool ReadHex(const wchar_t*& p, int n, uint64_t* value)
{
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) {
        int h = HexDigitValue(p[i]);
        if (h < 0) return false;
        v = (v << 4) | static_cast<unsigned>(h);
    }
    p += n;
    *value = v;
    return true;
}

}  // namespace

int StringFromGUID2(const GUID& g, wchar_t* buf, int cch)
{
    if (!buf || cch < 39) return 0;
    swprintf(buf, static_cast<size_t>(cch), L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned>(g.Data1), static_cast<unsigned>(g.Data2), static_cast<unsigned>(g.Data3), g.Data4[0],
             g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return 39;
}

std::wstring GuidToString(const GUID& g)
{
    wchar_t buf[40];
    StringFromGUID2(g, buf, 40);
    return buf;
}

bool GuidFromString(const std::wstring& text, GUID* out)
{
    if (!out) return false;
    *out = GUID_NULL;
    // "{" 8 "-" 4 "-" 4 "-" 4 "-" 12 "}": nothing before, between or after.
    constexpr size_t kBracedLength = 38;
    if (text.size() != kBracedLength || text.front() != L'{' || text.back() != L'}') return false;
    const wchar_t* p = text.c_str() + 1;
    GUID g;
    uint64_t v;
    if (!ReadHex(p, 8, &v) || *p++ != L'-') return false;
    g.Data1 = static_cast<DWORD>(v);
    if (!ReadHex(p, 4, &v) || *p++ != L'-') return false;
    g.Data2 = static_cast<WORD>(v);
    if (!ReadHex(p, 4, &v) || *p++ != L'-') return false;
    g.Data3 = static_cast<WORD>(v);
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && *p++ != L'-') return false;
        if (!ReadHex(p, 2, &v)) return false;
        g.Data4[i] = static_cast<BYTE>(v);
    }
    *out = g;
    return true;
}

HRESULT CLSIDFromString(const wchar_t* text, CLSID* out)
{
    if (!out) return E_INVALIDARG;
    if (!text) {
        *out = GUID_NULL;
        return E_INVALIDARG;
    }
    return GuidFromString(text, out) ? S_OK : E_INVALIDARG;
}
