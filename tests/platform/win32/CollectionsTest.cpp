#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/Collections.h"

namespace {

std::wstring Forward(const CList<wchar_t, wchar_t>& list)
{
    std::wstring out;
    for (POSITION p = list.GetHeadPosition(); p;) out += list.GetNext(p);
    return out;
}

std::wstring Backward(CList<wchar_t, wchar_t>& list)
{
    std::wstring out;
    for (POSITION p = list.GetTailPosition(); p;) out += list.GetPrev(p);
    return out;
}

std::wstring Keys(const CMap<int, int, wchar_t, wchar_t>& map)
{
    std::wstring out;
    int key = 0;
    wchar_t value = 0;
    for (POSITION p = map.GetStartPosition(); p;) {
        map.GetNextAssoc(p, key, value);
        out += value;
    }
    return out;
}

// Taking entries out of the list and the map mends the links on both sides
// and the ends: what is left runs in order both ways, and an entry added
// afterwards goes after the last one left.
TEST(Collections, RemovalsKeepTheChainInOrder)
{
    struct Case {
        const wchar_t* items;
        const wchar_t* removed;  // in this order
        const wchar_t* left;
    };
    const Case cases[] = {
        {L"abcd", L"a", L"bcd"}, {L"abcd", L"d", L"abc"}, {L"abcd", L"b", L"acd"},
        {L"abcd", L"bc", L"ad"}, {L"abcd", L"ad", L"bc"}, {L"a", L"a", L""},
        {L"abcd", L"dcba", L""}, {L"abcd", L"abcd", L""}, {L"abcd", L"cadb", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "remove " << c.removed << " of " << c.items);
        CList<wchar_t, wchar_t> list;
        CMap<int, int, wchar_t, wchar_t> map;
        for (const wchar_t* p = c.items; *p; ++p) {
            list.AddTail(*p);
            map[*p] = *p;
        }
        for (const wchar_t* p = c.removed; *p; ++p) {
            list.RemoveAt(list.Find(*p));
            EXPECT_TRUE(map.RemoveKey(*p));
            EXPECT_FALSE(map.RemoveKey(*p));
        }
        const std::wstring left = c.left;
        EXPECT_EQ(left, Forward(list));
        EXPECT_EQ(std::wstring(left.rbegin(), left.rend()), Backward(list));
        EXPECT_EQ(static_cast<int>(left.size()), list.GetCount());
        EXPECT_EQ(left, Keys(map));
        EXPECT_EQ(static_cast<int>(left.size()), map.GetCount());

        list.AddTail(L'z');
        list.AddHead(L'y');
        map[L'z'] = L'z';
        EXPECT_EQ(L"y" + left + L"z", Forward(list));
        EXPECT_EQ(L"z" + std::wstring(left.rbegin(), left.rend()) + L"y", Backward(list));
        EXPECT_EQ(left + L"z", Keys(map));
    }
}

}  // namespace
