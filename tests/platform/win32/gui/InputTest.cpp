// Injected input turned into window messages: hit testing, cursor requests,
// capture, leave tracking, double clicks, wheel, keys, focus, mouse hooks,
// and the Qt widgets that feed the same injection.
#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include "GuiTestSupport.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/Hooks.h"
#include "platform/win32/gui/WindowObject.h"

using namespace gui_test;

namespace {

class InputTest : public GuiTest {};

POINT ScreenOf(HWND w, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(w, &p);
    return p;
}

LPARAM Packed(int x, int y) { return MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)); }

TEST_F(InputTest, MovesAskForTheHitCodeAndCursorBeforeTheClientOrNonClientMessage)
{
    HWND w = MakeTop(100, 100, 200, 150);
    SetHandler(w, [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_NCHITTEST) return static_cast<SHORT>(HIWORD(static_cast<DWORD>(l))) < 120 ? HTCAPTION : HTCLIENT;
        return std::nullopt;
    });
    Pump();
    Log().clear();
    InjectMouseMove(POINT{150, 110});
    InjectMouseMove(POINT{150, 140});
    Pump();
    auto seen = LogOf({WM_NCHITTEST, WM_SETCURSOR, WM_NCMOUSEMOVE, WM_MOUSEMOVE});
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[0].message, WM_NCHITTEST);
    EXPECT_EQ(seen[0].lParam, Packed(150, 110));
    EXPECT_EQ(seen[1].message, WM_SETCURSOR);
    EXPECT_EQ(seen[1].lParam, static_cast<LPARAM>(MAKELONG(HTCAPTION, WM_NCMOUSEMOVE)));
    EXPECT_EQ(seen[2].message, WM_NCMOUSEMOVE);
    EXPECT_EQ(seen[2].wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(seen[2].lParam, Packed(150, 110));  // screen coordinates
    EXPECT_EQ(seen[5].message, WM_MOUSEMOVE);
    EXPECT_EQ(seen[5].lParam, Packed(50, 40));  // client coordinates
    POINT cursor;
    GetCursorPos(&cursor);
    EXPECT_EQ(cursor, (POINT{150, 140}));
}

TEST_F(InputTest, ATransparentChildPassesThePointToItsParent)
{
    HWND top = MakeTop(0, 0, 200, 200);
    HWND child = MakeChild(top, 1, 10, 10, 50, 50);
    SetHandler(child, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCHITTEST) return HTTRANSPARENT;
        return std::nullopt;
    });
    Pump();
    Log().clear();
    InjectMouseButton(MouseButton::Left, true, ScreenOf(top, 20, 20));
    Pump();
    auto downs = LogOf({WM_LBUTTONDOWN});
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, top);
    EXPECT_EQ(downs[0].lParam, Packed(20, 20));
    EXPECT_EQ(downs[0].wParam, MK_LBUTTON);
}

TEST_F(InputTest, CaptureTakesEveryMouseMessageInClientCoordinates)
{
    HWND a = MakeTop(0, 0, 100, 100);
    HWND b = MakeTop(300, 0, 100, 100);
    Pump();
    SetCapture(a);
    Log().clear();
    InjectMouseMove(POINT{350, 50});
    InjectMouseButton(MouseButton::Left, false, POINT{350, 50});
    Pump();
    auto got = LogOf({WM_MOUSEMOVE, WM_LBUTTONUP, WM_SETCURSOR, WM_NCHITTEST});
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].hwnd, a);
    EXPECT_EQ(got[0].lParam, Packed(350, 50));
    EXPECT_EQ(got[1].message, WM_LBUTTONUP);
    EXPECT_TRUE(MessagesOf(b, {WM_MOUSEMOVE}).empty());
    Log().clear();
    SetCapture(b);
    EXPECT_EQ(MessagesOf(a, {WM_CAPTURECHANGED}).size(), 1u);
    ReleaseCapture();
    EXPECT_EQ(MessagesOf(b, {WM_CAPTURECHANGED}).size(), 1u);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, LeaveIsReportedWhenTheCursorMovesIntoAChild)
{
    HWND top = MakeTop(0, 0, 200, 200);
    HWND child = MakeChild(top, 1, 100, 100, 50, 50);
    Pump();
    InjectMouseMove(ScreenOf(top, 20, 20));
    Pump();
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_LEAVE;
    t.hwndTrack = top;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Log().clear();
    InjectMouseMove(ScreenOf(top, 30, 30));  // still inside: nothing
    Pump();
    EXPECT_TRUE(LogOf({WM_MOUSELEAVE}).empty());
    InjectMouseMove(ScreenOf(top, 110, 110));
    Pump();
    auto seen = LogOf({WM_MOUSELEAVE, WM_MOUSEMOVE});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].hwnd, top);
    EXPECT_EQ(seen[1].message, WM_MOUSELEAVE);
    EXPECT_EQ(seen[2].hwnd, child);
    // Tracking ends with the report; asking again while outside reports at once.
    Log().clear();
    ASSERT_TRUE(TrackMouseEvent(&t));
    Pump();
    EXPECT_EQ(MessagesOf(top, {WM_MOUSELEAVE}).size(), 1u);
}

