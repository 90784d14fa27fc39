// The skin window at the level of its messages: presses, releases and
// double clicks give exactly one command to a recording host; the capture
// holds while dragging outside; non-client codes at every border and corner;
// cursors per control; the host's notifications; closing, limits and dialog
// codes; bindings that outlive a skin; and clearing a skin while the mouse
// still holds a control.
#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "skin/HXSubTooltipWindow.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConStatic.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/skin/SkinWindowFixture.h"

namespace {

using namespace skin_test;

constexpr COLORREF kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255), kGrey = RGB(128, 128, 128);
constexpr COLORREF kBackground = RGB(0x20, 0x30, 0x40);

std::map<std::string, std::string> ButtonFiles()
{
    return {{"btn.bmp", CellStripBmp(20, 10, {kRed, kGreen, kBlue, kGrey})},
            {"two.bmp", CellStripBmp(20, 10, {kRed, kBlue})}};
}

const std::map<std::wstring, int> kBindings = {
    {L"ID_BTN", 1001},     {L"ID_BTN2", 1002}, {L"ID_RIGHT", 1003}, {L"ID_LABEL", 1004},
    {L"ID_CAPTION", 1005}, {L"ID_TWO", 1006},  {L"ID_CMD", 1007},
};

// Button 1001 at (10, 10), a right-click button 1002 at (50, 10), a
// tooltip static at (10, 50), a caption static at (100, 50) and a 2-cell
// button at (150, 10) whose CMD is 1007.
std::string StandardSkin(const std::string& windowAttributes = "")
{
    return SkinXml(
        "BkgndColor=\"203040\" " + windowAttributes,
        "<Image Image=\"btn.bmp\" ImageName=\"btn\"/>\n"
        "<Cursor CursorName=\"hand\" PredefinedCursor=\"IDC_HAND\"/>\n",
        "<ButtonControl CID=\"ID_BTN\" ButtonControlType=\"bitmap\" Split=\"4\" Image=\"btn\" Align=\"none\" "
        "Left=\"10\" Top=\"10\" Width=\"20\" Height=\"10\" CursorName=\"hand\"/>\n"
        "<ButtonControl CID=\"ID_BTN2\" RCMD=\"ID_RIGHT\" ButtonControlType=\"bitmap\" Image=\"btn\" "
        "Align=\"none\" Left=\"50\" Top=\"10\" Width=\"20\" Height=\"10\"/>\n"
        "<StaticControl CID=\"ID_LABEL\" Tooltip=\"label tip\" StaticControlType=\"color\" "
        "ControlColor=\"#00FF00\" Align=\"none\" Left=\"10\" Top=\"50\" Width=\"40\" Height=\"20\"/>\n"
        "<StaticControl CID=\"ID_CAPTION\" NcHitTest=\"HTCAPTION\" StaticControlType=\"color\" "
        "ControlColor=\"#0000FF\" Align=\"none\" Left=\"100\" Top=\"50\" Width=\"40\" Height=\"20\"/>\n"
        "<ButtonControl CID=\"ID_TWO\" CMD=\"ID_CMD\" ButtonControlType=\"bitmap\" Split=\"2\" "
        "Image=\"two.bmp\" Align=\"none\" Left=\"150\" Top=\"10\" Width=\"20\" Height=\"10\"/>\n");
}

class SkinWindowMessages : public SkinWindowTest {
protected:
    void LoadStandard(const std::string& windowAttributes = "")
    {
        ASSERT_TRUE(Load(StandardSkin(windowAttributes), ButtonFiles(), kBindings));
        gui_test::Log().clear();
    }
    HXConButton* Button(int id) { return window_->FindButton(id); }
};

TEST_F(SkinWindowMessages, CreatingTwiceChangesNothing)
{
    LoadStandard();
    HWND first = Skin();
    EXPECT_EQ(0, window_->Create(host_, RECT{0, 0, 10, 10}, 0, 0));
    EXPECT_EQ(first, Skin());
    const LONG_PTR style = GetWindowLongPtrW(Skin(), GWL_STYLE);
    EXPECT_EQ(static_cast<LONG_PTR>(HXWindowMain::kAddedStyle), style & HXWindowMain::kAddedStyle);
    EXPECT_TRUE(GetWindowLongPtrW(host_, GWL_STYLE) & WS_CLIPCHILDREN);
    EXPECT_EQ(kBackground, OffscreenPixel(200, 200));
    EXPECT_EQ(kRed, OffscreenPixel(15, 15));
    EXPECT_EQ(kRed, ScreenPixel(15, 15)) << "the bitmap is copied to the window";
}

