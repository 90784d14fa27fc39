// The system menu: its items by style and language, the program's own
// items, the three ways of showing it, the states it shows them in, and
// choices arriving as WM_SYSCOMMAND.
#include "GuiTestSupport.h"
#include "ScriptedMenuPresenter.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/SystemMenu.h"
#include "platform/win32/gui/UserLanguage.h"

using namespace gui_test;

namespace {

class SystemMenuTest : public GuiTest {
protected:
    void TearDown() override
    {
        SetMenuPresenter(nullptr);
        SetUserDefaultLangID(0);
        GuiTest::TearDown();
    }
    HWND MakeFramed(DWORD style)
    {
        HWND w = CreateWindowExW(0, RecordingClass(), L"System menu test", style | WS_VISIBLE, 100, 100, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
        Pump();
        return w;
    }
};

std::vector<std::wstring> Texts(HMENU menu)
{
    std::vector<std::wstring> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buffer[128];
        GetMenuStringW(menu, static_cast<UINT>(i), buffer, 128, MF_BYPOSITION);
        out.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR ? L"-" : buffer);
    }
    return out;
}

std::vector<UINT> Ids(HMENU menu)
{
    std::vector<UINT> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) out.push_back(GetMenuItemID(menu, i));
    return out;
}

TEST_F(SystemMenuTest, ItemsFollowTheStyleAndTheUsersLanguage)
{
    struct Case {
        const char* name;
        DWORD style;
        LANGID language;
        std::vector<std::wstring> texts;
    } cases[] = {
        {"overlapped, English",
         WS_OVERLAPPEDWINDOW,
         1033,
         {L"&Restore", L"&Move", L"&Size", L"Mi&nimize", L"Ma&ximize", L"-", L"&Close\tAlt+F4"}},
        {"overlapped, Korean",
         WS_OVERLAPPEDWINDOW,
         1042,
         {L"\uC774\uC804 \uD06C\uAE30\uB85C(&R)", L"\uC774\uB3D9(&M)", L"\uD06C\uAE30 \uC870\uC815(&S)",
          L"\uCD5C\uC18C\uD654(&N)", L"\uCD5C\uB300\uD654(&X)", L"-", L"\uB2EB\uAE30(&C)\tAlt+F4"}},
        {"overlapped, Japanese",
         WS_OVERLAPPEDWINDOW,
         1041,
         {L"\u5143\u306E\u30B5\u30A4\u30BA\u306B\u623B\u3059(&R)", L"\u79FB\u52D5(&M)",
          L"\u30B5\u30A4\u30BA\u5909\u66F4(&S)", L"\u6700\u5C0F\u5316(&N)", L"\u6700\u5927\u5316(&X)", L"-",
          L"\u9589\u3058\u308B(&C)\tAlt+F4"}},
        {"dialog", WS_CAPTION | WS_SYSMENU, 1033, {L"&Move", L"-", L"&Close\tAlt+F4"}},
        {"sizable dialog",
         WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
         1033,
         {L"&Move", L"&Size", L"-", L"&Close\tAlt+F4"}},
        {"minimise box only",
         WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
         1033,
         {L"&Restore", L"&Move", L"&Size", L"Mi&nimize", L"Ma&ximize", L"-", L"&Close\tAlt+F4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUserDefaultLangID(c.language);
        HWND w = MakeFramed(c.style);
        HMENU menu = GetSystemMenu(w, FALSE);
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(Texts(menu), c.texts);
        DestroyWindow(w);
    }
    SetUserDefaultLangID(1033);
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    EXPECT_EQ(Ids(GetSystemMenu(w, FALSE)),
              (std::vector<UINT>{SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, 0, SC_CLOSE}));
    // No system menu without the style, nor for child windows.
    EXPECT_EQ(GetSystemMenu(MakeFramed(WS_CAPTION), FALSE), nullptr);
    EXPECT_EQ(GetSystemMenu(MakeChild(w, 5, 0, 0, 10, 10, WS_CHILD | WS_SYSMENU | WS_CAPTION), FALSE), nullptr);
    EXPECT_EQ(GetSystemMenu(reinterpret_cast<HWND>(0x12345), FALSE), nullptr);
}

TEST_F(SystemMenuTest, TheProgramChangesItsOwnCopyAndRevertingStartsAfresh)
{
    SetUserDefaultLangID(1033);
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    HWND other = MakeFramed(WS_OVERLAPPEDWINDOW);
    HMENU menu = GetSystemMenu(w, FALSE);
    ASSERT_TRUE(AppendMenuW(menu, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 16, L"About (&A)..."));
    EXPECT_EQ(GetSystemMenu(w, FALSE), menu);  // the same copy each time
    EXPECT_EQ(GetMenuItemCount(menu), 9);
    EXPECT_EQ(GetMenuItemCount(GetSystemMenu(other, FALSE)), 7);  // other windows keep theirs
    EXPECT_EQ(GetSystemMenu(w, TRUE), nullptr);
    EXPECT_FALSE(IsMenu(menu));
    HMENU fresh = GetSystemMenu(w, FALSE);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(GetMenuItemCount(fresh), 7);
    DestroyWindow(w);
    EXPECT_FALSE(IsMenu(fresh));  // gone with its window
}

// Each way of opening the menu, where it opens and what the window hears.
struct OpenCase {
    const char* name;
    std::function<void()> open;
    POINT at;
};

TEST_F(SystemMenuTest, AltSpaceARightClickOnTheCaptionOrAClickOnTheIconOpenIt)
{
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    HWND edit = MakeChild(w, 7, 10, 10, 100, 20);
    ScriptedMenuPresenter presenter(0);
    SetMenuPresenter(&presenter);
    auto click = [](MouseButton b, POINT p) {
        InjectMouseMove(p);
        InjectMouseButton(b, true, p);
        InjectMouseButton(b, false, p);
    };
    const OpenCase cases[] = {
        {"Alt+Space",
         [] {
             InjectKey(VK_MENU, true);
             InjectKey(VK_SPACE, true, L' ');
             InjectKey(VK_SPACE, false);
             InjectKey(VK_MENU, false);
         },
         POINT{104, 124}},
        {"Alt+Space from a child with the focus",
         [&] {
             SetFocus(edit);
             InjectKey(VK_MENU, true);
             InjectKey(VK_SPACE, true, L' ');
             InjectKey(VK_SPACE, false);
             InjectKey(VK_MENU, false);
         },
         POINT{104, 124}},
        {"right click on the caption",
         [&] {
             click(MouseButton::Right, POINT{200, 112});
         },
         POINT{200, 112}},
        {"right click on the icon",
         [&] {
             click(MouseButton::Right, POINT{112, 112});
         },
         POINT{112, 112}},
        {"click on the icon",
         [&] {
             click(MouseButton::Left, POINT{112, 112});
         },
         POINT{104, 124}},
    };
    HMENU menu = GetSystemMenu(w, FALSE);
    for (const OpenCase& c : cases) {
        SCOPED_TRACE(c.name);
        presenter.calls.clear();
        Log().clear();
        c.open();
        Pump();
        ASSERT_EQ(presenter.calls.size(), 1u);
        EXPECT_EQ(presenter.calls[0].menu, menu);
        EXPECT_EQ(presenter.calls[0].owner, w);
        EXPECT_EQ(presenter.calls[0].screen, c.at);
        auto seen = LogOf({WM_INITMENU, WM_ENTERMENULOOP, WM_INITMENUPOPUP, WM_EXITMENULOOP});
        ASSERT_EQ(seen.size(), 4u);
        EXPECT_EQ(seen[0].message, WM_INITMENU);
        EXPECT_EQ(seen[0].wParam, reinterpret_cast<WPARAM>(menu));
        EXPECT_EQ(seen[1].message, WM_ENTERMENULOOP);
        EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(FALSE));
        EXPECT_EQ(seen[2].message, WM_INITMENUPOPUP);
        EXPECT_EQ(HIWORD(static_cast<DWORD>(seen[2].lParam)), TRUE);  // the system menu
        EXPECT_EQ(seen[3].message, WM_EXITMENULOOP);
        EXPECT_TRUE(LogOf({WM_COMMAND}).empty());
    }
    // Right clicks elsewhere do not open it.
    presenter.calls.clear();
    click(MouseButton::Right, POINT{250, 200});  // the client area
    click(MouseButton::Right, POINT{150, 101});  // the sizing border
    Pump();
    EXPECT_TRUE(presenter.calls.empty());
}

TEST_F(SystemMenuTest, AChoiceArrivesAsASystemCommandWithTheItemsId)
{
    SetUserDefaultLangID(1033);
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    HMENU menu = GetSystemMenu(w, FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, 16, L"About (&A)...");
    ScriptedMenuPresenter presenter(16);
    SetMenuPresenter(&presenter);
    Log().clear();
    win32_gui::ShowSystemMenu(w, POINT{150, 110});
    EXPECT_TRUE(LogOf({WM_SYSCOMMAND}).empty());  // posted, after the menu has gone
    Pump();
    auto commands = LogOf({WM_SYSCOMMAND, WM_COMMAND});
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].message, WM_SYSCOMMAND);
    EXPECT_EQ(commands[0].wParam, 16u);
    EXPECT_EQ(commands[0].lParam, MAKELONG(150, 110));
    ASSERT_EQ(presenter.calls.size(), 1u);
    EXPECT_EQ(presenter.calls[0].texts.back(), L"About (&A)...");
    // The system's own items do what the buttons do.
    presenter.answer = static_cast<UINT>(SC_MAXIMIZE);
    win32_gui::ShowSystemMenu(w, POINT{150, 110});
    Pump();
    EXPECT_TRUE(IsZoomed(w));
    presenter.answer = static_cast<UINT>(SC_CLOSE);
    win32_gui::ShowSystemMenu(w, POINT{150, 110});
    Pump();
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(SystemMenuTest, ItemsTheWindowsStateDoesNotAllowAreGreyed)
{
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    HMENU menu = GetSystemMenu(w, FALSE);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, 16, L"Own");
    struct Snapshot {
        std::vector<bool> greyed;  // Restore, Move, Size, Minimize, Maximize, Close, the program's item
    };
    Snapshot seen;
    class Recorder : public MenuPresenter {
    public:
        explicit Recorder(Snapshot* s) : s_(s) {}
        UINT Present(HMENU m, UINT, POINT, HWND) override
        {
            s_->greyed.clear();
            for (WPARAM id : {SC_RESTORE, SC_MOVE, SC_SIZE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE, WPARAM{16}})
                s_->greyed.push_back((GetMenuState(m, static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) != 0);
            return 0;
        }

    private:
        Snapshot* s_;
    } recorder(&seen);
    SetMenuPresenter(&recorder);
    struct Case {
        int show;
        std::vector<bool> greyed;
    } cases[] = {
        {SW_RESTORE, {true, false, false, false, false, false, true}},
        {SW_MAXIMIZE, {false, true, true, false, true, false, true}},
        {SW_MINIMIZE, {false, false, true, true, false, false, true}},
    };
    for (const Case& c : cases) {
        ShowWindow(w, c.show);
        win32_gui::ShowSystemMenu(w, POINT{0, 0});
        EXPECT_EQ(seen.greyed, c.greyed) << c.show;
    }
}

}  // namespace