struct HoverStep {
    DWORD advanceMs;
    POINT moveTo;  // client point, or {-1, -1} to stay
    bool cancelHover = false;
};

struct HoverCase {
    const char* name;
    DWORD flags;
    DWORD hoverTime;
    std::vector<HoverStep> steps;
    std::vector<ULONGLONG> hoverAtMs;  // when each WM_MOUSEHOVER arrived, from the request
    size_t leaves;
    bool trackedAfter;  // TME_QUERY still names the window at the end
};

void PrintTo(const HoverCase& c, std::ostream* os) { *os << c.name; }

std::vector<HoverStep> Wait(DWORD total, DWORD step = 1)
{
    return std::vector<HoverStep>(total / step, HoverStep{step, POINT{-1, -1}});
}

std::vector<HoverStep> Then(std::vector<HoverStep> a, const std::vector<HoverStep>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class HoverTest : public InputTest, public testing::WithParamInterface<HoverCase> {};

TEST_P(HoverTest, HoverIsReportedOnceAfterTheCursorRests)
{
    const HoverCase& c = GetParam();
    HWND w = MakeTop(0, 0, 200, 150);
    Pump();
    InjectMouseMove(POINT{50, 50});
    Pump();
    ULONGLONG start = GetTickCount64();
    std::vector<ULONGLONG> hovers;
    SetHandler(w, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_MOUSEHOVER) hovers.push_back(GetTickCount64() - start);
        return std::nullopt;
    });
    TRACKMOUSEEVENT t;
    t.dwFlags = c.flags;
    t.hwndTrack = w;
    t.dwHoverTime = c.hoverTime;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Log().clear();
    for (const HoverStep& step : c.steps) {
        clock_.Advance(step.advanceMs);
        if (step.moveTo.x >= 0) InjectMouseMove(step.moveTo);
        if (step.cancelHover) {
            TRACKMOUSEEVENT cancel;
            cancel.dwFlags = TME_CANCEL | TME_HOVER;
            cancel.hwndTrack = w;
            ASSERT_TRUE(TrackMouseEvent(&cancel));
        }
        Pump();
    }
    EXPECT_EQ(hovers, c.hoverAtMs);
    EXPECT_EQ(MessagesOf(w, {WM_MOUSELEAVE}).size(), c.leaves);
    TRACKMOUSEEVENT q;
    q.dwFlags = TME_QUERY;
    ASSERT_TRUE(TrackMouseEvent(&q));
    EXPECT_EQ(q.hwndTrack == w, c.trackedAfter);
    EXPECT_EQ(q.dwFlags & TME_HOVER, 0u);  // nothing left to report
}

