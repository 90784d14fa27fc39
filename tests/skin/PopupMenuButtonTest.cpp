// The popup-menu button in a skin window: its attributes and errors, where
// its menu opens for the room on the monitor, the notifications around the
// menu and who takes the chosen command, and the click that closes an open
// menu (which does not reopen it) against a menu closed with Escape (after
// which the next click opens it again).
#include <gtest/gtest.h>

#include <functional>

#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConPopupMenuButton.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr WORD kMenuId = 700;
constexpr int kButtonId = 801;
constexpr int kFirst = 901, kSecond = 902, kThird = 903;

// Shows nothing: records each menu and answers a set command, doing
// whatever the test asks while the menu is "open".
class RecordingPresenter : public MenuPresenter {
public:
    struct Call {
        UINT flags;
        POINT screen;
        int items;
    };
    UINT Present(HMENU menu, UINT flags, POINT screen, HWND) override
    {
        calls.push_back({flags, screen, GetMenuItemCount(menu)});
        if (whileOpen) whileOpen(calls.back());
        return answer;
    }
    UINT answer = 0;
    std::function<void(Call&)> whileOpen;
    std::vector<Call> calls;
};

class PopupMenuButtonTest : public SkinWindowTest {
protected:
    void SetUp() override
    {
        SkinWindowTest::SetUp();
        const auto item = [](const wchar_t* text, UINT id) { return MenuResourceItem{text, id, MF_STRING, {}}; };
        RegisterMenuResource(
            kMenuId,
            {MenuResourceItem{
                 L"Presets", 0, MF_POPUP, {item(L"First", kFirst), item(L"Second", kSecond), item(L"Third", kThird)}},
             MenuResourceItem{L"Other", 0, MF_POPUP, {}}});
        SetMenuPresenter(&presenter_);
    }
    void TearDown() override
    {
        SetMenuPresenter(nullptr);
        SkinWindowTest::TearDown();
    }
    // A 24 by 16 button at (kLeft, top) of the skin window.
    bool LoadButton(const std::string& attributes, int top = 40, bool expectSuccess = true)
    {
        const std::string xml = SkinXml(
            "Width=\"400\" Height=\"300\"", "<Image Image=\"btn.bmp\" ImageName=\"btn\"/>\n",
            "<PopupMenuButtonControl CID=\"ID_MENU_BTN\" ButtonControlType=\"bitmap\" Image=\"btn\" Split=\"4\" "
            "Align=\"none\" Left=\"" +
                std::to_string(kLeft) + "\" Top=\"" + std::to_string(top) + "\" Width=\"24\" Height=\"16\" " +
                attributes + "/>\n");
        top_ = top;
        return Load(
            xml,
            {{"btn.bmp",
              CellStripBmp(24, 16, {RGB(70, 130, 180), RGB(100, 170, 230), RGB(30, 80, 130), RGB(160, 160, 160)})}},
            {{L"ID_MENU_BTN", kButtonId}, {L"IDM_PRESETS", kMenuId}}, expectSuccess);
    }
    HXConPopupMenuButton* Button() { return dynamic_cast<HXConPopupMenuButton*>(window_->FindControl(kButtonId)); }
    void ClickButton() { Click(kLeft + 5, top_ + 5); }
    std::vector<WPARAM> ChosenCommands() const
    {
        std::vector<WPARAM> out;
        for (WPARAM c : Commands())
            if (c != static_cast<WPARAM>(kButtonId)) out.push_back(c);
        return out;
    }

    static constexpr int kLeft = 50;
    int top_ = 40;
    RecordingPresenter presenter_;
};

TEST_F(PopupMenuButtonTest, AttributeErrors)
{
    struct Case {
        std::string attributes;
        int code;  // 0: loads
        std::wstring detail;
        int menuId = 0;  // of a button that loads
    } cases[] = {
        {"MenuID=\"IDM_NOWHERE\" SubMenu=\"0\"", SKINERR_BAD_MENU_ID, L"IDM_NOWHERE"},
        {"MenuID=\"IDM_PRESETS\" SubMenu=\"0\" MenuPosition=\"left\"", SKINERR_BAD_ATTRIBUTE_VALUE,
         L"MenuPosition=left"},
        {"MenuID=\"IDM_PRESETS\" SubMenu=\"0\" MenuPosition=\"up\"", 0, L"", kMenuId},
        // Without SubMenu the rest is not read: a push button.
        {"MenuID=\"IDM_PRESETS\" MenuPosition=\"left\"", 0, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.attributes);
        const bool loaded = LoadButton(c.attributes, 40, c.code == 0);
        EXPECT_EQ(c.code == 0, loaded);
        if (!c.code) {
            EXPECT_EQ(c.menuId, Button()->GetMenuId());
            ClickButton();
            EXPECT_EQ(c.menuId ? 1u : 0u, presenter_.calls.size());
            presenter_.calls.clear();
        } else {
            EXPECT_EQ(c.code, window_->GetLastErrorCode());
            EXPECT_NE(std::wstring::npos, std::wstring(window_->GetLastErrorMessage().str()).find(c.detail));
        }
    }
}

