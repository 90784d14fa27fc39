// Sent and posted messages, retrieval filters, WM_QUIT and timers.
#include <atomic>
#include <thread>

#include "GuiTestSupport.h"

using namespace gui_test;

namespace {

class MessageQueueTest : public GuiTest {};

TEST_F(MessageQueueTest, PostedMessagesArriveInOrderAfterSentOnes)
{
    HWND w = MakeTop(0, 0, 10, 10);
    Log().clear();
    PostMessageW(w, WM_USER + 1, 1, 0);
    PostMessageW(w, WM_USER + 2, 2, 0);
    SendMessageW(w, WM_USER + 3, 3, 0);  // direct: before anything posted
    PostMessageW(w, WM_USER + 4, 4, 0);
    EXPECT_EQ(MessagesOf(w, {WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4}), (std::vector<UINT>{WM_USER + 3}));
    Pump();
    EXPECT_EQ(MessagesOf(w, {WM_USER + 1, WM_USER + 2, WM_USER + 3, WM_USER + 4}),
              (std::vector<UINT>{WM_USER + 3, WM_USER + 1, WM_USER + 2, WM_USER + 4}));
}

TEST_F(MessageQueueTest, SendMessageReentersAndPostsFromHandlersWaitTheirTurn)
{
    HWND a = MakeTop(0, 0, 10, 10);
    HWND b = MakeTop(0, 0, 10, 10);
    int depth = 0;
    std::vector<std::string> trace;
    SetHandler(a, [&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_USER) return std::nullopt;
        trace.push_back("a" + std::to_string(wp) + "@" + std::to_string(depth));
        ++depth;
        LRESULT r = wp > 0 ? SendMessageW(b, WM_USER, wp - 1, 0) : 100;
        PostMessageW(b, WM_APP, wp, 0);
        --depth;
        return r + 1;
    });
    SetHandler(b, [&](HWND, UINT m, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_APP) {
            trace.push_back("posted" + std::to_string(wp));
            return 0;
        }
        if (m != WM_USER) return std::nullopt;
        trace.push_back("b" + std::to_string(wp) + "@" + std::to_string(depth));
        ++depth;
        LRESULT r = wp > 0 ? SendMessageW(a, WM_USER, wp - 1, 0) : 100;
        --depth;
        return r + 1;
    });
    EXPECT_EQ(SendMessageW(a, WM_USER, 3, 0), 104);
    EXPECT_EQ(trace, (std::vector<std::string>{"a3@0", "b2@1", "a1@2", "b0@3"}));
    trace.clear();
    Pump();
    // Each level posted after its inner call returned: innermost first.
    EXPECT_EQ(trace, (std::vector<std::string>{"posted1", "posted3"}));
}