const POINT kStay{-1, -1};
INSTANTIATE_TEST_SUITE_P(
    Cases, HoverTest,
    testing::Values(HoverCase{"default time", TME_HOVER | TME_LEAVE, HOVER_DEFAULT, Wait(600, 10), {400}, 0, true},
                    HoverCase{
                        "one millisecond waits the timer minimum", TME_HOVER | TME_LEAVE, 1, Wait(30), {10}, 0, true},
                    HoverCase{"small moves keep the wait",
                              TME_HOVER | TME_LEAVE,
                              100,
                              Then({{50, POINT{51, 49}}, {10, POINT{49, 51}}}, Wait(100)),
                              {100},
                              0,
                              true},
                    HoverCase{"a move out of the box starts again",
                              TME_HOVER | TME_LEAVE,
                              100,
                              Then({{60, POINT{60, 50}}}, Wait(200)),
                              {160},
                              0,
                              true},
                    HoverCase{"once per request",
                              TME_HOVER | TME_LEAVE,
                              50,
                              Then(Wait(100), Then({{0, POINT{120, 120}}}, Wait(300, 10))),
                              {50},
                              0,
                              true},
                    HoverCase{"leaving ends both",
                              TME_HOVER | TME_LEAVE,
                              100,
                              Then({{50, POINT{300, 300}}, {0, POINT{60, 60}}}, Wait(200)),
                              {},
                              1,
                              false},
                    HoverCase{"hover alone ends with its report", TME_HOVER, 100, Wait(200), {100}, 0, false},
                    HoverCase{"cancelling the hover keeps the leave",
                              TME_HOVER | TME_LEAVE,
                              100,
                              Then({{20, kStay, true}}, Then(Wait(200), {{0, POINT{300, 300}}})),
                              {},
                              1,
                              false}),
    [](const testing::TestParamInfo<HoverCase>& i) { return std::string("case") + std::to_string(i.index); });

TEST_F(InputTest, HoverCarriesTheKeysAndPointAndItsNonClientVariantTheHitCode)
{
    HWND w = MakeTop(100, 100, 200, 150);
    SetHandler(w, [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_NCHITTEST) return static_cast<SHORT>(HIWORD(static_cast<DWORD>(l))) < 120 ? HTCAPTION : HTCLIENT;
        return std::nullopt;
    });
    Pump();
    InjectKey(VK_SHIFT, true);
    InjectMouseMove(POINT{150, 160});
    Pump();
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_HOVER;
    t.hwndTrack = w;
    t.dwHoverTime = 20;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Log().clear();
    clock_.Advance(20);
    Pump();
    auto hover = LogOf({WM_MOUSEHOVER});
    ASSERT_EQ(hover.size(), 1u);
    EXPECT_EQ(hover[0].wParam, MK_SHIFT);
    EXPECT_EQ(hover[0].lParam, Packed(50, 60));  // client coordinates
    InjectKey(VK_SHIFT, false);

    InjectMouseMove(POINT{150, 110});
    Pump();
    t.dwFlags = TME_HOVER | TME_NONCLIENT;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Log().clear();
    clock_.Advance(20);
    Pump();
    auto nc = LogOf({WM_NCMOUSEHOVER, WM_MOUSEHOVER});
    ASSERT_EQ(nc.size(), 1u);
    EXPECT_EQ(nc[0].message, WM_NCMOUSEHOVER);
    EXPECT_EQ(nc[0].wParam, static_cast<WPARAM>(HTCAPTION));
    EXPECT_EQ(nc[0].lParam, Packed(150, 110));  // screen coordinates
    // A client hover is not asked for in the non-client area.
    t.dwFlags = TME_HOVER;
    ASSERT_TRUE(TrackMouseEvent(&t));
    Log().clear();
    clock_.Advance(100);
    Pump();
    EXPECT_TRUE(LogOf({WM_NCMOUSEHOVER, WM_MOUSEHOVER}).empty());
}

TEST_F(InputTest, AWaitingMessageLoopWakesForTheHover)
{
    // With the system clock: GetMessage sleeps in the event loop and must
    // wake by itself when the hover is due. A timer far later is the
    // deadline that fails the test instead of hanging it.
    SetMessageClock(nullptr);
    HWND w = MakeTop(0, 0, 100, 100);
    Pump();
    InjectMouseMove(POINT{40, 40});
    Pump();
    TRACKMOUSEEVENT t;
    t.dwFlags = TME_HOVER | TME_LEAVE;
    t.hwndTrack = w;
    t.dwHoverTime = 30;
    // The hover time counts from the request: the clock is read before it,
    // so that a busy machine's delay before the loop is not taken off.
    ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(TrackMouseEvent(&t));
    SetTimer(w, 1, 5000, nullptr);
    MSG m;
    UINT got = 0;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (m.message == WM_MOUSEHOVER || m.message == WM_TIMER) {
            got = m.message;
            break;
        }
        DispatchMessageW(&m);
    }
    KillTimer(w, 1);
    EXPECT_EQ(got, WM_MOUSEHOVER);
    EXPECT_GE(GetTickCount64() - start, 30u);
}

