#include "TextHelpers.h"

#include <algorithm>
#include <vector>

#include "platform/win32/Locale.h"

CString EscapeXmlText(const CString& text, int noQuotes)
{
    CString s = text;
    s.Replace(L"&", L"&amp;");
    s.Replace(L">", L"&gt;");
    s.Replace(L"<", L"&lt;");
    s.Replace(L"\"", L"&quot;");
    s.Replace(L"'", L"&apos;");
    if (noQuotes == 0) s = L"\"" + s + L"\"";
    return s;
}

CString UnescapeXmlText(const CString& text)
{
    static const struct {
        const wchar_t* entity;
        wchar_t ch;
    } kEntities[] = {{L"&&", L'&'},   {L"&amp;", L'&'},  {L"&gt;", L'>'},
                     {L"&lt;", L'<'}, {L"&quot;", L'"'}, {L"&apos;", L'\''}};
    const std::wstring& s = text.str();
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        bool hit = false;
        if (s[i] == L'&') {
            for (const auto& e : kEntities) {
                size_t n = std::wcslen(e.entity);
                if (s.compare(i, n, e.entity) == 0) {
                    out += e.ch;
                    i += n;
                    hit = true;
                    break;
                }
            }
        }
        if (!hit) out += s[i++];
    }
    return CString(out);
}

int HexStringToBytes(const CString& text, CByteArray& bytes)
{
    CString s = text;
    s.Remove(L' ');
    s.MakeUpper();
    int n = s.GetLength() / 2;
    bytes.SetSize(n);
    for (int i = 0; i < n; ++i) bytes[i] = 0;
    auto hex = [](wchar_t c) {
        if (c >= L'0' && c <= L'9') return c - L'0';
        if (c >= L'A' && c <= L'F') return c - L'A' + 10;
        return -1;
    };
    for (int i = 0; i < n; ++i) {
        int hi = hex(s[2 * i]), lo = hex(s[2 * i + 1]);
        if (hi < 0 || lo < 0) break;
        bytes[i] = static_cast<BYTE>(hi * 16 + lo);
    }
    return n;
}

void SortStringList(CStringList& list, int mode)
{
    if (mode != 0 && mode != 1) return;
    std::vector<CString> items;
    for (POSITION p = list.GetHeadPosition(); p;) items.push_back(list.GetNext(p));
    if (mode == 0) {
        std::stable_sort(items.begin(), items.end(),
                         [](const CString& a, const CString& b) { return a.str() < b.str(); });
    } else {
        std::stable_sort(items.begin(), items.end(), [](const CString& a, const CString& b) {
            return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, -1, b, -1) == CSTR_LESS_THAN;
        });
    }
    list.RemoveAll();
    for (const auto& s : items) list.AddTail(s);
}

namespace {

bool IsWordBreak(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Reads a quoted stretch starting at the opening quote; on success pos is
// behind the closing quote and the decoded text is appended to out.
bool ReadQuoted(const std::wstring& s, size_t& pos, bool escapes, bool keepRaw, std::wstring& out)
{
    size_t i = pos + 1;
    std::wstring text;
    while (i < s.size()) {
        wchar_t c = s[i];
        if (c == L'"') {
            if (keepRaw)
                out += s.substr(pos, i + 1 - pos);
            else
                out += text;
            pos = i + 1;
            return true;
        }
        if (c == L'\\' && escapes && i + 1 < s.size()) {
            wchar_t n = s[i + 1];
            if (n == L'"')
                text += L'"';
            else if (n == L'\\')
                text += L'\\';
            else if (n == L'n')
                text += L'\n';
            else if (n == L'r')
                text += L'\r';
            else {
                text += c;
                text += n;
            }
            i += 2;
            continue;
        }
        text += c;
        ++i;
    }
    return false;  // no closing quote
}

bool SplitComma(const std::wstring& s, std::vector<std::wstring>& items)
{
    if (s.empty()) return true;
    size_t pos = 0;
    for (;;) {
        std::wstring item;
        if (pos < s.size() && s[pos] == L'"') {
            if (!ReadQuoted(s, pos, true, false, item)) return false;
            if (pos < s.size() && s[pos] != L',') return false;
        } else {
            size_t comma = s.find(L',', pos);
            item = s.substr(pos, comma == std::wstring::npos ? std::wstring::npos : comma - pos);
            pos = comma == std::wstring::npos ? s.size() : comma;
        }
        items.push_back(item);
        if (pos >= s.size()) return true;
        ++pos;  // the comma; a text ending in a comma ends with an empty item
        if (pos == s.size()) {
            items.emplace_back();
            return true;
        }
    }
}

bool SplitWords(const std::wstring& s, std::vector<std::wstring>& items, bool escapes)
{
    size_t pos = 0;
    for (;;) {
        while (pos < s.size() && IsWordBreak(s[pos])) ++pos;
        if (pos >= s.size()) return true;
        std::wstring item;
        bool first = true;
        while (pos < s.size() && !IsWordBreak(s[pos])) {
            if (s[pos] == L'"') {
                // An item enclosed in quotes loses them; a quoted stretch
                // inside an item (name="a value") is kept as written.
                if (!ReadQuoted(s, pos, escapes && first, !first, item)) return false;
            } else {
                item += s[pos++];
            }
            first = false;
        }
        items.push_back(item);
    }
}

}  // namespace

int SplitQuotedList(const CString& text, CStringArray& items, int mode, int noEscapes)
{
    items.RemoveAll();
    std::vector<std::wstring> parts;
    bool ok = mode == 0   ? SplitComma(text.str(), parts)
              : mode == 1 ? SplitWords(text.str(), parts, noEscapes == 0)
                          : false;
    if (!ok) return -1;
    for (const auto& p : parts) items.Add(CString(p));
    return items.GetSize();
}
