#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/win32/WindowMessages.h"

namespace {

TEST(WindowMessagesTest, SameNameInAnyCaseGivesOneRegisteredId)
{
    UINT a = RegisterWindowMessageW(L"WM_RIVO_TEST_ALPHA");
    UINT b = RegisterWindowMessageW(L"wm_rivo_test_alpha");
    UINT c = RegisterWindowMessageW(L"WM_RIVO_TEST_BETA");
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    EXPECT_GE(c, 0xC000u);

    SetLastError(0);
    EXPECT_EQ(0u, RegisterWindowMessageW(L""));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, GetLastError());
    EXPECT_EQ(0u, RegisterWindowMessageW(nullptr));
}

TEST(WindowMessagesTest, ThreadsRegisteringTheSameNamesAgree)
{
    constexpr int kThreads = 8;
    constexpr int kNames = 50;
    std::vector<std::vector<UINT>> ids(kThreads, std::vector<UINT>(kNames));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &ids] {
            for (int i = 0; i < kNames; ++i) {
                std::wstring name = L"WM_RIVO_RACE_" + std::to_wstring(i);
                if (t % 2) name = L"wm_rivo_race_" + std::to_wstring(i);
                ids[t][i] = RegisterWindowMessageW(name.c_str());
            }
        });
    }
    for (auto& th : threads) th.join();
    std::set<UINT> distinct(ids[0].begin(), ids[0].end());
    EXPECT_EQ(static_cast<size_t>(kNames), distinct.size());
    for (int t = 1; t < kThreads; ++t) EXPECT_EQ(ids[0], ids[t]);
}

TEST(WindowMessagesTest, PostingGoesToTheInstalledPosterOrFails)
{
    HWND window = reinterpret_cast<HWND>(0x1234);
    SetMessagePoster(nullptr);
    SetLastError(0);
    EXPECT_FALSE(PostMessageW(window, 0xC001, 1, 2));
    EXPECT_EQ(ERROR_INVALID_WINDOW_HANDLE, GetLastError());

    std::vector<std::tuple<HWND, UINT, WPARAM, LPARAM>> seen;
    SetMessagePoster([&seen](HWND w, UINT m, WPARAM wp, LPARAM lp) {
        seen.emplace_back(w, m, wp, lp);
        return TRUE;
    });
    EXPECT_TRUE(PostMessageW(window, 0xC001, 7, -1));
    EXPECT_TRUE(PostMessageW(window, 0xC002, 8, 0x7FFFFFFFFFLL));
    SetMessagePoster(nullptr);
    EXPECT_FALSE(PostMessageW(window, 0xC003, 0, 0));

    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(std::make_tuple(window, 0xC001u, WPARAM{7}, LPARAM{-1}), seen[0]);
    EXPECT_EQ(std::make_tuple(window, 0xC002u, WPARAM{8}, LPARAM{0x7FFFFFFFFFLL}), seen[1]);
}

}  // namespace
