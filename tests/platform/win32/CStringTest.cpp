#include <gtest/gtest.h>

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

namespace {

TEST(CString, SubstringsClampOutOfRange)
{
    CString s(L"abcdef");
    EXPECT_EQ(L"ab", s.Left(2));
    EXPECT_EQ(L"abcdef", s.Left(99));
    EXPECT_EQ(L"", s.Left(-1));
    EXPECT_EQ(L"ef", s.Right(2));
    EXPECT_EQ(L"cd", s.Mid(2, 2));
    EXPECT_EQ(L"", s.Mid(10));
    EXPECT_EQ(L"abcdef", s.Mid(-3));
    EXPECT_EQ(L'\0', s.GetAt(6));
}

TEST(CString, FindAndReplace)
{
    CString s(L"a.b.c");
    EXPECT_EQ(1, s.Find(L'.'));
    EXPECT_EQ(3, s.ReverseFind(L'.'));
    EXPECT_EQ(-1, s.Find(L'.', 99));
    EXPECT_EQ(2, s.Find(L"b"));
    EXPECT_EQ(2, s.Replace(L".", L"::"));
    EXPECT_EQ(L"a::b::c", s);
    EXPECT_EQ(0, s.Replace(L"", L"x"));
    CString t(L"  \u3000 trim me \t\n");
    t.Trim();
    EXPECT_EQ(L"trim me", t);
}

// Trim removes what the Windows run-time calls blank, no-break spaces
// included; characters that only look empty stay.
TEST(CString, TrimTakesTheWindowsBlanks)
{
    struct Row {
        const wchar_t* in;
        const wchar_t* trimmed;
    } const rows[] = {
        {L"\u00A0", L""},
        {L"\u00A0 text\u00A0\r", L"text"},
        {L"\u2007\u202F\u0085x\u3000\u205F", L"x"},
        {L"\t\v\f\r\n \u1680\u2000\u200A\u2028\u2029y", L"y"},
        {L"a\u00A0b", L"a\u00A0b"},            // inside the text it stays
        {L"\u200Bz\uFEFF", L"\u200Bz\uFEFF"},  // zero-width characters are not blank
        {L"\x1C\x1Fq", L"\x1C\x1Fq"},          // nor are the separator controls
    };
    for (size_t i = 0; i < std::size(rows); ++i) {
        CString s(rows[i].in);
        s.Trim();
        EXPECT_EQ(CString(rows[i].trimmed), s) << "row " << i;
        CString both(rows[i].in);
        both.TrimLeft().TrimRight();
        EXPECT_EQ(s, both) << "row " << i;
    }
    EXPECT_TRUE(IsSpaceChar(0xA0));
    EXPECT_FALSE(IsSpaceChar(L'x'));
    EXPECT_FALSE(IsSpaceChar(0));
}

TEST(CString, CaseFoldingCoversNonAscii)
{
    EXPECT_EQ(0, CString(L"\u00C9T\u00C9").CompareNoCase(L"\u00E9t\u00E9"));
    EXPECT_EQ(0, CString(L"Video").CompareNoCase(L"VIDEO"));
    EXPECT_LT(CString(L"abc").CompareNoCase(L"ABD"), 0);
    CString u(L"stra\u00DFe");
    u.MakeUpper();
    EXPECT_EQ(L"STRA\u00DFE", u);  // simple mapping: one character stays one
}

TEST(CString, BufferRoundTrip)
{
    CString s;
    wchar_t* p = s.GetBuffer(10);
    wcscpy(p, L"hello");
    s.ReleaseBuffer();
    EXPECT_EQ(5, s.GetLength());
    EXPECT_EQ(L"hello", s);
}

TEST(CString, NarrowConstructionUsesAnsi)
{
    CString s("\xC7\xD1");
    EXPECT_EQ(L"\uD55C", s);
}

TEST(CString, Tokenize)
{
    CString s(L",a,,b,");
    int pos = 0;
    EXPECT_EQ(L"a", s.Tokenize(L",", pos));
    EXPECT_EQ(L"b", s.Tokenize(L",", pos));
    EXPECT_EQ(L"", s.Tokenize(L",", pos));
    EXPECT_EQ(-1, pos);
}

TEST(Collections, ListKeepsOrderAndPositions)
{
    CStringList list;
    list.AddTail(CString(L"b"));
    list.AddHead(CString(L"a"));
    POSITION c = list.AddTail(CString(L"c"));
    list.InsertBefore(c, CString(L"bb"));
    std::wstring seen;
    for (POSITION p = list.GetHeadPosition(); p;) seen += list.GetNext(p).str();
    EXPECT_EQ(L"abbbc", seen);
    list.RemoveAt(list.Find(CString(L"bb")));
    EXPECT_EQ(3, list.GetCount());
    EXPECT_EQ(L"c", list.GetTail());
}

TEST(Collections, MapIteratesInInsertionOrder)
{
    CMapStringToString map;
    map.SetAt(L"1000", L"IDC_A");
    map.SetAt(L"2", L"IDC_B");
    map[L"1000"] = L"IDC_C";
    CString v;
    EXPECT_TRUE(map.Lookup(L"1000", v));
    EXPECT_EQ(L"IDC_C", v);
    EXPECT_FALSE(map.Lookup(L"3", v));
    POSITION p = map.GetStartPosition();
    CString k;
    map.GetNextAssoc(p, k, v);
    EXPECT_EQ(L"1000", k);
    map.GetNextAssoc(p, k, v);
    EXPECT_EQ(L"2", k);
    EXPECT_EQ(nullptr, p);
}

TEST(Collections, ArrayInsertRemove)
{
    CByteArray a;
    a.SetSize(2);
    a[1] = 7;
    a.InsertAt(0, 9);
    a.Add(5);
    ASSERT_EQ(4, a.GetSize());
    EXPECT_EQ(9, a[0]);
    EXPECT_EQ(7, a[2]);
    a.RemoveAt(0, 2);
    EXPECT_EQ(7, a[0]);
}

}  // namespace