TEST_F(PopupMenuButtonTest, OpensWhereTheMenuFits)
{
    // The button covers (150, 140)-(174, 156) on the screen; its submenu
    // has three items of h pixels.
    const int h = GetSystemMetrics(SM_CYMENUSIZE);
    struct Case {
        const char* position;
        int workTop, workBottom;
        int y;
        UINT flags;
    } cases[] = {
        {"down", 0, 156 + 3 * h, 156, 0x102},
        {"down", 0, 156 + 3 * h - 1, 140, 0x122},
        {"up", 140 - 3 * h - 1, 1024, 140, 0x122},
        {"up", 140 - 3 * h, 1024, 156, 0x102},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.position) + " in " + std::to_string(c.workTop) + ".." +
                     std::to_string(c.workBottom));
        FixedMonitorProvider monitors(
            {MonitorDescription{RECT{0, 0, 1280, 1024}, RECT{0, c.workTop, 1280, c.workBottom}, true}});
        SetMonitorProvider(&monitors);
        presenter_.calls.clear();
        ASSERT_TRUE(
            LoadButton(std::string("MenuID=\"IDM_PRESETS\" SubMenu=\"0\" MenuPosition=\"") + c.position + "\""));
        ClickButton();
        SetMonitorProvider(nullptr);
        ASSERT_EQ(1u, presenter_.calls.size());
        EXPECT_EQ(3, presenter_.calls[0].items);
        EXPECT_EQ(c.flags, presenter_.calls[0].flags);
        EXPECT_EQ(150, presenter_.calls[0].screen.x);
        EXPECT_EQ(c.y, presenter_.calls[0].screen.y);
    }
}

TEST_F(PopupMenuButtonTest, TheApplicationFillsTheMenuAndMayTakeTheCommand)
{
    // The host answers the menu notifications: it adds an item before the
    // menu shows, and takes the command itself when told so.
    LRESULT takeCommand = 0;
    std::vector<SPopupMenuCloseNotify> closed;
    int itemsSeen = 0;
    gui_test::SetHandler(host_, [&](HWND, UINT message, WPARAM code, LPARAM data) -> std::optional<LRESULT> {
        if (message != SkinNotifyMessage()) return std::nullopt;
        if (code == HXWindowMain::NOTIFY_MENU_OPEN) {
            const auto* opening = reinterpret_cast<const SPopupMenuOpenNotify*>(data);
            EXPECT_EQ(kMenuId, opening->menuId);
            EXPECT_EQ(0, opening->subMenu);
            EXPECT_EQ(GetSubMenu(opening->menu, 0), opening->popup);
            AppendMenuW(opening->popup, MF_STRING, 904, L"Added");
            return 0;
        }
        if (code == HXWindowMain::NOTIFY_MENU_CHOSEN) {
            closed.push_back(*reinterpret_cast<const SPopupMenuCloseNotify*>(data));
            return takeCommand;
        }
        return std::nullopt;
    });
    presenter_.whileOpen = [&](RecordingPresenter::Call& call) {
        itemsSeen = call.items;
        // Pressed while its menu shows.
        EXPECT_EQ(HXConButton::STATE_PRESSED, Button()->GetMouseState());
        EXPECT_TRUE(Button()->IsMenuOpen());
    };
    ASSERT_TRUE(LoadButton("MenuID=\"IDM_PRESETS\" SubMenu=\"0\""));
    presenter_.answer = kSecond;
    ClickButton();
    EXPECT_EQ(4, itemsSeen);
    EXPECT_EQ(HXConButton::STATE_NORMAL, Button()->GetMouseState());
    EXPECT_FALSE(Button()->IsMenuOpen());
    EXPECT_EQ(std::vector<WPARAM>{kSecond}, ChosenCommands());

    gui_test::Log().clear();
    takeCommand = 1;
    ClickButton();
    EXPECT_TRUE(ChosenCommands().empty());

    // Nothing chosen: the button still tells the application, and posts the
    // empty command when it is left to do so.
    gui_test::Log().clear();
    takeCommand = 0;
    presenter_.answer = 0;
    ClickButton();
    EXPECT_EQ(std::vector<WPARAM>{0}, ChosenCommands());
    ASSERT_EQ(3u, closed.size());
    EXPECT_EQ(kMenuId, closed[0].menuId);
    EXPECT_EQ(kSecond, closed[0].command);
    EXPECT_EQ(0, closed[2].command);
    EXPECT_EQ(3u, presenter_.calls.size());
}

TEST_F(PopupMenuButtonTest, AClickThatClosesTheMenuDoesNotReopenIt)
{
    ASSERT_TRUE(LoadButton("MenuID=\"IDM_PRESETS\" SubMenu=\"0\""));
    // The user presses on the button while its menu shows: the menu closes
    // with nothing chosen and the press stays for the button.
    presenter_.whileOpen = [&](RecordingPresenter::Call&) {
        InjectMouseButton(MouseButton::Left, true, Screen(kLeft + 5, top_ + 5));
    };
    ClickButton();
    ASSERT_EQ(1u, presenter_.calls.size());
    EXPECT_TRUE(Button()->IsMenuOpen());
    presenter_.whileOpen = nullptr;
    // That press's release closes nothing and opens nothing.
    Release(kLeft + 5, top_ + 5);
    EXPECT_EQ(1u, presenter_.calls.size());
    EXPECT_FALSE(Button()->IsMenuOpen());
    ClickButton();
    EXPECT_EQ(2u, presenter_.calls.size());
}

TEST_F(PopupMenuButtonTest, AMenuClosedWithEscapeOpensAgainOnTheNextClick)
{
    ASSERT_TRUE(LoadButton("MenuID=\"IDM_PRESETS\" SubMenu=\"0\""));
    // Closed without a click (Escape), the cursor still on the button.
    ClickButton();
    EXPECT_FALSE(Button()->IsMenuOpen());
    ClickButton();
    EXPECT_EQ(2u, presenter_.calls.size());
}

TEST_F(PopupMenuButtonTest, ASubmenuTheResourceLacksShowsEmpty)
{
    ASSERT_TRUE(LoadButton("MenuID=\"IDM_PRESETS\" SubMenu=\"5\""));
    ClickButton();
    ASSERT_EQ(1u, presenter_.calls.size());
    EXPECT_EQ(0, presenter_.calls[0].items);
}

}  // namespace