struct ClickCase {
    const char* name;
    bool classAsks;
    DWORD gapMs;
    int dx;
    std::vector<UINT> expected;
};

class DoubleClickTest : public InputTest, public testing::WithParamInterface<ClickCase> {};

TEST_P(DoubleClickTest, SecondPressIsADoubleClickOnlyWhenTheClassAsks)
{
    const ClickCase& c = GetParam();
    HWND w = MakeTop(0, 0, 100, 100, WS_POPUP | WS_VISIBLE, c.classAsks);
    Pump();
    Log().clear();
    InjectMouseButton(MouseButton::Left, true, POINT{50, 50});
    InjectMouseButton(MouseButton::Left, false, POINT{50, 50});
    Pump();
    clock_.Advance(c.gapMs);
    InjectMouseButton(MouseButton::Left, true, POINT{50 + c.dx, 50});
    InjectMouseButton(MouseButton::Left, false, POINT{50 + c.dx, 50});
    InjectMouseButton(MouseButton::Left, true, POINT{50 + c.dx, 50});
    Pump();
    EXPECT_EQ(MessagesOf(w, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}), c.expected) << c.name;
}

const UINT D = WM_LBUTTONDOWN, U = WM_LBUTTONUP, DBL = WM_LBUTTONDBLCLK;
INSTANTIATE_TEST_SUITE_P(Cases, DoubleClickTest,
                         testing::Values(ClickCase{"asked", true, 200, 0, {D, U, DBL, U, D}},
                                         ClickCase{"not asked: two presses", false, 200, 0, {D, U, D, U, D}},
                                         ClickCase{"too late", true, 501, 0, {D, U, D, U, DBL}},
                                         ClickCase{"too far", true, 200, 3, {D, U, D, U, DBL}},
                                         ClickCase{"within two pixels", true, 200, 2, {D, U, DBL, U, D}}),
                         [](const testing::TestParamInfo<ClickCase>& i) {
                             return std::string("case") + std::to_string(i.index);
                         });

TEST_F(InputTest, NonClientDoubleClicksNeedNoClassStyle)
{
    HWND w = MakeTop(0, 0, 100, 100);
    SetHandler(w, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_NCHITTEST) return HTBORDER;
        return std::nullopt;
    });
    Pump();
    Log().clear();
    for (int i = 0; i < 2; ++i) {
        InjectMouseButton(MouseButton::Right, true, POINT{5, 5});
        InjectMouseButton(MouseButton::Right, false, POINT{5, 5});
    }
    Pump();
    EXPECT_EQ(MessagesOf(w, {WM_NCRBUTTONDOWN, WM_NCRBUTTONDBLCLK}),
              (std::vector<UINT>{WM_NCRBUTTONDOWN, WM_NCRBUTTONDBLCLK}));
}

TEST_F(InputTest, WheelGoesToTheWindowUnderTheCursorAndUpToItsParent)
{
    HWND top = MakeTop(0, 0, 200, 200);
    HWND child = MakeChild(top, 1, 0, 0, 50, 50);
    Pump();
    Log().clear();
    InjectMouseWheel(-120, POINT{10, 10});
    Pump();
    auto wheels = LogOf({WM_MOUSEWHEEL});
    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(wheels[0].hwnd, child);
    EXPECT_EQ(wheels[1].hwnd, top);
    EXPECT_EQ(static_cast<SHORT>(HIWORD(wheels[0].wParam)), -120);
    EXPECT_EQ(wheels[0].lParam, Packed(10, 10));
}