TEST_F(SkinWindowMessages, HoverPressAndReleaseGiveOneCommand)
{
    LoadStandard();
    HXConButton* button = Button(1001);
    ASSERT_NE(nullptr, button);
    MoveTo(15, 15);
    EXPECT_EQ(HXConButton::STATE_HOVER, button->GetMouseState());
    EXPECT_EQ(kGreen, OffscreenPixel(15, 15));
    EXPECT_EQ(kGreen, ScreenPixel(15, 15));
    Press(15, 15);
    EXPECT_EQ(HXConButton::STATE_PRESSED, button->GetMouseState());
    EXPECT_EQ(kBlue, ScreenPixel(15, 15));
    EXPECT_EQ(Skin(), GetCapture());
    Release(15, 15);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{1001}, Commands());
    EXPECT_EQ(HXConButton::STATE_HOVER, button->GetMouseState());
    EXPECT_EQ(nullptr, GetCapture());
    // Moving away ends the hover.
    MoveTo(300, 200);
    EXPECT_EQ(HXConButton::STATE_NORMAL, button->GetMouseState());
    EXPECT_EQ(kRed, ScreenPixel(15, 15));
    EXPECT_EQ(std::vector<WPARAM>{1001}, Commands());
}

TEST_F(SkinWindowMessages, CaptureHoldsWhileDraggingOutsideAndAReleaseThereSendsNothing)
{
    LoadStandard();
    HXConButton* button = Button(1001);
    Press(15, 15);
    for (POINT p : {POINT{35, 15}, POINT{300, 250}, POINT{-50, -50}}) {
        MoveTo(p.x, p.y);
        EXPECT_EQ(Skin(), GetCapture());
        EXPECT_EQ(button, window_->GetCaptureControl());
        EXPECT_EQ(HXConButton::STATE_PRESSED, button->GetMouseState());
    }
    Release(-50, -50);
    gui_test::Pump();
    EXPECT_TRUE(Commands().empty());
    EXPECT_EQ(HXConButton::STATE_NORMAL, button->GetMouseState());
    EXPECT_EQ(nullptr, GetCapture());
    // Pressed, moved out and back in: the release inside still counts.
    Press(15, 15);
    MoveTo(200, 200);
    MoveTo(16, 16);
    Release(16, 16);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{1001}, Commands());
}

TEST_F(SkinWindowMessages, RightButtonCommandsFollowTheBinding)
{
    LoadStandard();
    struct Case {
        POINT at;
        std::vector<WPARAM> commands;
    } cases[] = {
        {{15, 15}, {}},      // no right-click command: the press is not taken
        {{55, 15}, {1003}},  // RCMD
    };
    for (const Case& c : cases) {
        gui_test::Log().clear();
        Click(c.at.x, c.at.y, MouseButton::Right);
        gui_test::Pump();
        EXPECT_EQ(c.commands, Commands()) << c.at.x;
    }
    // The untaken press reached the host.
    Click(15, 15, MouseButton::Right);
    EXPECT_FALSE(gui_test::MessagesOf(host_, {WM_RBUTTONDOWN}).empty());
}

TEST_F(SkinWindowMessages, MiddleButtonAndTwoCellButtonCommands)
{
    LoadStandard();
    Click(15, 15, MouseButton::Middle);
    gui_test::Pump();
    EXPECT_TRUE(Commands().empty());
    // CMD wins over the control's own id.
    Click(155, 15);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{1007}, Commands());
}