TEST_F(MessageQueueTest, PeekFiltersByWindowAndRangeAndCanLeaveMessagesQueued)
{
    HWND a = MakeTop(0, 0, 10, 10);
    HWND child = MakeChild(a, 1, 0, 0, 5, 5);
    HWND b = MakeTop(0, 0, 10, 10);
    Pump();  // the first paints
    PostMessageW(b, WM_USER + 1, 0, 0);
    PostMessageW(child, WM_USER + 2, 0, 0);
    PostMessageW(a, WM_USER + 3, 0, 0);
    PostMessageW(nullptr, WM_USER + 4, 0, 0);
    MSG m;
    // A window filter takes that window's and its children's messages.
    ASSERT_TRUE(PeekMessageW(&m, a, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 2);
    ASSERT_TRUE(PeekMessageW(&m, a, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(m.hwnd, a);
    EXPECT_FALSE(PeekMessageW(&m, a, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    // (HWND)-1 takes only messages without a window.
    ASSERT_TRUE(PeekMessageW(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 4);
    EXPECT_EQ(m.hwnd, nullptr);
    // What was skipped is still there, in order.
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 1);
    ASSERT_TRUE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_USER + 2);
    EXPECT_FALSE(PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(MessageQueueTest, QuitComesAfterPostedMessagesAndEndsGetMessage)
{
    HWND w = MakeTop(0, 0, 10, 10);
    Pump();
    PostQuitMessage(7);
    PostMessageW(w, WM_USER, 0, 0);
    MSG m;
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    EXPECT_EQ(m.message, WM_USER);
    EXPECT_EQ(GetMessageW(&m, nullptr, 0, 0), FALSE);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 7u);
    EXPECT_EQ(GetMessageW(&m, reinterpret_cast<HWND>(0x1234), 0, 0), -1);
}

TEST_F(MessageQueueTest, PostingToAGoneWindowFailsAndItsQueuedMessagesAreDropped)
{
    HWND w = MakeTop(0, 0, 10, 10);
    PostMessageW(w, WM_USER, 0, 0);
    DestroyWindow(w);
    EXPECT_FALSE(PostMessageW(w, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_REMOVE));
}

TEST_F(MessageQueueTest, PostMessageFromOtherThreadsKeepsEachThreadsOrder)
{
    HWND w = MakeTop(0, 0, 10, 10);
    Pump();
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                if (!PostMessageW(w, WM_USER, static_cast<WPARAM>(t), i)) ++failures;
        });
    }
    for (auto& t : threads) t.join();
    // A window cannot be sent to from another thread.
    std::thread([&] { EXPECT_EQ(SendMessageW(w, WM_USER + 9, 0, 0), 0); }).join();
    Log().clear();
    Pump();
    EXPECT_EQ(failures.load(), 0);
    std::vector<LPARAM> last(kThreads, -1);
    int count = 0;
    for (const Logged& l : LogOf({WM_USER})) {
        EXPECT_EQ(l.lParam, last[l.wParam] + 1);
        last[l.wParam] = l.lParam;
        ++count;
    }
    EXPECT_EQ(count, kThreads * kEach);
    EXPECT_TRUE(LogOf({WM_USER + 9}).empty());
}

TEST_F(MessageQueueTest, GetMessageWakesForAPostFromAnotherThread)
{
    HWND w = MakeTop(0, 0, 10, 10);
    Pump();
    std::thread poster([w] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        PostMessageW(w, WM_USER + 5, 0, 0);
    });
    MSG m;
    ASSERT_EQ(GetMessageW(&m, nullptr, 0, 0), TRUE);
    poster.join();
    EXPECT_EQ(m.message, WM_USER + 5);
}

TEST_F(MessageQueueTest, RegisteredMessagesShareIdsByNameWithoutCase)
{
    UINT a = RegisterWindowMessageW(L"WM_HMESSAGEBOX_CLOSE");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(RegisterWindowMessageW(L"wm_hmessagebox_close"), a);
    EXPECT_NE(RegisterWindowMessageW(L"WM_GRAPHNOTIFY"), a);
    EXPECT_EQ(RegisterWindowMessageW(L""), 0u);
}

TEST_F(MessageQueueTest, TimersAreCoalescedPerWindowAndId)
{
    HWND w = MakeTop(0, 0, 10, 10);
    Pump();
    EXPECT_EQ(SetTimer(w, 1, 100, nullptr), 1u);
    EXPECT_EQ(SetTimer(w, 2, 250, nullptr), 2u);
    Log().clear();
    clock_.Advance(99);
    Pump();
    EXPECT_TRUE(LogOf({WM_TIMER}).empty());
    // Far behind: each timer still fires once, the earliest due first.
    clock_.Advance(1000);
    Pump();
    auto fired = LogOf({WM_TIMER});
    ASSERT_EQ(fired.size(), 2u);
    EXPECT_EQ(fired[0].wParam, 1u);
    EXPECT_EQ(fired[1].wParam, 2u);
    // The next one is one interval after the message, not after the old due time.
    Log().clear();
    clock_.Advance(99);
    Pump();
    EXPECT_TRUE(LogOf({WM_TIMER}).empty());
    clock_.Advance(1);
    Pump();
    ASSERT_EQ(LogOf({WM_TIMER}).size(), 1u);
    // Setting a timer again restarts it; killing it stops it.
    Log().clear();
    SetTimer(w, 1, 500, nullptr);
    clock_.Advance(300);
    Pump();
    auto only = LogOf({WM_TIMER});
    ASSERT_EQ(only.size(), 1u);
    EXPECT_EQ(only[0].wParam, 2u);
    EXPECT_TRUE(KillTimer(w, 1));
    EXPECT_FALSE(KillTimer(w, 1));
    KillTimer(w, 2);
    clock_.Advance(10000);
    Log().clear();
    Pump();
    EXPECT_TRUE(LogOf({WM_TIMER}).empty());
}

TEST_F(MessageQueueTest, TickCountTimersAndMessageTimesReadOneClock)
{
    // What measures time with GetTickCount (tooltips, animations) sees the
    // same replaced clock as the timers and the message times.
    HWND w = MakeTop(0, 0, 10, 10);
    Pump();
    EXPECT_EQ(GetTickCount64(), 100000u);
    EXPECT_EQ(GetTickCount(), 100000u);
    DWORD start = GetTickCount();
    SetTimer(w, 7, 250, nullptr);
    Log().clear();
    ULONGLONG fired = 0;
    SetHandler(w, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_TIMER) fired = GetTickCount64();
        return std::nullopt;
    });
    for (int step = 0; step < 30 && !fired; ++step) {
        clock_.Advance(10);
        Pump();
    }
    EXPECT_EQ(fired - start, 250u);
    PostMessageW(w, WM_USER, 0, 0);
    clock_.Advance(5);
    MSG m;
    ASSERT_TRUE(PeekMessageW(&m, w, WM_USER, WM_USER, PM_REMOVE));
    EXPECT_EQ(m.time, start + 250u);  // stamped when posted
    EXPECT_EQ(GetMessageTime(), start + 250u);
    EXPECT_EQ(GetTickCount(), start + 255u);
    KillTimer(w, 7);
}

