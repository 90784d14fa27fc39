#include <gtest/gtest.h>

#include "foundation/TextHelpers.h"

namespace {

std::vector<std::wstring> Items(const CStringArray& a)
{
    std::vector<std::wstring> v;
    for (int i = 0; i < a.GetSize(); ++i) v.push_back(a[i].str());
    return v;
}

TEST(TextHelpers, XmlEscaping)
{
    EXPECT_EQ(L"\"a&lt;b\"", EscapeXmlText(L"a<b", 0));
    EXPECT_EQ(L"a&amp;lt;&gt;&quot;&apos;", EscapeXmlText(L"a&lt;>\"'", 1));
    EXPECT_EQ(L"a&b&c&x;", UnescapeXmlText(L"a&&b&amp;c&x;"));
    EXPECT_EQ(L"<>\"'&", UnescapeXmlText(L"&lt;&gt;&quot;&apos;&"));
    // Round trip of a text holding every special character.
    CString all(L"R&D <\"x\"> 'y' &&");
    EXPECT_EQ(all, UnescapeXmlText(EscapeXmlText(all, 1)));
}

TEST(TextHelpers, HexStringToBytes)
{
    CByteArray b;
    EXPECT_EQ(3, HexStringToBytes(L"0a 1B zz", b));
    ASSERT_EQ(3, b.GetSize());
    EXPECT_EQ(0x0A, b[0]);
    EXPECT_EQ(0x1B, b[1]);
    EXPECT_EQ(0x00, b[2]);
    EXPECT_EQ(1, HexStringToBytes(L"ABC", b));  // odd digit dropped
    EXPECT_EQ(0xAB, b[0]);
    EXPECT_EQ(0, HexStringToBytes(L"", b));
    EXPECT_EQ(2, HexStringToBytes(L"g0 ff", b));  // stops at once, rest stays zero
    EXPECT_EQ(0, b[0]);
    EXPECT_EQ(0, b[1]);
}

TEST(TextHelpers, SortStringList)
{
    CStringList list;
    for (const wchar_t* s : {L"b", L"B", L"a", L"C", L"\uD55C"}) list.AddTail(CString(s));
    SortStringList(list, 0);
    std::wstring seq;
    for (POSITION p = list.GetHeadPosition(); p;) seq += list.GetNext(p).str() + L",";
    EXPECT_EQ(L"B,C,a,b,\uD55C,", seq);
    SortStringList(list, 1);
    seq.clear();
    for (POSITION p = list.GetHeadPosition(); p;) seq += list.GetNext(p).str() + L",";
    EXPECT_EQ(L"a,B,b,C,\uD55C,", seq);  // equal letters keep their order
    SortStringList(list, 7);             // unknown mode leaves the list alone
    seq.clear();
    for (POSITION p = list.GetHeadPosition(); p;) seq += list.GetNext(p).str() + L",";
    EXPECT_EQ(L"a,B,b,C,\uD55C,", seq);
}

struct SplitRow {
    const wchar_t* text;
    int mode;
    int noEscapes;
    int count;
    std::vector<std::wstring> items;
};

TEST(TextHelpers, SplitQuotedListTable)
{
    const SplitRow rows[] = {
        {L"a,b,c", 0, 0, 3, {L"a", L"b", L"c"}},
        {L" a , b", 0, 0, 2, {L" a ", L" b"}},
        {L"a,,b,", 0, 0, 4, {L"a", L"", L"b", L""}},
        {L"", 0, 0, 0, {}},
        {L"\"x,y\",z", 0, 0, 2, {L"x,y", L"z"}},
        {L"\"q\\\"uote\\\\n\\n\\t\"", 0, 1, 1, {L"q\"uote\\n\n\\t"}},  // mode 0 always decodes
        {L"\"x\"y,z", 0, 0, -1, {}},                                   // text after the closing quote
        {L"\"open,z", 0, 0, -1, {}},                                   // no closing quote
        {L"  one two\t\"three four\"\r\nfive  ", 1, 0, 4, {L"one", L"two", L"three four", L"five"}},
        {L"\"C:\\\\dir\\\\\"", 1, 0, 1, {L"C:\\dir\\"}},
        {L"\"C:\\dir\\\"", 1, 1, 1, {L"C:\\dir\\"}},  // raw: backslashes as typed
        {L"/destpath=\"C:\\my folder\" x", 1, 1, 2, {L"/destpath=\"C:\\my folder\"", L"x"}},
        {L"\"unterminated", 1, 0, -1, {}},
        {L"   ", 1, 0, 0, {}},
    };
    for (const auto& r : rows) {
        CStringArray a;
        a.Add(CString(L"stale"));
        EXPECT_EQ(r.count, SplitQuotedList(r.text, a, r.mode, r.noEscapes)) << r.text;
        EXPECT_EQ(r.items, Items(a)) << r.text;
    }
}

}  // namespace