TEST_F(SkinWindowMessages, OnlyTheLeftDoubleClickFiresTheLeftCommand)
{
    LoadStandard();
    const LPARAM at = MAKELONG(15, 15);
    struct Case {
        UINT down;
        UINT up;
        std::vector<WPARAM> commands;
    } cases[] = {
        {WM_LBUTTONDBLCLK, WM_LBUTTONUP, {1001}},
        {WM_RBUTTONDBLCLK, WM_RBUTTONUP, {}},
        {WM_MBUTTONDBLCLK, WM_MBUTTONUP, {}},
    };
    // A release asks where the cursor is.
    SetCursorPos(Screen(15, 15).x, Screen(15, 15).y);
    for (const Case& c : cases) {
        gui_test::Log().clear();
        SendMessageW(Skin(), c.down, 0, at);
        SendMessageW(Skin(), c.up, 0, at);
        gui_test::Pump();
        EXPECT_EQ(c.commands, Commands()) << std::hex << c.down;
        EXPECT_EQ(nullptr, GetCapture());
        EXPECT_EQ(0, Button(1001)->GetPressedButton());
    }
    // A right double click on the button with a right command is a right
    // press: its own command, never the left one.
    gui_test::Log().clear();
    SetCursorPos(Screen(55, 15).x, Screen(55, 15).y);
    SendMessageW(Skin(), WM_RBUTTONDBLCLK, 0, MAKELONG(55, 15));
    SendMessageW(Skin(), WM_RBUTTONUP, 0, MAKELONG(55, 15));
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{1003}, Commands());
}

TEST_F(SkinWindowMessages, AMiddleDoubleClickReachesAControlAsARightPress)
{
    LoadStandard();
    // The caption static takes no double click and is HTCAPTION: nothing.
    // The tooltip static is not HTCAPTION: it gets a right press, which it
    // does not take, so the host sees WM_RBUTTONDOWN.
    SendMessageW(Skin(), WM_MBUTTONDBLCLK, 0, MAKELONG(20, 60));
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {WM_RBUTTONDOWN}).size());
    gui_test::Log().clear();
    SendMessageW(Skin(), WM_MBUTTONDBLCLK, 0, MAKELONG(110, 60));
    EXPECT_TRUE(gui_test::MessagesOf(host_, {WM_RBUTTONDOWN, WM_MBUTTONDBLCLK}).empty());
    // On no control a top window forwards the double click.
    SendMessageW(Skin(), WM_MBUTTONDBLCLK, 0, MAKELONG(300, 250));
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {WM_MBUTTONDBLCLK}).size());
}

TEST_F(SkinWindowMessages, NonClientCodesAtEveryBorderAndCorner)
{
    LoadStandard("ResizeBorder=\"true\" ClientCaption=\"1\"");
    ASSERT_EQ(4, GetSystemMetrics(SM_CXFRAME));
    const int w = kWidth, h = kHeight;
    struct Case {
        POINT p;
        LRESULT code;
    } cases[] = {
        {{0, 0}, HTTOPLEFT},
        {{10, 3}, HTTOPLEFT},
        {{3, 16}, HTTOPLEFT},
        {{16, 4}, HTTOPLEFT},
        {{17, 4}, HTTOP},
        {{20, 3}, HTTOP},
        {{w - 1, 0}, HTTOPRIGHT},
        {{w - 16, 4}, HTTOPRIGHT},
        {{w - 4, 16}, HTTOPRIGHT},
        {{w - 1, h - 1}, HTBOTTOMRIGHT},
        {{w - 16, h - 4}, HTBOTTOMRIGHT},
        {{w - 4, h - 16}, HTBOTTOMRIGHT},
        {{0, h - 1}, HTBOTTOMLEFT},
        {{16, h - 4}, HTBOTTOMLEFT},
        {{4, h - 16}, HTBOTTOMLEFT},
        {{200, h - 4}, HTBOTTOM},
        {{4, 150}, HTLEFT},
        {{w - 4, 150}, HTRIGHT},
        {{5, 150}, HTCAPTION},
        {{10, 5}, HTCAPTION},    // inside the border: empty space
        {{15, 15}, HTCLIENT},    // a button
        {{110, 60}, HTCAPTION},  // a control whose code is HTCAPTION
        {{20, 60}, HTCLIENT},    // a control without a code
    };
    for (const Case& c : cases) {
        const POINT s = Screen(c.p.x, c.p.y);
        EXPECT_EQ(c.code, SendMessageW(Skin(), WM_NCHITTEST, 0, MAKELONG(s.x, s.y))) << c.p.x << "," << c.p.y;
    }
}

TEST_F(SkinWindowMessages, WithoutResizeBorderOrClientCaptionEmptySpaceIsClient)
{
    LoadStandard();
    const POINT s = Screen(0, 0);
    EXPECT_EQ(HTCLIENT, SendMessageW(Skin(), WM_NCHITTEST, 0, MAKELONG(s.x, s.y)));
}