TEST_F(InputTest, KeysGoToTheFocusWindowAndTranslateToCharacters)
{
    HWND top = MakeTop(0, 0, 100, 100);
    HWND edit = MakeChild(top, 1, 0, 0, 50, 20);
    SetFocus(edit);
    Pump();
    Log().clear();
    InjectKey('A', true, L'a');
    InjectKey('A', true, L'a');  // held: a repeat
    InjectKey('A', false);
    InjectKey(VK_MENU, true);
    InjectKey(VK_F4, true);
    InjectKey(VK_F4, false);
    InjectKey(VK_MENU, false);
    Pump();
    auto keys = LogOf({WM_KEYDOWN, WM_KEYUP, WM_CHAR, WM_SYSKEYDOWN, WM_SYSKEYUP});
    ASSERT_GE(keys.size(), 6u);
    EXPECT_EQ(keys[0].hwnd, edit);
    EXPECT_EQ(keys[0].message, WM_KEYDOWN);
    EXPECT_EQ(keys[0].wParam, static_cast<WPARAM>('A'));
    EXPECT_EQ(keys[0].lParam & (1 << 30), 0);
    EXPECT_EQ(keys[1].message, WM_CHAR);
    EXPECT_EQ(keys[1].wParam, static_cast<WPARAM>(L'a'));
    EXPECT_EQ(keys[2].message, WM_KEYDOWN);
    EXPECT_NE(keys[2].lParam & (1 << 30), 0);  // was down before
    EXPECT_EQ(keys[4].message, WM_KEYUP);
    EXPECT_EQ(keys[5].message, WM_SYSKEYDOWN);  // Alt itself
    // Alt+F4 closes the top-level window through its system command.
    EXPECT_FALSE(IsWindow(top));
}

TEST_F(InputTest, ClickingAnInactiveWindowActivatesIt)
{
    HWND a = MakeTop(0, 0, 100, 100);
    HWND b = MakeTop(200, 0, 100, 100);
    Pump();
    ASSERT_EQ(GetActiveWindow(), b);
    Log().clear();
    InjectMouseButton(MouseButton::Left, true, POINT{50, 50});
    Pump();
    EXPECT_EQ(GetActiveWindow(), a);
    auto act = LogOf({WM_MOUSEACTIVATE, WM_ACTIVATE, WM_LBUTTONDOWN});
    ASSERT_EQ(act.size(), 4u);
    EXPECT_EQ(act[0].message, WM_MOUSEACTIVATE);
    EXPECT_EQ(act[1].hwnd, b);  // b learns it is inactive
    EXPECT_EQ(act[2].hwnd, a);
    EXPECT_EQ(LOWORD(act[2].wParam), WA_CLICKACTIVE);
    EXPECT_EQ(act[3].message, WM_LBUTTONDOWN);
}

TEST_F(InputTest, ADisabledWindowGetsOnlyTheErrorCursor)
{
    HWND w = MakeTop(0, 0, 100, 100);
    EnableWindow(w, FALSE);
    Pump();
    Log().clear();
    InjectMouseButton(MouseButton::Left, true, POINT{10, 10});
    Pump();
    auto seen = LogOf({WM_SETCURSOR, WM_LBUTTONDOWN});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(static_cast<SHORT>(LOWORD(static_cast<DWORD>(seen[0].lParam))), HTERROR);
}

