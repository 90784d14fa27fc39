// The shared tooltip: when a repeat is ignored and when it shows again, on
// the replaceable clock; placement beside the cursor inside the work area;
// hiding by key, by its timer and by a move over the tip; and its picture.
#include <gtest/gtest.h>

#include "platform/win32/gui/Input.h"
#include "skin/HXSubTooltipWindow.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"
#include "tests/skin/SkinTestSupport.h"

namespace {

class TooltipWindowTest : public gui_test::GuiTest {
protected:
    void SetUp() override
    {
        GuiTest::SetUp();
        tip_.CreateTooltipWindow();
        SetCursorPos(300, 300);
    }
    void TearDown() override
    {
        tip_.HideTooltip(nullptr);
        GuiTest::TearDown();
    }
    bool Shown() { return IsWindowVisible(tip_.GetSafeHwnd()) != FALSE; }
    RECT Placed()
    {
        RECT r;
        GetWindowRect(tip_.GetSafeHwnd(), &r);
        return r;
    }
    // Lets the hide timer run when it is due.
    void Wait(ULONGLONG ms)
    {
        clock_.Advance(ms);
        gui_test::Pump();
    }

    HXSubTooltipWindow& tip_ = HXSubTooltipWindow::Instance();
    const int keyA_ = 1, keyB_ = 2;
};

TEST_F(TooltipWindowTest, ARepeatWithinTwoSecondsOfTheLastShowOrHideIsIgnored)
{
    struct Step {
        ULONGLONG wait;  // before the call
        const void* key;
        const wchar_t* text;
        int result;
        bool shown;  // afterwards
    };
    const Step steps[] = {
        {0, &keyA_, L"first", 1, true},     {500, &keyA_, L"first", 0, true},  // a move over the same control
        {1499, &keyA_, L"first", 0, true},                                     // 1999 ms after the show
        {1, nullptr, nullptr, 0, false},                                       // 2000 ms: the timer hid it
        {1000, &keyA_, L"first", 0, false},                                    // within 2000 ms of the hiding
        {999, &keyA_, L"first", 0, false},  {1, &keyA_, L"first", 1, true},    // 2000 ms after the hiding
        {10, &keyB_, L"first", 1, true},                                       // another control at once
        {10, &keyB_, L"second", 1, true},                                      // another text at once
        {10, &keyB_, L"", 1, false},                                           // an empty text hides
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        Wait(s.wait);
        if (s.text) {
            EXPECT_EQ(s.result, tip_.ShowTooltip(s.text, nullptr, s.key, 2000)) << "step " << i;
        }
        EXPECT_EQ(s.shown, Shown()) << "step " << i;
    }
}

TEST_F(TooltipWindowTest, AGivenPositionIsUsedAsItIsAndIsNeverIgnored)
{
    const POINT at{40, 50};
    EXPECT_EQ(1, tip_.ShowTooltip(L"there", &at, &keyA_, 2000));
    EXPECT_EQ(1, tip_.ShowTooltip(L"there", &at, &keyA_, 2000));
    const RECT r = Placed();
    EXPECT_EQ(40, r.left);
    EXPECT_EQ(50, r.top);
}

TEST_F(TooltipWindowTest, ThePlaceFollowsTheCursorInsideTheWorkArea)
{
    // The work area of the test monitor is (0, 0, 1280, 984).
    struct Case {
        POINT cursor;
        bool above;      // placed above the cursor
        bool shiftedIn;  // moved left into the work area
    } cases[] = {
        {{300, 300}, false, false},
        {{300, 975}, true, false},
        {{1275, 300}, false, true},
    };
    for (const Case& c : cases) {
        tip_.HideTooltip(nullptr);
        clock_.Advance(5000);
        SetCursorPos(c.cursor.x, c.cursor.y);
        ASSERT_EQ(1, tip_.ShowTooltip(L"a tip", nullptr, &keyA_, 2000));
        const RECT r = Placed();
        const int width = r.right - r.left, height = r.bottom - r.top;
        EXPECT_GT(width, 6);
        EXPECT_GT(height, 6);
        if (c.above)
            EXPECT_EQ(c.cursor.y - 5, r.bottom) << c.cursor.y;
        else
            EXPECT_EQ(c.cursor.y + 20, r.top) << c.cursor.y;
        if (c.shiftedIn)
            EXPECT_EQ(1280, r.right);
        else
            EXPECT_EQ(c.cursor.x, r.left);
    }
}

TEST_F(TooltipWindowTest, HidingByKeyAndByAMoveOverTheTip)
{
    ASSERT_EQ(1, tip_.ShowTooltip(L"tip", nullptr, &keyA_, 2000));
    tip_.HideTooltip(&keyB_);
    EXPECT_TRUE(Shown()) << "another control's key leaves the tip";
    EXPECT_EQ(nullptr, tip_.GetCurrentKey());
    Wait(10);
    ASSERT_EQ(1, tip_.ShowTooltip(L"tip", nullptr, &keyB_, 2000));
    tip_.HideTooltip(&keyB_);
    EXPECT_FALSE(Shown());
    Wait(5000);
    ASSERT_EQ(1, tip_.ShowTooltip(L"tip", nullptr, &keyA_, 2000));
    SendMessageW(tip_.GetSafeHwnd(), WM_MOUSEMOVE, 0, 0);
    EXPECT_FALSE(Shown());
}

TEST_F(TooltipWindowTest, ThePictureIsAFramedPaleYellowBoxWithTheText)
{
    ASSERT_EQ(1, tip_.ShowTooltip(L"Skin tooltip 스킨", nullptr, &keyA_, 2000));
    const HDib& image = tip_.GetImage();
    const RECT r = Placed();
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(RGB(0, 0, 0), skin_test::Pixel(image, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), skin_test::Pixel(image, w - 1, h - 1));
    EXPECT_EQ(RGB(255, 255, 200), skin_test::Pixel(image, 1, 1));
    EXPECT_EQ(RGB(255, 255, 200), skin_test::Pixel(image, w - 2, h - 2));
    int ink = 0;
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) ink += skin_test::Pixel(image, x, y) != RGB(255, 255, 200);
    EXPECT_GT(ink, 20) << "the text is drawn";
    QImage picture(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = skin_test::Pixel(image, x, y);
            picture.setPixel(x, y, qRgb(GetRValue(c), GetGValue(c), GetBValue(c)));
        }
    gui_test::SaveScreenshot(picture, "skin_tooltip");
}

}  // namespace
