// Window classes, handles, procedures, properties, the window tree and geometry.
#include <QWidget>

#include "GuiTestSupport.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/WindowClassState.h"
#include "platform/win32/gui/WindowObject.h"

using namespace gui_test;

namespace {

class WindowTest : public GuiTest {};

LRESULT CALLBACK_Plain(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

WNDPROC g_previous = nullptr;
std::vector<UINT> g_subclassSeen;

LRESULT SubclassProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    g_subclassSeen.push_back(m);
    if (m == WM_USER + 1) return 42;  // answered here, never reaches the class procedure
    return CallWindowProcW(g_previous, h, m, w, l);
}

TEST_F(WindowTest, ClassesAreMatchedWithoutCaseAndRegisteredOnce)
{
    WNDCLASSEXW wc;
    wc.lpfnWndProc = CALLBACK_Plain;
    wc.lpszClassName = L"Gui.Test.Plain";
    ATOM atom = RegisterClassExW(&wc);
    ASSERT_NE(atom, 0);
    EXPECT_EQ(RegisterClassExW(&wc), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    HWND byName =
        CreateWindowExW(0, L"GUI.TEST.PLAIN", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND byAtom =
        CreateWindowExW(0, MAKEINTATOM(atom), L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(byName && byAtom);
    wchar_t name[64];
    EXPECT_EQ(GetClassNameW(byName, name, 64), 14);
    EXPECT_STREQ(name, L"Gui.Test.Plain");
    EXPECT_EQ(UnregisterClassW(L"Gui.Test.Plain", nullptr), FALSE);  // windows of it still exist
    DestroyWindow(byName);
    DestroyWindow(byAtom);
    EXPECT_TRUE(UnregisterClassW(L"Gui.Test.Plain", nullptr));

    EXPECT_EQ(CreateWindowExW(0, L"No.Such.Class", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
}

TEST_F(WindowTest, CreationSendsItsMessagesInOrderAndDestructionVisitsParentsAndChildren)
{
    HWND top = MakeTop(10, 20, 200, 100);
    HWND a = MakeChild(top, 1, 0, 0, 50, 50);
    HWND b = MakeChild(a, 2, 0, 0, 10, 10);
    std::vector<UINT> created = MessagesOf(b, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE});
    EXPECT_EQ(created, (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
    auto parentNotes = LogOf({WM_PARENTNOTIFY});
    ASSERT_GE(parentNotes.size(), 2u);  // b tells a, then a's parent too
    EXPECT_EQ(parentNotes.back().hwnd, top);
    EXPECT_EQ(LOWORD(parentNotes.back().wParam), WM_CREATE);

    Log().clear();
    ASSERT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Logged& l : LogOf({WM_DESTROY, WM_NCDESTROY})) order.emplace_back(l.hwnd, l.message);
    std::vector<std::pair<HWND, UINT>> expected = {{top, WM_DESTROY}, {a, WM_DESTROY},   {b, WM_DESTROY},
                                                   {b, WM_NCDESTROY}, {a, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(b));
}

TEST_F(WindowTest, HandlesAreNeverReused)
{
    std::vector<HWND> seen;
    for (int i = 0; i < 20; ++i) {
        HWND h = MakeTop(0, 0, 10, 10);
        for (HWND s : seen) EXPECT_NE(h, s);
        seen.push_back(h);
        DestroyWindow(h);
    }
    for (HWND s : seen) {
        EXPECT_FALSE(IsWindow(s));
        EXPECT_EQ(SetWindowTextW(s, L"x"), FALSE);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    }
}

TEST_F(WindowTest, CreationCanBeRefused)
{
    WNDCLASSEXW wc;
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_CREATE) return -1;
        return DefWindowProcW(h, m, w, l);
    };
    wc.lpszClassName = L"Gui.Test.Refuses";
    RegisterClassExW(&wc);
    EXPECT_EQ(CreateWindowExW(0, L"Gui.Test.Refuses", L"", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    std::vector<HWND> left;
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&left));
    EXPECT_TRUE(left.empty());
}

// A class state that writes down when it goes and what the window said to
// it before.
struct NotedState : WindowClassState {
    NotedState(std::vector<std::wstring>* noteList, std::wstring stateName)
        : notes(noteList), name(std::move(stateName))
    {
    }
    ~NotedState() override { notes->push_back(name + L" released"); }
    std::vector<std::wstring>* notes;
    std::wstring name;
};

std::vector<std::wstring> g_stateNotes;

// Attaches a state on WM_NCCREATE (named after the window text) and notes
// whether it is still there at WM_NCDESTROY; refuses creation for "refuse".
LRESULT StatefulProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(l);
        std::wstring name = cs->lpszName;
        SetWindowClassState(h, std::make_shared<NotedState>(&g_stateNotes, name));
        if (name == L"refuse") return FALSE;
    }
    if (m == WM_NCDESTROY) {
        auto* s = dynamic_cast<NotedState*>(GetWindowClassState(h));
        g_stateNotes.push_back((s ? s->name : L"?") + L" ncdestroy");
    }
    return DefWindowProcW(h, m, w, l);
}

const wchar_t* StatefulClass()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc;
        wc.lpfnWndProc = StatefulProc;
        wc.lpszClassName = L"Gui.Test.Stateful";
        registered = RegisterClassExW(&wc) != 0;
    }
    return L"Gui.Test.Stateful";
}

HWND MakeStateful(const wchar_t* name, HWND parent = nullptr)
{
    return CreateWindowExW(0, StatefulClass(), name, parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent, nullptr,
                           nullptr, nullptr);
}

TEST_F(WindowTest, ClassStateLivesAndGoesWithItsWindow)
{
    struct Case {
        const char* what;
        std::function<void()> run;
        std::vector<std::wstring> notes;
    };
    const std::vector<Case> cases = {
        {"destroyed window",
         [] {
             HWND a = MakeStateful(L"a");
             HWND b = MakeStateful(L"b");
             ASSERT_TRUE(a && b);
             // Two windows of one class each have their own.
             auto* sa = dynamic_cast<NotedState*>(GetWindowClassState(a));
             auto* sb = dynamic_cast<NotedState*>(GetWindowClassState(b));
             ASSERT_TRUE(sa && sb);
             EXPECT_NE(sa, sb);
             EXPECT_EQ(sa->name, L"a");
             EXPECT_EQ(sb->name, L"b");
             DestroyWindow(a);
             EXPECT_EQ(GetWindowClassState(a), nullptr);
             EXPECT_EQ(GetWindowClassState(b), sb);
             DestroyWindow(b);
         },
         {L"a ncdestroy", L"a released", L"b ncdestroy", L"b released"}},
        {"children of a destroyed parent",
         [] {
             HWND top = MakeStateful(L"top");
             MakeStateful(L"kid", top);
             DestroyWindow(top);
         },
         {L"kid ncdestroy", L"kid released", L"top ncdestroy", L"top released"}},
        {"creation refused", [] { EXPECT_EQ(MakeStateful(L"refuse"), nullptr); }, {L"refuse released"}},
        {"state replaced",
         [] {
             HWND a = MakeStateful(L"first");
             EXPECT_TRUE(SetWindowClassState(a, std::make_shared<NotedState>(&g_stateNotes, L"second")));
             g_stateNotes.push_back(L"replaced");
             DestroyWindow(a);
         },
         {L"first released", L"replaced", L"second ncdestroy", L"second released"}},
        {"held across the destruction",
         [] {
             HWND a = MakeStateful(L"held");
             std::shared_ptr<WindowClassState> hold = HoldWindowClassState(a);
             DestroyWindow(a);
             g_stateNotes.push_back(L"destroyed");
             EXPECT_EQ(GetWindowClassState(a), nullptr);
             EXPECT_EQ(HoldWindowClassState(a), nullptr);
         },
         {L"held ncdestroy", L"destroyed", L"held released"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_stateNotes.clear();
        c.run();
        EXPECT_EQ(g_stateNotes, c.notes);
    }
    EXPECT_FALSE(SetWindowClassState(reinterpret_cast<HWND>(0x7), std::make_shared<WindowClassState>()));
}

TEST_F(WindowTest, SubclassingChainsToThePreviousProcedure)
{
    HWND w = MakeTop(0, 0, 50, 50);
    g_subclassSeen.clear();
    g_previous =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    ASSERT_NE(g_previous, nullptr);
    Log().clear();
    EXPECT_EQ(SendMessageW(w, WM_USER + 1, 0, 0), 42);
    EXPECT_TRUE(Log().empty());
    SendMessageW(w, WM_USER + 2, 0, 0);
    ASSERT_EQ(Log().size(), 1u);
    EXPECT_EQ(Log()[0].message, WM_USER + 2);
    EXPECT_EQ(g_subclassSeen, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
    // Restoring the procedure ends the subclass.
    SetWindowLongPtrW(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previous));
    SendMessageW(w, WM_USER + 1, 0, 0);
    EXPECT_EQ(g_subclassSeen.size(), 2u);
}

TEST_F(WindowTest, PropertiesLongValuesAndText)
{
    HWND w = MakeTop(0, 0, 50, 50);
    int object = 0;
    EXPECT_TRUE(SetPropW(w, L"MessageDlg", &object));
    EXPECT_EQ(GetPropW(w, L"messagedlg"), &object);
    EXPECT_EQ(RemovePropW(w, L"MESSAGEDLG"), &object);
    EXPECT_EQ(GetPropW(w, L"MessageDlg"), nullptr);

    SetWindowLongPtrW(w, GWLP_USERDATA, 77);
    EXPECT_EQ(GetWindowLongPtrW(w, GWLP_USERDATA), 77);
    SetWindowLongPtrW(w, 8, 1234);  // the class's extra bytes
    EXPECT_EQ(GetWindowLongPtrW(w, 8), 1234);
    SetWindowLongPtrW(w, 1, -5);  // any byte offset
    EXPECT_EQ(GetWindowLongPtrW(w, 1), -5);
    EXPECT_EQ(GetWindowLongPtrW(w, 12), 0);  // past the 16 extra bytes: refused
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    SetWindowTextW(w, L"제목 text");
    wchar_t buf[4];
    EXPECT_EQ(GetWindowTextW(w, buf, 4), 3);
    EXPECT_STREQ(buf, L"제목 ");
    EXPECT_EQ(GetWindowTextLengthW(w), 7);
}

TEST_F(WindowTest, NewChildrenStackBelowTheirSiblings)
{
    HWND top = MakeTop(0, 0, 300, 300);
    HWND first = MakeChild(top, 1, 0, 0, 100, 100);
    HWND second = MakeChild(top, 2, 50, 50, 100, 100);
    HWND third = MakeChild(top, 3, 60, 60, 100, 100);
    EXPECT_EQ(GetWindow(top, GW_CHILD), first);
    EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
    EXPECT_EQ(GetWindow(second, GW_HWNDNEXT), third);
    EXPECT_EQ(GetWindow(third, GW_HWNDNEXT), nullptr);
    // Where they overlap, the first created is on top.
    POINT p{70, 70};
    ClientToScreen(top, &p);
    EXPECT_EQ(WindowFromPoint(p), first);
    // Bringing the last to the top changes that.
    SetWindowPos(third, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(top, GW_CHILD), third);
    EXPECT_EQ(WindowFromPoint(p), third);
    SetWindowPos(third, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(first, GW_HWNDLAST), third);
    EXPECT_EQ(GetDlgItem(top, 2), second);
    EXPECT_EQ(GetDlgCtrlID(second), 2);
    // Hidden and disabled children are passed over by the point search.
    ShowWindow(first, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(p), second);
    EnableWindow(second, FALSE);
    EXPECT_EQ(WindowFromPoint(p), top);
}

TEST_F(WindowTest, GeometryOfNestedWindows)
{
    HWND top = CreateWindowExW(0, RecordingClass(), L"", WS_POPUP | WS_BORDER | WS_VISIBLE, 100, 50, 300, 200, nullptr,
                               nullptr, nullptr, nullptr);
    HWND child = MakeChild(top, 1, 10, 20, 80, 40);
    RECT r;
    GetClientRect(top, &r);
    EXPECT_EQ(r, (RECT{0, 0, 298, 198}));  // a one-pixel border
    GetWindowRect(child, &r);
    EXPECT_EQ(r, (RECT{111, 71, 191, 111}));
    POINT p{5, 6};
    ClientToScreen(child, &p);
    EXPECT_EQ(p, (POINT{116, 77}));
    ScreenToClient(top, &p);
    EXPECT_EQ(p, (POINT{15, 26}));
    POINT q[2] = {{0, 0}, {1, 1}};
    MapWindowPoints(child, top, q, 2);
    EXPECT_EQ(q[0], (POINT{10, 20}));
    EXPECT_EQ(q[1], (POINT{11, 21}));
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{15, 25}), child);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{5, 5}), top);
    EXPECT_EQ(ChildWindowFromPoint(top, POINT{-1, 5}), nullptr);
}