std::vector<UINT> g_hooked;
HHOOK g_hook = nullptr;
LRESULT HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION) {
        g_hooked.push_back(static_cast<UINT>(wParam));
        if (wParam == WM_RBUTTONDOWN) return 1;  // swallowed
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(InputTest, MouseHooksSeeMouseMessagesAndMaySwallowThem)
{
    HWND w = MakeTop(0, 0, 100, 100);
    Pump();
    g_hooked.clear();
    g_hook = SetWindowsHookExW(WH_MOUSE, HookProc, nullptr, 0);
    ASSERT_NE(g_hook, nullptr);
    Log().clear();
    InjectMouseButton(MouseButton::Right, true, POINT{10, 10});
    InjectMouseButton(MouseButton::Left, true, POINT{10, 10});
    Pump();
    EXPECT_EQ(g_hooked, (std::vector<UINT>{WM_RBUTTONDOWN, WM_LBUTTONDOWN}));
    EXPECT_EQ(MessagesOf(w, {WM_RBUTTONDOWN, WM_LBUTTONDOWN}), (std::vector<UINT>{WM_LBUTTONDOWN}));
    EXPECT_TRUE(UnhookWindowsHookEx(g_hook));
    EXPECT_FALSE(UnhookWindowsHookEx(g_hook));
    g_hooked.clear();
    InjectMouseButton(MouseButton::Right, true, POINT{10, 10});
    Pump();
    EXPECT_TRUE(g_hooked.empty());
}

TEST_F(InputTest, QtWidgetsShowTheWindowAndFeedTheSameInput)
{
    HWND top = MakeTop(40, 30, 120, 80);
    HWND child = MakeChild(top, 1, 10, 10, 40, 20);
    Pump();
    QWidget* topWidget = win32_gui::Find(top)->widget;
    QWidget* childWidget = win32_gui::Find(child)->widget;
    ASSERT_NE(topWidget, nullptr);
    ASSERT_NE(childWidget, nullptr);
    EXPECT_EQ(childWidget->parentWidget(), topWidget);
    EXPECT_EQ(topWidget->geometry(), QRect(40, 30, 120, 80));
    EXPECT_EQ(childWidget->geometry(), QRect(10, 10, 40, 20));
    EXPECT_TRUE(topWidget->isVisible());

    Log().clear();
    QPointF local(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, local, childWidget->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(childWidget, &press);
    Pump();
    auto downs = LogOf({WM_LBUTTONDOWN});
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].hwnd, child);
    EXPECT_EQ(downs[0].lParam, Packed(5, 5));
    ShowWindow(child, SW_HIDE);
    EXPECT_FALSE(childWidget->isVisible());
    // An owned pop-up is kept above its owner.
    HWND owned = CreateWindowExW(0, RecordingClass(), L"", WS_POPUP, 0, 0, 10, 10, top, nullptr, nullptr, nullptr);
    QWidget* ownedWidget = win32_gui::Find(owned)->widget;
    ASSERT_NE(ownedWidget->windowHandle(), nullptr);
    EXPECT_EQ(ownedWidget->windowHandle()->transientParent(), topWidget->windowHandle());
    EXPECT_EQ(GetParent(owned), top);
    DestroyWindow(top);
    EXPECT_FALSE(IsWindow(owned));  // owned windows go with their owner
}

TEST_F(InputTest, AWindowTheDesktopMovesOrSizesIsHitWhereItIs)
{
    HWND top = MakeTop(40, 30, 120, 80);
    HWND child = MakeChild(top, 1, 10, 10, 40, 20);
    Pump();
    QWidget* topWidget = win32_gui::Find(top)->widget;
    ASSERT_NE(topWidget, nullptr);
    // Where the desktop puts the window past the layer, as a window manager
    // does on an Alt+drag or another program's request.
    struct Case {
        QRect placed;
        bool moved, sized;
    } cases[] = {
        {QRect(300, 200, 120, 80), true, false},
        {QRect(300, 200, 200, 150), false, true},
        {QRect(5, 7, 90, 60), true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.placed.x());
        Log().clear();
        topWidget->setGeometry(c.placed);
        Pump();
        RECT r;
        GetWindowRect(top, &r);
        EXPECT_EQ((RECT{c.placed.x(), c.placed.y(), c.placed.right() + 1, c.placed.bottom() + 1}), r);
        // Heard as from SetWindowPos.
        EXPECT_EQ(c.moved ? 1u : 0u, MessagesOf(top, {WM_MOVE}).size());
        EXPECT_EQ(c.sized ? 1u : 0u, MessagesOf(top, {WM_SIZE}).size());
        // The child is hit where it is drawn now.
        const POINT p{c.placed.x() + 15, c.placed.y() + 15};
        EXPECT_EQ(child, WindowFromPoint(p));
        InjectMouseButton(MouseButton::Left, true, p);
        InjectMouseButton(MouseButton::Left, false, p);
        Pump();
        auto downs = LogOf({WM_LBUTTONDOWN});
        ASSERT_EQ(downs.size(), 1u);
        EXPECT_EQ(downs[0].hwnd, child);
        EXPECT_EQ(downs[0].lParam, Packed(5, 5));
        clock_.Advance(2000);
    }
    DestroyWindow(top);
}

}  // namespace
