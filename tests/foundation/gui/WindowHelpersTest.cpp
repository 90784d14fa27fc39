// Text measures, fills, gradients, monitor areas and rectangle fitting.
#include "foundation/gui/WindowHelpers.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/Window.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

using namespace gui_test;

namespace {

class WindowHelpersTest : public GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        BITMAPINFO info{};
        info.bmiHeader.biWidth = 20;
        info.bmiHeader.biHeight = 10;
        info.bmiHeader.biBitCount = 24;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
        dc_ = CreateCompatibleDC(nullptr);
        old_ = SelectObject(dc_, bitmap_);
        SelectObject(dc_, GetStockObject(DEFAULT_GUI_FONT));
    }
    void TearDown() override
    {
        SelectObject(dc_, old_);
        SelectObject(dc_, GetStockObject(SYSTEM_FONT));
        DeleteDC(dc_);
        DeleteObject(bitmap_);
        GuiTest::TearDown();
    }
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(WindowHelpersTest, TextMeasures)
{
    TEXTMETRICW tm;
    GetTextMetricsW(dc_, &tm);
    EXPECT_EQ(GetTextWidth(dc_, nullptr), 0);
    EXPECT_EQ(GetTextWidth(dc_, L""), 0);
    int abc = GetTextWidth(dc_, L"abc");
    EXPECT_GT(abc, 0);
    EXPECT_EQ(GetTextBlockHeight(dc_, FALSE, L"one"), tm.tmHeight);
    EXPECT_EQ(GetTextBlockHeight(dc_, FALSE, L"a\nb\nc"), 3 * tm.tmHeight);
    EXPECT_EQ(GetTextBlockHeight(dc_, TRUE, L"a\nb"), 2 * (tm.tmHeight + tm.tmExternalLeading));
    EXPECT_EQ(GetTextBlockWidth(dc_, L"ab\nabc\na"), abc);
    EXPECT_EQ(GetTextBlockWidth(dc_, L"abc\n"), abc);
    EXPECT_EQ(GetTextBlockWidth(dc_, L""), 0);
}

TEST_F(WindowHelpersTest, FillKeepsTheBackgroundColour)
{
    SetBkColor(dc_, RGB(1, 2, 3));
    FillRectWithColor(dc_, RECT{0, 0, 20, 10}, RGB(200, 100, 50));
    EXPECT_EQ(GetPixel(dc_, 19, 9), RGB(200, 100, 50));
    EXPECT_EQ(GetBkColor(dc_), RGB(1, 2, 3));
}

TEST_F(WindowHelpersTest, GradientColumnsUseIntegerSteps)
{
    COLORREF left = RGB(0, 0, 100), right = RGB(140, 161, 255);
    FillHorizontalGradient(left, right, 10, dc_, 10);
    EXPECT_EQ(GetPixel(dc_, 0, 5), left);
    EXPECT_EQ(GetPixel(dc_, 5, 0), RGB(70, 80, 177));
    EXPECT_EQ(GetPixel(dc_, 9, 9), RGB(126, 144, 239));
    // Columns from the width on are not touched.
    EXPECT_EQ(GetPixel(dc_, 10, 5), RGB(0, 0, 0));
    // Falling channels: 200 - (200 - 0) * 3 / 7 = 115.
    FillHorizontalGradient(RGB(200, 200, 200), RGB(0, 0, 0), 7, dc_, 1);
    EXPECT_EQ(GetPixel(dc_, 3, 0), RGB(115, 115, 115));
}

struct FitCase {
    RECT in;
    RECT expected;
};

TEST_F(WindowHelpersTest, FittingIntoTheWorkArea)
{
    const RECT area{0, 0, 1000, 700};
    const FitCase cases[] = {
        {{100, 100, 300, 200}, {100, 100, 300, 200}},    // inside: unchanged
        {{900, 100, 1100, 200}, {800, 100, 1000, 200}},  // out on the right
        {{-50, 100, 150, 200}, {0, 100, 200, 200}},      // out on the left
        {{100, 650, 300, 750}, {100, 600, 300, 700}},    // out at the bottom
        {{100, -20, 300, 80}, {100, 0, 300, 100}},       // out at the top
        {{-10, 10, 1200, 60}, {0, 10, 1000, 60}},        // wider than the area
        {{10, -5, 60, 900}, {10, 0, 60, 700}},           // taller than the area
    };
    for (const FitCase& c : cases) {
        RECT out;
        FitRectIntoWorkArea(c.in, &out, &area);
        EXPECT_EQ(out, c.expected) << c.in.left << "," << c.in.top;
    }
    // Without an area: the work area of the nearest monitor (0, 0, 1280, 984 here).
    RECT out;
    FitRectIntoWorkArea(RECT{1200, 950, 1300, 1000}, &out);
    EXPECT_EQ(out, (RECT{1180, 934, 1280, 984}));
}

TEST_F(WindowHelpersTest, MonitorAreasAndClientRectangles)
{
    FixedMonitorProvider two({MonitorDescription{RECT{0, 0, 800, 600}, RECT{0, 0, 800, 560}, true},
                              MonitorDescription{RECT{800, 0, 1600, 600}, RECT{800, 30, 1600, 600}, false}});
    SetMonitorProvider(&two);
    RECT work, whole;
    GetMonitorRectsAtPoint(POINT{1000, 10}, &work, &whole);
    EXPECT_EQ(work, (RECT{800, 30, 1600, 600}));
    EXPECT_EQ(whole, (RECT{800, 0, 1600, 600}));
    GetMonitorRectsOfRect(RECT{700, 0, 760, 50}, &work, &whole);
    EXPECT_EQ(work, (RECT{0, 0, 800, 560}));
    HWND w = MakeTop(100, 50, 200, 100);
    RECT r{110, 60, 150, 90};
    RectScreenToClient(w, &r);
    EXPECT_EQ(r, (RECT{10, 10, 50, 40}));
    RectClientToScreen(w, &r);
    EXPECT_EQ(r, (RECT{110, 60, 150, 90}));
}

LRESULT FirstProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }
LRESULT SecondProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcW(h, m, w, l); }

// A painted window's class: the procedure and the arrow cursor, no
// background; registering the name again keeps the first class.
TEST_F(WindowHelpersTest, PaintedWindowClassIsRegisteredOnce)
{
    const wchar_t* const name = L"WindowHelpers.Test.Painted";
    WNDCLASSEXW wc{};
    ASSERT_FALSE(GetClassInfoExW(nullptr, name, &wc));
    for (WNDPROC proc : {&FirstProc, &SecondProc}) {
        RegisterPaintedWindowClass(name, proc);
        wc = WNDCLASSEXW();
        ASSERT_TRUE(GetClassInfoExW(nullptr, name, &wc));
        EXPECT_EQ(&FirstProc, wc.lpfnWndProc);
        EXPECT_EQ(LoadCursorW(nullptr, IDC_ARROW), wc.hCursor);
        EXPECT_EQ(nullptr, wc.hbrBackground);
        EXPECT_EQ(0u, wc.style);
    }
    HWND window = CreateWindowExW(0, name, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(window);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&FirstProc), GetWindowLongPtrW(window, GWLP_WNDPROC));
    DestroyWindow(window);
    EXPECT_TRUE(UnregisterClassW(name, nullptr));
}

}  // namespace
