// The caption of the frame the layer draws: which buttons a style shows,
// their hit codes, the system commands their clicks send, their hover and
// pressed looks (saved as pictures under the build folder).
#include <QPainter>

#include "GuiTestSupport.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/WindowObject.h"

using namespace gui_test;

namespace {

class CaptionTest : public GuiTest {
protected:
    // 300 x 200 at (100, 100): the sizing border is 4 and the caption 20, so
    // the caption runs from (4, 4) to (296, 24) in window coordinates.
    HWND MakeFramed(DWORD style, DWORD exStyle = 0)
    {
        HWND w = CreateWindowExW(exStyle, RecordingClass(), L"Caption test", style | WS_VISIBLE, 100, 100, 300, 200,
                                 nullptr, nullptr, nullptr, nullptr);
        Pump();
        return w;
    }
    static POINT Screen(POINT windowPoint) { return POINT{100 + windowPoint.x, 100 + windowPoint.y}; }
    static LRESULT HitAt(HWND w, POINT windowPoint)
    {
        POINT s = Screen(windowPoint);
        return SendMessageW(w, WM_NCHITTEST, 0, MAKELONG(s.x, s.y));
    }
    // Presses the left button at a window point (of a window at 100, 100),
    // moves through the others, releases at the last; returns the system
    // commands the windows got meanwhile.
    static std::vector<WPARAM> Press(POINT down, const std::vector<POINT>& moves, POINT up, bool escape = false)
    {
        Log().clear();
        InjectMouseMove(Screen(down));
        InjectMouseButton(MouseButton::Left, true, Screen(down));
        for (POINT p : moves) InjectMouseMove(Screen(p));
        if (escape) InjectKey(VK_ESCAPE, true);
        InjectMouseButton(MouseButton::Left, false, Screen(up));
        Pump();
        std::vector<WPARAM> commands;
        for (const Logged& l : LogOf({WM_SYSCOMMAND})) commands.push_back(l.wParam);
        return commands;
    }
    static QImage CaptionImage(HWND w) { return win32_gui::Find(w)->backing.copy(0, 0, 300, 28); }
    static QRgb Pixel(HWND w, POINT windowPoint)
    {
        return win32_gui::Find(w)->backing.pixel(windowPoint.x, windowPoint.y);
    }
};

// Button centres and inner corners in window coordinates.
const POINT kClose{285, 14}, kMax{265, 14}, kMin{247, 14}, kIcon{14, 14}, kTitle{150, 14};
const POINT kCloseFace{279, 9}, kMaxFace{259, 9}, kMinFace{241, 9};

struct StyleCase {
    const char* name;
    DWORD style;
    DWORD exStyle;
    LRESULT atClose, atMax, atMin, atIcon;
    bool minEnabled, maxEnabled;
};

void PrintTo(const StyleCase& c, std::ostream* os) { *os << c.name; }

class CaptionStyleTest : public CaptionTest, public testing::WithParamInterface<StyleCase> {};

TEST_P(CaptionStyleTest, TheStyleChoosesTheButtons)
{
    const StyleCase& c = GetParam();
    HWND w = MakeFramed(c.style, c.exStyle);
    // Without a sizing border the frame is 3 pixels, not 4: the caption
    // moves up one pixel, the buttons right one and the icon left one.
    const int shift = (c.style & WS_THICKFRAME) ? 0 : 1;
    auto right = [&](POINT p) { return POINT{p.x + shift, p.y - shift}; };
    auto left = [&](POINT p) { return POINT{p.x - shift, p.y - shift}; };
    EXPECT_EQ(HitAt(w, right(kClose)), c.atClose);
    EXPECT_EQ(HitAt(w, right(kMax)), c.atMax);
    EXPECT_EQ(HitAt(w, right(kMin)), c.atMin);
    EXPECT_EQ(HitAt(w, left(kIcon)), c.atIcon);
    EXPECT_EQ(HitAt(w, kTitle), HTCAPTION);
    EXPECT_EQ(HitAt(w, POINT{150, 1}), (c.style & WS_THICKFRAME) ? HTTOP : HTBORDER);
    EXPECT_EQ(HitAt(w, POINT{150, 60}), HTCLIENT);
    // An enabled glyph is drawn in the text colour, a disabled one in grey.
    const QRgb ink = qRgb(0, 0, 0), grey = qRgb(109, 109, 109);
    if (c.atMin == HTMINBUTTON) {
        EXPECT_EQ(Pixel(w, right(POINT{kMin.x - 4, kMin.y + 2})), c.minEnabled ? ink : grey);
    }
    if (c.atMax == HTMAXBUTTON) {
        EXPECT_EQ(Pixel(w, right(POINT{kMax.x - 4, kMax.y})), c.maxEnabled ? ink : grey);
    }
    SaveScreenshot(CaptionImage(w), std::string("caption_style_") + c.name);
}

const StyleCase kStyles[] = {
    {"overlapped", WS_OVERLAPPEDWINDOW, 0, HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTSYSMENU, true, true},
    {"close_only", WS_CAPTION | WS_SYSMENU, 0, HTCLOSE, HTCAPTION, HTCAPTION, HTSYSMENU, false, false},
    {"minimise_only", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTSYSMENU, true,
     false},
    {"maximise_only", WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX, 0, HTCLOSE, HTMAXBUTTON, HTMINBUTTON, HTSYSMENU, false,
     true},
    {"no_system_menu", WS_CAPTION | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0, HTCAPTION, HTCAPTION, HTCAPTION, HTCAPTION,
     false, false},
    {"modal_frame", WS_CAPTION | WS_SYSMENU, WS_EX_DLGMODALFRAME, HTCLOSE, HTCAPTION, HTCAPTION, HTCAPTION, false,
     false},
    {"tool_window", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_TOOLWINDOW, HTCLOSE, HTCAPTION, HTCAPTION,
     HTCAPTION, false, false},
};

INSTANTIATE_TEST_SUITE_P(Styles, CaptionStyleTest, testing::ValuesIn(kStyles),
                         [](const testing::TestParamInfo<StyleCase>& i) { return std::string(i.param.name); });

// A press on a button and where it is released.
struct ClickCase {
    const char* name;
    DWORD style;
    bool maximisedFirst;
    POINT down;
    std::vector<POINT> moves;
    POINT up;
    bool escape;
    std::vector<WPARAM> commands;  // WM_SYSCOMMAND codes the window got
};

void PrintTo(const ClickCase& c, std::ostream* os) { *os << c.name; }

class CaptionClickTest : public CaptionTest, public testing::WithParamInterface<ClickCase> {};

TEST_P(CaptionClickTest, AReleaseOverThePressedButtonSendsItsCommand)
{
    const ClickCase& c = GetParam();
    HWND w = MakeFramed(c.style);
    if (c.maximisedFirst) {
        // Maximised, the window's top-left corner is 4 pixels above and left
        // of the work area's; keep the same window points.
        ShowWindow(w, SW_RESTORE);
        SetWindowPos(w, nullptr, 100, 100, 300, 200, SWP_NOZORDER);
        win32_gui::Find(w)->style |= WS_MAXIMIZE;
        RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        Pump();
    }
    EXPECT_EQ(Press(c.down, c.moves, c.up, c.escape), c.commands);
    EXPECT_EQ(GetCapture(), nullptr);
    // The application never sees the mouse while the button is held.
    if (!c.commands.empty() && IsWindow(w)) {
        EXPECT_TRUE(MessagesOf(w, {WM_MOUSEMOVE, WM_LBUTTONUP}).empty());
    }
    if (IsWindow(w)) {
        EXPECT_EQ(win32_gui::Find(w)->captionPressed, HTNOWHERE);
    }
}

const ClickCase kClicks[] = {
    {"close", WS_OVERLAPPEDWINDOW, false, kClose, {}, kClose, false, {SC_CLOSE}},
    {"minimise", WS_OVERLAPPEDWINDOW, false, kMin, {}, kMin, false, {SC_MINIMIZE}},
    {"maximise", WS_OVERLAPPEDWINDOW, false, kMax, {}, kMax, false, {SC_MAXIMIZE}},
    {"restore_when_maximised", WS_OVERLAPPEDWINDOW, true, kMax, {}, kMax, false, {SC_RESTORE}},
    {"dragged_off_and_back",
     WS_OVERLAPPEDWINDOW,
     false,
     kClose,
     {kTitle, POINT{150, 100}, kClose},
     kClose,
     false,
     {SC_CLOSE}},
    {"released_elsewhere", WS_OVERLAPPEDWINDOW, false, kClose, {kTitle}, kTitle, false, {}},
    {"released_over_another_button", WS_OVERLAPPEDWINDOW, false, kClose, {kMax}, kMax, false, {}},
    {"escape_cancels", WS_OVERLAPPEDWINDOW, false, kMin, {}, kMin, true, {}},
    {"disabled_button", WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX, false, kMin, {}, kMin, false, {}},
    {"moving_inside_the_button",
     WS_OVERLAPPEDWINDOW,
     false,
     kMin,
     {POINT{242, 8}, POINT{253, 20}},
     POINT{253, 20},
     false,
     {SC_MINIMIZE}},
};

INSTANTIATE_TEST_SUITE_P(Clicks, CaptionClickTest, testing::ValuesIn(kClicks),
                         [](const testing::TestParamInfo<ClickCase>& i) { return std::string(i.param.name); });

TEST_F(CaptionTest, TheButtonsDoWhatTheySay)
{
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    auto click = [&](POINT p) {
        RECT r;
        GetWindowRect(w, &r);
        POINT s{r.left + p.x, r.top + p.y};
        InjectMouseMove(s);
        InjectMouseButton(MouseButton::Left, true, s);
        InjectMouseButton(MouseButton::Left, false, s);
        Pump();
    };
    click(kMax);
    EXPECT_TRUE(IsZoomed(w));
    // Maximised, the window starts 4 pixels outside the work area and its
    // buttons sit at the right end of the screen.
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{-4, -4, 1284, 988}));
    click(POINT{1288 - 300 + kMax.x, kMax.y});
    EXPECT_FALSE(IsZoomed(w));
    click(kMin);
    EXPECT_TRUE(IsIconic(w));
    ShowWindow(w, SW_RESTORE);
    click(kClose);
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(CaptionTest, AFramelessWindowAnsweringButtonCodesGetsTheirCommands)
{
    // A window that draws its own buttons: its top-right 20 x 20 answers
    // HTCLOSE and the square left of it HTMINBUTTON. What may be pressed
    // follows the style, not a drawn caption.
    struct Case {
        const char* name;
        DWORD style;
        POINT down, up;
        std::vector<WPARAM> commands;
    } cases[] = {
        {"close", WS_POPUP | WS_SYSMENU, POINT{290, 10}, POINT{285, 15}, {SC_CLOSE}},
        {"close needs the system menu style", WS_POPUP, POINT{290, 10}, POINT{290, 10}, {}},
        {"minimise", WS_POPUP | WS_MINIMIZEBOX, POINT{270, 10}, POINT{270, 10}, {SC_MINIMIZE}},
        {"minimise needs its box", WS_POPUP | WS_SYSMENU, POINT{270, 10}, POINT{270, 10}, {}},
        {"released outside the code", WS_POPUP | WS_SYSMENU, POINT{290, 10}, POINT{250, 10}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND w = MakeTop(100, 100, 300, 200, c.style | WS_VISIBLE);
        SetHandler(w, [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
            if (m != WM_NCHITTEST) return std::nullopt;
            int x = static_cast<SHORT>(LOWORD(static_cast<DWORD>(l))) - 100;
            int y = static_cast<SHORT>(HIWORD(static_cast<DWORD>(l))) - 100;
            if (y >= 0 && y < 20 && x >= 280 && x < 300) return HTCLOSE;
            if (y >= 0 && y < 20 && x >= 260 && x < 280) return HTMINBUTTON;
            return HTCLIENT;
        });
        Pump();
        EXPECT_EQ(Press(c.down, {c.up}, c.up), c.commands);
        EXPECT_EQ(GetCapture(), nullptr);
        if (IsWindow(w)) DestroyWindow(w);
    }
}

TEST_F(CaptionTest, TheButtonUnderTheCursorLightsUpUntilTheCursorLeaves)
{
    HWND w = MakeFramed(WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX);
    const QRgb face = qRgb(240, 240, 240);
    EXPECT_EQ(Pixel(w, kCloseFace), face);
    struct Step {
        POINT at;  // window point; x < 0: outside every window
        LRESULT hot;
        QRgb closeFace, maxFace, minFace;
    } steps[] = {
        {kClose, HTCLOSE, qRgb(232, 17, 35), face, face},
        {kMax, HTMAXBUTTON, face, qRgb(229, 241, 251), face},
        {kMin, HTNOWHERE, face, face, face},  // disabled: no light
        {kMax, HTMAXBUTTON, face, qRgb(229, 241, 251), face},
        {kTitle, HTNOWHERE, face, face, face},
        {kClose, HTCLOSE, qRgb(232, 17, 35), face, face},
        {POINT{-500, -500}, HTNOWHERE, face, face, face},
        {kClose, HTCLOSE, qRgb(232, 17, 35), face, face},
        {POINT{150, 100}, HTNOWHERE, face, face, face},  // into the client area
    };
    for (const Step& s : steps) {
        InjectMouseMove(s.at.x < 0 ? s.at : Screen(s.at));
        Pump();
        SCOPED_TRACE(testing::Message() << s.at.x << "," << s.at.y);
        EXPECT_EQ(win32_gui::Find(w)->captionHot, s.hot);
        EXPECT_EQ(Pixel(w, kCloseFace), s.closeFace);
        EXPECT_EQ(Pixel(w, kMaxFace), s.maxFace);
        EXPECT_EQ(Pixel(w, kMinFace), s.minFace);
    }
}

// Saves a picture of the caption in each look of its buttons and checks the
// faces: held, a button is sunken with its face in the pressed colour.
TEST_F(CaptionTest, PicturesOfEveryButtonLook)
{
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    std::vector<std::pair<std::string, QImage>> shots;
    auto shoot = [&](const std::string& name) {
        shots.emplace_back(name, CaptionImage(w));
        SaveScreenshot(shots.back().second, "caption_" + name);
    };
    shoot("normal");
    for (auto [name, at] : {std::pair{"hot_close", kClose}, {"hot_maximise", kMax}, {"hot_minimise", kMin}}) {
        InjectMouseMove(Screen(at));
        Pump();
        shoot(name);
    }
    // A press runs its own loop; a timer inside it takes the picture and
    // then lets go away from the button.
    struct Press {
        const char* name;
        POINT at;
        QRgb face;
    } presses[] = {
        {"pressed_close", kClose, qRgb(241, 112, 122)},
        {"pressed_maximise", kMax, qRgb(204, 228, 247)},
        {"pressed_minimise", kMin, qRgb(204, 228, 247)},
    };
    for (const Press& p : presses) {
        bool taken = false;
        SetHandler(w, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (m != WM_TIMER) return std::nullopt;
            KillTimer(h, 1);
            EXPECT_EQ(GetCapture(), h);
            shoot(p.name);
            EXPECT_EQ(Pixel(h, POINT{p.at.x - 5, p.at.y - 4}), p.face) << p.name;
            taken = true;
            InjectMouseMove(Screen(kTitle));
            InjectMouseButton(MouseButton::Left, false, Screen(kTitle));
            return 0;
        });
        InjectMouseMove(Screen(p.at));
        InjectMouseButton(MouseButton::Left, true, Screen(p.at));
        SetTimer(w, 1, 10, nullptr);
        clock_.Advance(10);
        Pump();
        EXPECT_TRUE(taken) << p.name;
        EXPECT_EQ(GetCapture(), nullptr);
    }
    SetHandler(w, nullptr);
    InjectMouseMove(Screen(POINT{150, 100}));
    Pump();
    // Inactive, and maximised with the restore glyph.
    HWND other = MakeTop(600, 600, 50, 50);
    Pump();
    shoot("inactive");
    DestroyWindow(other);
    SetActiveWindow(w);
    win32_gui::Find(w)->style |= WS_MAXIMIZE;
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    Pump();
    shoot("restore_glyph");
    EXPECT_EQ(Pixel(w, POINT{kMax.x - 2, kMax.y - 5}), qRgb(0, 0, 0));  // the back window's top line
    win32_gui::Find(w)->style &= ~WS_MAXIMIZE;

    // One sheet with every look, one above the other.
    QImage sheet(300, static_cast<int>(shots.size()) * 30, QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    for (size_t i = 0; i < shots.size(); ++i) painter.drawImage(0, static_cast<int>(i) * 30, shots[i].second);
    painter.end();
    SaveScreenshot(sheet, "caption_all_looks");
    ASSERT_EQ(shots.size(), 9u);
    // Every look differs from the normal one somewhere.
    for (size_t i = 1; i < shots.size(); ++i) EXPECT_NE(shots[i].second, shots[0].second) << shots[i].first;
}

TEST_F(CaptionTest, TheTitleStopsBeforeTheButtonsAndTheIconIsDrawn)
{
    HWND w = MakeFramed(WS_OVERLAPPEDWINDOW);
    std::wstring longTitle(200, L'W');
    SetWindowTextW(w, longTitle.c_str());
    HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
    SendMessageW(w, WM_SETICON, 0, reinterpret_cast<LPARAM>(icon));
    RedrawWindow(w, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
    Pump();
    const QImage caption = CaptionImage(w);
    SaveScreenshot(caption, "caption_long_title");
    const QRgb background = qRgb(153, 180, 209);  // the active caption colour
    // Nothing of the title between the last text pixel and the buttons.
    for (int x = 234; x < 238; ++x)
        for (int y = 4; y < 24; ++y) EXPECT_EQ(caption.pixel(x, y), background) << x << "," << y;
    // The icon's blue title bar shows at the left.
    bool blue = false;
    for (int x = 6; x < 22; ++x)
        for (int y = 6; y < 22; ++y) blue = blue || caption.pixel(x, y) == qRgb(0, 84, 166);
    EXPECT_TRUE(blue);
}

}  // namespace
