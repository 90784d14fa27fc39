// The snap manager's choices: the nearest edge within the distance, the
// first target among equals, which windows are targets, positions left as
// proposed, the dragged side while sizing, a move measured by the cursor,
// and positions the program proposes.
#include <gtest/gtest.h>

#include "skin/WindowSnapManager.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

namespace {

class SnapManagerTest : public gui_test::GuiTest {
protected:
    HWND Window(int x, int y, int w, int h) { return gui_test::MakeTop(x, y, w, h); }
};

TEST_F(SnapManagerTest, AttachingTwiceToOneWindowFails)
{
    HWND w = Window(100, 100, 200, 100);
    WindowSnapManager first, second;
    EXPECT_EQ(1, first.Attach(w, 0, 8, 1, 1, 1));
    EXPECT_EQ(0, second.Attach(w, 0, 8, 1, 1, 1));
    EXPECT_EQ(&first, WindowSnapManager::FromWindow(w));
    EXPECT_EQ(1, first.Detach());
    EXPECT_EQ(nullptr, WindowSnapManager::FromWindow(w));
    EXPECT_EQ(1, second.Attach(w, 0, 8, 1, 1, 0));
    EXPECT_EQ(0, second.Detach()) << "not subclassed";
}

TEST_F(SnapManagerTest, MovesSnapToTheNearestEdgeWithinTheDistance)
{
    // Two targets whose edges are 4 pixels away on either side of the
    // proposal: the first in target order wins (windows before work areas).
    HWND left = Window(50, 200, 100, 100);    // right edge 150
    HWND right = Window(362, 200, 100, 100);  // left edge 362
    HWND w = Window(500, 500, 200, 100);
    gui_test::Pump();
    WindowSnapManager manager;
    ASSERT_EQ(1, manager.Attach(w, 1, 10, 1, 1, 0));
    manager.PrepareTargets();
    ASSERT_EQ(3u, manager.GetTargets().size()) << "two windows and the work area";
    // The proposal is 200 by 100 at (x, y).
    struct Case {
        int x, y;
        int expectedX;
    } cases[] = {
        {154, 220, 150},  // 4 from the left window's right edge (its right edge 8 from the other's left)
        {158, 220, 162},  // its right edge 4 from the right window's left edge, its left 8 from 150
        {165, 220, 162},  // 3 past that edge: pulled back
        {6, 600, 0},      // beside no window: the work area's left edge
        {-7, 600, 0},      {11, 600, 11},  // 11 is out of reach
        {1200, 600, 1200},                 // the work area's right edge is 120 away from its right edge
    };
    for (const Case& c : cases) {
        int x = c.x, y = c.y, cx = 200, cy = 100;
        EXPECT_EQ(c.expectedX != c.x, manager.SnapPosition(x, y, cx, cy, false)) << c.x;
        EXPECT_EQ(c.expectedX, x) << c.x;
        EXPECT_EQ(c.y, y) << c.x;
        EXPECT_EQ(200, cx);
        EXPECT_EQ(100, cy);
    }
    (void)left;
    (void)right;
}

TEST_F(SnapManagerTest, MaximizedMinimizedAndHiddenWindowsAreNoTargetsAndNoPlaceOffEveryWorkArea)
{
    HWND maximized = Window(0, 0, 300, 300);
    ShowWindow(maximized, SW_MAXIMIZE);
    HWND minimized = Window(400, 400, 300, 300);
    ShowWindow(minimized, SW_MINIMIZE);
    HWND hidden = Window(400, 400, 300, 300);
    ShowWindow(hidden, SW_HIDE);
    HWND w = Window(700, 700, 100, 100);
    gui_test::Pump();
    WindowSnapManager manager;
    ASSERT_EQ(1, manager.Attach(w, 0, 10, 1, 1, 0));
    manager.PrepareTargets();
    ASSERT_EQ(1u, manager.GetTargets().size());
    EXPECT_EQ((RECT{0, 0, 1280, 984}), manager.GetTargets()[0]);
    // Entirely off the work area: left as proposed.
    int x = 2000, y = 1500, cx = 100, cy = 100;
    EXPECT_FALSE(manager.SnapPosition(x, y, cx, cy, false));
    EXPECT_EQ(2000, x);
    // Too small after snapping: left as proposed.
    int sx = 500, sy = 500, scx = 9, scy = 100;
    EXPECT_FALSE(manager.SnapPosition(sx, sy, scx, scy, false));
}

TEST_F(SnapManagerTest, SizingSnapsTheDraggedSide)
{
    HWND w = Window(100, 100, 200, 100);
    gui_test::Pump();
    WindowSnapManager manager;
    ASSERT_EQ(1, manager.Attach(w, 1, 10, 1, 0, 0));
    manager.PrepareTargets();
    // The right side dragged to 7 pixels from the work area's right edge.
    int x = 100, y = 100, cx = 1273 - 100, cy = 100;
    EXPECT_TRUE(manager.SnapPosition(x, y, cx, cy, true));
    EXPECT_EQ(100, x);
    EXPECT_EQ(1280 - 100, cx);
    // The left side dragged to 5 pixels from the left edge.
    int lx = 5, ly = 100, lcx = 300 - 5, lcy = 100;
    EXPECT_TRUE(manager.SnapPosition(lx, ly, lcx, lcy, true));
    EXPECT_EQ(0, lx);
    EXPECT_EQ(300, lcx);
}

TEST_F(SnapManagerTest, AMoveFollowsTheCursorFromTheStartAndEveryProposedPositionSnaps)
{
    HWND w = Window(100, 100, 200, 100);
    gui_test::Pump();
    WindowSnapManager manager;
    ASSERT_EQ(1, manager.Attach(w, 1, 10, 1, 0, 1));
    SetCursorPos(300, 150);
    SendMessageW(w, WM_ENTERSIZEMOVE, 0, 0);
    // Whatever rectangle the message proposes, the move is the start
    // rectangle shifted as far as the cursor went, then snapped.
    struct Move {
        POINT cursor;
        RECT proposed;
        RECT expected;
    } moves[] = {
        {{250, 170}, {400, 400, 600, 500}, {50, 120, 250, 220}},
        {{206, 150}, {106, 100, 306, 200}, {0, 100, 200, 200}},    // 6 from the work area's left edge
        {{211, 150}, {0, 0, 200, 100}, {11, 100, 211, 200}},       // 11 is out of reach
        {{300, 937}, {100, 887, 300, 987}, {100, 884, 300, 984}},  // its bottom 3 below the work area's
    };
    for (const Move& m : moves) {
        SetCursorPos(m.cursor.x, m.cursor.y);
        RECT r = m.proposed;
        SendMessageW(w, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
        EXPECT_EQ(m.expected, r) << m.cursor.x << "," << m.cursor.y;
    }
    SendMessageW(w, WM_EXITSIZEMOVE, 0, 0);

    // Positions proposed after the move, by the program too, snap to what
    // the move collected.
    struct Place {
        int x, y;
        RECT expected;
    } places[] = {
        {6, 300, {0, 300, 200, 400}},
        {11, 300, {11, 300, 211, 400}},
        {1280 - 200 - 7, 500, {1080, 500, 1280, 600}},
    };
    for (const Place& p : places) {
        SetWindowPos(w, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT r;
        GetWindowRect(w, &r);
        EXPECT_EQ(p.expected, r) << p.x;
    }
}

}  // namespace
