// Dragging a frameless window by a caption hit code and sizing it from a
// border code, through injected input and the layer's own loop.
#include "GuiTestSupport.h"
#include "platform/win32/gui/Focus.h"

using namespace gui_test;

namespace {

class MoveSizeTest : public GuiTest {
protected:
    // A frameless window whose top 20 pixels are a caption and whose
    // bottom-right 10 x 10 corner sizes it; it wants at least 150 x 100.
    HWND MakeSkinLike()
    {
        HWND w = MakeTop(100, 100, 300, 200, WS_POPUP | WS_VISIBLE);
        SetHandler(w, [](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
            if (m == WM_NCHITTEST) {
                POINT p{static_cast<SHORT>(LOWORD(static_cast<DWORD>(l))),
                        static_cast<SHORT>(HIWORD(static_cast<DWORD>(l)))};
                ScreenToClient(h, &p);
                RECT c;
                GetClientRect(h, &c);
                if (p.x >= c.right - 10 && p.y >= c.bottom - 10) return HTBOTTOMRIGHT;
                return p.y < 20 ? HTCAPTION : HTCLIENT;
            }
            if (m == WM_GETMINMAXINFO) {
                auto* mm = reinterpret_cast<MINMAXINFO*>(l);
                mm->ptMinTrackSize = POINT{150, 100};
                return 0;
            }
            return std::nullopt;
        });
        Pump();
        return w;
    }
};

TEST_F(MoveSizeTest, ACaptionDragMovesTheWindowWithMovingMessages)
{
    HWND w = MakeSkinLike();
    Log().clear();
    InjectMouseMove(POINT{150, 110});
    InjectMouseButton(MouseButton::Left, true, POINT{150, 110});
    InjectMouseMove(POINT{160, 115});
    InjectMouseMove(POINT{190, 140});
    InjectMouseButton(MouseButton::Left, false, POINT{190, 140});
    Pump();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{140, 130, 440, 330}));
    EXPECT_EQ(MessagesOf(w, {WM_NCLBUTTONDOWN, WM_ENTERSIZEMOVE, WM_MOVING, WM_EXITSIZEMOVE, WM_LBUTTONUP}),
              (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_ENTERSIZEMOVE, WM_MOVING, WM_MOVING, WM_EXITSIZEMOVE}));
    auto moving = LogOf({WM_MOVE});
    ASSERT_FALSE(moving.empty());
    EXPECT_EQ(moving.back().lParam, MAKELONG(140, 130));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MoveSizeTest, TheWindowMayCorrectTheRectangleWhileMoving)
{
    HWND w = MakeSkinLike();
    SetHandler(w, [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_MOVING) {
            auto* r = reinterpret_cast<RECT*>(l);
            if (r->left < 110) OffsetRect(r, 110 - r->left, 0);  // an edge to snap to
        }
        if (m == WM_NCHITTEST) return HTCAPTION;
        return std::nullopt;
    });
    InjectMouseButton(MouseButton::Left, true, POINT{150, 110});
    InjectMouseMove(POINT{100, 110});
    InjectMouseButton(MouseButton::Left, false, POINT{100, 110});
    Pump();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 110);
}

TEST_F(MoveSizeTest, TheBottomRightCornerSizesWithinTheMinimumTrackSize)
{
    HWND w = MakeSkinLike();
    std::vector<RECT> placed;
    SetHandler(w, [&placed](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (m == WM_NCHITTEST) {
            POINT p{static_cast<SHORT>(LOWORD(static_cast<DWORD>(l))),
                    static_cast<SHORT>(HIWORD(static_cast<DWORD>(l)))};
            ScreenToClient(h, &p);
            RECT c;
            GetClientRect(h, &c);
            return (p.x >= c.right - 10 && p.y >= c.bottom - 10) ? HTBOTTOMRIGHT : HTCLIENT;
        }
        if (m == WM_GETMINMAXINFO) {
            reinterpret_cast<MINMAXINFO*>(l)->ptMinTrackSize = POINT{150, 100};
            return 0;
        }
        if (m == WM_SIZING) placed.push_back(*reinterpret_cast<RECT*>(l));
        return std::nullopt;
    });
    Log().clear();
    InjectMouseButton(MouseButton::Left, true, POINT{395, 295});
    InjectMouseMove(POINT{425, 315});
    // Far smaller than allowed: held at 150 x 100.
    InjectMouseMove(POINT{200, 150});
    InjectMouseButton(MouseButton::Left, false, POINT{200, 150});
    Pump();
    ASSERT_EQ(placed.size(), 2u);
    EXPECT_EQ(placed[0], (RECT{100, 100, 430, 320}));
    EXPECT_EQ(placed[1], (RECT{100, 100, 250, 200}));
    auto sizing = LogOf({WM_SIZING});
    EXPECT_EQ(sizing[0].wParam, WMSZ_BOTTOMRIGHT);
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{100, 100, 250, 200}));
    EXPECT_EQ(MessagesOf(w, {WM_ENTERSIZEMOVE, WM_GETMINMAXINFO, WM_EXITSIZEMOVE}),
              (std::vector<UINT>{WM_GETMINMAXINFO, WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
    auto sizes = LogOf({WM_SIZE});
    ASSERT_FALSE(sizes.empty());
    EXPECT_EQ(sizes.back().lParam, MAKELONG(150, 100));
}

TEST_F(MoveSizeTest, EscapePutsTheWindowBack)
{
    HWND w = MakeSkinLike();
    SetFocus(w);
    InjectMouseButton(MouseButton::Left, true, POINT{150, 110});
    InjectMouseMove(POINT{250, 210});
    InjectKey(VK_ESCAPE, true);
    Pump();
    RECT r;
    GetWindowRect(w, &r);
    EXPECT_EQ(r, (RECT{100, 100, 400, 300}));
    EXPECT_EQ(GetCapture(), nullptr);
}

}  // namespace