TEST_F(SkinWindowMessages, ACaptionControlDragsTheHost)
{
    LoadStandard();
    RECT before;
    GetWindowRect(host_, &before);
    InjectMouseMove(Screen(110, 60));
    InjectMouseButton(MouseButton::Left, true, Screen(110, 60));
    InjectMouseMove(Screen(130, 70));
    InjectMouseMove(Screen(150, 90));
    InjectMouseButton(MouseButton::Left, false, Screen(150, 90));
    gui_test::Pump();
    RECT after;
    GetWindowRect(host_, &after);
    EXPECT_EQ(before.left + 40, after.left);
    EXPECT_EQ(before.top + 30, after.top);
}

TEST_F(SkinWindowMessages, TheHostsCaptionAndMinimiseButtonInTheSkinMaximiseAndMinimiseIt)
{
    // A host that may be maximised and minimised, its caption and its
    // minimise button drawn by the skin.
    SetWindowLongW(host_, GWL_STYLE, GetWindowLongW(host_, GWL_STYLE) | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
    ASSERT_TRUE(Load(
        SkinXml("BkgndColor=\"203040\"", "",
                "<StaticControl NcHitTest=\"HTCAPTION\" StaticControlType=\"color\" ControlColor=\"#0000FF\" "
                "Align=\"none\" Left=\"100\" Top=\"50\" Width=\"40\" Height=\"20\"/>\n"
                "<StaticControl NcHitTest=\"HTMINBUTTON\" StaticControlType=\"color\" "
                "ControlColor=\"#00FF00\" Align=\"none\" Left=\"200\" Top=\"50\" Width=\"20\" Height=\"20\"/>\n")));
    RECT normal;
    GetWindowRect(host_, &normal);
    auto onSkin = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(Skin(), &p);
        return p;
    };
    auto doubleClick = [&](POINT p) {
        InjectMouseMove(p);
        for (int i = 0; i < 2; ++i) {
            InjectMouseButton(MouseButton::Left, true, p);
            InjectMouseButton(MouseButton::Left, false, p);
        }
        gui_test::Pump();
        clock_.Advance(5000);
    };
    // A double click on the caption maximises the host, another one brings
    // it back.
    doubleClick(onSkin(110, 60));
    EXPECT_TRUE(IsZoomed(host_));
    doubleClick(onSkin(110, 60));
    EXPECT_FALSE(IsZoomed(host_));
    RECT r;
    GetWindowRect(host_, &r);
    EXPECT_EQ(normal, r);
    // A click on the minimise button minimises it.
    const POINT button = onSkin(210, 60);
    InjectMouseMove(button);
    InjectMouseButton(MouseButton::Left, true, button);
    InjectMouseButton(MouseButton::Left, false, button);
    gui_test::Pump();
    EXPECT_TRUE(IsIconic(host_));
}

TEST_F(SkinWindowMessages, ADraggableSkinDragsTheHostFromEmptySpace)
{
    LoadStandard("Draggable=\"true\"");
    RECT before;
    GetWindowRect(host_, &before);
    InjectMouseMove(Screen(300, 200));
    InjectMouseButton(MouseButton::Left, true, Screen(300, 200));
    InjectMouseMove(Screen(310, 205));
    InjectMouseMove(Screen(320, 215));
    InjectMouseButton(MouseButton::Left, false, Screen(320, 215));
    gui_test::Pump();
    RECT after;
    GetWindowRect(host_, &after);
    EXPECT_EQ(before.left + 20, after.left);
    EXPECT_EQ(before.top + 15, after.top);
}