int g_procCalls = 0;
void CALLBACK_TimerProc(HWND, UINT message, UINT_PTR, DWORD)
{
    if (message == WM_TIMER) ++g_procCalls;
}

TEST_F(MessageQueueTest, TimersWithoutWindowGetFreshIdsAndCallTheirProcedure)
{
    g_procCalls = 0;
    UINT_PTR a = SetTimer(nullptr, 0, 50, CALLBACK_TimerProc);
    UINT_PTR b = SetTimer(nullptr, 0, 50, CALLBACK_TimerProc);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(SetTimer(nullptr, a, 80, CALLBACK_TimerProc), a);  // the same timer, restarted
    clock_.Advance(60);
    Pump();
    EXPECT_EQ(g_procCalls, 1);
    clock_.Advance(30);
    Pump();
    EXPECT_EQ(g_procCalls, 2);
    KillTimer(nullptr, a);
    KillTimer(nullptr, b);
    // A WM_TIMER naming a procedure that is no timer's is not called.
    MSG fake;
    fake.message = WM_TIMER;
    fake.wParam = a;
    fake.lParam = reinterpret_cast<LPARAM>(&CALLBACK_TimerProc);
    DispatchMessageW(&fake);
    EXPECT_EQ(g_procCalls, 2);
}

TEST_F(MessageQueueTest, DestroyedWindowsLoseTheirTimers)
{
    HWND w = MakeTop(0, 0, 10, 10);
    SetTimer(w, 9, 10, nullptr);
    DestroyWindow(w);
    clock_.Advance(100);
    MSG m;
    EXPECT_FALSE(PeekMessageW(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(MessageQueueTest, PaintComesAfterPostedMessagesAndStopsOnceValidated)
{
    HWND w = MakeTop(0, 0, 40, 40);
    Pump();
    Log().clear();
    InvalidateRect(w, nullptr, TRUE);
    PostMessageW(w, WM_USER, 0, 0);
    Pump();
    EXPECT_EQ(MessagesOf(w, {WM_USER, WM_PAINT, WM_ERASEBKGND}), (std::vector<UINT>{WM_USER, WM_PAINT, WM_ERASEBKGND}));
    Log().clear();
    Pump();
    EXPECT_TRUE(LogOf({WM_PAINT}).empty());
    // Hidden windows are not painted.
    ShowWindow(w, SW_HIDE);
    InvalidateRect(w, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(LogOf({WM_PAINT}).empty());
}

}  // namespace
