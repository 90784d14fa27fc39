// Regions, their combination modes, and window regions in hit testing.
#include <QWidget>

#include "GuiTestSupport.h"
#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/WindowObject.h"

using namespace gui_test;

namespace {

class RegionTest : public GuiTest {};

struct CombineCase {
    int mode;
    int expectedKind;
    // Membership of (1,1) only in A, (3,3) in both, (5,5) only in B, (7,7) in neither.
    bool onlyA, both, onlyB, neither;
};

TEST_F(RegionTest, EveryCombineModeGivesItsMembership)
{
    const CombineCase cases[] = {
        {RGN_AND, SIMPLEREGION, false, true, false, false}, {RGN_OR, COMPLEXREGION, true, true, true, false},
        {RGN_XOR, COMPLEXREGION, true, false, true, false}, {RGN_DIFF, COMPLEXREGION, true, false, false, false},
        {RGN_COPY, SIMPLEREGION, true, true, false, false},
    };
    for (const CombineCase& c : cases) {
        HRGN a = CreateRectRgn(0, 0, 4, 4);
        HRGN b = CreateRectRgn(2, 2, 6, 6);
        HRGN d = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(CombineRgn(d, a, b, c.mode), c.expectedKind) << c.mode;
        EXPECT_EQ(PtInRegion(d, 1, 1) != 0, c.onlyA) << c.mode;
        EXPECT_EQ(PtInRegion(d, 3, 3) != 0, c.both) << c.mode;
        EXPECT_EQ(PtInRegion(d, 5, 5) != 0, c.onlyB) << c.mode;
        EXPECT_EQ(PtInRegion(d, 7, 7) != 0, c.neither) << c.mode;
        // Right and bottom edges are outside.
        EXPECT_FALSE(PtInRegion(a, 4, 1));
        DeleteObject(a);
        DeleteObject(b);
        DeleteObject(d);
    }
    HRGN a = CreateRectRgn(0, 0, 4, 4);
    HRGN d = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(d, a, nullptr, RGN_OR), ERROR);
    EXPECT_EQ(CombineRgn(d, a, a, 9), ERROR);
    EXPECT_EQ(CombineRgn(d, a, a, RGN_DIFF), NULLREGION);
    DeleteObject(a);
    DeleteObject(d);
}

TEST_F(RegionTest, ShapesOffsetsAndBoxes)
{
    HRGN e = CreateEllipticRgn(0, 0, 20, 10);
    EXPECT_TRUE(PtInRegion(e, 10, 5));
    EXPECT_FALSE(PtInRegion(e, 0, 0));
    EXPECT_FALSE(PtInRegion(e, 19, 9));
    RECT box;
    EXPECT_EQ(GetRgnBox(e, &box), COMPLEXREGION);
    EXPECT_EQ(box, (RECT{0, 0, 20, 10}));
    OffsetRgn(e, 100, 50);
    EXPECT_TRUE(PtInRegion(e, 110, 55));
    EXPECT_FALSE(PtInRegion(e, 10, 5));
    HRGN rr = CreateRoundRectRgn(0, 0, 30, 30, 10, 10);
    EXPECT_FALSE(PtInRegion(rr, 0, 0));
    EXPECT_TRUE(PtInRegion(rr, 5, 0));
    EXPECT_TRUE(PtInRegion(rr, 15, 15));
    DeleteObject(e);
    DeleteObject(rr);
}

TEST_F(RegionTest, ExtremeShapesStayBounded)
{
    // Sizes a damaged skin file could ask for: built row by row within the
    // 16-bit range, never pixel by pixel over the whole request.
    HRGN huge = CreateEllipticRgn(-2000000000, -2000000000, 2000000000, 2000000000);
    ASSERT_NE(huge, nullptr);
    EXPECT_TRUE(PtInRegion(huge, 0, 0));
    HRGN rr = CreateRoundRectRgn(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX);
    ASSERT_NE(rr, nullptr);
    HRGN wide = CreateRectRgn(INT32_MIN, 0, INT32_MAX, 10);
    EXPECT_TRUE(PtInRegion(wide, 123456, 5));
    EXPECT_EQ(OffsetRgn(wide, INT32_MAX, 0), ERROR);  // would leave the coordinate range
    EXPECT_TRUE(PtInRegion(wide, 123456, 5));
    DeleteObject(huge);
    DeleteObject(rr);
    DeleteObject(wide);
}

TEST_F(RegionTest, RegionDataIsCheckedAgainstItsSize)
{
    struct {
        RGNDATAHEADER h;
        RECT r[2];
    } data;
    data.h.nCount = 2;
    data.r[0] = RECT{0, 0, 2, 1};
    data.r[1] = RECT{5, 0, 6, 1};
    HRGN ok = ExtCreateRegion(nullptr, sizeof data, reinterpret_cast<const RGNDATA*>(&data));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(PtInRegion(ok, 1, 0));
    EXPECT_FALSE(PtInRegion(ok, 3, 0));
    EXPECT_TRUE(PtInRegion(ok, 5, 0));
    DeleteObject(ok);
    data.h.nCount = 1000;  // more rectangles than the data holds
    EXPECT_EQ(ExtCreateRegion(nullptr, sizeof data, reinterpret_cast<const RGNDATA*>(&data)), nullptr);
}

TEST_F(RegionTest, AWindowRegionIsHonouredByHitTesting)
{
    HWND below = MakeTop(0, 0, 200, 200);
    HWND shaped = MakeTop(0, 0, 100, 100);
    ASSERT_TRUE(SetWindowRgn(shaped, CreateEllipticRgn(0, 0, 100, 100), TRUE));
    Pump();
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), shaped);
    EXPECT_EQ(WindowFromPoint(POINT{3, 3}), below);  // the corner is cut away
    // Removing the region gives the whole rectangle back.
    SetWindowRgn(shaped, nullptr, TRUE);
    EXPECT_EQ(WindowFromPoint(POINT{3, 3}), shaped);
    SetWindowRgn(shaped, CreateEllipticRgn(0, 0, 100, 100), TRUE);
    Log().clear();
    InjectMouseButton(MouseButton::Left, true, POINT{3, 3});
    Pump();
    EXPECT_TRUE(MessagesOf(shaped, {WM_LBUTTONDOWN, WM_NCHITTEST}).empty());
    EXPECT_EQ(MessagesOf(below, {WM_LBUTTONDOWN}).size(), 1u);
    // The widget takes the same shape.
    QWidget* widget = win32_gui::Find(shaped)->widget;
    ASSERT_NE(widget, nullptr);
    EXPECT_FALSE(widget->mask().contains(QPoint(3, 3)));
    EXPECT_TRUE(widget->mask().contains(QPoint(50, 50)));
    HRGN copy = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(shaped, copy), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(copy, 50, 50));
    DeleteObject(copy);
}

TEST_F(RegionTest, ChildWindowRegionsAreInTheChildsCoordinates)
{
    HWND top = MakeTop(100, 100, 200, 200);
    HWND child = MakeChild(top, 1, 50, 50, 40, 40);
    SetWindowRgn(child, CreateRectRgn(20, 20, 40, 40), FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{155, 155}), top);
    EXPECT_EQ(WindowFromPoint(POINT{175, 175}), child);
}

}  // namespace
