#include "CString.h"

#include <algorithm>
#include <cwctype>
#include <locale.h>
#include <wctype.h>

#include "CodePage.h"

namespace {

locale_t UnicodeCtype()
{
    // C.UTF-8 gives full Unicode case mappings without any other locale effect.
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
        if (!l) l = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
        return l;
    }();
    return loc;
}

bool InSet(wchar_t c, const wchar_t* set) { return set && c && std::wcschr(set, c) != nullptr; }

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

bool IsSpaceChar(wchar_t c)
{
    switch (c) {
    case 0x09:
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x2000:
    case 0x2001:
    case 0x2002:
    case 0x2003:
    case 0x2004:
    case 0x2005:
    case 0x2006:
    case 0x2007:
    case 0x2008:
    case 0x2009:
    case 0x200A:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000: return true;
    default: return false;
    }
}
wchar_t ToUpperChar(wchar_t c) { return static_cast<wchar_t>(towupper_l(static_cast<wint_t>(c), UnicodeCtype())); }
wchar_t ToLowerChar(wchar_t c) { return static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), UnicodeCtype())); }

int CompareNoCase(std::wstring_view a, std::wstring_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        wchar_t x = ToLowerChar(a[i]), y = ToLowerChar(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

CString::CString(const wchar_t* s, int length)
{
    if (s && length > 0) s_.assign(s, static_cast<size_t>(length));
}

CString::CString(wchar_t ch, int repeat)
{
    if (repeat > 0) s_.assign(static_cast<size_t>(repeat), ch);
}

CString::CString(const char* s)
{
    if (s) s_ = MultiByteToWide(CP_ACP, s);
}

CString& CString::operator=(const wchar_t* s)
{
    s_ = s ? s : L"";
    return *this;
}

CString& CString::operator=(wchar_t ch)
{
    s_.assign(1, ch);
    return *this;
}

CString& CString::operator=(const std::wstring& s)
{
    s_ = s;
    return *this;
}

wchar_t CString::GetAt(int i) const { return (i >= 0 && i < GetLength()) ? s_[static_cast<size_t>(i)] : L'\0'; }

void CString::SetAt(int i, wchar_t ch)
{
    if (i >= 0 && i < GetLength()) s_[static_cast<size_t>(i)] = ch;
}

wchar_t* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength()) s_.resize(static_cast<size_t>(minLength), L'\0');
    return s_.data();
}

wchar_t* CString::GetBufferSetLength(int length)
{
    s_.resize(static_cast<size_t>(length < 0 ? 0 : length), L'\0');
    return s_.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0) {
        size_t z = s_.find(L'\0');
        if (z != std::wstring::npos) s_.resize(z);
    } else if (newLength < GetLength()) {
        s_.resize(static_cast<size_t>(newLength));
    }
}

void CString::Append(const wchar_t* s, int length)
{
    if (s && length > 0) s_.append(s, static_cast<size_t>(length));
}

int CString::Compare(const wchar_t* s) const
{
    int r = s_.compare(s ? s : L"");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const wchar_t* s) const { return ::CompareNoCase(s_, s ? s : L""); }

CString CString::Left(int count) const
{
    count = Clamp(count, 0, GetLength());
    return CString(s_.substr(0, static_cast<size_t>(count)));
}

CString CString::Right(int count) const
{
    count = Clamp(count, 0, GetLength());
    return CString(s_.substr(s_.size() - static_cast<size_t>(count)));
}

CString CString::Mid(int first) const { return Mid(first, GetLength()); }