TEST_F(WindowTest, SetWindowPosLetsTheWindowChangeThePositionFirst)
{
    HWND w = MakeTop(0, 0, 100, 100);
    SetHandler(w, [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_WINDOWPOSCHANGING) {
            auto* pos = reinterpret_cast<WINDOWPOS*>(l);
            pos->cx = std::max(pos->cx, 150);  // a minimum width of its own
        }
        return std::nullopt;
    });
    Log().clear();
    MoveWindow(w, 30, 40, 120, 90, TRUE);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{30, 40, 180, 130}));
    EXPECT_EQ(MessagesOf(w, {WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
              (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
    auto sizes = LogOf({WM_SIZE});
    EXPECT_EQ(sizes.back().lParam, MAKELONG(150, 90));
    // Moving without resizing sends no WM_SIZE.
    Log().clear();
    SetWindowPos(w, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(MessagesOf(w, {WM_MOVE, WM_SIZE}), (std::vector<UINT>{WM_MOVE}));
}

TEST_F(WindowTest, EnumAndFindOurWindows)
{
    HWND a = MakeTop(0, 0, 10, 10);
    HWND b = MakeTop(0, 0, 10, 10);
    SetWindowTextW(b, L"RECV");
    std::vector<HWND> seen;
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen, (std::vector<HWND>{b, a}));  // the newest on top
    EXPECT_EQ(FindWindowW(RecordingClass(), L"RECV"), b);
    EXPECT_EQ(FindWindowW(nullptr, L"RECV"), b);
    EXPECT_EQ(FindWindowW(L"Unknown", nullptr), nullptr);
    HWND c = MakeChild(a, 5, 0, 0, 5, 5);
    HWND d = MakeChild(c, 6, 0, 0, 5, 5);
    seen.clear();
    EnumChildWindows(
        a,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    EXPECT_EQ(seen, (std::vector<HWND>{c, d}));
}

TEST_F(WindowTest, ActivationAndFocusMessages)
{
    HWND a = MakeTop(0, 0, 100, 100);
    HWND child = MakeChild(a, 1, 0, 0, 10, 10);
    HWND b = MakeTop(200, 0, 100, 100);
    EXPECT_EQ(GetActiveWindow(), b);
    Log().clear();
    SetFocus(child);
    EXPECT_EQ(GetActiveWindow(), a);
    EXPECT_EQ(GetFocus(), child);
    std::vector<std::pair<HWND, UINT>> order;
    for (const Logged& l : LogOf({WM_NCACTIVATE, WM_ACTIVATE, WM_KILLFOCUS, WM_SETFOCUS}))
        order.emplace_back(l.hwnd, l.message);
    std::vector<std::pair<HWND, UINT>> expected = {{b, WM_NCACTIVATE}, {b, WM_ACTIVATE},    {b, WM_KILLFOCUS},
                                                   {a, WM_NCACTIVATE}, {a, WM_ACTIVATE},    {a, WM_SETFOCUS},
                                                   {a, WM_KILLFOCUS},  {child, WM_SETFOCUS}};
    EXPECT_EQ(order, expected);
    // Destroying the active window activates another.
    DestroyWindow(a);
    EXPECT_EQ(GetActiveWindow(), b);
    EXPECT_EQ(GetFocus(), b);
}

// How a window ends after a series of state changes, each made with
// ShowWindow or with the system command the caption buttons send.
struct StateCase {
    const char* name;
    std::vector<std::pair<bool, int>> steps;  // (system command?, ShowWindow command or SC_ code)
    bool zoomed;
    bool iconic;
    RECT rect;
    WPARAM lastSizeType;
    LPARAM lastSizeParam;
    UINT placement;
};

void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }

class ShowStateTest : public WindowTest, public testing::WithParamInterface<StateCase> {};

TEST_P(ShowStateTest, MaximiseMinimiseAndRestore)
{
    const StateCase& c = GetParam();
    // 1280 x 1024 with a work area of 1280 x 984; the sizing border is 4 and
    // the caption 20, so the client area is 8 narrower and 28 lower.
    HWND other = MakeTop(600, 600, 50, 50);
    HWND w = MakeTop(100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Pump();
    ASSERT_EQ(GetActiveWindow(), w);
    for (const auto& [system, command] : c.steps) {
        if (system)
            SendMessageW(w, WM_SYSCOMMAND, static_cast<WPARAM>(command), 0);
        else
            ShowWindow(w, command);
        Pump();
    }
    EXPECT_EQ(IsZoomed(w) != FALSE, c.zoomed);
    EXPECT_EQ(IsIconic(w) != FALSE, c.iconic);
    EXPECT_TRUE(IsWindowVisible(w));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, c.rect);
    auto sizes = LogOf({WM_SIZE});
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().hwnd, w);
    EXPECT_EQ(sizes.back().wParam, c.lastSizeType);
    EXPECT_EQ(sizes.back().lParam, c.lastSizeParam);
    WINDOWPLACEMENT p;
    ASSERT_TRUE(GetWindowPlacement(w, &p));
    EXPECT_EQ(p.showCmd, c.placement);
    EXPECT_EQ(p.rcNormalPosition, (RECT{100, 100, 400, 300}));
    // An iconified window gives the activation away; the others keep it.
    EXPECT_EQ(GetActiveWindow(), c.iconic ? other : w);
    QWidget* widget = win32_gui::Find(w)->widget;
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ((widget->windowState() & Qt::WindowMinimized) != 0, c.iconic);
    EXPECT_EQ(widget->geometry(),
              QRect(c.rect.left, c.rect.top, c.rect.right - c.rect.left, c.rect.bottom - c.rect.top));
}

const RECT kNormal{100, 100, 400, 300};
const RECT kMaximised{-4, -4, 1284, 988};
const LPARAM kNormalClient = MAKELONG(292, 172);
const LPARAM kMaximisedClient = MAKELONG(1280, 964);
INSTANTIATE_TEST_SUITE_P(
    Cases, ShowStateTest,
    testing::Values(StateCase{"maximise",
                              {{false, SW_MAXIMIZE}},
                              true,
                              false,
                              kMaximised,
                              SIZE_MAXIMIZED,
                              kMaximisedClient,
                              SW_SHOWMAXIMIZED},
                    StateCase{"maximise by command",
                              {{true, SC_MAXIMIZE}},
                              true,
                              false,
                              kMaximised,
                              SIZE_MAXIMIZED,
                              kMaximisedClient,
                              SW_SHOWMAXIMIZED},
                    StateCase{"restore from maximised",
                              {{true, SC_MAXIMIZE}, {true, SC_RESTORE}},
                              false,
                              false,
                              kNormal,
                              SIZE_RESTORED,
                              kNormalClient,
                              SW_SHOWNORMAL},
                    StateCase{
                        "minimise", {{true, SC_MINIMIZE}}, false, true, kNormal, SIZE_MINIMIZED, 0, SW_SHOWMINIMIZED},
                    StateCase{"restore from minimised",
                              {{true, SC_MINIMIZE}, {true, SC_RESTORE}},
                              false,
                              false,
                              kNormal,
                              SIZE_RESTORED,
                              kNormalClient,
                              SW_SHOWNORMAL},
                    StateCase{"minimised from maximised goes back to maximised",
                              {{true, SC_MAXIMIZE}, {true, SC_MINIMIZE}, {false, SW_RESTORE}},
                              true,
                              false,
                              kMaximised,
                              SIZE_MAXIMIZED,
                              kMaximisedClient,
                              SW_SHOWMAXIMIZED},
                    StateCase{"maximise from minimised",
                              {{true, SC_MINIMIZE}, {false, SW_SHOWMAXIMIZED}},
                              true,
                              false,
                              kMaximised,
                              SIZE_MAXIMIZED,
                              kMaximisedClient,
                              SW_SHOWMAXIMIZED},
                    StateCase{"showing normally restores",
                              {{true, SC_MAXIMIZE}, {false, SW_SHOWNORMAL}},
                              false,
                              false,
                              kNormal,
                              SIZE_RESTORED,
                              kNormalClient,
                              SW_SHOWNORMAL}),
    [](const testing::TestParamInfo<StateCase>& i) { return std::string("case") + std::to_string(i.index); });

TEST_F(WindowTest, MaximisingAsksForTheLimitsAndAMaximisedWindowStaysInPlace)
{
    HWND w = MakeTop(100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    MINMAXINFO asked{};
    SetHandler(w, [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m != WM_GETMINMAXINFO) return std::nullopt;
        auto* mm = reinterpret_cast<MINMAXINFO*>(l);
        asked = *mm;
        mm->ptMaxSize = POINT{800, 600};
        mm->ptMaxPosition = POINT{10, 20};
        return 0;
    });
    ShowWindow(w, SW_MAXIMIZE);
    EXPECT_EQ(asked.ptMaxSize, (POINT{1288, 992}));
    EXPECT_EQ(asked.ptMaxPosition, (POINT{-4, -4}));
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{10, 20, 810, 620}));
    // No sizing border, and dragging the caption does not move it.
    EXPECT_EQ(SendMessageW(w, WM_NCHITTEST, 0, MAKELONG(12, 22)), HTBORDER);
    SendMessageW(w, WM_SYSCOMMAND, SC_MOVE, MAKELONG(100, 30));
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{10, 20, 810, 620}));
    EXPECT_TRUE(LogOf({WM_ENTERSIZEMOVE}).empty());
}

TEST_F(WindowTest, TheDesktopIconifyingOrRestoringTheWidgetReachesTheWindow)
{
    HWND w = MakeTop(100, 100, 300, 200, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Pump();
    QWidget* widget = win32_gui::Find(w)->widget;
    ASSERT_NE(widget, nullptr);
    Log().clear();
    widget->setWindowState(widget->windowState() | Qt::WindowMinimized);
    Pump();
    EXPECT_TRUE(IsIconic(w));
    widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
    Pump();
    EXPECT_FALSE(IsIconic(w));
    auto commands = LogOf({WM_SYSCOMMAND});
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].wParam, SC_MINIMIZE);
    EXPECT_EQ(commands[1].wParam, SC_RESTORE);
}

}  // namespace