TEST_F(SkinWindowMessages, CursorPerControl)
{
    LoadStandard();
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    struct Case {
        POINT p;
        bool hand;
    } cases[] = {{{15, 15}, true}, {{55, 15}, false}, {{300, 200}, false}};
    for (const Case& c : cases) {
        SetCursor(nullptr);
        SetCursorPos(Screen(c.p.x, c.p.y).x, Screen(c.p.x, c.p.y).y);
        const LRESULT r =
            SendMessageW(Skin(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Skin()), MAKELONG(HTCLIENT, WM_MOUSEMOVE));
        EXPECT_EQ(c.hand ? 1 : 0, r != 0 && GetCursor() == hand) << c.p.x;
    }
    // A disabled control shows no cursor of its own; a non-client code is
    // never answered with one.
    Button(1001)->SetEnabled(0, 1);
    SetCursor(nullptr);
    SetCursorPos(Screen(15, 15).x, Screen(15, 15).y);
    SendMessageW(Skin(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Skin()), MAKELONG(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_NE(hand, GetCursor());
    Button(1001)->SetEnabled(1, 1);
    SetCursor(nullptr);
    SendMessageW(Skin(), WM_SETCURSOR, reinterpret_cast<WPARAM>(Skin()), MAKELONG(HTCAPTION, WM_MOUSEMOVE));
    EXPECT_NE(hand, GetCursor());
}

TEST_F(SkinWindowMessages, HoverNotificationsReportEachEntryIntoAControl)
{
    LoadStandard();
    MoveTo(15, 15);
    MoveTo(16, 16);
    MoveTo(300, 200);
    MoveTo(15, 15);
    MoveTo(55, 15);
    std::vector<LPARAM> controls;
    for (const gui_test::Logged& l : gui_test::Log())
        if (l.hwnd == host_ && l.message == SkinNotifyMessage() && l.wParam == HXWindowMain::NOTIFY_HOVER)
            controls.push_back(l.lParam);
    const LPARAM first = reinterpret_cast<LPARAM>(Button(1001)), second = reinterpret_cast<LPARAM>(Button(1002));
    EXPECT_EQ((std::vector<LPARAM>{first, first, second}), controls);
    // Moves nothing took reach the host; the ones over a hovering button not.
    EXPECT_FALSE(gui_test::MessagesOf(host_, {WM_MOUSEMOVE}).empty());
}

TEST_F(SkinWindowMessages, TheTooltipFollowsTheControlAndHidesOnAPress)
{
    LoadStandard();
    HXSubTooltipWindow& tip = HXSubTooltipWindow::Instance();
    MoveTo(20, 60);
    EXPECT_EQ(Button(1001) ? window_->FindControl(1004) : nullptr, tip.GetCurrentKey());
    EXPECT_EQ(CString(L"label tip"), tip.GetText());
    EXPECT_TRUE(IsWindowVisible(tip.GetSafeHwnd()));
    Press(20, 60);
    EXPECT_FALSE(IsWindowVisible(tip.GetSafeHwnd()));
    EXPECT_EQ(nullptr, tip.GetCurrentKey());
    Release(20, 60);
}

TEST_F(SkinWindowMessages, HostMessagesForClosingFocusLimitsAndCodes)
{
    LoadStandard("MinMaxSize=\"200,100,-1,-1\"");
    gui_test::SetHandler(host_, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m == WM_CLOSE) return 0;  // the host stays
        return std::nullopt;
    });
    SendMessageW(Skin(), WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {WM_CLOSE}).size()) << "a plain top window forwards WM_CLOSE";
    SendMessageW(Skin(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(std::vector<WPARAM>{HXWindowMain::NOTIFY_FOCUS_LOST}, NotifyCodes());
    MINMAXINFO info;
    info.ptMaxSize = POINT{1, 2};
    info.ptMaxTrackSize = POINT{3, 4};
    info.ptMinTrackSize = POINT{5, 6};
    SendMessageW(Skin(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ((POINT{200, 100}), info.ptMinTrackSize);
    EXPECT_EQ((POINT{1, 2}), info.ptMaxSize);
    EXPECT_EQ((POINT{3, 4}), info.ptMaxTrackSize);
    EXPECT_EQ(6, SendMessageW(Skin(), WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(NFR_UNICODE, SendMessageW(Skin(), WM_NOTIFYFORMAT, 0, 0));
    // Keys, characters and untaken wheels go to the host.
    SendMessageW(Skin(), WM_KEYDOWN, 'A', 1);
    SendMessageW(Skin(), WM_CHAR, 'a', 1);
    const POINT s = Screen(300, 200);
    SendMessageW(Skin(), WM_MOUSEWHEEL, MAKELONG(0, 120), MAKELONG(s.x, s.y));
    EXPECT_EQ(3u, gui_test::MessagesOf(host_, {WM_KEYDOWN, WM_CHAR, WM_MOUSEWHEEL}).size());
    // WM_COMMAND is posted on to the host.
    SendMessageW(Skin(), WM_COMMAND, 4321, 0);
    EXPECT_TRUE(Commands().empty());
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{4321}, Commands());
}

TEST_F(SkinWindowMessages, ActAsControlAnswersLikeADefaultButtonAndPopupsPostClose)
{
    LoadStandard("ActAsControl=\"1\" PopupWindow=\"true\"");
    EXPECT_EQ(DLGC_BUTTON | DLGC_DEFPUSHBUTTON, SendMessageW(Skin(), WM_GETDLGCODE, 0, 0));
    SendMessageW(Skin(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(gui_test::MessagesOf(host_, {WM_CLOSE}).empty());
    gui_test::Pump();
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {WM_CLOSE}).size());
}

TEST_F(SkinWindowMessages, ControlNotificationsAreSentOrPostedToTheHost)
{
    LoadStandard();
    HXConBase* label = window_->FindControl(1004);
    const UINT custom = WM_APP + 7;
    label->SendControlNotify(custom, 11, 12);
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {custom}).size());
    label->PostControlNotify(custom, 13, 14);
    EXPECT_EQ(1u, gui_test::MessagesOf(host_, {custom}).size());
    gui_test::Pump();
    const auto seen = gui_test::LogOf({custom});
    ASSERT_EQ(2u, seen.size());
    EXPECT_EQ(13u, seen[1].wParam);
    EXPECT_EQ(14, seen[1].lParam);
}

TEST_F(SkinWindowMessages, ShowingAndHidingRelaysOutAfterTheQueue)
{
    // A left strip, then a client area: hiding the strip gives its width
    // to the client.
    ASSERT_TRUE(Load(SkinXml("BkgndColor=\"203040\"", "",
                             "<StaticControl CID=\"ID_BTN\" StaticControlType=\"color\" ControlColor=\"#FF0000\" "
                             "Align=\"left\" Width=\"100\"/>\n"
                             "<StaticControl CID=\"ID_BTN2\" StaticControlType=\"color\" ControlColor=\"#00FF00\" "
                             "Align=\"client\"/>\n"),
                     {}, kBindings));
    HXConBase* strip = window_->FindControl(1001);
    HXConBase* client = window_->FindControl(1002);
    RECT r;
    client->GetRect(&r);
    EXPECT_EQ((RECT{100, 0, kWidth, kHeight}), r);
    EXPECT_EQ(kRed, ScreenPixel(50, 50));
    strip->SetVisible(0, 1);
    client->GetRect(&r);
    EXPECT_EQ(100, r.left) << "the layout waits for the posted refresh";
    gui_test::Pump();
    client->GetRect(&r);
    EXPECT_EQ((RECT{0, 0, kWidth, kHeight}), r);
    EXPECT_EQ(kGreen, ScreenPixel(50, 50));
}

TEST_F(SkinWindowMessages, DuplicateBindingsAreRefusedWithTheirTexts)
{
    LoadStandard();
    EXPECT_EQ(1, window_->AddCommandControl(L"ID_BTN_START", 32790));
    EXPECT_EQ(0, window_->AddCommandControl(L"ID_BTN_START", 1));
    EXPECT_EQ(CString(GetSkinErrorText(22)) + L" ID_BTN_START,1", window_->GetLastErrorMessage());
    EXPECT_EQ(0, window_->AddWindowControl(L"ID_BTN", 9, host_));
    EXPECT_EQ(CString(GetSkinErrorText(23)) + L" ID_BTN,9", window_->GetLastErrorMessage());
    EXPECT_EQ(1001, window_->FindControlInfo(L"ID_BTN")->id);
}

TEST_F(SkinWindowMessages, BindingsAndOptionsOutliveTheSkin)
{
    LoadStandard("ResizeBorder=\"1\"");
    // The second skin binds nothing itself and turns no option off.
    const std::string second =
        WriteSkin(SkinXml("BkgndColor=\"000000\" ResizeBorder=\"false\"", "",
                          "<ButtonControl CID=\"ID_BTN\" ButtonControlType=\"bitmap\" Split=\"1\" Image=\"two.bmp\" "
                          "Align=\"none\" Left=\"0\" Top=\"0\" Width=\"20\" Height=\"10\"/>\n"),
                  ButtonFiles(), "second");
    ASSERT_TRUE(LoadPath(second));
    ASSERT_NE(nullptr, window_->FindButton(1001));
    EXPECT_EQ(nullptr, window_->FindControl(1002));
    EXPECT_EQ(1, window_->GetOptions().resizeBorder);
    Click(5, 5);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{1001}, Commands());
}

TEST_F(SkinWindowMessages, ClearingASkinForgetsTheControlsTheMouseHeld)
{
    LoadStandard();
    MoveTo(15, 15);
    Press(15, 15);
    ASSERT_NE(nullptr, window_->GetCaptureControl());
    ASSERT_NE(nullptr, window_->GetHoverControl());
    window_->FindButton(1001)->SetFlags(HXConBase::kFlagFocusOnClick);
    Release(15, 15);
    Press(15, 15);
    ASSERT_NE(nullptr, window_->GetKeyboardControl());
    // The skin goes while the button is still held down.
    ASSERT_TRUE(LoadPath(dir_.File("skin")));
    EXPECT_EQ(nullptr, window_->GetCaptureControl());
    EXPECT_EQ(nullptr, window_->GetHoverControl());
    EXPECT_EQ(nullptr, window_->GetKeyboardControl());
    EXPECT_EQ(nullptr, window_->GetLastReportedControl());
    EXPECT_NE(Skin(), GetCapture());
    // What the mouse and keyboard do next reaches only the new controls.
    gui_test::Log().clear();
    Release(15, 15);
    SendMessageW(Skin(), WM_KEYDOWN, 'A', 1);
    MoveTo(16, 16);
    Click(16, 16);
    gui_test::Pump();
    EXPECT_EQ(std::vector<WPARAM>{1001}, Commands());
}

TEST_F(SkinWindowMessages, ANamedWindowRegionShapesTheHost)
{
    ASSERT_TRUE(Load(StandardSkin().replace(StandardSkin().find("<PreDefine>"), 0,
                                            "<SetWindowRgn><Rgn Type=\"rect\" Param=\"0,0,200,100\"/>"
                                            "<Rgn Type=\"rect\" Param=\"0,0,50,50\" Mode=\"diff\"/></SetWindowRgn>\n"),
                     ButtonFiles(), kBindings));
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(ERROR, GetWindowRgn(host_, region));
    EXPECT_TRUE(PtInRegion(region, 100, 50));
    EXPECT_FALSE(PtInRegion(region, 10, 10));
    EXPECT_FALSE(PtInRegion(region, 300, 50));
    // Clearing the skin takes the shape away from the same window.
    window_->ClearSkin();
    EXPECT_EQ(ERROR, GetWindowRgn(host_, region));
    DeleteObject(region);
}

TEST_F(SkinWindowMessages, ARefreshStillQueuedWhenTheSkinGoesIsDropped)
{
    LoadStandard();
    window_->FindControl(1004)->SetVisible(0, 1);
    window_->FindButton(1001)->RefreshControl();
    MSG pending;
    ASSERT_TRUE(PeekMessageW(&pending, Skin(), SkinRefreshControlMessage(), SkinRefreshControlMessage(), PM_NOREMOVE));
    window_->ClearSkin();
    EXPECT_FALSE(PeekMessageW(&pending, Skin(), SkinRefreshControlMessage(), SkinRefreshControlMessage(), PM_NOREMOVE));
    // One that slipped through (posted by a control not the window's)
    // touches nothing.
    HXConStatic stranger(nullptr);
    PostMessageW(Skin(), SkinRefreshControlMessage(), reinterpret_cast<WPARAM>(&stranger), 0);
    SendMessageW(Skin(), SkinInvalidControlMessage(), reinterpret_cast<WPARAM>(&stranger), 0);
    gui_test::Pump();
    EXPECT_TRUE(window_->GetControls().empty());
}

TEST_F(SkinWindowMessages, TheLanguageFilesCodePageGovernsTheNextLoad)
{
    // "$T" in the code page 949 (EUC-KR) bytes of a Korean word.
    const std::string ini = dir_.File("lang.ini");
    WriteBytes(ini, "[SKIN]\r\n$T=\xC7\xD1\xB1\xDB\r\n");
    LoadStandard();
    window_->SetLanguageFile(CString(Utf8ToWide(ini)), L"SKIN", 65001);
    EXPECT_EQ(CString(L"한글"), window_->ResolveText(L"$T")) << "the first load reads with the system's code page";
    window_->SetLanguageFile(CString(Utf8ToWide(ini)), L"SKIN", 949);
    EXPECT_NE(CString(L"한글"), window_->ResolveText(L"$T")) << "the second with the code page given before";
    window_->SetLanguageFile(CString(Utf8ToWide(ini)), L"OTHER", 949);
    EXPECT_EQ(CString(L"$T"), window_->ResolveText(L"$T")) << "another section knows no such key";
}

}  // namespace
