// The class library's wide string: value semantics over std::wstring with the
// operations the application code uses. Indexes and lengths are int, as the
// class library has them; out-of-range arguments are clamped, never trusted.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "Format.h"
#include "WinTypes.h"

class CString {
public:
    CString() = default;
    CString(const wchar_t* s) : s_(s ? s : L"") {}  // NOLINT(google-explicit-constructor)
    CString(const wchar_t* s, int length);
    CString(wchar_t ch, int repeat = 1);
    CString(const std::wstring& s) : s_(s) {}        // NOLINT
    CString(std::wstring&& s) : s_(std::move(s)) {}  // NOLINT
    CString(std::wstring_view s) : s_(s) {}          // NOLINT
    // Narrow text is taken to be in the ANSI code page.
    CString(const char* s);  // NOLINT
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const wchar_t* s);
    CString& operator=(wchar_t ch);
    CString& operator=(const std::wstring& s);

    operator const wchar_t*() const { return s_.c_str(); }  // NOLINT(google-explicit-constructor)
    const wchar_t* GetString() const { return s_.c_str(); }
    const std::wstring& str() const { return s_; }
    std::wstring& str() { return s_; }

    int GetLength() const { return static_cast<int>(s_.size()); }
    bool IsEmpty() const { return s_.empty(); }
    void Empty() { s_.clear(); }
    wchar_t GetAt(int i) const;
    void SetAt(int i, wchar_t ch);
    wchar_t operator[](int i) const { return GetAt(i); }

    // Buffer access for APIs that write into a character array. GetBuffer
    // returns room for at least minLength characters plus a NUL;
    // ReleaseBuffer(-1) takes the text up to the first NUL.
    wchar_t* GetBuffer(int minLength = 0);
    wchar_t* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    CString& operator+=(const CString& s)
    {
        s_ += s.s_;
        return *this;
    }
    CString& operator+=(const wchar_t* s)
    {
        if (s) s_ += s;
        return *this;
    }
    CString& operator+=(wchar_t ch)
    {
        s_ += ch;
        return *this;
    }
    void Append(const wchar_t* s, int length);
    void AppendChar(wchar_t ch) { s_ += ch; }

    int Compare(const wchar_t* s) const;
    int CompareNoCase(const wchar_t* s) const;

    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString SpanIncluding(const wchar_t* set) const;
    CString SpanExcluding(const wchar_t* set) const;

    int Find(wchar_t ch, int start = 0) const;
    int Find(const wchar_t* sub, int start = 0) const;
    int ReverseFind(wchar_t ch) const;
    int FindOneOf(const wchar_t* set) const;

    CString& MakeUpper();
    CString& MakeLower();
    CString& MakeReverse();
    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim(const wchar_t* set);
    CString& TrimLeft(const wchar_t* set);
    CString& TrimRight(const wchar_t* set);
    CString& Trim(wchar_t ch);
    CString& TrimLeft(wchar_t ch);
    CString& TrimRight(wchar_t ch);

    int Replace(wchar_t oldCh, wchar_t newCh);
    int Replace(const wchar_t* oldText, const wchar_t* newText);
    int Remove(wchar_t ch);
    int Insert(int index, wchar_t ch);
    int Insert(int index, const wchar_t* s);
    int Delete(int index, int count = 1);
    void Truncate(int length);

    CString Tokenize(const wchar_t* delimiters, int& start) const;

    template <class... A>
    void Format(const wchar_t* format, const A&... args)
    {
        s_ = FormatText(format, args...);
    }
    template <class... A>
    void AppendFormat(const wchar_t* format, const A&... args)
    {
        s_ += FormatText(format, args...);
    }

private:
    std::wstring s_;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const wchar_t* b);
CString operator+(const wchar_t* a, const CString& b);
CString operator+(const CString& a, wchar_t b);
CString operator+(wchar_t a, const CString& b);

inline bool operator==(const CString& a, const CString& b) { return a.str() == b.str(); }
inline bool operator==(const CString& a, const wchar_t* b) { return a.Compare(b) == 0; }
inline bool operator==(const wchar_t* a, const CString& b) { return b.Compare(a) == 0; }
inline bool operator!=(const CString& a, const CString& b) { return !(a == b); }
inline bool operator!=(const CString& a, const wchar_t* b) { return !(a == b); }
inline bool operator!=(const wchar_t* a, const CString& b) { return !(a == b); }
inline bool operator<(const CString& a, const CString& b) { return a.str() < b.str(); }

// Case-insensitive comparison of wide texts with full Unicode simple case
// folding (the class library's wcsicmp); returns <0, 0 or >0.
int CompareNoCase(std::wstring_view a, std::wstring_view b);
wchar_t ToUpperChar(wchar_t c);
// Blank as the Windows C run-time classifies wide characters, which the
// Trim functions use: Unicode's white space, the no-break spaces (U+00A0,
// U+2007, U+202F) and the next-line control (U+0085) included, whatever
// the C library's locale tables leave out.
bool IsSpaceChar(wchar_t c);
wchar_t ToLowerChar(wchar_t c);

template <>
struct std::hash<CString> {
    size_t operator()(const CString& s) const noexcept { return std::hash<std::wstring>()(s.str()); }
};
