#include <gtest/gtest.h>

#include <iterator>

#include "encoder/core/BlockFilterList.h"
#include "encoder/core/OptionKey.h"
#include "foundation/RegistryHelpers.h"
#include "tests/encoder/core/CoreTestSupport.h"

namespace {

GUID MakeId(DWORD n) { return GUID{0xB10C0000 + n, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}}; }

void Fill(CBlockFilterList& list, int count)
{
    list.RemoveAll();
    for (int i = 0; i < count; ++i) list.AddTail(MakeId(i));
}

using BlockFilterListTest = CoreTest;

TEST(BlockFilterList, ContainsComparesAllBytesAndAddRefusesDuplicates)
{
    CBlockFilterList list;
    GUID a = MakeId(1);
    GUID lastByte = a;
    lastByte.Data4[7] ^= 1;
    EXPECT_EQ(1, list.Add(a));
    EXPECT_EQ(0, list.Add(a));
    EXPECT_EQ(1, list.Contains(a));
    EXPECT_EQ(0, list.Contains(lastByte));
    EXPECT_EQ(1, list.GetCount());
}

TEST_F(BlockFilterListTest, SavedListReplacesTheOneInMemory)
{
    CBlockFilterList saved;
    Fill(saved, 3);
    SaveBlockFilters(saved);

    CBlockFilterList loaded;
    loaded.AddTail(MakeId(99));  // a default that the stored list replaces
    LoadBlockFilters(loaded);
    ASSERT_EQ(3, loaded.GetCount());
    POSITION p = loaded.GetHeadPosition();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(MakeId(i), loaded.GetNext(p));

    CString text;
    ASSERT_TRUE(RegReadString(HKEY_CURRENT_USER, kOptionKey, L"_BLOCKFILTER000", text));
    EXPECT_EQ(L"{B10C0000-1234-5678-0102-030405060708}", text);
    ASSERT_TRUE(RegReadString(HKEY_CURRENT_USER, kOptionKey, L"_BLOCKFILTER003", text));
    EXPECT_EQ(L"", text);
}

TEST_F(BlockFilterListTest, SavedEmptyListRemovesTheDefaults)
{
    CBlockFilterList empty;
    SaveBlockFilters(empty);
    CBlockFilterList loaded;
    loaded.AddTail(MakeId(1));
    LoadBlockFilters(loaded);
    EXPECT_EQ(0, loaded.GetCount());
}

TEST_F(BlockFilterListTest, NoStoredListKeepsTheDefaults)
{
    CBlockFilterList loaded;
    loaded.AddTail(MakeId(1));
    LoadBlockFilters(loaded);
    ASSERT_EQ(1, loaded.GetCount());
    EXPECT_EQ(MakeId(1), loaded.GetHead());
}

TEST_F(BlockFilterListTest, ShorterListHidesOlderEntriesBehindTheEndMark)
{
    CBlockFilterList list;
    Fill(list, 5);
    SaveBlockFilters(list);
    Fill(list, 2);
    SaveBlockFilters(list);

    CString stale;
    EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kOptionKey, L"_BLOCKFILTER004", stale));  // left in place
    CBlockFilterList loaded;
    LoadBlockFilters(loaded);
    EXPECT_EQ(2, loaded.GetCount());
}

TEST_F(BlockFilterListTest, MalformedEntryIsSkipped)
{
    // Stored texts outside the braced pattern, some of which a lax reader
    // would take for another filter's class id.
    const wchar_t* stored[] = {
        L"{B10C0000-1234-5678-0102-030405060708}", L"not a class id",
        L"{ 0xC0001-+234-5678-0102-030405060708}", L"{B10C0001-1234-5678-0102-030405060708}tail",
        L"{B10C0001-1234-5678-0102-030405060708",  L"{B10C001-1234-5678-0102-030405060708}",
        L"{b10c0002-1234-5678-0102-030405060708}",
    };
    for (int i = 0; i < static_cast<int>(std::size(stored)); ++i)
        RegWriteStringAnsi(HKEY_CURRENT_USER, kOptionKey, FormatText(L"_BLOCKFILTER%03d", i).c_str(), stored[i]);
    CBlockFilterList loaded;
    LoadBlockFilters(loaded);
    ASSERT_EQ(2, loaded.GetCount());
    EXPECT_EQ(MakeId(0), loaded.GetHead());
    EXPECT_EQ(MakeId(2), loaded.GetTail());
}

TEST_F(BlockFilterListTest, AtMostAThousandEntriesAreKept)
{
    CBlockFilterList list;
    Fill(list, kMaxBlockFilters + 5);
    SaveBlockFilters(list);
    CString text = L"unread";
    EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kOptionKey, L"_BLOCKFILTER999", text));
    EXPECT_EQ(38, text.GetLength());
    EXPECT_TRUE(RegReadString(HKEY_CURRENT_USER, kOptionKey, L"_BLOCKFILTER1000", text));
    EXPECT_EQ(L"", text);

    CBlockFilterList loaded;
    LoadBlockFilters(loaded);
    EXPECT_EQ(kMaxBlockFilters, loaded.GetCount());
}

}  // namespace