CString CString::Mid(int first, int count) const
{
    first = Clamp(first, 0, GetLength());
    count = Clamp(count, 0, GetLength() - first);
    return CString(s_.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::SpanIncluding(const wchar_t* set) const
{
    size_t i = 0;
    while (i < s_.size() && InSet(s_[i], set)) ++i;
    return CString(s_.substr(0, i));
}

CString CString::SpanExcluding(const wchar_t* set) const
{
    size_t i = 0;
    while (i < s_.size() && !InSet(s_[i], set)) ++i;
    return CString(s_.substr(0, i));
}

int CString::Find(wchar_t ch, int start) const
{
    if (start < 0 || start >= GetLength()) return -1;
    size_t p = s_.find(ch, static_cast<size_t>(start));
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::Find(const wchar_t* sub, int start) const
{
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t p = s_.find(sub, static_cast<size_t>(start));
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::ReverseFind(wchar_t ch) const
{
    size_t p = s_.rfind(ch);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int CString::FindOneOf(const wchar_t* set) const
{
    for (size_t i = 0; i < s_.size(); ++i)
        if (InSet(s_[i], set)) return static_cast<int>(i);
    return -1;
}

CString& CString::MakeUpper()
{
    for (auto& c : s_) c = ToUpperChar(c);
    return *this;
}

CString& CString::MakeLower()
{
    for (auto& c : s_) c = ToLowerChar(c);
    return *this;
}

CString& CString::MakeReverse()
{
    std::reverse(s_.begin(), s_.end());
    return *this;
}

CString& CString::TrimLeft()
{
    size_t i = 0;
    while (i < s_.size() && IsSpaceChar(s_[i])) ++i;
    s_.erase(0, i);
    return *this;
}

CString& CString::TrimRight()
{
    size_t n = s_.size();
    while (n > 0 && IsSpaceChar(s_[n - 1])) --n;
    s_.resize(n);
    return *this;
}

CString& CString::Trim() { return TrimRight().TrimLeft(); }

CString& CString::TrimLeft(const wchar_t* set)
{
    size_t i = 0;
    while (i < s_.size() && InSet(s_[i], set)) ++i;
    s_.erase(0, i);
    return *this;
}

CString& CString::TrimRight(const wchar_t* set)
{
    size_t n = s_.size();
    while (n > 0 && InSet(s_[n - 1], set)) --n;
    s_.resize(n);
    return *this;
}

CString& CString::Trim(const wchar_t* set) { return TrimRight(set).TrimLeft(set); }

CString& CString::TrimLeft(wchar_t ch)
{
    const wchar_t set[2] = {ch, 0};
    return TrimLeft(set);
}

CString& CString::TrimRight(wchar_t ch)
{
    const wchar_t set[2] = {ch, 0};
    return TrimRight(set);
}

CString& CString::Trim(wchar_t ch) { return TrimRight(ch).TrimLeft(ch); }

int CString::Replace(wchar_t oldCh, wchar_t newCh)
{
    int n = 0;
    for (auto& c : s_)
        if (c == oldCh) {
            c = newCh;
            ++n;
        }
    return n;
}

int CString::Replace(const wchar_t* oldText, const wchar_t* newText)
{
    if (!oldText || !*oldText) return 0;
    std::wstring_view from(oldText);
    std::wstring_view to(newText ? newText : L"");
    std::wstring out;
    int n = 0;
    size_t pos = 0;
    for (;;) {
        size_t hit = s_.find(from, pos);
        if (hit == std::wstring::npos) break;
        out.append(s_, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
        ++n;
    }
    if (n) {
        out.append(s_, pos, std::wstring::npos);
        s_.swap(out);
    }
    return n;
}

int CString::Remove(wchar_t ch)
{
    size_t before = s_.size();
    s_.erase(std::remove(s_.begin(), s_.end(), ch), s_.end());
    return static_cast<int>(before - s_.size());
}

int CString::Insert(int index, wchar_t ch)
{
    index = Clamp(index, 0, GetLength());
    s_.insert(static_cast<size_t>(index), 1, ch);
    return GetLength();
}

int CString::Insert(int index, const wchar_t* s)
{
    index = Clamp(index, 0, GetLength());
    if (s) s_.insert(static_cast<size_t>(index), s);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    if (index < 0) index = 0;
    if (count > 0 && index < GetLength()) s_.erase(static_cast<size_t>(index), static_cast<size_t>(count));
    return GetLength();
}

void CString::Truncate(int length)
{
    if (length >= 0 && length < GetLength()) s_.resize(static_cast<size_t>(length));
}

CString CString::Tokenize(const wchar_t* delimiters, int& start) const
{
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    size_t i = static_cast<size_t>(start);
    while (i < s_.size() && InSet(s_[i], delimiters)) ++i;
    if (i >= s_.size()) {
        start = -1;
        return CString();
    }
    size_t j = i;
    while (j < s_.size() && !InSet(s_[j], delimiters)) ++j;
    start = static_cast<int>(j < s_.size() ? j + 1 : j);
    return CString(s_.substr(i, j - i));
}

CString operator+(const CString& a, const CString& b) { return CString(a.str() + b.str()); }
CString operator+(const CString& a, const wchar_t* b) { return CString(a.str() + (b ? b : L"")); }
CString operator+(const wchar_t* a, const CString& b) { return CString((a ? a : L"") + b.str()); }
CString operator+(const CString& a, wchar_t b) { return CString(a.str() + b); }
CString operator+(wchar_t a, const CString& b) { return CString(a + b.str()); }
